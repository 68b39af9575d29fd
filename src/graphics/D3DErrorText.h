#pragma once

#include <string>

namespace Vesk {

// The last failing Direct3D call's label and result name; empty while no call has failed
// since the device was made or the last scene ended. Written by the Direct3D device, read by
// the display when it reports a 3-D failure.
extern std::string gD3DErrorText;

}  // namespace Vesk
