#include "resources/RenderCommand.h"

namespace Vesk {

constinit std::array<RenderCommand, kRenderCommandPoolSize> gRenderCommandPool{};

CriticalLock gFontDrawLock;

}  // namespace Vesk
