#include "make_data/images/ImageRecipe.h"

#include "make_data/images/FaceSet.h"

#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

namespace make_data::images {
namespace {

constexpr int kScale = 2;

// A stable per-pixel hash for the grain, independent of thread and order.
uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 374761393u + y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

uint32_t SeedOf(const std::string& id) {
    uint32_t h = 2166136261u;
    for (const char c : id) {
        h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    }
    return h;
}

// Averages 2 x 2 blocks of cairo's premultiplied pixels and leaves straight alpha.
ImageLib::Image Downsample(cairo_surface_t* surface, int width, int height, double noise,
                           uint32_t seed) {
    ImageLib::Image image(width, height);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const int grain = static_cast<int>(noise * 255.0);
    for (int y = 0; y < height; ++y) {
        const auto* row0 = reinterpret_cast<const uint32_t*>(data + (2 * y) * stride);
        const auto* row1 = reinterpret_cast<const uint32_t*>(data + (2 * y + 1) * stride);
        uint32_t* out = image.GetBits() + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const uint32_t px[4] = {row0[2 * x], row0[2 * x + 1], row1[2 * x], row1[2 * x + 1]};
            uint32_t sum[4] = {0, 0, 0, 0};
            for (const uint32_t p : px) {
                sum[0] += p >> 24;
                sum[1] += (p >> 16) & 0xFF;
                sum[2] += (p >> 8) & 0xFF;
                sum[3] += p & 0xFF;
            }
            const uint32_t a = (sum[0] + 2) / 4;
            if (a == 0) {
                out[x] = 0;
                continue;
            }
            int c[3];
            for (int i = 0; i < 3; ++i) {
                // Premultiplied sum over four pixels back to straight colour.
                c[i] = static_cast<int>(
                    std::min<uint32_t>(255, (sum[i + 1] * 255 + sum[0] / 2) / sum[0]));
            }
            if (grain > 0) {
                const int n = static_cast<int>(Hash(x, y, seed) % (2 * grain + 1)) - grain;
                for (int& v : c) {
                    v = std::clamp(v + n, 0, 255);
                }
            }
            out[x] = (a << 24) | (static_cast<uint32_t>(c[0]) << 16) |
                     (static_cast<uint32_t>(c[1]) << 8) | static_cast<uint32_t>(c[2]);
        }
    }
    return image;
}

}  // namespace

ImageRecipe StillImage(const std::string& id, const std::string& group, int width, int height,
                       std::function<void(cairo_t* cr, int cel)> draw) {
    ImageRecipe r;
    r.id = id;
    r.group = group;
    std::string name = id.rfind("IMAGE_", 0) == 0 ? id.substr(6) : id;
    std::string folder = group;
    for (char& c : name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (char& c : folder) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    r.path = "images/" + folder + "/" + name;
    r.celWidth = width;
    r.celHeight = height;
    r.draw = std::move(draw);
    return r;
}

ImageRecipe AnimatedImage(const std::string& id, const std::string& group, int celWidth,
                          int celHeight, int rows, int cols, std::string seqs,
                          std::function<void(cairo_t* cr, int cel)> draw) {
    ImageRecipe r = StillImage(id, group, celWidth, celHeight, std::move(draw));
    r.rows = rows;
    r.cols = cols;
    r.animated = true;
    r.seqs = std::move(seqs);
    return r;
}

ImageLib::Image RenderRecipe(const ImageRecipe& recipe, const FaceSet& faces) {
    const int width = recipe.Width();
    const int height = recipe.Height();
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width * kScale, height * kScale);
    faces.AttachTo(surface);
    cairo_t* cr = cairo_create(surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_GOOD);
    for (int row = 0; row < recipe.rows; ++row) {
        for (int col = 0; col < recipe.cols; ++col) {
            cairo_save(cr);
            cairo_scale(cr, kScale, kScale);
            cairo_translate(cr, col * recipe.celWidth, row * recipe.celHeight);
            cairo_rectangle(cr, 0, 0, recipe.celWidth, recipe.celHeight);
            cairo_clip(cr);
            cairo_new_path(cr);
            if (recipe.draw) {
                recipe.draw(cr, row * recipe.cols + col);
            }
            cairo_restore(cr);
        }
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    ImageLib::Image image = Downsample(surface, width, height, recipe.noise, SeedOf(recipe.id));
    cairo_surface_destroy(surface);
    return image;
}

std::string ManifestElement(const ImageRecipe& recipe) {
    std::string e = recipe.animated ? "<ImageEx" : "<Image";
    e += " id=\"" + recipe.id + "\" path=\"" + recipe.path + "\"";
    if (recipe.rows != 1 || recipe.animated) {
        e += " rows=\"" + std::to_string(recipe.rows) + "\"";
    }
    if (recipe.cols != 1 || recipe.animated) {
        e += " cols=\"" + std::to_string(recipe.cols) + "\"";
    }
    if (!recipe.animated) {
        return e + "/>";
    }
    return e + ">" + recipe.seqs + "</ImageEx>";
}

}  // namespace make_data::images
