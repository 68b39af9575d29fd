// The options, pause, new-game and game-over dialogs on a game application without a window.
#include <memory>
#include <vector>

#include "GameAppTestSupport.h"
#include "game/app/CBoardHost.h"
#include "game/app/CGameOverDialog.h"
#include "game/app/CKnockdown.h"
#include "game/app/CLivesLeft.h"
#include "game/app/CMainMenu.h"
#include "game/app/CNewGameDialog.h"
#include "game/app/COptionsDialog.h"
#include "game/app/CPauseDialog.h"
#include "game/app/CSloMo.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "game/core/CTimeObject.h"
#include "graphics/DDImage.h"
#include "graphics/MemoryImage.h"
#include "resources/ImageLib.h"
#include "resources/LevelDesc.h"
#include "resources/zmImageEx.h"
#include "sound/SoundManager.h"
#include "widgets/Checkbox.h"
#include "widgets/DialogButton.h"
#include "widgets/Slider.h"
#include "widgets/WidgetManager.h"

namespace gameapptest {
namespace {

constexpr int kBeep = 7;
constexpr int kButtonDown = 8;

// Records the sounds asked for; plays none.
class RecordingSounds : public Vesk::SoundManager {
public:
    bool Initialized() override { return true; }
    int LoadSoundByName(const std::string&) override { return -1; }
    bool LoadSound(int, const std::string&) override { return false; }
    void ReleaseSound(int) override {}
    void SetVolume(double volume) override { mVolume = volume; }
    bool SetBaseVolume(int, double) override { return false; }
    bool SetBasePan(int, int) override { return false; }
    Vesk::SoundInstance* GetSoundInstance(int id) override {
        mAsked.push_back(id);
        return nullptr;
    }
    void ReleaseSounds() override {}
    void ReleaseChannels() override {}
    double GetMasterVolume() override { return 1.0; }
    void SetMasterVolume(double) override {}
    void SetCooperativeWindow(platform::WindowId, bool) override {}
    void StopAllSounds() override {}
    int GetFreeSoundId() override { return 0; }
    int GetNumSounds() override { return 0; }
    int Count(int id) const {
        return static_cast<int>(std::count(mAsked.begin(), mAsked.end(), id));
    }

    std::vector<int> mAsked;
    double mVolume = -1.0;
};

class VolumeMusic : public RecordingMusic {
public:
    void SetVolume(double volume) override { mVolume = volume; }
    double mVolume = -1.0;
};

// Records the screen modes asked for; there is no window to remake.
class ModeGame : public TestGame {
public:
    void SwitchScreenModeWindowed(bool windowed) override {
        mModes.push_back(windowed);
        mIsWindowed = windowed;
    }
    std::vector<bool> mModes;
};

class InGameDialogTest : public GameAppTest {
protected:
    void SetUp() override {
        GameAppTest::SetUp();
        mGame.reset();
        auto game = std::make_unique<ModeGame>();
        mModeGame = game.get();
        mGame = std::move(game);
        auto sounds = std::make_unique<RecordingSounds>();
        mSounds = sounds.get();
        mGame->mSoundManager = std::move(sounds);
        auto music = std::make_unique<VolumeMusic>();
        mMusic = music.get();
        mGame->mMusicInterface = std::move(music);
        SOUND_BEEP = kBeep;
        SOUND_BUTTON_DOWN = kButtonDown;
        Bind(IMAGE_CHKBX, 40, 20);
        Bind(IMAGE_THUMB, 20, 16);
        Bind(IMAGE_OK, 100, 40);
        Bind(IMAGE_CANCEL, 110, 40);
        Bind(IMAGE_MAINMENU, 120, 44);
        Bind(IMAGE_CONTINUE, 130, 44);
        Bind(IMAGE_GAMEOVER_WND, 339, 360);
        Bind(IMAGE_NEWGAME_WND, 321, 270);
        Bind(IMAGE_YES, 60, 30);
        Bind(IMAGE_NO, 60, 30);
        // One level of three colours.
        mLevel.background = "BACKGROUND_FLOWER1";
        mLevel.capacity = 1000;
        mLevel.start = 0.5f;
        mLevel.speed = 0.0005f;
        mLevel.effectcapacity = 600;
        mLevel.blockNames = {"IMAGE_BLOCK1", "IMAGE_BLOCK2", "IMAGE_BLOCK3"};
        mLevel.blockCount = 3;
        mLevel.width = 6;
        mLevel.height = 6;
        mLevel.cells.assign(6, std::vector<uint8_t>(6, 1));
        LEVEL = &mLevel;
        IMAGE_BLOCK1 = IMAGE_BLOCK2 = IMAGE_BLOCK3 = &mBlock;
        mGame->mLevelCount = 1;
        mGame->mCurrentPlayer = "Anna";
        mGame->mBoardHost = std::make_unique<Vesk::CBoardHost>(*mGame);
        mGame->mBoard = std::make_unique<Vesk::Board>(*mGame->mBoardHost);
        mGame->mMainMenu = std::make_unique<Vesk::CMainMenu>();
        mGame->mLandMap = std::make_unique<Vesk::zmWidget>();
        mGame->mShowHelp = 0;
    }
    void TearDown() override {
        mGame->mWidgetManager->RemoveAllWidgets(false, false);
        while (mGame->GetDialogCount() > 0 && !mGame->mDialogList.empty()) {
            mGame->KillDialogByObject(mGame->mDialogList.front());
        }
        mGame->ProcessSafeDeleteList();
        mGame->mBoard.reset();
        for (Vesk::Image** image : mBound) {
            *image = nullptr;
        }
        mImages.clear();
        LEVEL = nullptr;
        IMAGE_BLOCK1 = IMAGE_BLOCK2 = IMAGE_BLOCK3 = nullptr;
        GameAppTest::TearDown();
    }
    void Bind(Vesk::Image*& variable, int width, int height, uint32_t colour = 0) {
        auto image = std::make_unique<Vesk::MemoryImage>(nullptr);
        std::vector<uint32_t> bits(static_cast<size_t>(width) * height, colour);
        image->SetBits(bits.data(), width, height, true);
        variable = image.get();
        mBound.push_back(&variable);
        mImages.push_back(std::move(image));
    }
    template <class T>
    T& Open(T* dialog) {
        mGame->AddDialogByObject(dialog);
        mGame->mWidgetManager->SetFocus(dialog);
        return *dialog;
    }
    // The board in play on the manager: its announcement cut short, faded in.
    Vesk::Board& Play() {
        Vesk::Board& board = *mGame->mBoard;
        board.skipSetup = false;
        board.continueSaved = false;
        mGame->mWidgetManager->AddWidget(&board);
        if (Vesk::BoardOverlay* intro = board.GetOverlay(Vesk::BoardOverlay::Kind::LevelIntro)) {
            board.RemoveWidget(intro);
        }
        board.LevelIntroDone();
        for (int i = 0; i < 200 && board.mFadeState != Vesk::zmWidget::FADE_IDLE; ++i) {
            board.Update();
        }
        EXPECT_EQ(board.boardState, Vesk::Board::kPlaying);
        return board;
    }
    // Updates the dialog until it has gone from the application's list.
    int CloseFully(Vesk::zmDialog& dialog) {
        for (int n = 1; n < 200; ++n) {
            dialog.Update();
            if (mGame->GetDialog(dialog.mId) != &dialog) {
                return n;
            }
        }
        return -1;
    }
    static void Click(Vesk::Widget& widget, int x, int y) {
        widget.MouseDown(x, y, 1);
        widget.MouseUp(x, y, 1);
    }
    bool SaveExists() const { return std::filesystem::exists(Profiles("Anna.sav")); }

