#include "platform/Window.h"

namespace platform {

Window::Window(WindowId id, const WindowParams& params)
    : mId(id), mKind(params.kind), mStyle(params.style), mProcedure(params.procedure) {}

Window::~Window() = default;

bool Window::ClientAreaContains(Point screen) const {
    const Point p = ScreenToClient(screen);
    const Size s = ClientSize();
    return p.x >= 0 && p.y >= 0 && p.x < s.width && p.y < s.height;
}

}  // namespace platform
