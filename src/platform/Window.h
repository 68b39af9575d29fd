#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Message.h"

namespace platform {

struct Size {
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Screen rectangle; right and bottom are excluded.
struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

enum class WindowKind {
    Main,       // shown to the player
    Invisible,  // never shown; only a target for messages
};

enum class WindowStyle {
    FullScreenPopup,  // borderless, topmost, covering the screen from (0, 0)
    Captioned,        // caption, system menu and minimise box; the player may resize it
};

enum class ShowCommand { Hide, Show, ShowNormal, ShowNoActivate, Restore, Minimize, Maximize };

enum class ShowState { Normal, Minimized, Maximized };

struct Placement {
    ShowState state = ShowState::Normal;
    Point normalPosition;  // outer top-left of the window when it is not minimised
};

// Called for every dispatched message and for the messages a call sends at
// once (Create from CreateWindow, Destroy from DestroyWindow).
using WindowProcedure = std::function<intptr_t(const Message&)>;

struct WindowParams {
    WindowKind kind = WindowKind::Main;
    WindowStyle style = WindowStyle::Captioned;
    std::string title;  // Windows-1252
    Point position;     // outer top-left on the screen
    Size clientSize;
    bool visible = false;
    WindowProcedure procedure;
};

// A window of the window system, owned by it. All positions are screen
// pixels; sizes are of the client area unless named otherwise.
class Window {
public:
    Window(WindowId id, const WindowParams& params);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    WindowId Id() const { return mId; }
    WindowKind Kind() const { return mKind; }
    WindowStyle Style() const { return mStyle; }
    const WindowProcedure& Procedure() const { return mProcedure; }

    void SetUserData(void* data) { mUserData = data; }
    void* UserData() const { return mUserData; }

    virtual void Show(ShowCommand command) = 0;
    virtual bool IsVisible() const = 0;
    virtual void SetForeground() = 0;
    virtual void SetFocus() = 0;
    virtual void SetTitle(std::string_view title) = 0;  // Windows-1252
    virtual std::string Title() const = 0;
    // Moves the outer top-left of the window.
    virtual void SetPosition(Point outer) = 0;
    virtual Size ClientSize() const = 0;
    // Resizes the client area, keeping the outer top-left; false when this window
    // cannot be resized.
    virtual bool SetClientSize(Size client) {
        (void)client;
        return false;
    }
    virtual Placement GetPlacement() const = 0;
    // Safe from any thread: the cursor thread converts positions.
    virtual Point ClientToScreen(Point client) const = 0;
    virtual Point ScreenToClient(Point screen) const = 0;
    // Whether a screen point falls inside the client area.
    bool ClientAreaContains(Point screen) const;
    // Pixels are 0xAARRGGBB, rows top to bottom.
    virtual void SetIcon(int32_t width, int32_t height, const uint32_t* argb) = 0;

private:
    WindowId mId;
    WindowKind mKind;
    WindowStyle mStyle;
    WindowProcedure mProcedure;
    void* mUserData = nullptr;
};

}  // namespace platform
