// The title screen's frames, fades and bar, and the main menu's buttons, sky, sparkle sound
// and routes, on an application that was never started.
#include "GameAppTestSupport.h"
#include "game/app/CBoardHost.h"
#include "game/app/CMainMenu.h"
#include "game/app/CTitleScreen.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "graphics/DDImage.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "platform/FileSystem.h"
#include "widgets/ButtonWidget.h"
#include "widgets/WidgetManager.h"

namespace gameapptest {
namespace {

// The loading work of these tests does nothing.
class ScreensGame : public TestGame {
public:
    void LoadingThreadProc() override {}
};

class GameScreensTest : public GameAppTest {
protected:
    void SetUp() override {
        GameAppTest::SetUp();
        mGame.reset();
        mScreens = std::make_unique<ScreensGame>();
        mScreens->SetString("PLAYER", u"Player");
        for (auto& [variable, width] : mBound) {
            mImages.push_back(std::make_unique<Vesk::MemoryImage>());
            mImages.back()->Create(width, 20);
            *variable = mImages.back().get();
        }
    }
    void TearDown() override {
        mScreens->WaitForLoadingThread();
        mScreens->mWidgetManager->RemoveAllWidgets(false, false);
        // The images leave the application's set before it goes.
        for (auto& [variable, width] : mBound) {
            *variable = nullptr;
        }
        mImages.clear();
        mScreens.reset();
        GameAppTest::TearDown();
    }

