#include "platform/PixelWindow.h"

#include "platform/sdl/SdlPixelWindow.h"

namespace platform {

std::unique_ptr<PixelWindow> MakePixelWindow(BackendKind kind, const PixelWindow::Params& params) {
    if (kind != BackendKind::Sdl) {
        return nullptr;
    }
    return SdlPixelWindow::Make(params);
}

}  // namespace platform
