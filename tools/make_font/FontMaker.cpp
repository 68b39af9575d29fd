#include "FontMaker.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "platform/TextEncoding.h"

namespace fontmaker {

namespace {

constexpr int32_t kImageWidth = 512;

struct Glyph {
    unsigned char code = 0;
    int32_t width = 0;
    int32_t rows = 0;
    int32_t left = 0;
    int32_t top = 0;
    int32_t advance = 0;
    std::vector<uint8_t> coverage;
    int32_t x = 0;
    int32_t y = 0;
};

struct Library {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~Library() {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
};

// A character as a descriptor string: double quotes, with the quote itself in single quotes
// and the escape character escaped.
std::string Quote(unsigned char c) {
    if (c == '"') {
        return "'\"'";
    }
    if (c == '\\') {
        return "\"\\\\\"";
    }
    return std::string("\"") + static_cast<char>(c) + "\"";
}

int32_t Round26(FT_Pos value) {
    return static_cast<int32_t>(value >= 0 ? (value + 32) >> 6 : -((-value + 32) >> 6));
}

// Each pixel takes the largest coverage within the radius around it.
void Grow(Glyph& glyph, int32_t radius) {
    const int32_t width = glyph.width + 2 * radius;
    const int32_t rows = glyph.rows + 2 * radius;
    std::vector<uint8_t> grown(static_cast<size_t>(width * rows), 0);
    for (int32_t y = 0; y < glyph.rows; ++y) {
        for (int32_t x = 0; x < glyph.width; ++x) {
            const uint8_t value = glyph.coverage[static_cast<size_t>(y * glyph.width + x)];
            if (value == 0) {
                continue;
            }
            for (int32_t dy = -radius; dy <= radius; ++dy) {
                for (int32_t dx = -radius; dx <= radius; ++dx) {
                    if (dx * dx + dy * dy > radius * radius + radius) {
                        continue;
                    }
                    uint8_t& out =
                        grown[static_cast<size_t>((y + radius + dy) * width + x + radius + dx)];
                    out = std::max(out, value);
                }
            }
        }
    }
    glyph.coverage = std::move(grown);
    glyph.width = width;
    glyph.rows = rows;
    glyph.left -= radius;
    glyph.top += radius;
}

}  // namespace

bool MakeFont(const FontRequest& request, MadeFont* out, std::string* error) {
    std::string characters = request.characters;
    if (characters.empty()) {
        for (int c = 32; c < 127; ++c) {
            characters += static_cast<char>(c);
        }
    }
    Library ft;
    if (FT_Init_FreeType(&ft.library) != 0) {
        *error = "FreeType could not be started";
        return false;
    }
    if (FT_New_Face(ft.library, request.fontFile.c_str(), 0, &ft.face) != 0) {
        *error = "Cannot read the font file " + request.fontFile;
        return false;
    }
    if (request.pixelSize <= 0 ||
        FT_Set_Pixel_Sizes(ft.face, 0, static_cast<FT_UInt>(request.pixelSize)) != 0) {
        *error = "The face has no size " + std::to_string(request.pixelSize);
        return false;
    }
    const int32_t ascent = Round26(ft.face->size->metrics.ascender);
    const int32_t height = ascent - Round26(ft.face->size->metrics.descender);

    std::vector<Glyph> glyphs;
    std::vector<bool> seen(256, false);
    for (const char character : characters) {
        const auto code = static_cast<unsigned char>(character);
        if (seen[code]) {
            continue;
        }
        seen[code] = true;
        const FT_UInt index = FT_Get_Char_Index(ft.face, platform::text::CodePointFromCp1252(code));
        if (FT_Load_Glyph(ft.face, index, FT_LOAD_DEFAULT) != 0 ||
            FT_Render_Glyph(ft.face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
            *error = "Cannot render character " + std::to_string(code);
            return false;
        }
        const FT_GlyphSlot slot = ft.face->glyph;
        Glyph glyph;
        glyph.code = code;
        glyph.width = static_cast<int32_t>(slot->bitmap.width);
        glyph.rows = static_cast<int32_t>(slot->bitmap.rows);
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.advance = Round26(slot->advance.x);
        glyph.coverage.resize(static_cast<size_t>(glyph.width * glyph.rows));
        for (int32_t row = 0; row < glyph.rows; ++row) {
            std::copy_n(slot->bitmap.buffer + static_cast<ptrdiff_t>(row) * slot->bitmap.pitch,
                        glyph.width, glyph.coverage.begin() + row * glyph.width);
        }
        if (request.outline > 0) {
            Grow(glyph, request.outline);
        }
        glyphs.push_back(std::move(glyph));
    }

    // Shelf packing in a fixed-width image.
    int32_t x = 0;
    int32_t y = 0;
    int32_t shelf = 0;
    for (Glyph& glyph : glyphs) {
        const int32_t cellWidth = glyph.width + 2 * request.padding;
        if (x + cellWidth > kImageWidth) {
            x = 0;
            y += shelf;
            shelf = 0;
        }
        glyph.x = x + request.padding;
        glyph.y = y + request.padding;
        x += cellWidth;
        shelf = std::max(shelf, glyph.rows + 2 * request.padding);
    }
    const int32_t imageHeight = std::max(1, y + shelf);
    out->image = ImageLib::Image(kImageWidth, imageHeight);
    for (const Glyph& glyph : glyphs) {
        for (int32_t row = 0; row < glyph.rows; ++row) {
            for (int32_t column = 0; column < glyph.width; ++column) {
                const uint32_t alpha =
                    glyph.coverage[static_cast<size_t>(row * glyph.width + column)];
                out->image
                    .mBits[static_cast<size_t>((glyph.y + row) * kImageWidth + glyph.x + column)] =
                    (alpha << 24) | 0x00FFFFFFu;
            }
        }
    }

    const std::string& layer = request.layerName;
    std::string chars;
    std::string rects;
    std::string offsets;
    std::string widths;
    for (const Glyph& glyph : glyphs) {
        const char* separator = chars.empty() ? "" : " ";
        chars += separator + Quote(glyph.code);
        rects += std::string(separator) + "(" + std::to_string(glyph.x) + " " +
                 std::to_string(glyph.y) + " " + std::to_string(glyph.width) + " " +
                 std::to_string(glyph.rows) + ")";
        offsets += std::string(separator) + "(" + std::to_string(glyph.left) + " " +
                   std::to_string(ascent - glyph.top) + ")";
        widths += separator + std::to_string(glyph.advance);
    }
    std::string pairs;
    std::string kerning;
    if (FT_HAS_KERNING(ft.face)) {
        for (const Glyph& first : glyphs) {
            for (const Glyph& second : glyphs) {
                FT_Vector delta{};
                const FT_UInt a =
                    FT_Get_Char_Index(ft.face, platform::text::CodePointFromCp1252(first.code));
                const FT_UInt b =
                    FT_Get_Char_Index(ft.face, platform::text::CodePointFromCp1252(second.code));
                if (FT_Get_Kerning(ft.face, a, b, FT_KERNING_DEFAULT, &delta) != 0) {
                    continue;
                }
                const int32_t offset = std::clamp(Round26(delta.x), -128, 127);
                if (offset == 0 || first.code == '"' || second.code == '"' || first.code == '\\' ||
                    second.code == '\\') {
                    continue;
                }
                const char* separator = pairs.empty() ? "" : " ";
                pairs += std::string(separator) + "\"" + static_cast<char>(first.code) +
                         static_cast<char>(second.code) + "\"";
                kerning += separator + std::to_string(offset);
            }
        }
    }

    std::string& d = out->descriptor;
    d = "# Image font made by make_font from " +
        std::filesystem::path(request.fontFile).filename().string() + " at " +
        std::to_string(request.pixelSize) + " pixels.\n";
    d += "SetDefaultPointSize " + std::to_string(request.pointSize) + ";\n";
    d += "CreateLayer " + layer + ";\n";
    d += "LayerSetImage " + layer + " \"" + request.imageName + "\";\n";
    d += "LayerSetPointSize " + layer + " " + std::to_string(request.pointSize) + ";\n";
    d += "LayerSetAscent " + layer + " " + std::to_string(ascent) + ";\n";
    d += "LayerSetHeight " + layer + " " + std::to_string(height) + ";\n";
    d += "Define " + layer + "Chars (" + chars + ");\n";
    d += "LayerSetImageMap " + layer + " " + layer + "Chars (" + rects + ");\n";
    d += "LayerSetCharOffsets " + layer + " " + layer + "Chars (" + offsets + ");\n";
    d += "LayerSetCharWidths " + layer + " " + layer + "Chars (" + widths + ");\n";
    if (!pairs.empty()) {
        d += "LayerSetKerningPairs " + layer + " (" + pairs + ") (" + kerning + ");\n";
    }
    return true;
}

bool WriteFont(const FontRequest& request, const std::string& descriptorPath, std::string* error) {
    MadeFont made;
    if (!MakeFont(request, &made, error)) {
        return false;
    }
    const std::filesystem::path descriptor(descriptorPath);
    const std::filesystem::path image = descriptor.parent_path() / request.imageName;
    // A new destination folder is made; a failure shows as the write's own below.
    for (const std::filesystem::path& folder : {descriptor.parent_path(), image.parent_path()}) {
        std::error_code ignored;
        if (!folder.empty()) {
            std::filesystem::create_directories(folder, ignored);
        }
    }
    if (!ImageLib::WritePNGImage(image.string(), made.image)) {
        *error = "Cannot write " + image.string();
        return false;
    }
    const std::filesystem::path temporary = descriptor.string() + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << made.descriptor;
        file.close();
        if (!file) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            *error = "Cannot write " + descriptor.string();
            return false;
        }
    }
    std::error_code renameError;
    std::filesystem::rename(temporary, descriptor, renameError);
    if (renameError) {
        std::filesystem::remove(temporary, renameError);
        *error = "Cannot write " + descriptor.string();
        return false;
    }
    return true;
}

}  // namespace fontmaker
