// The credits: the script, the roll with its stops and breaks on a fake clock, leaving, a new
// screen per showing, and the ripple, also on the data set's main theme.
#include <algorithm>
#include <cstdlib>

#include "../core/FakeBoardHost.h"
#include "GameAppTestSupport.h"
#include "MenuScreensTestSupport.h"
#include "game/app/CCredits.h"
#include "game/app/CRipple.h"
#include "game/app/ResourceIds.h"
#include "game/core/GameMath.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "platform/headless/HeadlessAudioDevice.h"
#include "resources/PakInterface.h"
#include "sound/BassLayer.h"
#include "sound/BassMusicInterface.h"
#include "widgets/WidgetManager.h"

namespace gameapptest {
namespace {

using Vesk::CCredits;
using Vesk::CRipple;

class TestCredits : public CCredits {
public:
    bool LoadResources() override { return true; }
    uint32_t MusicLevel() override { return mRealMusic ? CCredits::MusicLevel() : mLevel; }
    uint32_t mLevel = 0;
    bool mRealMusic = false;
};

class CreditsTest : public GameAppTest {
protected:
    void SetUp() override {
        GameAppTest::SetUp();
        UnbindPicturesAndFonts();
        mZmLogo.Create(400, 150);
        mVornsLogo.Create(500, 200);
        ::IMAGE_ZM_LOGO_W = &mZmLogo;
        ::IMAGE_VORNS_LOGO = &mVornsLogo;
        ::FONT_SHOWCARDGOTHIC = &mFont;
    }
    void TearDown() override {
        ::IMAGE_ZM_LOGO_W = nullptr;
        ::IMAGE_VORNS_LOGO = nullptr;
        ::FONT_SHOWCARDGOTHIC = nullptr;
        GameAppTest::TearDown();
    }
    TestCredits& Show() {
        mGame->mCredits = std::make_unique<TestCredits>();
        auto& credits = static_cast<TestCredits&>(*mGame->mCredits);
        credits.Resize(0, 0, 800, 600);
        mGame->mWidgetManager->AddWidget(&credits);
        return credits;
    }
    // One update of 10 ms.
    void Step(CCredits& credits) {
        mClock.Advance(10);
        credits.UpdateF(1.0f);
        credits.Update();
    }

