// One picture of every image the part made, each labelled with its id, for review by eye.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "make_data/DataSet.h"
#include "make_data/images/Art.h"
#include "make_data/images/Encode.h"
#include "make_data/images/FaceSet.h"
#include "resources/ImageLib.h"

namespace make_data {
namespace {

using namespace images;

constexpr int kColumns = 8;
constexpr int kTileW = 200;
constexpr int kTileH = 168;
constexpr int kPictureH = 146;

std::string Attribute(const std::string& element, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const size_t at = element.find(key);
    if (at == std::string::npos) {
        return {};
    }
    const size_t start = at + key.size();
    const size_t end = element.find('"', start);
    return end == std::string::npos ? std::string{} : element.substr(start, end - start);
}

struct Tile {
    std::string label;
    ImageLib::Image image;
    int rows = 1;
    int cols = 1;
};

// Straight-alpha pixels into a cairo surface (premultiplied).
cairo_surface_t* ToSurface(const ImageLib::Image& image) {
    cairo_surface_t* s =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.mWidth, image.mHeight);
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < image.mHeight; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
        for (int x = 0; x < image.mWidth; ++x) {
            const uint32_t p = image.GetBits()[static_cast<size_t>(y) * image.mWidth + x];
            const uint32_t a = p >> 24;
            const auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
            row[x] = (a << 24) | (mul((p >> 16) & 0xFF) << 16) | (mul((p >> 8) & 0xFF) << 8) |
                     mul(p & 0xFF);
        }
    }
    cairo_surface_mark_dirty(s);
    return s;
}

void Checker(cairo_t* cr, double x, double y, double w, double h) {
    for (int j = 0; j * 8 < h; ++j) {
        for (int i = 0; i * 8 < w; ++i) {
            const double g = ((i + j) % 2 == 0) ? 0.78 : 0.62;
            cairo_set_source_rgb(cr, g, g, g);
            cairo_rectangle(cr, x + i * 8, y + j * 8, std::min(8.0, w - i * 8),
                            std::min(8.0, h - j * 8));
            cairo_fill(cr);
        }
    }
}

void DrawTile(cairo_t* cr, const Tile& tile, double x, double y) {
    const int cels = tile.rows * tile.cols;
    const int celW = tile.image.mWidth / std::max(1, tile.cols);
    const int celH = tile.image.mHeight / std::max(1, tile.rows);
    // Animated images show up to six cels spread over the whole strip.
    const int shown = cels > 1 ? std::min(cels, 6) : 1;
    const bool across = celW <= celH * 2;
    const double boxW = across ? celW * shown : celW;
    const double boxH = across ? celH : celH * shown;
    double scale = std::min((kTileW - 8) / boxW, kPictureH / boxH);
    scale = std::min(scale, 3.0);
    const double drawW = boxW * scale;
    const double drawH = boxH * scale;
    const double ox = x + (kTileW - drawW) / 2;
    const double oy = y + 2 + (kPictureH - drawH) / 2;
    Checker(cr, ox, oy, drawW, drawH);
    cairo_surface_t* s = ToSurface(tile.image);
    for (int k = 0; k < shown; ++k) {
        const int cel = shown == 1 ? 0 : k * (cels - 1) / (shown - 1);
        const int cx = (cel % tile.cols) * celW;
        const int cy = (cel / tile.cols) * celH;
        cairo_save(cr);
        const double px = ox + (across ? k * celW * scale : 0);
        const double py = oy + (across ? 0 : k * celH * scale);
        cairo_rectangle(cr, px, py, celW * scale, celH * scale);
        cairo_clip(cr);
        cairo_translate(cr, px, py);
        cairo_scale(cr, scale, scale);
        cairo_set_source_surface(cr, s, -cx, -cy);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_paint(cr);
        cairo_restore(cr);
    }
    cairo_surface_destroy(s);
    FaceSet::Select(cr, false);
    double size = 10;
    cairo_set_font_size(cr, size);
    const std::string label = tile.label + " " + std::to_string(tile.image.mWidth) + "x" +
                              std::to_string(tile.image.mHeight);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, label.c_str(), &ext);
    if (ext.width > kTileW - 4) {
        size *= (kTileW - 4) / ext.width;
        cairo_set_font_size(cr, size);
        cairo_text_extents(cr, label.c_str(), &ext);
    }
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_move_to(cr, x + (kTileW - ext.width) / 2 - ext.x_bearing, y + kTileH - 6);
    cairo_show_text(cr, label.c_str());
}

}  // namespace

std::vector<uint8_t> MakeContactSheet(const DataPart& images) {
    std::vector<Tile> tiles;
    for (const DataFile& file : images.files) {
        std::string error;
        std::optional<ImageLib::Image> decoded;
        const bool jpeg = file.path.ends_with(".jpg");
        if (jpeg) {
            decoded = ImageLib::DecodeJPEG(file.bytes, error);
        } else if (file.path.ends_with(".png")) {
            decoded = ImageLib::DecodePNG(file.bytes, error);
        }
        if (!decoded) {
            continue;
        }
        Tile tile;
        tile.label = file.path;
        const std::string stem = file.path.substr(0, file.path.rfind('.'));
        for (const ManifestEntry& entry : images.entries) {
            if (Attribute(entry.element, "path") == stem) {
                tile.label = Attribute(entry.element, "id");
                const std::string rows = Attribute(entry.element, "rows");
                const std::string cols = Attribute(entry.element, "cols");
                tile.rows = std::max(1, std::atoi(rows.c_str()));
                tile.cols = std::max(1, std::atoi(cols.c_str()));
                break;
            }
        }
        // A layout the picture cannot hold shows the picture whole.
        if (tile.rows > decoded->mHeight || tile.cols > decoded->mWidth) {
            tile.rows = 1;
            tile.cols = 1;
        }
        tile.image = std::move(*decoded);
        tiles.push_back(std::move(tile));
    }
    const int rows = std::max<int>(1, (static_cast<int>(tiles.size()) + kColumns - 1) / kColumns);
    const int width = kColumns * kTileW;
    const int height = rows * kTileH;
    cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    const FaceSet faces;
    faces.AttachTo(sheet);
    cairo_t* cr = cairo_create(sheet);
    cairo_set_source_rgb(cr, 0.16, 0.17, 0.2);
    cairo_paint(cr);
    for (size_t i = 0; i < tiles.size(); ++i) {
        DrawTile(cr, tiles[i], static_cast<double>(i % kColumns) * kTileW,
                 static_cast<double>(i / kColumns) * kTileH);
    }
    cairo_destroy(cr);
    cairo_surface_flush(sheet);
    ImageLib::Image out(width, height);
    const unsigned char* data = cairo_image_surface_get_data(sheet);
    const int stride = cairo_image_surface_get_stride(sheet);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
        std::copy(row, row + width, out.GetBits() + static_cast<size_t>(y) * width);
    }
    cairo_surface_destroy(sheet);
    return EncodePng(out);
}

}  // namespace make_data
