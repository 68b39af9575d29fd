#include "graphics/GraphicsState.h"

namespace Vesk {

void GraphicsState::CopyStateFrom(const GraphicsState& other) {
    *this = other;
}

}  // namespace Vesk
