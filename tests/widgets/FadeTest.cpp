#include "ControlsTestSupport.h"
#include "widgets/zmDialog.h"
#include "widgets/zmWidget.h"

namespace widgettest {
namespace {

class CountingScreen : public Vesk::zmWidget {
public:
    void FadeInDone() override { ++mFadeIns; }
    void FadeOutDone() override {
        zmWidget::FadeOutDone();
        ++mFadeOuts;
    }
    int mFadeIns = 0;
    int mFadeOuts = 0;
};

// Updates until the counter moves; the number of updates taken.
int UpdatesUntil(Vesk::WidgetContainer& widget, const int& counter) {
    const int start = counter;
    for (int n = 1; n < 1000; ++n) {
        widget.Update();
        if (counter != start) {
            return n;
        }
    }
    return -1;
}

TEST_F(ControlsTest, ScreenFadesInAndOutInThreeStepsPerUpdate) {
    CountingScreen screen;
    screen.Resize(0, 0, 800, 600);
    mManager.AddWidget(&screen);
    EXPECT_EQ(UpdatesUntil(screen, screen.mFadeIns), 86);
    EXPECT_EQ(screen.mAlpha, 0);
    EXPECT_EQ(screen.mFadeState, Vesk::zmWidget::FADE_IDLE);

    // Without removal it stays, stops the sounds and fades in again from 252.
    screen.StartFadeOut(false);
    EXPECT_EQ(UpdatesUntil(screen, screen.mFadeOuts), 85);
    EXPECT_EQ(screen.mAlpha, 252);
    EXPECT_TRUE(mManager.HasWidget(&screen));
    EXPECT_EQ(screen.mFadeState, Vesk::zmWidget::FADE_IN);
    EXPECT_EQ(mControlsHost.mSoundStops, 1);

    // A code given during the fade-in restarts from black-free and leaves the manager.
    screen.FadeOutWithCode(4);
    EXPECT_EQ(screen.mAlpha, 0);
    UpdatesUntil(screen, screen.mFadeOuts);
    EXPECT_FALSE(mManager.HasWidget(&screen));
    EXPECT_EQ(screen.mCode, 4);
    EXPECT_EQ(mControlsHost.mSoundStops, 2);
}

TEST_F(ControlsTest, DialogDimsTheWholeAppAreaAndDarkensAwayOnClose) {
    RecordingWidget* below = Make("below", 0, 0, 50, 50);
    below->mPaint = Vesk::Color(200, 200, 200);
    Vesk::zmDialog dialog(nullptr, 12, "", "", "");
    dialog.Resize(300, 200, 200, 100);
    mManager.AddWidget(&dialog);

    int updates = 0;
    while (dialog.mDimState == Vesk::zmDialog::DIM_IN && updates < 1000) {
        dialog.Update();
        ++updates;
    }
    EXPECT_EQ(updates, 68);
    EXPECT_EQ(dialog.mDimAlpha, 201);
    mManager.MarkAllDirty();
    mManager.DrawScreen();
    // Far outside the dialog's rectangle: 200 x (255 - 201) / 255.
    EXPECT_NEAR(static_cast<int>(Pixel(5, 5) & 0xFF), 42, 2);

    dialog.StartClose();
    const int kills = UpdatesUntil(dialog, mControlsHost.mSoundStops);
    EXPECT_EQ(kills, 19);
    EXPECT_EQ(dialog.mDimAlpha, 255);
    EXPECT_EQ(mControlsHost.mKilled, (std::vector<int>{12}));
}

}  // namespace
}  // namespace widgettest
