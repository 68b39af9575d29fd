// The profile dialog, the high scores and the credits in a real window: a profile is made by
// typing its name through the desktop's own key events, and each screen is kept as a picture
// in "screens-out/" for review. Needs a display (CI runs it under Xvfb); skipped without one.
#include <SDL.h>

#include <array>
#include <cstdlib>
#include <cstring>

#include "GameAppTestSupport.h"
#include "MenuScreensTestSupport.h"
#include "game/app/CCredits.h"
#include "game/app/CEditProfile.h"
#include "game/app/CHighScoresDialog.h"
#include "game/app/ResourceIds.h"
#include "graphics/DDImage.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "platform/sdl/SdlPixelWindow.h"
#include "resources/ImageLib.h"
#include "widgets/EditWidget.h"
#include "widgets/WidgetManager.h"
#include "widgets/zmListWidget.h"

namespace gameapptest {
namespace {

class ShownCredits : public Vesk::CCredits {
public:
    bool LoadResources() override { return true; }
    uint32_t MusicLevel() override { return mLevel; }
    uint32_t mLevel = 0;
};

class ScreensWindowTest : public GameAppTest {
protected:
    void SetUp() override {
        GameAppTest::SetUp();
        UnbindPicturesAndFonts();
        mScreen.Create(800, 600);
        mGame->mWidgetManager->mImage = &mScreen;
        // Test pictures of the sizes the screens are laid out for.
        const struct {
            Vesk::Image** slot;
            int width, height;
            uint32_t argb;
        } pictures[] = {
            {&::IMAGE_PROFILE_BG, 339, 450, 0xFF203050},
            {&::IMAGE_HIGHSCORES_BG, 339, 423, 0xFF302050},
            {&::IMAGE_CREATE, 110, 40, 0xFF40A040},
            {&::IMAGE_CREATE_OVER, 110, 40, 0xFF60C060},
            {&::IMAGE_CREATE_DOWN, 110, 40, 0xFF60C060},
            {&::IMAGE_CREATE_DISABLED, 110, 40, 0xFF505050},
            {&::IMAGE_DELETE, 110, 40, 0xFF40A040},
            {&::IMAGE_DELETE_DOWN, 110, 40, 0xFF60C060},
            {&::IMAGE_DELETE_DISABLED, 110, 40, 0xFF505050},
            {&::IMAGE_OK, 68, 40, 0xFF4060C0},
            {&::IMAGE_OK_PRESSED, 68, 40, 0xFF4060C0},
            {&::IMAGE_CANCEL, 120, 40, 0xFFC06040},
            {&::IMAGE_THUMB, 20, 30, 0xFFE0E0E0},
            {&::IMAGE_SCROLL, 20, 16, 0xFF606060},
            {&::IMAGE_LISTITEM, 12, 12, 0xFFFFD040},
            {&::IMAGE_LISTSELECT, 263, 18, 0xFF805020},
            {&::IMAGE_CREDITS_BACKGROUND, 800, 600, 0xFF102040},
            {&::IMAGE_CREDITS_FOREGROUND, 800, 600, 0x00000000},
            {&::IMAGE_ZM_LOGO_W, 400, 150, 0xFFE0E0FF},
            {&::IMAGE_VORNS_LOGO, 500, 200, 0xFFFFE080},
        };
        for (const auto& p : pictures) {
            Picture(p.slot, p.width, p.height, p.argb);
        }
        ::FONT_SMALL = &mSmall;
        ::FONT_SHOWCARDGOTHIC = &mLarge;
        std::filesystem::create_directories("screens-out");
    }
    void TearDown() override {
        mGame->mWidgetManager->RemoveAllWidgets(false, false);
        mGame->mCredits.reset();
        mGame->ProcessSafeDeleteList();
        // The pictures belong to the game's image host: they go before it does.
        for (Vesk::Image** slot : mSlots) {
            *slot = nullptr;
        }
        mPictures.clear();
        ::FONT_SMALL = nullptr;
        ::FONT_SHOWCARDGOTHIC = nullptr;
        Vesk::zmListWidget::SetDefaults(nullptr, nullptr, nullptr);
        GameAppTest::TearDown();
    }
    void Picture(Vesk::Image** slot, int width, int height, uint32_t argb) {
        auto image = std::make_unique<Vesk::MemoryImage>();
        image->Create(width, height);
        std::fill_n(image->GetBits(), width * height, argb);
        image->BitsChanged();
        *slot = image.get();
        mSlots.push_back(slot);
        mPictures.push_back(std::move(image));
    }
    // One step of the program: input, an update, a draw, the picture on the window.
    void Frame() {
        Vesk::WidgetManager& manager = *mGame->mWidgetManager;
        while (std::optional<platform::Message> m = mWindow->WaitMessage(1)) {
            if (m->kind == platform::msg::KeyDown) {
                manager.KeyDown(static_cast<int>(m->wparam));
            } else if (m->kind == platform::msg::Char) {
                manager.KeyChar(static_cast<char>(m->wparam));
            }
        }
        mClock.Advance(10);
        manager.UpdateFrame();
        manager.MarkAllDirty();
        manager.DrawScreen();
        mWindow->Present(mScreen.GetBits(), 800);
    }
    void Save(const std::string& name) {
        ImageLib::Image shot(800, 600);
        std::memcpy(shot.mBits.data(), mScreen.GetBits(), 800 * 600 * 4);
        for (uint32_t& pixel : shot.mBits) {
            pixel |= 0xFF000000u;
        }
        EXPECT_TRUE(ImageLib::WritePNGImage("screens-out/" + name + ".png", shot)) << name;
    }
    void PushKey(SDL_Keycode sym, SDL_Scancode code, const char* text) {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.windowID = mWindow->SdlWindowId();
        e.key.keysym.sym = sym;
        e.key.keysym.scancode = code;
        SDL_PushEvent(&e);
        e.type = SDL_KEYUP;
        SDL_PushEvent(&e);
        if (text != nullptr) {
            SDL_Event t{};
            t.type = SDL_TEXTINPUT;
            t.text.windowID = mWindow->SdlWindowId();
            std::strncpy(t.text.text, text, sizeof(t.text.text) - 1);
            SDL_PushEvent(&t);
        }
    }

