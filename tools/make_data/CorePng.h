#pragma once

#include <cstdint>
#include <vector>

#include "resources/ImageLib.h"

// PNG bytes of the fonts' and particles' sprites.
namespace make_data::core {

// An 8-bit RGBA PNG of the image (ARGB pixels) in memory, with no time stamp. Throws
// std::runtime_error when libpng fails.
std::vector<uint8_t> EncodePng(const ImageLib::Image& image);

}  // namespace make_data::core
