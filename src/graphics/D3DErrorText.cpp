#include "graphics/D3DErrorText.h"

namespace Vesk {

// Constant-initialised: empty before any other global is built.
std::string gD3DErrorText;

}  // namespace Vesk
