// The image fonts of group "Game", rendered from Debian's font packages.
#include <filesystem>
#include <stdexcept>

#include "make_data/CorePng.h"
#include "make_data/DataSet.h"
#include "make_font/FontMaker.h"

namespace make_data {

namespace {

// The faces come from packages named in scripts/common.sh; a missing one is an error, never a
// silent substitute, so every machine makes the same bytes.
constexpr const char* kDejaVuSansBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr const char* kLobsterTwoBold = "/usr/share/fonts/opentype/lobstertwo/LobsterTwo-Bold.otf";
constexpr const char* kComicNeueBold = "/usr/share/fonts/opentype/comic-neue/ComicNeue-Bold.otf";

struct FontRecipe {
    const char* id;
    const char* stem;
    const char* face;
    const char* package;
    int32_t pixels;
    // A dark copy drawn under the fill, for text over pictures; 0 for none.
    int32_t shadowOffset;
};

constexpr FontRecipe kFonts[] = {
    {"FONT_BASIC", "basic", kDejaVuSansBold, "fonts-dejavu-core", 14, 0},
    {"FONT_HUGE", "huge", kLobsterTwoBold, "fonts-lobstertwo", 72, 4},
    {"FONT_SHOWCARDGOTHIC", "showcard", kLobsterTwoBold, "fonts-lobstertwo", 22, 2},
    {"FONT_SMALL", "small", kComicNeueBold, "fonts-comic-neue", 15, 0},
};

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
    for (const FontRecipe& font : kFonts) {
        if (!std::filesystem::exists(font.face)) {
            throw std::runtime_error(std::string("the face ") + font.face +
                                     " is missing; install the package " + font.package);
        }
        fontmaker::FontRequest request;
        request.fontFile = font.face;
        request.pixelSize = font.pixels;
        request.pointSize = font.pixels;
        request.imageName = std::string(font.stem) + ".png";
        fontmaker::MadeFont made;
        std::string error;
        if (!fontmaker::MakeFont(request, &made, &error)) {
            throw std::runtime_error(std::string(font.id) + ": " + error);
        }
        std::string descriptor = made.descriptor;
        if (font.shadowOffset > 0) {
            descriptor += ShadowLayer(font.shadowOffset);
        }
        const std::string folder = "fonts/";
        const std::string path = folder + font.stem + ".txt";
        part.files.push_back({path, std::vector<uint8_t>(descriptor.begin(), descriptor.end())});
        part.files.push_back({folder + request.imageName, core::EncodePng(made.image)});
        part.entries.push_back(
            {"Game", std::string("<Font id=\"") + font.id + "\" path=\"" + path + "\"/>"});
    }
    return part;
}

}  // namespace make_data
