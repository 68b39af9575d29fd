// The image fonts of group "Game", rendered from Debian's font packages.
#include <png.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "make_data/DataSet.h"
#include "make_font/FontMaker.h"

namespace make_data {

namespace {

// The faces come from packages named in scripts/common.sh; a missing one is an error, never a
// silent substitute, so every machine makes the same bytes.
constexpr const char* kDejaVuSansBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr const char* kLobsterTwoBold = "/usr/share/fonts/opentype/lobstertwo/LobsterTwo-Bold.otf";
constexpr const char* kComicNeueBold = "/usr/share/fonts/opentype/comic-neue/ComicNeue-Bold.otf";

struct FontSpec {
    const char* id;
    const char* stem;
    const char* face;
    const char* package;
    int32_t pixels;
    // A dark copy drawn under the fill, for text over pictures; 0 for none.
    int32_t shadowOffset;
};

constexpr FontSpec kFonts[] = {
    {"FONT_BASIC", "basic", kDejaVuSansBold, "fonts-dejavu-core", 14, 0},
    {"FONT_HUGE", "huge", kLobsterTwoBold, "fonts-lobstertwo", 72, 4},
    {"FONT_SHOWCARDGOTHIC", "showcard", kLobsterTwoBold, "fonts-lobstertwo", 26, 2},
    {"FONT_SMALL", "small", kComicNeueBold, "fonts-comic-neue", 15, 0},
};

// The layer image as an 8-bit RGBA PNG in memory; libpng writes no time stamp unless asked.
std::vector<uint8_t> EncodePng(const ImageLib::Image& image) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        throw std::runtime_error("libpng could not be started");
    }
    std::vector<uint8_t> out;
    std::vector<uint8_t> rows(static_cast<size_t>(image.mWidth) * 4 *
                              static_cast<size_t>(image.mHeight));
    for (size_t i = 0; i < image.mBits.size(); ++i) {
        const uint32_t argb = image.mBits[i];
        rows[i * 4 + 0] = static_cast<uint8_t>(argb >> 16);
        rows[i * 4 + 1] = static_cast<uint8_t>(argb >> 8);
        rows[i * 4 + 2] = static_cast<uint8_t>(argb);
        rows[i * 4 + 3] = static_cast<uint8_t>(argb >> 24);
    }
    std::vector<png_bytep> rowPointers(static_cast<size_t>(image.mHeight));
    for (size_t y = 0; y < rowPointers.size(); ++y) {
        rowPointers[y] = rows.data() + y * static_cast<size_t>(image.mWidth) * 4;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng could not encode a font image");
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto* bytes = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            bytes->insert(bytes->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.mWidth),
                 static_cast<png_uint_32>(image.mHeight), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_set_rows(png, info, rowPointers.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// The shadow is the same glyphs again, black and half transparent, drawn first and offset down
// and right, so the fill keeps whatever colour the caller draws with.
std::string ShadowLayer(int32_t offset) {
    const std::string n = std::to_string(offset);
    return "CreateLayerFrom Shadow Main;\n"
           "LayerSetColorMult Shadow (0 0 0 0.6);\n"
           "LayerSetOffset Shadow (" +
           n + " " + n +
           ");\n"
           "LayerSetBaseOrder Shadow -1;\n";
}

}  // namespace

DataPart MakeFonts() {
    DataPart part;
    for (const FontSpec& spec : kFonts) {
        if (!std::filesystem::exists(spec.face)) {
            throw std::runtime_error(std::string("the face ") + spec.face +
                                     " is missing; install the package " + spec.package);
        }
        fontmaker::FontRequest request;
        request.fontFile = spec.face;
        request.pixelSize = spec.pixels;
        request.pointSize = spec.pixels;
        request.imageName = std::string(spec.stem) + ".png";
        fontmaker::MadeFont made;
        std::string error;
        if (!fontmaker::MakeFont(request, &made, &error)) {
            throw std::runtime_error(std::string(spec.id) + ": " + error);
        }
        std::string descriptor = made.descriptor;
        if (spec.shadowOffset > 0) {
            descriptor += ShadowLayer(spec.shadowOffset);
        }
        const std::string folder = "fonts/";
        const std::string path = folder + spec.stem + ".txt";
        part.files.push_back({path, std::vector<uint8_t>(descriptor.begin(), descriptor.end())});
        part.files.push_back({folder + request.imageName, EncodePng(made.image)});
        part.entries.push_back(
            {"Game", std::string("<Font id=\"") + spec.id + "\" path=\"" + path + "\"/>"});
    }
    return part;
}

}  // namespace make_data
