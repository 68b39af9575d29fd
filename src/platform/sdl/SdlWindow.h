#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "platform/PictureFit.h"
#include "platform/Window.h"

struct SDL_Window;
struct _XDisplay;

namespace platform {

class X11FullScreenWatch;

// A window on the desktop through SDL. The invisible window has no SDL window
// behind it: it only receives messages. The display code draws into
// Handle(), which is null for the invisible window. The client area keeps the size it
// was made with; when the real window is another size (full screen, or resized by the
// player), that picture is shown scaled to fit, and positions are mapped between the two.
class SdlWindow : public Window {
public:
    // Long enough for a busy desktop to map a window, short enough that a start never hangs.
    static constexpr std::chrono::milliseconds kMapPatience{5000};

    struct Frame {
        int32_t left = 0;
        int32_t top = 0;
        int32_t right = 0;
        int32_t bottom = 0;
    };

    // Takes ownership of handle (may be null). frame is the expected frame
    // around a captioned window until the desktop reports the real one.
    SdlWindow(WindowId id, const WindowParams& params, SDL_Window* handle, Frame frame);
    ~SdlWindow() override;

    SDL_Window* Handle() const { return mHandle; }
    uint32_t SdlId() const;

    struct X11Handle {
        _XDisplay* display = nullptr;  // SDL's connection
        unsigned long window = 0;
    };
    // The X11 window behind the SDL window; zeros when SDL does not draw through X11.
    X11Handle X11() const;

    // SDL_ShowWindow once the window is mapped, which is asked for first on a connection of our
    // own, with a limit: a window manager may drop the request, and SDL would wait for the map
    // forever. False, with the window left hidden, when it was still not mapped (after up to
    // twice `patience`). A window already shown, or one not drawn through X11, is shown as is.
    [[nodiscard]] bool ShowWatched(std::chrono::milliseconds patience = kMapPatience);

    void Show(ShowCommand command) override;
    bool IsVisible() const override;
    void SetForeground() override;
    void SetFocus() override;
    void SetTitle(std::string_view title) override;
    std::string Title() const override { return mTitle; }
    void SetPosition(Point outer) override;
    Size ClientSize() const override { return Size{mWidth.load(), mHeight.load()}; }
    bool SetClientSize(Size client) override;
    Placement GetPlacement() const override;
    Point ClientToScreen(Point client) const override;
    Point ScreenToClient(Point screen) const override;
    void SetIcon(int32_t width, int32_t height, const uint32_t* argb) override;

    // Main thread, from the event pump: reads position, size and frame back.
    // Returns the frame when the desktop reported one.
    bool Refresh(Frame& frame);
    // Main thread: reads the real size back after it changed (full screen on or off).
    void RefreshView();
    // Where the client area's picture lies in the real window. Safe from any thread.
    PictureFit View() const;
    // A point in the real window's pixels as a client-area pixel.
    Point WindowToClient(Point windowPixel) const;
    // Main thread: the desktop lost what the window showed. The display's next picture
    // goes out whole, not only where it changed.
    void MarkExposed() { mExposed.store(true); }
    // Any thread: whether the window was exposed since the last call.
    bool TakeExposed() { return mExposed.exchange(false); }
    // Any thread: the same, leaving it to the next TakeExposed.
    bool Exposed() const { return mExposed.load(); }

private:
    // Raises the window and gives it the keyboard, as a window brought to the front has.
    void Activate();
    // Asks for the keyboard, where the server can give it.
    void TakeFocus();

    SDL_Window* mHandle;
    // Full-screen windows only; goes before the window.
    std::unique_ptr<X11FullScreenWatch> mFullScreenWatch;
    std::string mTitle;
    Frame mFrame;
    // Read by the cursor thread.
    std::atomic<int32_t> mClientX{0};
    std::atomic<int32_t> mClientY{0};
    std::atomic<int32_t> mWidth{0};
    std::atomic<int32_t> mHeight{0};
    // The real window's size in pixels; read by the cursor thread.
    std::atomic<int32_t> mRealWidth{0};
    std::atomic<int32_t> mRealHeight{0};
    std::atomic<bool> mExposed{true};
};

}  // namespace platform
