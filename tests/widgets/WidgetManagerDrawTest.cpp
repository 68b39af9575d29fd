#include "widgets/WidgetManager.h"

#include <functional>
#include <vector>

#include "WidgetTestSupport.h"

namespace widgettest {
namespace {

class DrawTest : public WidgetTest {
protected:
    void SetUp() override {
        mLeft = Make("left", 0, 0, 100, 100);
        mRight = Make("right", 200, 0, 100, 100);
        mLeft->mPaint = Vesk::Color(0, 0, 255);
        mRight->mPaint = Vesk::Color(0, 255, 0);
        EXPECT_TRUE(mManager.DrawScreen());
        mLog.clear();
    }

    RecordingWidget* mLeft = nullptr;
    RecordingWidget* mRight = nullptr;
};

TEST_F(DrawTest, OnlyDirtyTopLevelWidgetsArePainted) {
    EXPECT_EQ(Pixel(50, 50), 0x0000FFu);
    EXPECT_EQ(Pixel(250, 50), 0x00FF00u);
    EXPECT_FALSE(mManager.DrawScreen());
    EXPECT_TRUE(mLog.empty());

    mRight->mPaint = Vesk::Color(255, 255, 0);
    RecordingWidget* child = Make("child", 10, 10, 20, 20, mRight);
    mLog.clear();
    EXPECT_TRUE(mManager.DrawScreen());
    // The parent repaints its whole subtree; the other screen keeps its pixels.
    EXPECT_EQ(mLog, (Log{"right Draw", "child Draw"}));
    EXPECT_EQ(Pixel(250, 50), 0xFFFF00u);
    EXPECT_EQ(Pixel(215, 15), 0xFF0000u);
    EXPECT_EQ(Pixel(50, 50), 0x0000FFu);
    EXPECT_FALSE(child->mDirty);

    // The source rectangle's offset moves the whole picture; clipping keeps the child inside.
    mManager.SetViewRects(Vesk::Rect(100, 0, 600, 600), Vesk::Rect(0, 0, 600, 600));
    child->Resize(90, 10, 50, 20);
    mManager.MarkAllDirty();
    mLog.clear();
    EXPECT_TRUE(mManager.DrawScreen());
    EXPECT_EQ(Pixel(150, 50), 0xFFFF00u);
    EXPECT_EQ(Pixel(195, 15), 0xFF0000u);
    EXPECT_NE(Pixel(205, 15), 0xFF0000u);
}

TEST_F(DrawTest, AWidgetAloneDirtyDrawsAgainOnlyWhereItsPictureChanged) {
    int squareX = 10;
    mLeft->mRedrawsChangedAreas = true;
    mLeft->mOnDraw = [&](Vesk::Graphics* g) {
        g->SetColor(Vesk::Color(255, 0, 0));
        g->FillRect(squareX, 10, 10, 10);
    };
    // A mark the widget's drawing would cover shows what a frame leaves alone.
    auto mark = [&] {
        mScreen.FillRect(Vesk::Rect(80, 80, 1, 1), Vesk::Color(0, 255, 0), Vesk::kDrawModeNormal);
    };
    const Vesk::Rect whole(0, 0, 800, 600);
    mLeft->MarkDirty();
    EXPECT_TRUE(mManager.DrawScreen());
    EXPECT_EQ(mManager.DrawnAreas(), std::vector<Vesk::Rect>{whole}) << "nothing recorded yet";

    mark();
    squareX = 40;
    mLeft->MarkDirty();
    EXPECT_TRUE(mManager.DrawScreen());
    EXPECT_EQ(mManager.DrawnAreas(),
              (std::vector<Vesk::Rect>{Vesk::Rect(10, 10, 10, 10), Vesk::Rect(40, 10, 10, 10)}));
    EXPECT_EQ(Pixel(15, 15), 0x0000FFu);
    EXPECT_EQ(Pixel(45, 15), 0xFF0000u);
    EXPECT_EQ(Pixel(80, 80), 0x00FF00u);

    mLeft->MarkDirty();
    EXPECT_FALSE(mManager.DrawScreen()) << "the same picture again";
    EXPECT_TRUE(mManager.DrawnAreas().empty());

    // Once another widget has drawn, or everything was marked, the screen is drawn whole again.
    for (const auto& drawOther :
         std::vector<std::function<void()>>{[&] {
                                                mLeft->MarkDirty();
                                                mRight->MarkDirty();
                                            },
                                            [&] { mManager.MarkAllDirty(); }}) {
        drawOther();
        EXPECT_TRUE(mManager.DrawScreen());
        mark();
        mLeft->MarkDirty();
        EXPECT_TRUE(mManager.DrawScreen());
        EXPECT_EQ(mManager.DrawnAreas(), std::vector<Vesk::Rect>{whole});
        EXPECT_EQ(Pixel(80, 80), 0x0000FFu);
    }
}

TEST_F(DrawTest, OverlaysDrawByPriorityAfterTheTree) {
    RecordingWidget* dialog = Make("dialog", 0, 0, 50, 50);
    dialog->mPriority = 1;
    RecordingWidget* top = Make("top", 0, 0, 50, 50);
    top->mPriority = 3;
    mLeft->mOnDraw = [&](Vesk::Graphics*) { mLeft->DeferOverlay(); };
    // An overlay queued while overlays draw, at the same priority, is drawn in the same round.
    mLeft->mOnOverlay = [&](Vesk::Graphics*) {
        mLeft->mOnOverlay = nullptr;
        mRight->DeferOverlay();
    };
    mManager.MarkAllDirty();
    mLog.clear();
    EXPECT_TRUE(mManager.DrawScreen());
    // The dialog (priority 1) does not flush; the priority 3 widget draws over the overlays.
    EXPECT_EQ(mLog, (Log{"left Draw", "right Draw", "dialog Draw", "left Overlay", "right Overlay",
                         "top Draw"}));

    // Overlays of a past frame are gone and an empty frame draws nothing.
    mManager.DeferOverlay(mLeft, Vesk::WidgetManager::kOverlayPriority);
    mLog.clear();
    EXPECT_FALSE(mManager.DrawScreen());
    EXPECT_TRUE(mLog.empty());
    EXPECT_TRUE(mManager.mDeferredOverlayWidgets.empty());
}

TEST_F(DrawTest, UpdatesRunOncePerFrameAndFollowTheFlags) {
    mLeft->mWidgetFlagsMod.mAddFlags = Vesk::WidgetFlags::kMarkDirty;
    mRight->mWidgetFlagsMod.mRemoveFlags = Vesk::WidgetFlags::kUpdate;
    EXPECT_TRUE(mManager.UpdateFrame());
    EXPECT_EQ(mLog, (Log{"left Update"}));
    EXPECT_TRUE(mLeft->mDirty);
    EXPECT_FALSE(mRight->mDirty);

    // Below a modal widget the mouse and focus bits go, the update bit stays.
    mRight->mWidgetFlagsMod = Vesk::FlagsMod{};
    mManager.AddBaseModal(mRight);
    mLog.clear();
    mManager.UpdateFrame();
    EXPECT_EQ(mLog, (Log{"left Update", "right Update"}));
}

}  // namespace
}  // namespace widgettest
