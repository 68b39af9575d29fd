// The drawn crash window on a real desktop: typed text arrives through SDL's own events. Needs a
// display (CI runs it under Xvfb).
#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "app/WidgetCrashDialogs.h"
#include "platform/sdl/SdlPixelWindow.h"

namespace apptest {
namespace {

void PushText(uint32_t window, const char* text) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = window;
    std::strncpy(e.text.text, text, sizeof(e.text.text) - 1);
    SDL_PushEvent(&e);
}

void PushKey(uint32_t window, SDL_Keycode sym, SDL_Scancode code) {
    for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
        SDL_Event e{};
        e.type = type;
        e.key.windowID = window;
        e.key.keysym.sym = sym;
        e.key.keysym.scancode = code;
        SDL_PushEvent(&e);
    }
}

TEST(WidgetDialogsWindowTest, TheDescriptionIsTypedThroughRealKeyEvents) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') {
        GTEST_SKIP() << "no display";
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
    bool opened = false;
    Vesk::WidgetCrashDialogs dialogs(
        [&](const platform::PixelWindow::Params& params) -> std::unique_ptr<platform::PixelWindow> {
            std::unique_ptr<platform::SdlPixelWindow> window =
                platform::SdlPixelWindow::Make(params);
            if (window == nullptr) {
                return nullptr;
            }
            opened = true;
            PushText(window->SdlWindowId(), "It froze");
            PushKey(window->SdlWindowId(), SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE);
            PushText(window->SdlWindowId(), "e!");
            PushKey(window->SdlWindowId(), SDLK_RETURN, SDL_SCANCODE_RETURN);
            return window;
        },
        nullptr);
    const platform::CrashDialogs::SubmitAnswer answer = dialogs.Submit("What happened?");
    if (!opened) {
        GTEST_SKIP() << "SDL video unavailable";
    }
    EXPECT_TRUE(answer.proceed);
    EXPECT_EQ(answer.userText, "It froze!");
}

}  // namespace
}  // namespace apptest
