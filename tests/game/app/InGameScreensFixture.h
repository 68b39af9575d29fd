#pragma once

// The game application with a board, recorded sounds and music and test pictures bound to the
// resource ids, for the tests of the in-game screens.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
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
#include "platform/SettingsStore.h"
#include "resources/ImageLib.h"
#include "resources/LevelDesc.h"
#include "resources/zmImageEx.h"
#include "sound/SoundManager.h"
#include "widgets/Checkbox.h"
#include "widgets/DialogButton.h"
#include "widgets/Slider.h"
#include "widgets/WidgetManager.h"

namespace gameapptest {

inline constexpr int kBeep = 7;
inline constexpr int kButtonDown = 8;

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

// Records the screen modes asked for; there is no window to remake. Its settings are in memory:
// tests running at once must not share the user's settings file.
class ModeGame : public TestGame {
public:
    ModeGame() { mSettingsStore = platform::MakeMemorySettingsStore(); }
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
        // The board keeps its game as it goes: in the test's own profiles folder.
        mGame->mCurrentPlayer = "Anna";
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

}  // namespace gameapptest
