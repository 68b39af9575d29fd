// Types into an edit field through real SDL key events: needs a display (CI runs it under Xvfb).
#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "WidgetTestSupport.h"
#include "platform/sdl/SdlWindowSystem.h"
#include "widgets/EditWidget.h"

namespace widgettest {
namespace {

class EditWindowTest : public WidgetTest {
protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (display == nullptr || display[0] == '\0') {
            GTEST_SKIP() << "no display";
        }
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
        mSystem = std::make_unique<platform::SdlWindowSystem>();
        if (!mSystem->VideoAvailable()) {
            GTEST_SKIP() << "SDL video unavailable";
        }
        platform::WindowParams params;
        params.clientSize = platform::Size{320, 240};
        mWindow = mSystem->CreateWindow(params);
        ASSERT_NE(mWindow, nullptr);
        mWindow->Show(platform::ShowCommand::ShowNormal);
        mSdlId = SDL_GetWindowID(mSystem->FindSdlWindow(mWindow->Id())->Handle());
    }

    void Key(SDL_Keycode sym, SDL_Scancode code, Uint16 mod = KMOD_NONE) {
        for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
            SDL_Event e{};
            e.type = type;
            e.key.windowID = mSdlId;
            e.key.keysym.sym = sym;
            e.key.keysym.scancode = code;
            e.key.keysym.mod = mod;
            SDL_PushEvent(&e);
        }
    }
    void Text(const char* text) {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        e.text.windowID = mSdlId;
        std::strncpy(e.text.text, text, sizeof(e.text.text) - 1);
        SDL_PushEvent(&e);
    }
    // Hands the window's key messages to the widget manager, as the application does.
    void Pump() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (std::chrono::steady_clock::now() < end) {
            while (auto m = mSystem->PeekMessage(true)) {
                if (m->kind == platform::msg::KeyDown) {
                    mManager.KeyDown(static_cast<int>(m->wparam));
                } else if (m->kind == platform::msg::KeyUp) {
                    mManager.KeyUp(static_cast<int>(m->wparam));
                } else if (m->kind == platform::msg::Char) {
                    mManager.KeyChar(static_cast<char>(m->wparam));
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    std::unique_ptr<platform::SdlWindowSystem> mSystem;
    platform::Window* mWindow = nullptr;
    Uint32 mSdlId = 0;
};

TEST_F(EditWindowTest, TypedKeysReachTheField) {
    Vesk::EditWidget edit(1, nullptr);
    FakeFont font;
    edit.SetFont(&font);
    edit.Resize(10, 10, 200, 20);
    mManager.AddWidget(&edit);
    mManager.SetFocus(&edit);

    Text("Hi");
    Key(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE);
    Text("ey");
    Key(SDLK_HOME, SDL_SCANCODE_HOME);
    Text(">");
    Pump();
    EXPECT_EQ(edit.mString, ">Hey");
    Key(SDLK_z, SDL_SCANCODE_Z, KMOD_LCTRL);  // Ctrl+Z arrives as character 26
    Pump();
    EXPECT_EQ(edit.mString, "Hey");
    mSystem->DestroyWindow(mWindow->Id());
}

}  // namespace
}  // namespace widgettest