    std::vector<std::pair<Vesk::Image**, int>> mBound = {
        {&IMAGE_PB_CENTER, 300}, {&IMAGE_PB_LEFT, 10}, {&IMAGE_PB_RIGHT, 10},
        {&IMAGE_START, 120},     {&IMAGE_EXIT, 90},    {&IMAGE_MM_BGSKY, 800}};
    std::vector<std::unique_ptr<Vesk::MemoryImage>> mImages;
    std::unique_ptr<ScreensGame> mScreens;
};

TEST_F(GameScreensTest, TitleFadesTheLogosStartsLoadingAtFrame800AndShowsTheBar) {
    Vesk::CTitleScreen title(mScreens.get());
    title.Resize(0, 0, 800, 600);
    title.Init();
    EXPECT_EQ(title.GetBarX(), 265);
    EXPECT_EQ(mScreens->mCursorNum, Vesk::CURSOR_NONE);

    // frame -> alpha after that frame's update
    const std::map<int, int> alphas = {{99, 0},  {100, 3}, {184, 255}, {599, 255}, {600, 252},
                                       {684, 0}, {700, 0}, {799, 0},   {800, 3},   {801, 6}};
    for (int frame = 1; frame <= 801; ++frame) {
        title.Update();
        if (frame == 799) {
            EXPECT_FALSE(mScreens->mLoadingThreadStarted);
        }
        if (auto it = alphas.find(frame); it != alphas.end()) {
            EXPECT_EQ(title.GetAlpha(), it->second) << frame;
        }
        EXPECT_EQ(title.GetFill(), 0);
    }
    EXPECT_TRUE(mScreens->mLoadingThreadStarted);
    mScreens->WaitForLoadingThread();
    mScreens->mLoaded = false;
    mScreens->mNumLoadingThreadTasks = 2;
    mScreens->mCompletedLoadingThreadTasks = 1;
    title.Update();
    EXPECT_EQ(title.GetFill(), 150);
    mScreens->mCompletedLoadingThreadTasks = 5;  // counted past the total: the bar stays full
    title.Update();
    EXPECT_EQ(title.GetFill(), 300);
}

// The bar: the left cap before bar x, as much of the body as is loaded, the right cap after it.
TEST_F(GameScreensTest, TitleBarShowsTheLoadedPartOfItsBodyBetweenTheCaps) {
    const std::pair<Vesk::Image*, uint32_t> paints[] = {
        {IMAGE_PB_LEFT, 0xFFFF0000}, {IMAGE_PB_CENTER, 0xFF00FF00}, {IMAGE_PB_RIGHT, 0xFF0000FF}};
    for (const auto& [image, colour] : paints) {
        auto* memory = static_cast<Vesk::MemoryImage*>(image);
        std::fill_n(memory->GetBits(), memory->GetWidth() * memory->GetHeight(), colour);
        memory->BitsChanged();
    }
    Vesk::CTitleScreen title(mScreens.get());
    title.Resize(0, 0, 800, 600);
    title.Init();
    for (int frame = 1; frame <= 800; ++frame) {
        title.Update();
    }
    mScreens->WaitForLoadingThread();
    mScreens->mLoaded = false;
    mScreens->mNumLoadingThreadTasks = 2;
    mScreens->mCompletedLoadingThreadTasks = 1;
    title.Update();
    Vesk::DDImage screen(nullptr);
    screen.Create(800, 600);
    Vesk::Graphics g(&screen);
    title.Draw(&g);
    const auto at = [&](int x) { return screen.GetBits()[390 * 800 + x] & 0xFFFFFF; };
    EXPECT_EQ(at(255), 0xFF0000u);
    EXPECT_EQ(at(264), 0xFF0000u);
    EXPECT_EQ(at(265), 0x00FF00u);
    EXPECT_EQ(at(414), 0x00FF00u);
    EXPECT_EQ(at(415), 0x0000FFu);
    EXPECT_EQ(at(424), 0x0000FFu);
    EXPECT_EQ(at(425), 0x000000u);
    EXPECT_EQ(screen.GetBits()[380 * 800 + 300] & 0xFFFFFF, 0u);  // above the bar: black
}

TEST_F(GameScreensTest, MenuPlacesItsButtonsAndWrapsTheSky) {
    Vesk::CMainMenu menu;
    menu.Resize(0, 0, 800, 600);
    EXPECT_LE(menu.mSkyOffset, 0.0);
    EXPECT_GT(menu.mSkyOffset, -800.0);
    Vesk::ButtonWidget* start = menu.GetButton(Vesk::CMainMenu::START);
    EXPECT_EQ(start->mX, 162);
    EXPECT_EQ(start->mY, 245);
    EXPECT_EQ(start->mWidth, 120);
    EXPECT_EQ(menu.GetButton(Vesk::CMainMenu::EXIT)->mX, 168);
    EXPECT_EQ(menu.GetButton(Vesk::CMainMenu::EXIT)->mY, 468);
    EXPECT_EQ(menu.GetButton(Vesk::CMainMenu::CH_PRFL)->mY, 207);

    // A start below one whole strip comes back too (a strip narrower than the screen).
    menu.mSkyOffset = -1000.0;
    menu.Update();
    EXPECT_EQ(menu.mSkyOffset, 0.0);
    menu.Update();
    EXPECT_DOUBLE_EQ(menu.mSkyOffset, -0.2);
}

// Six pixels a character, line spacing 30; records what it draws where.
class RecordingFont : public Vesk::Font {
public:
    RecordingFont() {
        mAscent = 20;
        mHeight = 30;
    }
    int32_t StringWidth(const std::string& text) override {
        return 6 * static_cast<int32_t>(text.size());
    }
    void DrawString(Vesk::Graphics&, int32_t x, int32_t y, const std::string& text,
                    const Vesk::Color& color, const Vesk::Rect&) override {
        mDrawn.push_back(text + " " + std::to_string(x) + " " + std::to_string(y) + " " +
                         std::to_string(color.ToInt() & 0xFFFFFF));
    }
    std::unique_ptr<Vesk::Font> Duplicate() const override {
        return std::make_unique<RecordingFont>(*this);
    }
    std::vector<std::string> mDrawn;
};

TEST_F(GameScreensTest, MenuGreetsThePlayerInCapitalsUnderHello) {
    RecordingFont font;
    FONT_SHOWCARDGOTHIC = &font;
    mScreens->SetString("HELLO", u"HELLO,");
    mScreens->mCurrentPlayer = "Ann";
    Vesk::CMainMenu menu;
    Vesk::DDImage screen(nullptr);
    screen.Create(800, 600);
    Vesk::Graphics g(&screen);
    menu.Draw(&g);
    FONT_SHOWCARDGOTHIC = nullptr;
    const std::string green = std::to_string((160 << 16) | (254 << 8) | 38);
    EXPECT_EQ(font.mDrawn,
              (std::vector<std::string>{"HELLO, 192 184 " + green, "ANN! 198 209 " + green}));
}

// The first sparkle always sounds, even in the first four minutes of the tick count; later
// ones only more than 240000 ms after the last sound.
TEST_F(GameScreensTest, SparkleSoundsFirstAtOnceThenAtMostEvery240Seconds) {
    Vesk::CMainMenu menu;
    menu.SparkBegan(1000);
    menu.Update();
    EXPECT_FALSE(menu.mSparkFired);
    EXPECT_EQ(menu.mLastSparkleSoundTime, 1000u);
    menu.SparkBegan(200000);
    menu.Update();
    EXPECT_TRUE(menu.mSparkFired);
    EXPECT_EQ(menu.mLastSparkleSoundTime, 1000u);
    menu.SparkBegan(241000);  // exactly the interval: not yet
    menu.Update();
    EXPECT_TRUE(menu.mSparkFired);
    menu.SparkBegan(241001);
    menu.Update();
    EXPECT_FALSE(menu.mSparkFired);
    EXPECT_EQ(menu.mLastSparkleSoundTime, 241001u);
}

// The menu is drawn again only when its picture would change: the sky's whole-pixel place (the
// eighth step of -0.2 from 0) or the greeting's name; fades, buttons and sparkles mark it too.
TEST_F(GameScreensTest, MenuIsDrawnAgainOnlyWhenItsPictureChanges) {
    Vesk::CMainMenu menu;
    menu.mFadeState = Vesk::zmWidget::FADE_IDLE;
    menu.mSkyOffset = 0.0;
    Vesk::DDImage screen(nullptr);
    screen.Create(800, 600);
    Vesk::Graphics g(&screen);
    menu.Draw(&g);
    int updates = 0;
    do {
        menu.mDirty = false;
        menu.Update();
        ++updates;
    } while (!menu.mDirty && updates < 20);
    EXPECT_EQ(updates, 8);
    menu.Draw(&g);
    menu.mDirty = false;
    menu.Update();
    EXPECT_FALSE(menu.mDirty);
    mScreens->mCurrentPlayer = "Someone Else";
    menu.Update();
    EXPECT_TRUE(menu.mDirty);
}

// The menu's sky and land for one test, the game's own put back after it.
class MenuPictures {
public:
    MenuPictures(Vesk::Image& sky, Vesk::Image& land)
        : mSky(IMAGE_MM_BGSKY), mLand(IMAGE_MM_BACKGROUND) {
        IMAGE_MM_BGSKY = &sky;
        IMAGE_MM_BACKGROUND = &land;
    }
    ~MenuPictures() {
        IMAGE_MM_BGSKY = mSky;
        IMAGE_MM_BACKGROUND = mLand;
    }
    MenuPictures(const MenuPictures&) = delete;
    MenuPictures& operator=(const MenuPictures&) = delete;

private:
    Vesk::Image* mSky;
    Vesk::Image* mLand;
};

TEST_F(GameScreensTest, TheSkyIsLeftOutOnlyWhereTheLandIsOpaque) {
    Vesk::MemoryImage sky(nullptr);
    sky.Create(800, 360);
    std::vector<uint32_t> pixels(800 * 600, 0);
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            const bool block = x >= 100 && x < 300 && y >= 50 && y < 250;
            const bool edge = x == 300 && y >= 50 && y < 250;
            pixels[static_cast<size_t>(y) * 800 + x] = y >= 330 || block ? 0xFF204020
                                                       : edge            ? 0x80204020
                                                                         : 0;
        }
    }
    Vesk::MemoryImage land(nullptr);
    land.SetBits(pixels.data(), 800, 600);
    const MenuPictures pictures(sky, land);
    Vesk::CMainMenu menu;
    menu.Resize(0, 0, 800, 600);
    const std::vector<Vesk::Rect> pieces = menu.SkyPieces(0);
    int64_t shown = 0;
    for (int y = 0; y < 360; ++y) {
        for (int x = 0; x < 800; ++x) {
            int inside = 0;
            for (const Vesk::Rect& piece : pieces) {
                inside += piece.Contains(x, y) ? 1 : 0;
            }
            ASSERT_LE(inside, 1) << "pieces overlap at " << x << ", " << y;
            ASSERT_TRUE(inside == 1 || pixels[static_cast<size_t>(y) * 800 + x] >> 24 == 0xFF)
                << "sky left out under a clear pixel at " << x << ", " << y;
            shown += inside;
        }
    }
    // The block and the strip of land are left out; the half-clear edge is not.
    EXPECT_EQ(shown, 800 * 330 - 200 * 200);
}

