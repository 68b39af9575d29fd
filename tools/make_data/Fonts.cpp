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

constexpr int32_t kHugePixels = 112;
constexpr int32_t kHugePad = 600;

struct FontRecipe {
    const char* id;
    const char* stem;
    const char* face;
    const char* package;
    int32_t pixels;
    // A dark copy drawn under the fill, for text over pictures; 0 for none.
    int32_t shadowOffset;
    // Baseline to baseline in pixels; 0 keeps the face's own.
    int32_t lineSpacing;
    // A second layer rendered at this size, drawn when the font is asked for that point size
    // or more; 0 for none.
    int32_t largePixels;
    // The advance of '~', made a blank: texts put one at each end to keep their words in the
    // middle of a wider picture. 0 leaves '~' as the face draws it.
    int32_t padWidth;
    // A rim of this many pixels round every glyph, in the main menu sign's dark wood, drawn
    // under the fill whatever colour the caller draws with; 0 for none.
    int32_t outline;
};

constexpr FontRecipe kFonts[] = {
    {"FONT_BASIC", "basic", kDejaVuSansBold, "fonts-dejavu-core", 14, 0, 0, 0, 0, 0},
    // The overlays zoom their text picture in from twice the board's width (1600 px). The
    // texts end in blanks (the overlays' strings are "~...~"), so each picture is at least that
    // wide and never stretched up, while its words, drawn at this size, take less than half
    // of it and so stay 20 px inside the board even at the start of the zoom.
    {"FONT_HUGE", "huge", kLobsterTwoBold, "fonts-lobstertwo", kHugePixels, 6, 0, 0, kHugePad, 0},
    // The main menu's greeting puts its second line a line spacing minus 5 below the first and
    // above a button 28 px below the first baseline: capitals of this size with a tight line
    // spacing keep both lines apart and clear of it (17 px is the largest that does with the
    // longest names). A plain rounded hand, since the script face's capitals (its L reads as an
    // I) blur at this size; a one-pixel dark wood rim lifts the lime words off the sign.
    {"FONT_SHOWCARDGOTHIC", "showcard", kComicNeueBold, "fonts-comic-neue", 17, 0, 24, 0, 0, 1},
    // Lists and the name field need it at most 18 high; the results dialog's numbers ask for
    // the large layer, so they are as big as the row labels and still sharp.
    {"FONT_SMALL", "small", kComicNeueBold, "fonts-comic-neue", 15, 0, 0, 20, 0, 0},
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

// The height make_font wrote for the layer "Main".
int32_t LayerHeight(const std::string& descriptor) {
    const std::string key = "LayerSetHeight Main ";
    const size_t at = descriptor.find(key);
    if (at == std::string::npos) {
        throw std::runtime_error("a made font has no layer height");
    }
    return std::stoi(descriptor.substr(at + key.size()));
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
        fontmaker::MadeFont large;
        if (font.largePixels > 0) {
            fontmaker::FontRequest largeRequest = request;
            largeRequest.pixelSize = font.largePixels;
            largeRequest.pointSize = font.largePixels;
            largeRequest.layerName = "Large";
            largeRequest.imageName = std::string(font.stem) + "-large.png";
            if (!fontmaker::MakeFont(largeRequest, &large, &error)) {
                throw std::runtime_error(std::string(font.id) + ": " + error);
            }
            // Its layer only: the default point size stays the small one's.
            const size_t layer = large.descriptor.find("CreateLayer Large;");
            descriptor += large.descriptor.substr(layer);
            descriptor += "LayerPointRange Main 0 " + std::to_string(font.largePixels - 1) +
                          ";\nLayerPointRange Large " + std::to_string(font.largePixels) +
                          " 1000;\n";
        }
        fontmaker::MadeFont outline;
        if (font.outline > 0) {
            fontmaker::FontRequest outlineRequest = request;
            outlineRequest.outline = font.outline;
            outlineRequest.layerName = "Outline";
            outlineRequest.imageName = std::string(font.stem) + "-outline.png";
            if (!fontmaker::MakeFont(outlineRequest, &outline, &error)) {
                throw std::runtime_error(std::string(font.id) + ": " + error);
            }
            descriptor +=
                outline.descriptor.substr(outline.descriptor.find("CreateLayer Outline;"));
            descriptor +=
                "LayerSetColorMult Outline (0 0 0 1);\n"
                "LayerSetColorAdd Outline (0.23 0.13 0.06 0);\n"
                "LayerSetBaseOrder Outline -1;\n";
        }
        if (font.lineSpacing > 0) {
            const std::string offset = std::to_string(font.lineSpacing - LayerHeight(descriptor));
            descriptor += "LayerSetLineSpacingOffset Main " + offset + ";\n";
            if (font.outline > 0) {
                descriptor += "LayerSetLineSpacingOffset Outline " + offset + ";\n";
            }
        }
        if (font.padWidth > 0) {
            descriptor +=
                "Define PadChars (\"~\");\nLayerSetImageMap Main PadChars ((0 0 0 0));\n"
                "LayerSetCharOffsets Main PadChars ((0 0));\n"
                "LayerSetCharWidths Main PadChars (" +
                std::to_string(font.padWidth) + ");\n";
        }
        if (font.shadowOffset > 0) {
            descriptor += ShadowLayer(font.shadowOffset);
        }
        const std::string folder = "fonts/";
        const std::string path = folder + font.stem + ".txt";
        part.files.push_back({path, std::vector<uint8_t>(descriptor.begin(), descriptor.end())});
        part.files.push_back({folder + request.imageName, core::EncodePng(made.image)});
        if (font.largePixels > 0) {
            part.files.push_back(
                {folder + std::string(font.stem) + "-large.png", core::EncodePng(large.image)});
        }
        if (font.outline > 0) {
            part.files.push_back(
                {folder + std::string(font.stem) + "-outline.png", core::EncodePng(outline.image)});
        }
        part.entries.push_back(
            {"Game", std::string("<Font id=\"") + font.id + "\" path=\"" + path + "\"/>"});
    }
    return part;
}

}  // namespace make_data