    Vesk::MemoryImage mZmLogo;
    Vesk::MemoryImage mVornsLogo;
    FakeFont mFont;
    // Outlives the application's music interface.
    platform::HeadlessAudioDevice mAudio;
};

TEST_F(CreditsTest, TheBuiltInScriptReadsOnceItsImagesAreBound) {
    std::vector<CCredits::Item> items;
    std::string error;
    ASSERT_TRUE(CCredits::ReadScript(CCredits::kBuiltInScript, items, error)) << error;
    ASSERT_GE(items.size(), 8u);
    EXPECT_EQ(items[0].image, &mZmLogo);
    EXPECT_EQ(items[1].kind, CCredits::BREAK);
    EXPECT_EQ(items[2].text, "PRESENTS");
    EXPECT_EQ(items[4].image, &mVornsLogo);
    EXPECT_EQ(items[4].delay, 2);
    EXPECT_EQ(items.back().text, "THE END");
    EXPECT_EQ(items.back().delay, 5);
    EXPECT_EQ(items[items.size() - 2].kind, CCredits::BREAK);

    ::IMAGE_VORNS_LOGO = nullptr;
    EXPECT_FALSE(CCredits::ReadScript(CCredits::kBuiltInScript, items, error));
}

TEST_F(CreditsTest, MalformedScriptsFailAndTheRootsEndIsAnEnd) {
    struct Case {
        const char* script;
        bool ok;
    };
    const Case cases[] = {
        {"<Credits><Text string=\"A\"/><Foo/></Credits>", false},
        {"<Credits><Text string=\"A\"><Br/></Text></Credits>", false},
        {"<Credits></Br></Credits>", false},
        {"<Other><Text string=\"A\"/></Other>", false},
        {"", false},
        {"<Credits><Image id=\"FONT_SMALL\"/></Credits>", false},
        {"<Credits><Image id=\"LEVEL3\"/></Credits>", false},
        {"<Credits><Image id=\"NOPE\"/></Credits>", false},
        {"<Credits><Image/></Credits>", false},
        {"<Credits><Text string=\"A\"", false},
        {"junk <Credits></Credits>", true},
        // The end of the text ends the elements still open.
        {"<credits><TEXT STRING=\"x\"/>", true},
        {"<Credits><Image id=\"IMAGE_ZM_LOGO_W\" align=\"left\"></Image><Br></Br></Credits><More/>",
         true},
    };
    for (const Case& c : cases) {
        std::vector<CCredits::Item> items;
        std::string error;
        EXPECT_EQ(CCredits::ReadScript(c.script, items, error), c.ok) << c.script << error;
        if (!c.ok) {
            EXPECT_FALSE(error.empty()) << c.script;
        }
    }
    std::vector<CCredits::Item> items;
    std::string error;
    ASSERT_TRUE(CCredits::ReadScript(
        R"(<credits><TEXT STRING="x" ALIGN="RIGHT" Delay="3"/></credits>)", items, error));
    EXPECT_EQ(items[0].align, CCredits::RIGHT);
    EXPECT_EQ(items[0].delay, 3);
}

TEST_F(CreditsTest, TheRollStopsWhereTheScriptSaysAndBreaksStartBelowTheScreen) {
    TestCredits& credits = Show();
    ASSERT_TRUE(credits.mRunning) << credits.mScriptError;
    EXPECT_EQ(mGame->mCurrentTrack, CCredits::kTrack);
    EXPECT_EQ(credits.mItems[2].font, &mFont);
    Step(credits);
    EXPECT_DOUBLE_EQ(credits.mScrollPos, 599.75);
    EXPECT_TRUE(credits.mItems[0].visible);
    // Keys do nothing while the screen fades in.
    credits.KeyDown(27);
    EXPECT_EQ(credits.mFadeState, CCredits::FADE_IN);
    // Once on the screen, the break fills to the bottom edge: what follows starts at 625.
    while (!credits.mItems[1].visible) {
        Step(credits);
    }
    for (int i = 0; i < 1000; ++i) {
        EXPECT_DOUBLE_EQ(credits.mItems[2].lastY, 625.0);
        EXPECT_FALSE(credits.mItems[2].visible);
        Step(credits);
    }

    struct Stop {
        size_t item;
        int seconds;
    };
    const Stop stops[] = {{4, 2}, {credits.mItems.size() - 1, 5}};
    for (const Stop& stop : stops) {
        int guard = 0;
        while (credits.mCurrentDelay == 0 && ++guard < 100000) {
            Step(credits);
        }
        ASSERT_EQ(credits.mCurrentDelay, stop.seconds);
        const CCredits::Item& item = credits.mItems[stop.item];
        EXPECT_TRUE(item.delayStarted);
        EXPECT_NEAR(item.lastY + item.Height() / 2.0, 300.0, 0.25);
        const double held = credits.mScrollPos;
        for (int i = 0; i < stop.seconds * 100; ++i) {
            Step(credits);
        }
        EXPECT_DOUBLE_EQ(credits.mScrollPos, held);
        Step(credits);
        // The stop ends with an extra quarter pixel.
        EXPECT_DOUBLE_EQ(credits.mScrollPos, held - 0.5);
    }
    int guard = 0;
    while (!credits.mFinished && ++guard < 100000) {
        Step(credits);
    }
    EXPECT_TRUE(credits.mFinished);
    Step(credits);
    EXPECT_EQ(credits.mFadeState, CCredits::FADE_OUT);
}

TEST_F(CreditsTest, AFastStepStillStopsAnItemCrossingTheMiddle) {
    TestCredits& credits = Show();
    int guard = 0;
    while (credits.mCurrentDelay == 0 && ++guard < 10000) {
        mClock.Advance(40);
        credits.UpdateF(3.7f);
        credits.Update();
    }
    EXPECT_EQ(credits.mCurrentDelay, 2);
}

TEST_F(CreditsTest, LeavingHandsTheScreenToTheSafeDeleteListAndTheNextShowingIsNew) {
    TestCredits& credits = Show();
    for (int i = 0; i < 100; ++i) {
        Step(credits);
    }
    ASSERT_EQ(credits.mFadeState, CCredits::FADE_IDLE);
    credits.KeyDown(32);
    EXPECT_EQ(credits.mFadeState, CCredits::FADE_OUT);
    for (int i = 0; i < 100 && credits.mWidgetManager != nullptr; ++i) {
        Step(credits);
    }
    EXPECT_EQ(credits.mWidgetManager, nullptr);
    EXPECT_EQ(mGame->mCredits, nullptr);
    mGame->ProcessSafeDeleteList();
    Vesk::zmWidget* next = mGame->GetCredits();
    ASSERT_NE(next, nullptr);
    EXPECT_NE(dynamic_cast<CCredits*>(next), nullptr);
    EXPECT_EQ(mGame->mCredits.get(), next);
}

// Paused and then left for the menu, the board has deleted its objects; the credits resume it
// without reaching them.
TEST_F(CreditsTest, ABoardLeftPausedForTheMenuResumesWithoutItsDeletedObjects) {
    InitTrigTables();
    fake::BoardHost host(mDir + "/");
    auto board = std::make_unique<Vesk::Board>(host);
    Vesk::Board* shown = board.get();
    mGame->mWidgetManager->AddWidget(shown);
    shown->SetPaused(true);
    shown->LeaveBoard();
    mGame->mWidgetManager->RemoveWidget(shown);
    mGame->mBoard = std::move(board);
    Show();
    EXPECT_FALSE(shown->IsPaused());
}

TEST_F(CreditsTest, OnlyLoudBeatsOnBothSidesStartARipple) {
    TestCredits& credits = Show();
    for (uint32_t level : {0u, 0x2EE02EE0u, 0x30002EE0u, 0xFFFF3000u, 0x3000FFFFu, 0xFFFFFFFFu}) {
        credits.mLevel = level;
        Step(credits);
        EXPECT_TRUE(credits.mRipple.IsIdle()) << std::hex << level;
    }
    credits.mLevel = 0x2EE12EE1;
    Step(credits);
    ASSERT_FALSE(credits.mRipple.IsIdle());
    EXPECT_GE(credits.mRippleX, 200);
    EXPECT_LT(credits.mRippleX, 700);
    EXPECT_GE(credits.mRippleY, 200);
    EXPECT_LT(credits.mRippleY, 400);

    // It draws over the text layer and calms down on its own.
    Vesk::MemoryImage screen;
    screen.Create(800, 600);
    Vesk::Graphics g(&screen);
    credits.mLevel = 0;
    int guard = 0;
    while (!credits.mRipple.IsIdle() && ++guard < 5000) {
        credits.Draw(&g);
        Step(credits);
    }
    EXPECT_TRUE(credits.mRipple.IsIdle());
}

#ifdef VESK_DATA_PAK
// The data set's main theme on the game's music back end, mixed 10 ms per update on the
// headless device: the level is the peak just heard, and only loud beats drop a ripple.
TEST_F(CreditsTest, TheRippleFollowsTheMainThemeAsTheMusicBackEndPlaysIt) {
    static const bool added = Vesk::gPakInterface->AddPakFile(VESK_DATA_PAK);
    ASSERT_TRUE(added) << VESK_DATA_PAK << " is missing; build the target vorns_data";
    auto owned = std::make_unique<Vesk::BassMusicInterface>(platform::kNoWindow, &mAudio);
    Vesk::BassMusicInterface& music = *owned;
    mGame->mMusicInterface = std::move(owned);
    ASSERT_TRUE(music.LoadMusic(CCredits::kTrack, "data/music/main-theme.ogg"));
    music.SetVolume(1.0);
    TestCredits& credits = Show();
    credits.mRealMusic = true;
    Vesk::MemoryImage screen;
    screen.Create(800, 600);
    Vesk::Graphics g(&screen);

    struct Tick {
        uint32_t level[2] = {};  // the song's peaks, left and right
        uint32_t heard[2] = {};  // the mixed block's, its first frame apart
        uint32_t first[2] = {};
        bool idle = false;
        bool dropped = false;
        bool Loud() const {
            return level[0] > CCredits::kLoudPeak && level[1] > CCredits::kLoudPeak;
        }
    };
    // Updates as the game runs them, 10 ms of music mixed before each; drawing lets a calm
    // ripple end.
    std::vector<Tick> ticks;
    auto run = [&](size_t updates) {
        for (size_t i = 0; i < updates; ++i) {
            Tick& t = ticks.emplace_back();
            music.Update();
            Vesk::BassLayerPump();
            const std::vector<int16_t> block = mAudio.Render(441);
            for (size_t k = 0; k < block.size(); ++k) {
                uint32_t& peak = k < 2 ? t.first[k] : t.heard[k % 2];
                peak = std::max<uint32_t>(peak, std::abs(int{block[k]}));
            }
            const uint32_t level = music.GetSongLevel(CCredits::kTrack);
            t.level[0] = level & 0xFFFF;
            t.level[1] = level >> 16;
            credits.Draw(&g);
            t.idle = credits.mRipple.IsIdle();
            Step(credits);
            t.dropped = t.idle && !credits.mRipple.IsIdle();
        }
    };
    // Six seconds at full volume once faded in, then a fade-out that stops the song.
    constexpr size_t kFadeOut = 611;
    run(kFadeOut);
    mGame->FadeOutMusic();
    run(400);
    EXPECT_FALSE(music.IsPlaying(CCredits::kTrack));

    int drops = 0;
    int quietWhileIdle = 0;
    for (size_t i = 0; i + 1 < ticks.size(); ++i) {
        const Tick& t = ticks[i];
        // At full volume the level is the peak heard. The mixer holds one frame back: a
        // block's last frame is heard first in the next.
        for (int c = 0; c < 2 && i >= 11 && i < kFadeOut; ++c) {
            ASSERT_EQ(t.level[c], std::max(t.heard[c], ticks[i + 1].first[c])) << i << " " << c;
        }
        ASSERT_EQ(t.dropped, t.idle && t.Loud()) << i;
        drops += t.dropped ? 1 : 0;
        quietWhileIdle += i < kFadeOut && t.idle && !t.Loud() ? 1 : 0;
        // From a third of the volume down the theme is too quiet, and then it stops.
        if (i >= kFadeOut + 170) {
            ASSERT_FALSE(t.Loud()) << i;
        }
    }
    EXPECT_GE(drops, 2);
    EXPECT_GT(quietWhileIdle, 0);
    EXPECT_EQ(ticks.back().level[0] | ticks.back().level[1], 0u);
}
#endif

TEST(RippleTest, TheDropAndOneStepFollowTheWaveRule) {
    CRipple ripple;
    ripple.Drop();
    int cells = 0;
    for (int y = 0; y < CRipple::kSize; ++y) {
        for (int x = 0; x < CRipple::kSize; ++x) {
            cells += ripple.Height(ripple.Page(), x, y) == 500 ? 1 : 0;
        }
    }
    EXPECT_EQ(cells, 1941);
    const int dropPage = ripple.Page();
    ripple.Step();
    EXPECT_NE(ripple.Page(), dropPage);
    // Eight neighbours of 500: (4000 >> 2) - 0 = 1000, less 1000 >> 5.
    EXPECT_EQ(ripple.Height(ripple.Page(), 100, 100), 969);
    // At the rim, five neighbours inside: (2500 >> 2) - 0 = 625, less 625 >> 5.
    EXPECT_EQ(ripple.Height(ripple.Page(), 100, 76), 606);
    EXPECT_EQ(ripple.Height(ripple.Page(), 0, 0), 0);
}

TEST(RippleTest, AFlatSurfaceCopiesThePatchAndEndsTheRipple) {
    CRipple ripple;
    std::vector<uint32_t> source(CRipple::kCells), patch(CRipple::kCells, 0xDEADBEEF);
    for (size_t i = 0; i < source.size(); ++i) {
        source[i] = 0xFF000000u | static_cast<uint32_t>(i);
    }
    EXPECT_EQ(ripple.Render(source.data(), patch.data()), 0);
    EXPECT_EQ(patch, source);
    EXPECT_TRUE(ripple.IsIdle());
}

}  // namespace
}  // namespace gameapptest