// The sky's one-colour bottom rows are drawn where the strip started; every offset must still
// give the picture of the whole strip drawn at it.
TEST_F(GameScreensTest, TheSkyLooksTheSameWhereverItsStillRowsAreDrawn) {
    Vesk::MemoryImage sky(nullptr);
    sky.Create(800, 360);
    uint32_t* bits = sky.GetBits();
    for (int y = 0; y < 360; ++y) {
        for (int x = 0; x < 800; ++x) {
            // Above row 250 each row changes along its length; its last pixel alone in row 249.
            const bool varies = y < 249 || (y == 249 && x == 799);
            bits[y * 800 + x] = 0xFF000000u | static_cast<uint32_t>(y << 8) |
                                static_cast<uint32_t>(varies ? x & 0xFF : 0x40);
        }
    }
    sky.BitsChanged();
    std::vector<uint32_t> clear(800 * 600, 0);
    Vesk::MemoryImage land(nullptr);
    land.SetBits(clear.data(), 800, 600);
    const MenuPictures pictures(sky, land);
    Vesk::CMainMenu menu;
    menu.Resize(0, 0, 800, 600);
    for (const int skyX : {0, -1, -437, -799}) {
        Vesk::MemoryImage drawn(nullptr);
        drawn.Create(800, 600);
        Vesk::Graphics g(&drawn);
        menu.DrawSky(&g, skyX, 10);
        Vesk::MemoryImage whole(nullptr);
        whole.Create(800, 600);
        Vesk::Graphics w(&whole);
        w.DrawImage(&sky, skyX, 10);
        w.DrawImage(&sky, skyX + 800, 10);
        EXPECT_TRUE(std::equal(drawn.GetBits(), drawn.GetBits() + 800 * 600, whole.GetBits()))
            << "sky at " << skyX;
    }
}

