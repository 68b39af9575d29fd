#include "widgets/WidgetManager.h"

#include "WidgetTestSupport.h"

namespace widgettest {
namespace {

using Vesk::Widget;

class ManagerTest : public WidgetTest {
protected:
    // The log since the last call.
    Log Take() {
        Log taken;
        taken.swap(mLog);
        return taken;
    }
};

TEST_F(ManagerTest, PointerEntersLeavesAndShowsTheFinger) {
    RecordingWidget* a = Make("a", 0, 0, 100, 100);
    RecordingWidget* b = Make("b", 200, 0, 100, 100);
    b->mDoFinger = true;
    mManager.MouseMove(10, 20);
    mManager.MouseMove(11, 20);
    mManager.MouseMove(210, 5);
    mManager.MouseExit(0, 0);
    EXPECT_EQ(Take(), (Log{"a Enter", "a Move 10 20", "a Move 11 20", "a Leave", "b Enter",
                           "b Move 10 5", "b Leave"}));
    EXPECT_EQ(mHost.mCursors, (std::vector<int>{1, 0}));
    EXPECT_FALSE(a->mIsOver);

    // Re-enabling a widget under a resting pointer makes it the over widget at once.
    mManager.MouseMove(50, 50);
    a->SetDisabled(true);
    EXPECT_EQ(mManager.mOverWidget, nullptr);
    a->SetDisabled(false);
    EXPECT_EQ(mManager.mOverWidget, a);
}

TEST_F(ManagerTest, CaptureKeepsTheMouseUntilTheLastButtonIsUp) {
    RecordingWidget* a = Make("a", 0, 0, 100, 100);
    RecordingWidget* b = Make("b", 200, 0, 100, 100);
    mManager.MouseMove(10, 10);
    Take();
    mManager.MouseDown(10, 10, 1);
    mManager.MouseMove(250, 10);  // a drag: b is not entered
    mManager.MouseDown(250, 10, -1);
    EXPECT_EQ(mManager.mDownButtons, 3);
    mManager.MouseMove(20, 10);
    mManager.MouseUp(20, 10, 1);
    EXPECT_EQ(mManager.mLastDownWidget, a);
    mManager.MouseUp(20, 10, -1);
    EXPECT_EQ(mManager.mLastDownWidget, nullptr);
    // A second press does look at what is under the pointer; its press still goes to a.
    EXPECT_EQ(Take(), (Log{"a Down 10 10 1", "a Drag 250 10", "a Leave", "b Enter", "b Move 50 10",
                           "a Down 250 10 -1", "b Leave", "a Drag 20 10", "a Enter", "a Up 20 10 1",
                           "a Up 20 10 -1"}));
    (void)b;

    // A press on empty space gives nobody the press and keeps the focus.
    a->mWantsFocus = true;
    mManager.MouseDown(10, 10, 1);
    mManager.MouseUp(10, 10, 1);
    mManager.MouseDown(500, 500, 3);
    EXPECT_EQ(mManager.mLastDownWidget, nullptr);
    EXPECT_EQ(mManager.mDownButtons, 4);
    EXPECT_EQ(mManager.mFocusWidget, a);
}

TEST_F(ManagerTest, MouseUpsOfNestedWidgetsAreRelativeToTheWidget) {
    RecordingWidget* panel = Make("panel", 100, 50, 200, 200);
    RecordingWidget* field = Make("field", 20, 10, 50, 20, panel);
    mManager.MouseDown(125, 65, 1);
    mManager.MouseUp(126, 66, 1);
    EXPECT_EQ(Take(), (Log{"field Enter", "field Move 5 5", "field Down 5 5 1", "field Up 6 6 1",
                           "field Move 6 6"}));
    (void)field;
}

TEST_F(ManagerTest, KeysGoToTheFocusAndCtrlTabToTheDefaultTabWidget) {
    RecordingWidget* a = Make("a", 0, 0, 10, 10);
    RecordingWidget* b = Make("b", 20, 0, 10, 10);
    RecordingWidget* tab = Make("tab", 40, 0, 10, 10);
    a->mTabNext = b;
    b->mTabPrev = a;
    mManager.mDefaultTab = tab;
    mManager.SetFocus(a);
    mManager.KeyDown(9);  // Tab: to b
    mManager.KeyDown(16);
    mManager.KeyDown(9);  // Shift+Tab: back to a
    mManager.KeyUp(16);
    mManager.KeyDown(17);
    mManager.KeyChar(9);
    mManager.KeyUp(9);  // swallowed while Ctrl is held
    mManager.KeyChar('x');
    mManager.MouseWheel(-1);
    mManager.KeyDown(300);  // past the table: still delivered
    EXPECT_EQ(Take(), (Log{"a GotFocus", "a KeyDown 9", "a LostFocus", "b GotFocus", "b KeyDown 16",
                           "b KeyDown 9", "b LostFocus", "a GotFocus", "a KeyUp 16", "a KeyDown 17",
                           "tab KeyChar 9", "a KeyChar 120", "a Wheel -1", "a KeyDown 300"}));

    // Losing the window sends the key-ups of what is held; the focus stays, unfocused.
    mManager.KeyDown(65);
    Take();
    mManager.LostFocus();
    EXPECT_EQ(Take(), (Log{"a KeyUp 17", "a KeyUp 65", "a LostFocus"}));
    EXPECT_EQ(mManager.mKeyDown[65], 0);
    mManager.GotFocus();
    EXPECT_EQ(Take(), (Log{"a GotFocus"}));

    // A default tab widget that left the tree is not called.
    mWidgets[2].reset();
    mManager.KeyDown(17);
    mManager.KeyChar(9);
    EXPECT_EQ(Take(), (Log{"a KeyDown 17"}));
}

TEST_F(ManagerTest, ModalStackBlocksWhatIsBelowAndRestoresTheFocus) {
    RecordingWidget* screen = Make("screen", 0, 0, 800, 600);
    RecordingWidget* first = Make("first", 100, 100, 100, 100);
    mManager.SetFocus(screen);
    mManager.MouseDown(50, 50, 1);
    Take();
    mManager.AddBaseModal(first);
    EXPECT_EQ(Take(), (Log{"screen Leave", "screen Up 50 50 1", "screen LostFocus"}));
    EXPECT_EQ(mManager.mLastDownWidget, nullptr);
    EXPECT_EQ(mManager.GetWidgetAt(50, 50, nullptr, nullptr), nullptr);
    EXPECT_EQ(mManager.GetWidgetAt(150, 150, nullptr, nullptr), first);

    // A second modal, then the first one goes out of order: nothing moves until the second
    // one goes too, and then both entries unwind.
    RecordingWidget* second = Make("second", 300, 100, 100, 100);
    mManager.SetFocus(first);
    mManager.AddBaseModal(second);
    EXPECT_EQ(mManager.GetWidgetAt(150, 150, nullptr, nullptr), nullptr);
    mManager.RemoveWidget(first);
    mManager.RemoveBaseModal(first);
    EXPECT_EQ(mManager.mBaseModalWidget, second);
    mWidgets[1].reset();
    Take();
    mManager.RemoveWidget(second);
    mManager.RemoveBaseModal(second);
    EXPECT_TRUE(mManager.mPreModalInfoList.empty());
    EXPECT_EQ(mManager.mBaseModalWidget, nullptr);
    EXPECT_EQ(mManager.mFocusWidget, screen);
    EXPECT_EQ(Take(), (Log{"screen GotFocus"}));
    EXPECT_EQ(mManager.GetWidgetAt(50, 50, nullptr, nullptr), screen);
}

TEST_F(ManagerTest, RemovingTheFocusCaptureOrOverWidgetDropsItEverywhere) {
    RecordingWidget* a = Make("a", 0, 0, 100, 100);
    RecordingWidget* b = Make("b", 200, 0, 100, 100);
    mManager.SetFocus(a);
    mManager.MouseDown(10, 10, 1);
    mManager.AddBaseModal(a);
    EXPECT_EQ(Take(), (Log{"a GotFocus", "a Enter", "a Move 10 10", "a Down 10 10 1"}));
    mManager.RemoveWidget(a);
    mWidgets[0].reset();
    EXPECT_EQ(Take(), (Log{"a Leave", "a Up 10 10 1", "a LostFocus"}));
    EXPECT_EQ(mManager.mFocusWidget, nullptr);
    EXPECT_EQ(mManager.mLastDownWidget, nullptr);
    EXPECT_EQ(mManager.mOverWidget, nullptr);
    EXPECT_EQ(mManager.mBaseModalWidget, nullptr);
    mManager.MouseUp(10, 10, 1);
    mManager.RemoveBaseModal(a);
    EXPECT_TRUE(mManager.mPreModalInfoList.empty());

    // A leave that deletes the widget the pointer moves onto.
    RecordingWidget* c = Make("c", 400, 0, 100, 100);
    mManager.MouseMove(210, 10);
    b->mOnLeave = [&] { mWidgets[2].reset(); };
    mManager.MouseMove(410, 10);
    EXPECT_EQ(mManager.mOverWidget, nullptr);
    (void)c;

    // A widget that deletes itself on its mouse-up.
    RecordingWidget* d = Make("d", 0, 200, 50, 50);
    d->mOnUp = [&] { mWidgets[3].reset(); };
    mManager.MouseDown(10, 210, 1);
    mManager.MouseDown(10, 210, -1);
    mManager.ReleaseMouseCapture();
    EXPECT_EQ(mManager.mWidgets.size(), 1u);
    (void)d;
}

TEST_F(ManagerTest, RemovalCallbacksCannotPickTheLeavingWidgetsAgain) {
    // The pointer rests on a field inside a panel. Each case arms callbacks that change layout
    // or focus while the removed widget is still in its parent's list, and answers what to
    // remove.
    struct Case {
        const char* what;
        std::function<Widget*(RecordingWidget& panel, RecordingWidget& field, RecordingWidget& tip)>
            arm;
    };
    Vesk::WidgetManager& m = mManager;
    const Case cases[] = {
        {"leave hides a tooltip",
         [](auto&, auto& field, auto& tip) {
             field.mOnLeave = [&] { tip.SetVisible(false); };
             return &field;
         }},
        {"leave moves a neighbour",
         [](auto&, auto& field, auto& tip) {
             field.mOnLeave = [&] { tip.Move(400, 0); };
             return &field;
         }},
        {"mouse-up hides a tooltip",
         [&](auto&, auto& field, auto& tip) {
             m.MouseDown(20, 20, 1);
             field.mOnUp = [&] { tip.SetVisible(false); };
             return &field;
         }},
        {"focus loss keeps the focus",
         [&](auto& panel, auto& field, auto&) {
             m.SetFocus(&field);
             field.mOnLostFocus = [&] { m.SetFocus(&field); };
             return &panel;
         }},
    };
    for (const Case& c : cases) {
        auto panel = std::make_unique<RecordingWidget>("panel", &mLog, 0, 0, 100, 100);
        auto field = std::make_unique<RecordingWidget>("field", &mLog, 10, 10, 40, 20);
        RecordingWidget tip("tip", &mLog, 300, 0, 50, 20);
        mManager.AddWidget(panel.get());
        mManager.AddWidget(&tip);
        panel->AddWidget(field.get());
        mManager.MouseMove(20, 20);
        Widget* gone = c.arm(*panel, *field, tip);
        gone->mParent->RemoveWidget(gone);
        for (const Widget* named :
             {mManager.mOverWidget, mManager.mLastDownWidget, mManager.mFocusWidget}) {
            EXPECT_TRUE(named == nullptr || mManager.IsInTree(named)) << c.what;
        }
        // The owner deletes what it removed; the next events must not reach it.
        (gone == field.get() ? field : panel).reset();
        mManager.MouseMove(21, 21);
        mManager.KeyDown(65);
        mManager.MouseUp(21, 21, 1);
    }
}

TEST_F(ManagerTest, RemapMouseScalesIntoTheSourceAndIgnoresAnEmptyDestination) {
    struct Case {
        Vesk::Rect src, dest;
        int x, y, wantX, wantY;
    };
    const Case cases[] = {
        {{0, 0, 800, 600}, {100, 50, 1600, 1200}, 900, 650, 400, 300},
        {{0, 0, 800, 600}, {0, 0, 800, 600}, 17, 23, 17, 23},
        {{10, 20, 800, 600}, {0, 0, 400, 300}, 3, 3, 16, 26},
        {{0, 0, 800, 600}, {0, 0, 0, 600}, 5, 7, 5, 7},
        {{0, 0, 800, 600}, {0, 0, 800, 0}, 5, 7, 5, 7},
    };
    for (const Case& c : cases) {
        mManager.SetViewRects(c.src, c.dest);
        int x = c.x;
        int y = c.y;
        mManager.RemapMouse(x, y);
        EXPECT_EQ(x, c.wantX);
        EXPECT_EQ(y, c.wantY);
    }
    mManager.SetViewRects(Vesk::Rect(10, 20, 800, 600), Vesk::Rect(0, 0, 1, 1));
    EXPECT_EQ(mManager.mWidth, 820);
    EXPECT_EQ(mManager.mHeight, 640);
}

}  // namespace
}  // namespace widgettest
