// The options, pause, new-game and game-over dialogs on a game application without a window.
#include "InGameScreensFixture.h"

namespace gameapptest {
namespace {

TEST_F(InGameDialogTest, OptionsAndPauseShareThePlacesOfTheirControls) {
    auto& options = Open(new Vesk::COptionsDialog());
    EXPECT_EQ(options.GetRect(), Vesk::Rect(217, 113, 407, 375));
    EXPECT_EQ(options.mButton0->GetRect(), Vesk::Rect(32, 305, 100, 40));
    EXPECT_EQ(options.mButton1->GetRect(), Vesk::Rect(200, 305, 110, 40));
    EXPECT_EQ(options.mSoundSlider->GetRect(), Vesk::Rect(35, 110, 265, 16));
    EXPECT_EQ(options.mMusicSlider->GetRect(), Vesk::Rect(35, 160, 265, 16));
    EXPECT_EQ(options.mFullScreenBox->GetRect(), Vesk::Rect(70, 228, 20, 20));
    EXPECT_EQ(options.mHelpBox->GetRect(), Vesk::Rect(70, 260, 20, 20));
    // The full-screen box looks ticked from the left half, the help box from the right.
    EXPECT_EQ(options.mFullScreenBox->mCheckedRect, Vesk::Rect(0, 0, 20, 20));
    EXPECT_EQ(options.mFullScreenBox->mUncheckedRect, Vesk::Rect(20, 0, 20, 20));
    EXPECT_EQ(options.mHelpBox->mCheckedRect, Vesk::Rect(20, 0, 20, 20));
    EXPECT_EQ(options.mHelpBox->mUncheckedRect, Vesk::Rect(0, 0, 20, 20));
    EXPECT_EQ(options.mFullScreenBox->IsChecked(), !mGame->mIsWindowed);
    EXPECT_TRUE(options.mHelpBox->IsChecked());
    EXPECT_EQ(options.mSoundSlider->mValue, mGame->GetSfxVolume());

    auto& pause = Open(new Vesk::CPauseDialog(*mGame->mBoard));
    EXPECT_EQ(pause.GetRect(), Vesk::Rect(217, 113, 407, 375));
    EXPECT_EQ(pause.mButton0->GetRect(), Vesk::Rect(-3, 329, 120, 44));
    EXPECT_EQ(pause.mButton1->GetRect(), Vesk::Rect(195, 329, 130, 44));
    EXPECT_EQ(pause.mHelpBox->GetRect(), options.mHelpBox->GetRect());
}

// A player list that cannot be read is logged and told once, however often the menu comes.
TEST_F(InGameDialogTest, AnUnreadablePlayerListIsLoggedOnceOverMenuVisits) {
    std::filesystem::create_directories(mDir + "/profiles");
    // Root reads past any mode; this link fails with a read error for everyone.
    std::filesystem::create_symlink("/proc/self/mem", Profiles("game.dat"));
    for (int visit = 0; visit < 3; ++visit) {
        mGame->mWidgetManager->AddWidget(mGame->mMainMenu.get());
        mGame->mWidgetManager->RemoveWidget(mGame->mMainMenu.get());
    }
    // The list, and the first save refused.
    EXPECT_EQ(mGame->mBoxes.size(), 2u);
    // The list is logged once, and each refused save of it.
    EXPECT_EQ(std::count_if(mGame->mLogged.begin(), mGame->mLogged.end(),
                            [](const std::string& line) {
                                return line.find("Not writing") == std::string::npos;
                            }),
              1)
        << ::testing::PrintToString(mGame->mLogged);
}

TEST_F(InGameDialogTest, VolumesApplyAtOnceAndOnlyAClickOnTheTrackBeeps) {
    mGame->mWidgetManager->AddWidget(mGame->mMainMenu.get());
    auto& options = Open(new Vesk::COptionsDialog());
    Vesk::Slider& sound = *options.mSoundSlider;
    // A click on the track: the value comes on the release, with one beep.
    Click(sound, 250, 8);
    EXPECT_GT(mGame->GetSfxVolume(), 0.8);
    EXPECT_EQ(mSounds->mVolume, mGame->GetSfxVolume());
    EXPECT_EQ(mSounds->Count(kBeep), 1);
    // Dragging the thumb changes the volume silently.
    sound.mDragging = true;
    options.SliderVal(Vesk::CSettingsDialog::kSound, 0.25);
    EXPECT_EQ(mGame->GetSfxVolume(), 0.25);
    EXPECT_EQ(mSounds->Count(kBeep), 1);

    options.SliderVal(Vesk::CSettingsDialog::kMusic, 0.3);
    EXPECT_EQ(mGame->GetMusicVolume(), 0.3);
    EXPECT_EQ(mMusic->mVolume, 0.3);
    int stored = -1;
    EXPECT_TRUE(mGame->RegistryReadInteger("MusicVolume", &stored));
    EXPECT_EQ(stored, 30);
    // Cancel keeps the new volumes.
    options.ButtonDepress(Vesk::CSettingsDialog::kButton1);
    CloseFully(options);
    EXPECT_EQ(mGame->GetMusicVolume(), 0.3);
    EXPECT_EQ(mGame->mWidgetManager->mFocusWidget, mGame->mMainMenu.get());
}

TEST_F(InGameDialogTest, TheBoxesRefuseAModeTheDisplayCannotGiveAndToggleHelp) {
    auto& options = Open(new Vesk::COptionsDialog());
    mGame->mForceFullscreen = true;
    options.mFullScreenBox->SetChecked(true, false);
    Click(*options.mFullScreenBox, 5, 5);
    EXPECT_TRUE(options.mFullScreenBox->IsChecked());
    mGame->mForceFullscreen = false;
    Click(*options.mFullScreenBox, 5, 5);
    EXPECT_FALSE(options.mFullScreenBox->IsChecked());
    mGame->mFullScreenImpossible = true;
    Click(*options.mFullScreenBox, 5, 5);
    EXPECT_FALSE(options.mFullScreenBox->IsChecked());
    mGame->mFullScreenImpossible = false;
    // The mode waits for OK.
    options.ButtonDepress(Vesk::CSettingsDialog::kButton1);
    EXPECT_TRUE(mModeGame->mModes.empty());

    Click(*options.mHelpBox, 5, 5);
    EXPECT_EQ(mGame->mShowHelp, 1);
    EXPECT_EQ(mGame->mBoard->helpShown, true);
    auto& again = Open(new Vesk::COptionsDialog());
    again.mFullScreenBox->SetChecked(false, false);
    again.ButtonDepress(Vesk::CSettingsDialog::kButton0);
    EXPECT_EQ(mModeGame->mModes, std::vector<bool>{true});
    EXPECT_TRUE(mGame->mBoard->helpShown);
    Click(*options.mHelpBox, 5, 5);
    EXPECT_EQ(mGame->mShowHelp, 0);
    EXPECT_FALSE(mGame->mBoard->helpShown);
}

// A mode switched while a dialog is up (Alt+Enter) shows in its box: OK, CONTINUE and Escape
// apply only what the player set there afterwards; Cancel leaves the switched mode.
TEST_F(InGameDialogTest, AModeSwitchedWhileADialogIsUpIsKept) {
    constexpr int kEscape = -1;
    struct Case {
        bool pause;
        bool windowed;      // when the dialog opens
        const char* steps;  // s: the mode switches, u: a frame, b: the player clicks the box
        int button;
        bool endsWindowed;
    };
    using Settings = Vesk::CSettingsDialog;
    using Pause = Vesk::CPauseDialog;
    for (const Case& c : {
             Case{false, true, "su", Settings::kButton0, false},     // Alt+Enter, then OK
             Case{false, true, "s", Settings::kButton0, false},      // OK in the same step
             Case{false, true, "bsusu", Settings::kButton0, true},   // ticked, Alt+Enter twice
             Case{false, false, "subu", Settings::kButton0, false},  // set again after Alt+Enter
             Case{false, true, "sb", Settings::kButton0, true},      // clicked before a frame
             Case{false, true, "su", Settings::kButton1, false},     // Cancel
             Case{true, false, "su", Pause::CONTINUE, true},
             Case{true, false, "s", kEscape, true},
         }) {
        SCOPED_TRACE(::testing::Message() << (c.pause ? "pause " : "options ") << c.steps
                                          << " then button " << c.button);
        mGame->mIsWindowed = c.windowed;
        Settings* dialog = nullptr;
        if (c.pause) {
            if (!mGame->mWidgetManager->HasWidget(mGame->mBoard.get())) {
                Play();
            }
            mGame->mBoard->ShowPauseDialog();
            dialog = dynamic_cast<Pause*>(mGame->GetDialog(Pause::kDialogId));
        } else {
            dialog = &Open(new Vesk::COptionsDialog());
        }
        ASSERT_NE(dialog, nullptr);
        for (const char* step = c.steps; *step != '\0'; ++step) {
            if (*step == 's') {
                mGame->SwitchScreenModeWindowed(!mGame->mIsWindowed);
            } else if (*step == 'b') {
                Click(*dialog->mFullScreenBox, 5, 5);
            } else {
                dialog->Update();
                if (step != c.steps && step[-1] == 's') {
                    EXPECT_EQ(dialog->mFullScreenBox->IsChecked(), !mGame->mIsWindowed);
                }
            }
        }
        if (c.button == kEscape) {
            dialog->KeyDown(27);
        } else {
            dialog->ButtonDepress(c.button);
        }
        EXPECT_EQ(mGame->mIsWindowed, c.endsWindowed);
        mGame->WriteToRegistry();
        int stored = -1;
        EXPECT_TRUE(mGame->RegistryReadInteger("ScreenMode", &stored));
        EXPECT_EQ(stored, c.endsWindowed ? 0 : 1);
        if (!c.pause) {
            CloseFully(*dialog);
        }
        mGame->ProcessSafeDeleteList();
    }
}

TEST_F(InGameDialogTest, PauseFreezesTheClockAndContinueOrEscapeResume) {
    Vesk::Board& board = Play();
    ASSERT_NE(board.GetClock(), nullptr);
    for (int key : {0, 27}) {
        board.ShowPauseDialog();
        auto* pause =
            dynamic_cast<Vesk::CPauseDialog*>(mGame->GetDialog(Vesk::CPauseDialog::kDialogId));
        ASSERT_NE(pause, nullptr);
        EXPECT_TRUE(board.paused);
        const double before = board.GetClock()->GetTime();
        mClock.Advance(5000);
        board.Update();
        if (key == 0) {
            pause->ButtonDepress(Vesk::CPauseDialog::CONTINUE);
        } else {
            pause->KeyDown(key);
        }
        EXPECT_FALSE(board.paused);
        EXPECT_EQ(mGame->GetDialog(Vesk::CPauseDialog::kDialogId), nullptr);
        EXPECT_EQ(mGame->mWidgetManager->mFocusWidget, &board);
        mClock.Advance(20);
        board.Update();
        EXPECT_LT(board.GetClock()->GetTime() - before, 1000.0);
        mGame->ProcessSafeDeleteList();
    }
}

TEST_F(InGameDialogTest, MainMenuSavesTheLevelAndNothingResumesOnceLeaving) {
    Vesk::Board& board = Play();
    board.level = 3;
    board.ShowPauseDialog();
    auto* pause =
        dynamic_cast<Vesk::CPauseDialog*>(mGame->GetDialog(Vesk::CPauseDialog::kDialogId));
    ASSERT_NE(pause, nullptr);
    pause->ButtonDepress(Vesk::CPauseDialog::MAINMENU);
    EXPECT_TRUE(SaveExists());
    EXPECT_TRUE(board.continueSaved);
    EXPECT_EQ(mGame->mCurrentTrack, 3);
    // The closing guard: neither key nor button brings the board back now.
    pause->KeyDown(27);
    pause->ButtonDepress(Vesk::CPauseDialog::CONTINUE);
    EXPECT_TRUE(board.paused);
    EXPECT_EQ(mGame->GetDialog(Vesk::CPauseDialog::kDialogId), pause);
    EXPECT_TRUE(mGame->mWidgetManager->HasWidget(&board));
    EXPECT_GT(CloseFully(*pause), 0);
    EXPECT_FALSE(mGame->mWidgetManager->HasWidget(&board));
    EXPECT_EQ(mGame->mWidgetManager->mFocusWidget, mGame->mMainMenu.get());
}

TEST_F(InGameDialogTest, NewGameNoAndEscapeKeepTheSaveYesReplacesIt) {
    // The menu reads the player's records when it comes.
    mGame->mWidgetManager->AddWidget(mGame->mMainMenu.get());
    mGame->mCurrentPlayer = "Anna";
    mGame->mShowHelp = 0;
    Vesk::Board& board = Play();
    board.counters.levelScore = 10;
    ASSERT_TRUE(board.SaveGame());
    mGame->mWidgetManager->RemoveWidget(&board);
    for (int way : {0, 1}) {
        auto& dialog = Open(new Vesk::CNewGameDialog());
        EXPECT_EQ(dialog.GetRect(), Vesk::Rect(240, 135, 321, 270));
        EXPECT_EQ(dialog.mNoButton->GetRect(), Vesk::Rect(238, 186, 60, 30));
        if (way == 0) {
            dialog.KeyDown(27);
        } else {
            dialog.ButtonDepress(Vesk::CNewGameDialog::NO);
        }
        EXPECT_EQ(mGame->GetDialog(Vesk::CNewGameDialog::kDialogId), nullptr);
        EXPECT_EQ(mGame->mWidgetManager->mFocusWidget, mGame->mMainMenu.get());
        EXPECT_FALSE(mGame->IsSavedGameEmpty(mGame->SavedGamePath()));
        mGame->ProcessSafeDeleteList();
    }
    auto& dialog = Open(new Vesk::CNewGameDialog());
    dialog.ButtonDepress(Vesk::CNewGameDialog::YES);
    EXPECT_GT(CloseFully(dialog), 0);
    EXPECT_EQ(board.level, 1);
    EXPECT_FALSE(board.continueSaved);
    EXPECT_TRUE(mGame->IsSavedGameEmpty(mGame->SavedGamePath()));
    EXPECT_TRUE(mGame->mWidgetManager->HasWidget(mGame->mLandMap.get()));
    EXPECT_FALSE(mGame->mWidgetManager->HasWidget(mGame->mMainMenu.get()));
    EXPECT_EQ(mGame->mCurrentTrack, 5);
}

TEST_F(InGameDialogTest, GameOverLeavesForTheMenuOnAnyKey) {
    Vesk::Board& board = Play();
    board.ShowGameOver();
    auto* over =
        dynamic_cast<Vesk::CGameOverDialog*>(mGame->GetDialog(Vesk::CGameOverDialog::kDialogId));
    ASSERT_NE(over, nullptr);
    EXPECT_EQ(over->GetRect(), Vesk::Rect(231, 53, 339, 360));
    EXPECT_EQ(over->mOkButton->GetRect(), Vesk::Rect(135, 296, 100, 40));
    over->KeyDown('x');
    EXPECT_GT(CloseFully(*over), 0);
    EXPECT_FALSE(mGame->mWidgetManager->HasWidget(&board));
    EXPECT_EQ(mGame->mWidgetManager->mFocusWidget, mGame->mMainMenu.get());
}

TEST_F(InGameFrameTest, OverlaysDrawOverThePlayingBoard) {
    Vesk::Board& board = Play();
    Frame("board");
    EXPECT_NEAR(Green(Pixel(5, 300)), 0xA0, 2);

    board.ShowKnockdown();
    auto* knockdown = Overlay<Vesk::CKnockdown>(Vesk::BoardOverlay::Kind::Knockdown);
    ASSERT_NE(knockdown, nullptr);
    for (int i = 0; i < 55; ++i) {
        knockdown->Update();
    }
    Frame("knockdown");
    // Settled about the board's width at the top, not dimming the board below it.
    EXPECT_GT(Red(Pixel(400, 20)), 150);
    EXPECT_NEAR(Green(Pixel(5, 500)), 0xA0, 2);

    board.ShowSlowMotion();
    auto* slomo = Overlay<Vesk::CSloMo>(Vesk::BoardOverlay::Kind::SlowMotion);
    ASSERT_NE(slomo, nullptr);
    for (int i = 0; i < 120; ++i) {
        slomo->Update();
    }
    Frame("slow-motion");
    // Added light at the centre, the corners untouched.
    EXPECT_GT(Blue(Pixel(400, 300)), 0x30);
    EXPECT_NEAR(Green(Pixel(2, 597)), 0xA0, 2);

    board.lives = 3;
    board.LoseLife();
    auto* lives = Overlay<Vesk::CLivesLeft>(Vesk::BoardOverlay::Kind::LivesLeft);
    ASSERT_NE(lives, nullptr);
    for (int i = 0; i < 40; ++i) {
        lives->Update();
    }
    Frame("lives-left");
    // Dimmed by 200 of 255.
    EXPECT_NEAR(Green(Pixel(10, 590)), 0xA0 * 55 / 255, 3);
}

TEST_F(InGameFrameTest, DialogsDimTheScreenBehindTheirWindows) {
    Vesk::Board& board = Play();
    board.ShowPauseDialog();
    Vesk::Dialog* pause = mGame->GetDialog(Vesk::CPauseDialog::kDialogId);
    ASSERT_NE(pause, nullptr);
    for (int i = 0; i < 70; ++i) {
        pause->Update();
    }
    Frame("pause");
    EXPECT_NEAR(Green(Pixel(5, 5)), 0xA0 * 54 / 255, 3);
    EXPECT_EQ(Pixel(217 + 200, 113 + 60), 0xC0A060u);

    struct Case {
        const char* name;
        Vesk::Dialog* dialog;
        Vesk::Rect rect;
    };
    mGame->mWidgetManager->AddWidget(mGame->mMainMenu.get());
    for (const Case& c :
         {Case{"options", new Vesk::COptionsDialog(), Vesk::Rect(217, 113, 407, 375)},
          Case{"new-game", new Vesk::CNewGameDialog(), Vesk::Rect(240, 135, 321, 270)},
          Case{"game-over", new Vesk::CGameOverDialog(board), Vesk::Rect(231, 53, 339, 360)}}) {
        Open(c.dialog);
        for (int i = 0; i < 70; ++i) {
            c.dialog->Update();
        }
        Frame(c.name);
        EXPECT_EQ(c.dialog->GetRect(), c.rect) << c.name;
    }
}

TEST_F(InGameFrameTest, EscapePausesTheMusicSliderAppliesAndMainMenuLeaves) {
    Bind(IMAGE_MAINMENU, 120, 44, 0xFFFFFF00);
    Vesk::WidgetManager& manager = *mGame->mWidgetManager;
    Vesk::Board& board = Play();
    manager.SetFocus(&board);
    Frame("flow-play");

    // Through the manager, as the window's input arrives.
    manager.KeyDown(27);
    auto* pause =
        dynamic_cast<Vesk::CPauseDialog*>(mGame->GetDialog(Vesk::CPauseDialog::kDialogId));
    ASSERT_NE(pause, nullptr);
    EXPECT_TRUE(board.paused);
    for (int i = 0; i < 70; ++i) {
        manager.UpdateFrame();
    }
    const int trackX = 217 + 35 + 200;
    const int trackY = 113 + 160 + 8;
    manager.MouseMove(trackX, trackY);
    manager.MouseDown(trackX, trackY, 1);
    manager.MouseUp(trackX, trackY, 1);
    EXPECT_GT(mGame->GetMusicVolume(), 0.6);
    EXPECT_EQ(mMusic->mVolume, mGame->GetMusicVolume());
    Frame("flow-pause");

    const int menuX = 217 - 3 + 60;
    const int menuY = 113 + 329 + 22;
    manager.MouseMove(menuX, menuY);
    manager.MouseDown(menuX, menuY, 1);
    manager.MouseUp(menuX, menuY, 1);
    EXPECT_TRUE(SaveExists());
    for (int i = 0; i < 40 && manager.HasWidget(&board); ++i) {
        manager.UpdateFrame();
    }
    EXPECT_FALSE(manager.HasWidget(&board));
    EXPECT_EQ(manager.mFocusWidget, mGame->mMainMenu.get());
    mGame->ProcessSafeDeleteList();
    Frame("flow-menu");
}

}  // namespace
}  // namespace gameapptest
