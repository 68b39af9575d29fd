#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Backend.h"
#include "platform/Message.h"
#include "platform/Window.h"

namespace platform {

// A small window of its own that shows a picture drawn by its owner and hands back the input
// as messages in the Windows form (client coordinates in mouse messages). It stands apart from
// the window system, so that it still works after a crash or beside a modal game window. One
// thread only: the one that made it.
class PixelWindow {
public:
    struct Params {
        std::string title;  // Windows-1252
        Point position;     // of the client area on the screen
        Size clientSize;
    };

    PixelWindow() = default;
    virtual ~PixelWindow() = default;
    PixelWindow(const PixelWindow&) = delete;
    PixelWindow& operator=(const PixelWindow&) = delete;

    virtual Size ClientSize() const = 0;
    // Shows the picture: pixels of 0x00RRGGBB, pitch in pixels, the client size across.
    virtual void Present(const uint32_t* pixels, int32_t pitch) = 0;
    // The next input message, waiting at most ms for one; none when nothing came. A close
    // request of the desktop comes as msg::Close, a repaint request as msg::Paint.
    virtual std::optional<Message> WaitMessage(uint32_t ms) = 0;
};

// A window on the backend's desktop; null where nothing can be shown (headless, no display).
std::unique_ptr<PixelWindow> MakePixelWindow(BackendKind kind, const PixelWindow::Params& params);

}  // namespace platform