    RecordingSounds* mSounds = nullptr;
    ModeGame* mModeGame = nullptr;
    VolumeMusic* mMusic = nullptr;
    Vesk::LevelDesc mLevel;
    Vesk::zmImageEx mBlock;
    std::vector<std::unique_ptr<Vesk::MemoryImage>> mImages;
    std::vector<Vesk::Image**> mBound;
};

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

TEST_F(InGameDialogTest, TheBoxesRefuseAWindowWhenFullScreenIsForcedAndToggleHelp) {
    auto& options = Open(new Vesk::COptionsDialog());
    mGame->mForceFullscreen = true;
    options.mFullScreenBox->SetChecked(true, false);
    Click(*options.mFullScreenBox, 5, 5);
    EXPECT_TRUE(options.mFullScreenBox->IsChecked());
    mGame->mForceFullscreen = false;
    Click(*options.mFullScreenBox, 5, 5);
    EXPECT_FALSE(options.mFullScreenBox->IsChecked());
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

// The frames of each screen over a board, kept as pictures beside the test.
class InGameFrameTest : public InGameDialogTest {
protected:
    void SetUp() override {
        InGameDialogTest::SetUp();
        mScreen.Create(800, 600);
        Vesk::WidgetManager& manager = *mGame->mWidgetManager;
        manager.mImage = &mScreen;
        manager.SetViewRects(Vesk::Rect(0, 0, 800, 600), Vesk::Rect(0, 0, 800, 600));
        Bind(BACKGROUND_FLOWER1, 800, 600, 0xFF30A030);
        Bind(IMAGE_KNOCKDOWN, 400, 100, 0xFFE02020);
        Bind(IMAGE_SLOMO_EFFECT_F0, 300, 300, 0xFF2040C0);
        Bind(IMAGE_SLOMO_EFFECT_F1, 300, 300, 0xFF4080FF);
        Bind(IMAGE_PAUSE_WND, 405, 375, 0xFFC0A060);
        Bind(IMAGE_OPTS_WND, 405, 375, 0xFFC0A060);
        Bind(IMAGE_GAMEOVER_WND, 339, 360, 0xFF8040A0);
        Bind(IMAGE_NEWGAME_WND, 321, 270, 0xFF60A0C0);
        Bind(IMAGE_OK, 100, 40, 0xFFFFFFFF);
        Bind(IMAGE_CHKBX, 40, 20, 0xFF000000);
        std::filesystem::create_directories(kFolder);
    }
    void TearDown() override {
        mGame->mWidgetManager->mImage = nullptr;
        InGameDialogTest::TearDown();
    }
    // Draws the whole frame and keeps it as a picture.
    void Frame(const std::string& name) {
        mGame->mWidgetManager->MarkAllDirty();
        mGame->mWidgetManager->DrawScreen();
        ImageLib::Image copy(800, 600);
        std::copy_n(mScreen.GetBits(), 800 * 600, copy.mBits.begin());
        EXPECT_TRUE(ImageLib::WritePNGImage(kFolder + name + ".png", copy));
    }
    uint32_t Pixel(int x, int y) { return mScreen.GetBits()[y * 800 + x] & 0xFFFFFF; }
    static int Red(uint32_t p) { return static_cast<int>(p >> 16 & 0xFF); }
    static int Green(uint32_t p) { return static_cast<int>(p >> 8 & 0xFF); }
    static int Blue(uint32_t p) { return static_cast<int>(p & 0xFF); }
    template <class T>
    T* Overlay(Vesk::BoardOverlay::Kind kind) {
        return dynamic_cast<T*>(mGame->mBoard->GetOverlay(kind));
    }

    inline static const std::string kFolder = "ingame-screens/";
    Vesk::DDImage mScreen;
};

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