    Vesk::DDImage mScreen;
    FakeFont mSmall;
    FakeFont mLarge{28};
    std::vector<std::unique_ptr<Vesk::MemoryImage>> mPictures;
    std::vector<Vesk::Image**> mSlots;
    std::unique_ptr<platform::SdlPixelWindow> mWindow;
};

TEST_F(ScreensWindowTest, AProfileIsTypedInAndEveryScreenIsPictured) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') {
        GTEST_SKIP() << "no display";
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
    mWindow = platform::SdlPixelWindow::Make({"Vorns screens", {0, 0}, {800, 600}});
    if (mWindow == nullptr) {
        GTEST_SKIP() << "SDL video unavailable";
    }
    ASSERT_TRUE(mGame->LoadGameData());
    Write("Anna.sav", {});

    auto* profiles = new Vesk::CEditProfile("", "");
    mGame->AddDialogByObject(profiles);
    mGame->mWidgetManager->SetFocus(profiles);
    Frame();
    PushKey(SDLK_i, SDL_SCANCODE_I, "I");
    PushKey(SDLK_d, SDL_SCANCODE_D, "d");
    PushKey(SDLK_a, SDL_SCANCODE_A, "a");
    for (int i = 0; i < 50 && profiles->NameEdit().mString != "Ida"; ++i) {
        Frame();
    }
    EXPECT_EQ(profiles->NameEdit().mString, "Ida");
    Save("profile-typed");
    PushKey(SDLK_RETURN, SDL_SCANCODE_RETURN, nullptr);
    for (int i = 0; i < 50 && profiles->List().GetLineCount() < 2; ++i) {
        Frame();
    }
    ASSERT_EQ(profiles->List().GetLineCount(), 2);
    EXPECT_EQ(profiles->List().GetLine(1), "Ida");
    EXPECT_EQ(mGame->mCurrentPlayer, "Ida");
    EXPECT_TRUE(std::filesystem::exists(Profiles("Ida.sav")));
    for (int i = 0; i < 80; ++i) {
        Frame();
    }
    Save("profile-dialog");
    profiles->Close();
    mGame->ProcessSafeDeleteList();

    for (int i = 0; i < 12; ++i) {
        mGame->AppendHighScore("Player " + std::to_string(i), 1000 * i + 7);
    }
    auto* scores = new Vesk::CHighScoresDialog("", "");
    mGame->AddDialogByObject(scores);
    for (int i = 0; i < 80; ++i) {
        Frame();
    }
    EXPECT_EQ(scores->mRows, 10);
    Save("high-scores");
    scores->Close();
    mGame->ProcessSafeDeleteList();

    mGame->mCredits = std::make_unique<ShownCredits>();
    auto& credits = static_cast<ShownCredits&>(*mGame->mCredits);
    credits.Resize(0, 0, 800, 600);
    mGame->mWidgetManager->AddWidget(&credits);
    ASSERT_TRUE(credits.mRunning);
    credits.mScrollPos = 120;
    for (int i = 0; i < 90; ++i) {
        Frame();
    }
    credits.mLevel = 0x40004000;
    Frame();
    credits.mLevel = 0;
    for (int i = 0; i < 12; ++i) {
        Frame();
    }
    EXPECT_FALSE(credits.mRipple.IsIdle());
    Save("credits");
}

}  // namespace
}  // namespace gameapptest
