#include "platform/Window.h"

namespace platform {

Window::Window(WindowId id, const WindowParams& params)
    : mId(id), mKind(params.kind), mStyle(params.style), mProcedure(params.procedure) {}

Window::~Window() = default;

}  // namespace platform