TEST_F(GameScreensTest, MenuRoutesWaitForTheFadeAndHandOverToTheNextScreen) {
    mScreens->mHelp = std::make_unique<Vesk::zmWidget>();
    mScreens->mBoardHost = std::make_unique<Vesk::CBoardHost>(*mScreens);
    mScreens->mBoard = std::make_unique<Vesk::Board>(*mScreens->mBoardHost);
    auto menu = std::make_unique<Vesk::CMainMenu>();
    Vesk::CMainMenu& m = *menu;
    mScreens->mMainMenu = std::move(menu);
    m.mFadeState = Vesk::zmWidget::FADE_IDLE;
    m.GetButton(Vesk::CMainMenu::RESUME)->mDisabled = true;  // no saved game: no question first
    m.ButtonDepress(Vesk::CMainMenu::START);
    EXPECT_EQ(m.mNextScreen, mScreens->mHelp.get());
    EXPECT_EQ(m.mFadeState, Vesk::zmWidget::FADE_OUT);
    m.ButtonDepress(Vesk::CMainMenu::RESUME);  // only the click while it fades
    EXPECT_EQ(m.mNextScreen, mScreens->mHelp.get());
    m.FadeOutDone();
    EXPECT_TRUE(mScreens->mWidgetManager->IsInTree(mScreens->mHelp.get()));
    EXPECT_EQ(mScreens->mWidgetManager->mFocusWidget, mScreens->mHelp.get());
    EXPECT_FALSE(mScreens->mBoard->skipSetup);  // the help screen sets the level up itself

    // Without the help a first game goes to the comics, its level set up before them.
    mScreens->mShowHelp = 0;
    mScreens->mComics = std::make_unique<Vesk::zmWidget>();
    m.mFadeState = Vesk::zmWidget::FADE_IDLE;
    m.ButtonDepress(Vesk::CMainMenu::START);
    EXPECT_EQ(m.mNextScreen, mScreens->mComics.get());
    m.FadeOutDone();
    EXPECT_TRUE(mScreens->mBoard->skipSetup);

    m.mFadeState = Vesk::zmWidget::FADE_IDLE;
    m.ButtonDepress(Vesk::CMainMenu::RESUME);
    EXPECT_EQ(m.mNextScreen, static_cast<Vesk::Widget*>(mScreens->mBoard.get()));
}

