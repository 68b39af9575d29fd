#pragma once

#include <cstdint>
#include <string>

#include "resources/ImageLib.h"

namespace fontmaker {

// What to render: one face at one pixel size into one layer.
struct FontRequest {
    std::string fontFile;
    int32_t pixelSize = 16;
    // The descriptor's default point size and the layer's own, so other sizes rescale.
    int32_t pointSize = 12;
    std::string layerName = "Main";
    // The layer image's name as the descriptor gives it, relative to the descriptor.
    std::string imageName = "font.png";
    // Windows-1252 bytes; empty means the printable ASCII characters.
    std::string characters;
    // Clear pixels around each glyph in the image.
    int32_t padding = 1;
    // Grows every glyph by this many pixels all round, for an outline layer drawn under the
    // glyphs themselves; the advances stay the face's.
    int32_t outline = 0;
};

// A layer image (white, coverage as alpha) and the descriptor that maps it.
struct MadeFont {
    ImageLib::Image image;
    std::string descriptor;
};

// False with a reason when the face cannot be read or rendered.
[[nodiscard]] bool MakeFont(const FontRequest& request, MadeFont* out, std::string* error);

// Writes the descriptor at descriptorPath and the image beside it under request.imageName, each
// whole or not at all.
[[nodiscard]] bool WriteFont(const FontRequest& request, const std::string& descriptorPath,
                             std::string* error);

}  // namespace fontmaker
