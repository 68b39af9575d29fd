#pragma once

#include <cstdint>
#include <string>

namespace Vesk {

class MemoryImage;

// The memory one image takes, buffer by buffer, as the developer statistics and the image
// report count it. Sizes are in bytes.
struct ImageCost {
    int64_t bits = 0;         // the ARGB pixels
    int64_t surface = 0;      // the display surface of a surface image
    int64_t palette = 0;      // the indices and the colour table
    int64_t nativeAlpha = 0;  // premultiplied display pixels (a 256-entry table for a palette)
    int64_t rlAlpha = 0;
    int64_t rlAdditive = 0;
    bool hasTexture = false;
    int64_t texture = 0;
    int32_t textureFormat = 0;

    int64_t Total() const;

    static ImageCost Of(const MemoryImage& image);
    // "A8R8G8B8", "A4R4G4B4", "R5G6B5" and "Palette8" for the texture format codes 1, 2, 4 and
    // 8; "" for any other code.
    static std::string TextureFormatName(int32_t format);
    // The number with a comma every three digits; "" for a negative one.
    static std::string Commas(int64_t value);
};

}  // namespace Vesk
