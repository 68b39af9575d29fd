#pragma once

#include <cstdint>
#include <vector>

#include "resources/ImageLib.h"

namespace make_data::images {

// An 8-bit RGBA PNG of the picture, made the same, byte for byte, on every run. Empty when
// libpng refuses the picture.
std::vector<uint8_t> EncodePng(const ImageLib::Image& image);

// A baseline RGB JPEG of the picture at the given quality (alpha dropped). Empty on failure.
std::vector<uint8_t> EncodeJpeg(const ImageLib::Image& image, int quality);

}  // namespace make_data::images