// RESUME follows the saved header: a finished game cannot resume (and START asks nothing, going
// to the map since the best level is above 1); a game saved between levels at a stage's first
// level resumes on the land map, any other on the board.
TEST_F(GameScreensTest, ResumeFollowsTheSavedHeader) {
    mScreens->mCurrentPlayer = "Player";
    mScreens->mShowHelp = 0;
    mScreens->mLandMap = std::make_unique<Vesk::zmWidget>();
    mScreens->mComics = std::make_unique<Vesk::zmWidget>();
    mScreens->mBoardHost = std::make_unique<Vesk::CBoardHost>(*mScreens);
    mScreens->mBoard = std::make_unique<Vesk::Board>(*mScreens->mBoardHost);
    struct Case {
        uint8_t level, finished, rebuild;
        bool resumable, toMap;
    };
    const Case cases[] = {{7, 0, 0, true, false}, {6, 0, 1, true, true}, {6, 0, 0, true, false},
                          {7, 0, 1, true, false}, {1, 0, 1, true, true}, {11, 1, 1, false, false}};
    for (const Case& c : cases) {
        // level, help, best level, finished, rebuild
        Write("Player.sav", {c.level, 0, 0, 0, 1, c.level, 0, 0, 0, c.finished, c.rebuild});
        Vesk::CMainMenu m;
        m.GotFocus();
        m.mFadeState = Vesk::zmWidget::FADE_IDLE;
        EXPECT_EQ(m.GetButton(Vesk::CMainMenu::RESUME)->mDisabled, !c.resumable) << +c.level;
        m.ButtonDepress(c.resumable ? Vesk::CMainMenu::RESUME : Vesk::CMainMenu::START);
        Vesk::Widget* expected = mScreens->mBoard.get();
        if (!c.resumable || c.toMap) {
            expected = mScreens->mLandMap.get();
        }
        EXPECT_EQ(m.mNextScreen, expected) << +c.level;
    }

    // A saved game that cannot be read (too large to be a player's file) is left alone and
    // counts as none: RESUME is off, and START asks nothing and begins afresh.
    mScreens->mCurrentPlayer = "Ann";
    mScreens->mBoard = std::make_unique<Vesk::Board>(*mScreens->mBoardHost);
    Write("Ann.sav", {7, 0, 0, 0});
    std::filesystem::resize_file(Profiles("Ann.sav"), platform::fs::kPlayerFileLimit + 1);
    Vesk::CMainMenu m;
    m.GotFocus();
    m.mFadeState = Vesk::zmWidget::FADE_IDLE;
    EXPECT_TRUE(m.GetButton(Vesk::CMainMenu::RESUME)->mDisabled);
    m.ButtonDepress(Vesk::CMainMenu::START);
    EXPECT_EQ(m.mNextScreen, mScreens->mComics.get());
    EXPECT_EQ(std::filesystem::file_size(Profiles("Ann.sav")), platform::fs::kPlayerFileLimit + 1);
}

}  // namespace
}  // namespace gameapptest
