// The in-game screens in a real window: the frames are shown on the desktop and the input comes
// back through SDL's own events. Needs a display (CI runs it under Xvfb); the desktop's pictures
// are kept beside the test when ImageMagick's import is there.
#include <SDL.h>

#include <cstdlib>
#include <functional>

#include "InGameScreensFixture.h"
#include "platform/sdl/SdlPixelWindow.h"

namespace gameapptest {
namespace {

void Push(SDL_Event e) {
    SDL_PushEvent(&e);
}

class InGameWindowTest : public InGameFrameTest {
protected:
    void PushKey(SDL_Keycode sym, SDL_Scancode code) {
        for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
            SDL_Event e{};
            e.type = type;
            e.key.windowID = mWindow->SdlWindowId();
            e.key.keysym.sym = sym;
            e.key.keysym.scancode = code;
            Push(e);
        }
    }
    void PushClick(int x, int y) {
        SDL_Event move{};
        move.type = SDL_MOUSEMOTION;
        move.motion.windowID = mWindow->SdlWindowId();
        move.motion.x = x;
        move.motion.y = y;
        Push(move);
        for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
            SDL_Event e{};
            e.type = type;
            e.button.windowID = mWindow->SdlWindowId();
            e.button.button = SDL_BUTTON_LEFT;
            e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
            e.button.clicks = 1;
            e.button.x = x;
            e.button.y = y;
            Push(e);
        }
    }
    // Hands what the window received to the widget manager, as the application does.
    void Pump() {
        Vesk::WidgetManager& manager = *mGame->mWidgetManager;
        while (std::optional<platform::Message> m = mWindow->WaitMessage(100)) {
            const int x = static_cast<int16_t>(m->lparam & 0xFFFF);
            const int y = static_cast<int16_t>((m->lparam >> 16) & 0xFFFF);
            switch (m->kind) {
                case platform::msg::KeyDown:
                    manager.KeyDown(static_cast<int>(m->wparam));
                    break;
                case platform::msg::MouseMove:
                    manager.MouseMove(x, y);
                    break;
                case platform::msg::LeftButtonDown:
                    manager.MouseDown(x, y, 1);
                    break;
                case platform::msg::LeftButtonUp:
                    manager.MouseUp(x, y, 1);
                    break;
                default:
                    break;
            }
        }
    }
    // Updates and shows frames; the last one is kept, from the desktop too.
    void Show(const std::string& name, int updates = 1) {
        for (int i = 0; i < updates; ++i) {
            mGame->mWidgetManager->UpdateFrame();
        }
        Frame(name);
        mWindow->Present(mScreen.GetBits(), 800);
        if (std::system("command -v import >/dev/null 2>&1") == 0) {
            const std::string command =
                "import -window root '" + kFolder + "desktop-" + name + ".png' 2>/dev/null";
            EXPECT_EQ(std::system(command.c_str()), 0);
        }
    }

    std::unique_ptr<platform::SdlPixelWindow> mWindow;
};

TEST_F(InGameWindowTest, PlayPauseWithEscapeSetTheMusicAndLeaveForTheMenu) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') {
        GTEST_SKIP() << "no display";
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
    mWindow = platform::SdlPixelWindow::Make({"Vorns", {0, 0}, {800, 600}});
    if (mWindow == nullptr) {
        GTEST_SKIP() << "SDL video unavailable";
    }
    Bind(IMAGE_MAINMENU, 120, 44, 0xFFFFFF00);
    Vesk::Board& board = Play();
    mGame->mWidgetManager->SetFocus(&board);
    board.ShowKnockdown();
    Show("window-knockdown", 55);
    Show("window-play", 40);

    PushKey(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
    Pump();
    ASSERT_NE(mGame->GetDialog(Vesk::CPauseDialog::kDialogId), nullptr);
    EXPECT_TRUE(board.paused);
    Show("window-pause", 70);

    PushClick(217 + 35 + 200, 113 + 160 + 8);
    Pump();
    EXPECT_GT(mGame->GetMusicVolume(), 0.6);
    EXPECT_EQ(mMusic->mVolume, mGame->GetMusicVolume());
    Show("window-music");

    PushClick(217 - 3 + 60, 113 + 329 + 22);
    Pump();
    EXPECT_TRUE(SaveExists());
    Show("window-leaving", 40);
    EXPECT_FALSE(mGame->mWidgetManager->HasWidget(&board));
    EXPECT_EQ(mGame->mWidgetManager->mFocusWidget, mGame->mMainMenu.get());
    mGame->ProcessSafeDeleteList();
    Show("window-menu");
    mWindow.reset();
}

}  // namespace
}  // namespace gameapptest
