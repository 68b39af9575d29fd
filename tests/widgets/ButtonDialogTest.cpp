#include "ControlsTestSupport.h"
#include "widgets/ButtonListener.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Checkbox.h"
#include "widgets/CheckboxListener.h"
#include "widgets/DialogButton.h"

namespace widgettest {
namespace {

using Vesk::Dialog;

class LogListener : public Vesk::ButtonListener, public Vesk::CheckboxListener {
public:
    explicit LogListener(Log* log) : mLog(log) {}
    void ButtonPressCount(int id, int count) override {
        mLog->push_back(Vesk::StrFormat("press %d %d", id, count));
    }
    void ButtonDepress(int id) override { mLog->push_back(Vesk::StrFormat("depress %d", id)); }
    void ButtonDownTick(int id) override { mLog->push_back(Vesk::StrFormat("tick %d", id)); }
    void ButtonMouseEnter(int id) override { mLog->push_back(Vesk::StrFormat("enter %d", id)); }
    void ButtonMouseLeave(int id) override { mLog->push_back(Vesk::StrFormat("leave %d", id)); }
    void CheckboxChecked(int id, bool checked) override {
        mLog->push_back(Vesk::StrFormat("checked %d %d", id, checked ? 1 : 0));
    }
    Log* mLog;
};

class ButtonTest : public ControlsTest {
protected:
    ButtonTest() {
        mButton.Resize(100, 100, 100, 30);
        mManager.AddWidget(&mButton);
    }
    LogListener mListener{&mLog};
    Vesk::ButtonWidget mButton{7, &mListener};
};

TEST_F(ButtonTest, ClickTicksAndReleaseOutside) {
    mManager.MouseMove(150, 110);
    mManager.MouseDown(150, 110, 1);
    mManager.UpdateFrame();
    mManager.MouseDrag(10, 10);  // off the button: no ticks
    mManager.UpdateFrame();
    mManager.MouseUp(10, 10, 1);
    EXPECT_EQ(mLog, (Log{"enter 7", "press 7 1", "tick 7", "leave 7"}));

    mLog.clear();
    mManager.MouseMove(150, 110);
    mManager.MouseDown(150, 110, 2);
    mManager.MouseUp(150, 110, 2);
    EXPECT_EQ(mLog, (Log{"enter 7", "press 7 2", "depress 7"}));
}

TEST_F(ButtonTest, HoverCrossFadeInAndOut) {
    mButton.mOverAlphaFadeInSpeed = 0.25;
    mButton.mOverAlphaSpeed = 0.5;
    mManager.MouseMove(150, 110);
    std::vector<double> alphas;
    for (int i = 0; i < 5; ++i) {
        mManager.UpdateFrame();
        alphas.push_back(mButton.mOverAlpha);
    }
    mManager.MouseMove(10, 10);
    for (int i = 0; i < 3; ++i) {
        mManager.UpdateFrame();
        alphas.push_back(mButton.mOverAlpha);
    }
    EXPECT_EQ(alphas, (std::vector<double>{0.25, 0.5, 0.75, 1.0, 1.0, 0.5, 0.0, 0.0}));
}

TEST_F(ButtonTest, LabelPlacedOnBaselineAndShiftedWhenDown) {
    mButton.mLabel = "OK";
    mScreen.Create(800, 600);
    mManager.MarkAllDirty();
    mManager.DrawScreen();
    ASSERT_EQ(mControlsHost.mFonts, (std::vector<std::string>{"Arial Unicode MS 10 0"}));
    auto* font = static_cast<FakeFont*>(mButton.mFont.get());
    mManager.MouseMove(150, 110);
    mManager.MouseDown(150, 110, 1);
    mManager.DrawScreen();
    // x = (100 - 12) / 2, y = (30 - 8 / 6 - 1 + 8) / 2; label colour 1 while over.
    EXPECT_EQ(font->mDrawn, (std::vector<std::string>{"OK 44 18 FF000000", "OK 45 19 FF000000"}));
}

TEST_F(ControlsTest, CheckboxTellsOnClickAndOnlyWhenAskedOtherwise) {
    LogListener listener(&mLog);
    Vesk::Checkbox box(3, &listener);
    box.Resize(10, 10, 20, 20);
    mManager.AddWidget(&box);
    mManager.MouseMove(15, 15);
    mManager.MouseDown(15, 15, 1);
    mManager.MouseUp(15, 15, 1);
    box.SetChecked(false, false);
    box.SetChecked(true, true);
    EXPECT_EQ(mLog, (Log{"checked 3 1", "checked 3 1"}));
    // Without images: the drawn box, a yellow cross when checked.
    mManager.MarkAllDirty();
    mManager.DrawScreen();
    EXPECT_EQ(Pixel(10, 10), 0xFFFFFFu);
    EXPECT_EQ(Pixel(15, 15) & 0xF0F0F0u, 0xF0F000u);
    EXPECT_EQ(Pixel(20, 15), 0x505050u);
}

TEST_F(ControlsTest, DialogButtonsPerMode) {
    struct Case {
        int mode;
        std::string yes;
        std::string no;
    };
    for (const Case& c :
         {Case{0, "", ""}, Case{1, "YES", "NO"}, Case{2, "OK", "CANCEL"}, Case{3, "Go", ""}}) {
        Dialog dialog(nullptr, 5, true, "", "", "Go", c.mode);
        EXPECT_EQ(dialog.mYesButton ? dialog.mYesButton->mLabel : "", c.yes) << c.mode;
        EXPECT_EQ(dialog.mNoButton ? dialog.mNoButton->mLabel : "", c.no) << c.mode;
        if (dialog.mYesButton) {
            EXPECT_EQ(dialog.mYesButton->mId, Dialog::ID_YES);
        }
        if (dialog.mNoButton) {
            EXPECT_EQ(dialog.mNoButton->mId, Dialog::ID_NO);
        }
    }
}

TEST_F(ControlsTest, DialogPreferredHeight) {
    struct Case {
        std::string header;
        std::string footer;
        int mode;
        int height;
    };
    // Insets 48; header and footer lines 10 each; gaps of 8; buttons 24 + 8.
    for (const Case& c : {Case{"", "", 0, 48}, Case{"", "", 3, 80}, Case{"H", "", 0, 58},
                          Case{"H", "F", 1, 116}, Case{"", "F", 3, 80}}) {
        Dialog dialog(nullptr, 1, false, c.header, "", c.footer, c.mode);
        mManager.AddWidget(&dialog);
        EXPECT_EQ(dialog.GetPreferredHeight(400), c.height) << c.header << c.footer << c.mode;
        mManager.RemoveWidget(&dialog);
    }
}

TEST_F(ControlsTest, DialogLaysOutButtonsAsSiblingsInFront) {
    Dialog dialog(nullptr, 1, true, "", "", "", Dialog::BUTTONS_YES_NO);
    mManager.AddWidget(&dialog);
    dialog.Resize(200, 120, 400, 200);
    EXPECT_EQ(dialog.mYesButton->GetRect(), Vesk::Rect(224, 272, 172, 24));
    EXPECT_EQ(dialog.mNoButton->GetRect(), Vesk::Rect(404, 272, 172, 24));
    RecordingWidget* other = Make("other", 0, 0, 10, 10);
    mManager.BringToFront(&dialog);
    EXPECT_EQ(mManager.mWidgets.front(), other);
    EXPECT_EQ(
        std::vector<Vesk::Widget*>(std::next(mManager.mWidgets.begin()), mManager.mWidgets.end()),
        (std::vector<Vesk::Widget*>{&dialog, dialog.mNoButton.get(), dialog.mYesButton.get()}));
    dialog.SetColor(Dialog::COLOR_BUTTON_TEXT, Vesk::Color(1, 2, 3));
    EXPECT_EQ(dialog.mYesButton->GetColor(0), Vesk::Color(1, 2, 3));
    EXPECT_EQ(dialog.mNoButton->GetColor(0), Vesk::Color(1, 2, 3));
}

TEST_F(ControlsTest, DialogDragStopsAtTheMarginsAndKeepsTheGrabInside) {
    Dialog dialog(nullptr, 1, false, "", "", "", 0);
    mManager.AddWidget(&dialog);
    dialog.Resize(100, 100, 200, 100);
    dialog.MouseDownButton(50, 50, 0, 1);
    dialog.MouseDrag(-1000, 50);
    EXPECT_EQ(dialog.mX, -8);
    EXPECT_EQ(dialog.mDragMouseX, 8);
    dialog.MouseDrag(5000, 5000);
    EXPECT_EQ(dialog.GetRect(), Vesk::Rect(608, 508, 200, 100));
    EXPECT_EQ(dialog.mDragMouseX, 191);
    EXPECT_EQ(dialog.mDragMouseY, 91);
    dialog.MouseUpButton(0, 0, 0, 1);
    EXPECT_EQ(mControlsHost.mCursors, (std::vector<int>{2, 0}));

    // Narrower than two margins: the grab is pinned, never an empty range.
    dialog.Resize(100, 100, 10, 10);
    dialog.MouseDownButton(5, 5, 0, 1);
    dialog.MouseDrag(3, 3);
    EXPECT_EQ(dialog.mDragMouseX, 8);
}

TEST_F(ControlsTest, WaitForResultRunsTheAppStep) {
    struct Case {
        const char* name;
        std::function<bool(Dialog&, int)> step;
        int result;
        int steps;
    };
    const Case cases[] = {
        {"button",
         [](Dialog& d, int n) {
             if (n == 3) {
                 d.ButtonDepress(Dialog::ID_NO);
             }
             return true;
         },
         Dialog::ID_NO, 3},
        {"removed",
         [this](Dialog& d, int n) {
             if (n == 2) {
                 mManager.RemoveWidget(&d);
             }
             return true;
         },
         Dialog::NO_RESULT, 2},
        {"app ends", [](Dialog&, int) { return false; }, Dialog::NO_RESULT, 1},
    };
    for (const Case& c : cases) {
        Dialog dialog(nullptr, 9, true, "", "", "", Dialog::BUTTONS_YES_NO);
        mManager.AddWidget(&dialog);
        mControlsHost.mSteps = 0;
        mControlsHost.mKilled.clear();
        mControlsHost.mOnStep = [&](int n) { return c.step(dialog, n); };
        EXPECT_EQ(dialog.WaitForResult(true), c.result) << c.name;
        EXPECT_EQ(mControlsHost.mSteps, c.steps) << c.name;
        EXPECT_EQ(mControlsHost.mKilled, (std::vector<int>{9})) << c.name;
        mManager.RemoveWidget(&dialog);
    }
}

}  // namespace
}  // namespace widgettest
