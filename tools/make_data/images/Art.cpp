#include "make_data/images/Art.h"

#include "make_data/images/FaceSet.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace make_data::images::art {
namespace {

constexpr double kPi = std::numbers::pi;

void SelectFace(cairo_t* cr, double size, bool bold) {
    FaceSet::Select(cr, bold);
    cairo_set_font_size(cr, size);
}

}  // namespace

Rgb Mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Shade(Rgb c, double amount) {
    return amount >= 0 ? Mix(c, Rgb{1, 1, 1}, amount) : Mix(c, Rgb{0, 0, 0}, -amount);
}

uint32_t Random::Next() {
    // xorshift32: cheap, and the same sequence on every platform.
    mState ^= mState << 13;
    mState ^= mState >> 17;
    mState ^= mState << 5;
    return mState;
}

double Random::Uniform(double low, double high) {
    return low + (high - low) * static_cast<double>(Next() >> 8) / 16777216.0;
}

void SetColor(cairo_t* cr, Rgb c, double alpha) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    r = std::min({r, w / 2, h / 2});
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

void StarPath(cairo_t* cr, double cx, double cy, double outer, double inner, int points,
              double rotation) {
    cairo_new_sub_path(cr);
    for (int i = 0; i < points * 2; ++i) {
        const double a = rotation - kPi / 2 + i * kPi / points;
        const double r = (i % 2 == 0) ? outer : inner;
        cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    }
    cairo_close_path(cr);
}

void PolygonPath(cairo_t* cr, double cx, double cy, double radius, int sides, double rotation) {
    cairo_new_sub_path(cr);
    for (int i = 0; i < sides; ++i) {
        const double a = rotation - kPi / 2 + i * 2 * kPi / sides;
        cairo_line_to(cr, cx + radius * std::cos(a), cy + radius * std::sin(a));
    }
    cairo_close_path(cr);
}

void HeartPath(cairo_t* cr, double cx, double cy, double size) {
    const double s = size / 2;
    cairo_new_sub_path(cr);
    cairo_move_to(cr, cx, cy + s * 0.95);
    cairo_curve_to(cr, cx - s * 0.35, cy + s * 0.6, cx - s * 1.05, cy + s * 0.2, cx - s * 0.95,
                   cy - s * 0.35);
    cairo_curve_to(cr, cx - s * 0.85, cy - s * 0.95, cx - s * 0.15, cy - s * 1.0, cx,
                   cy - s * 0.45);
    cairo_curve_to(cr, cx + s * 0.15, cy - s * 1.0, cx + s * 0.85, cy - s * 0.95, cx + s * 0.95,
                   cy - s * 0.35);
    cairo_curve_to(cr, cx + s * 1.05, cy + s * 0.2, cx + s * 0.35, cy + s * 0.6, cx, cy + s * 0.95);
    cairo_close_path(cr);
}

void DropPath(cairo_t* cr, double cx, double cy, double size) {
    const double s = size / 2;
    cairo_new_sub_path(cr);
    cairo_move_to(cr, cx, cy - s);
    cairo_curve_to(cr, cx + s * 0.3, cy - s * 0.45, cx + s * 0.85, cy - s * 0.05, cx + s * 0.85,
                   cy + s * 0.38);
    cairo_curve_to(cr, cx + s * 0.85, cy + s * 0.8, cx + s * 0.45, cy + s, cx, cy + s);
    cairo_curve_to(cr, cx - s * 0.45, cy + s, cx - s * 0.85, cy + s * 0.8, cx - s * 0.85,
                   cy + s * 0.38);
    cairo_curve_to(cr, cx - s * 0.85, cy - s * 0.05, cx - s * 0.3, cy - s * 0.45, cx, cy - s);
    cairo_close_path(cr);
}

void FillVertical(cairo_t* cr, Rgb top, Rgb bottom, double y0, double y1, double alpha) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, alpha);
    cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, alpha);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
}

void Outline(cairo_t* cr, double width, Rgb c, double alpha) {
    SetColor(cr, c, alpha);
    cairo_set_line_width(cr, width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
}

void Glow(cairo_t* cr, double cx, double cy, double radius, Rgb c, double alpha) {
    cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius);
    cairo_pattern_add_color_stop_rgba(p, 0, c.r, c.g, c.b, alpha);
    cairo_pattern_add_color_stop_rgba(p, 0.35, c.r, c.g, c.b, alpha * 0.55);
    cairo_pattern_add_color_stop_rgba(p, 1, c.r, c.g, c.b, 0);
    cairo_set_source(cr, p);
    cairo_arc(cr, cx, cy, radius, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void ShadeShape(cairo_t* cr, Rgb base, double cx, double cy, double radius, double outline) {
    const Rgb light = Shade(base, 0.55);
    const Rgb dark = Shade(base, -0.45);
    cairo_pattern_t* p = cairo_pattern_create_radial(cx - radius * 0.35, cy - radius * 0.4,
                                                     radius * 0.1, cx, cy, radius * 1.25);
    cairo_pattern_add_color_stop_rgb(p, 0, light.r, light.g, light.b);
    cairo_pattern_add_color_stop_rgb(p, 0.45, base.r, base.g, base.b);
    cairo_pattern_add_color_stop_rgb(p, 1, dark.r, dark.g, dark.b);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    if (outline > 0) {
        Outline(cr, outline, Shade(base, -0.7), 0.95);
    }
    cairo_new_path(cr);
}

void ShadeBlob(cairo_t* cr, Rgb base, double cx, double cy, double radius, double outline) {
    if (outline > 0) {
        Outline(cr, outline * 2, Shade(base, -0.7), 0.95);
    }
    ShadeShape(cr, base, cx, cy, radius, 0);
}

void Panel(cairo_t* cr, double x, double y, double w, double h, double r, Rgb face, Rgb rim,
           double rimWidth) {
    // Shadow, rim, face, inner bevel.
    cairo_save(cr);
    for (int i = 3; i >= 1; --i) {
        RoundRect(cr, x + 1 + i, y + 2 + i, w - 2, h - 2, r);
        SetColor(cr, kInk, 0.08);
        cairo_fill(cr);
    }
    RoundRect(cr, x + 1, y + 1, w - 5, h - 5, r);
    FillVertical(cr, Shade(rim, 0.25), Shade(rim, -0.3), y, y + h);
    Outline(cr, 1.5);
    cairo_new_path(cr);
    const double inset = std::min(rimWidth, std::min(w, h) / 6);
    RoundRect(cr, x + 1 + inset, y + 1 + inset, w - 5 - 2 * inset, h - 5 - 2 * inset,
              std::max(2.0, r - inset / 2));
    FillVertical(cr, Shade(face, 0.3), Shade(face, -0.08), y + inset, y + h - inset);
    Outline(cr, 1.0, Shade(rim, -0.5), 0.8);
    cairo_new_path(cr);
    cairo_restore(cr);
}

void Button(cairo_t* cr, double x, double y, double w, double h, const std::string& text, Look look,
            Rgb base) {
    cairo_save(cr);
    double dy = 0;
    Rgb top = Shade(base, 0.35);
    Rgb bottom = Shade(base, -0.25);
    Rgb word = kCream;
    switch (look) {
        case Look::kNormal:
            break;
        case Look::kOver:
            top = Shade(base, 0.6);
            bottom = Shade(base, 0.05);
            word = Hex(0xFFFFFF);
            break;
        case Look::kDown:
            top = Shade(base, -0.3);
            bottom = Shade(base, 0.1);
            dy = 1.5;
            break;
        case Look::kDisabled: {
            const Rgb grey = Mix(base, Hex(0x9A9A90), 0.85);
            top = Shade(grey, 0.3);
            bottom = Shade(grey, -0.15);
            word = Hex(0xD8D8D0);
            break;
        }
    }
    if (look != Look::kDown) {
        RoundRect(cr, x + 1.5, y + 2.5, w - 3, h - 3, h * 0.3);
        SetColor(cr, kInk, 0.25);
        cairo_fill(cr);
    }
    RoundRect(cr, x + 1, y + 1 + dy, w - 3, h - 4, h * 0.3);
    FillVertical(cr, top, bottom, y + dy, y + h - 3 + dy);
    Outline(cr, 1.4, Shade(base, -0.65));
    cairo_new_path(cr);
    // A glassy highlight over the upper half.
    RoundRect(cr, x + 4, y + 3 + dy, w - 9, (h - 4) * 0.42, h * 0.2);
    SetColor(cr, Hex(0xFFFFFF), look == Look::kDown ? 0.08 : 0.22);
    cairo_fill(cr);
    if (look == Look::kOver) {
        RoundRect(cr, x + 2, y + 2 + dy, w - 5, h - 6, h * 0.28);
        Outline(cr, 1.2, kGold, 0.9);
        cairo_new_path(cr);
    }
    if (!text.empty()) {
        // The outline and shadow reach past the measured glyphs: 14 px each side keeps the
        // drawn word at least 8 px clear of the button's edge.
        Text(cr, text, x + w / 2 - 1, y + (h - 3) / 2 + dy, std::min(h * 0.45, 17.0), word, w - 28,
             look != Look::kDisabled);
    }
    cairo_restore(cr);
}

namespace {

// The outlined, shaded word with its origin (left end of the baseline) at (x, y).
void Word(cairo_t* cr, const std::string& text, double x, double y, double size, Rgb fill,
          double inkTop, bool outlined) {
    const bool light = fill.r + fill.g + fill.b > 1.5;
    if (outlined) {
        const Rgb dark = light ? kInk : Hex(0xFFFFFF);
        cairo_move_to(cr, x + size * 0.06, y + size * 0.08);
        cairo_text_path(cr, text.c_str());
        SetColor(cr, kInk, light ? 0.35 : 0.12);
        cairo_fill(cr);
        cairo_move_to(cr, x, y);
        cairo_text_path(cr, text.c_str());
        SetColor(cr, dark, light ? 0.85 : 0.5);
        cairo_set_line_width(cr, std::max(1.0, size * 0.12));
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
    }
    cairo_move_to(cr, x, y);
    cairo_text_path(cr, text.c_str());
    FillVertical(cr, Shade(fill, 0.2), Shade(fill, -0.12), y + inkTop, y);
    cairo_new_path(cr);
}

// Selects the bold face at size, smaller where the text would be wider than maxWidth (when
// given); returns the size taken, with the text's extents at it.
double FitBold(cairo_t* cr, const std::string& text, double size, double maxWidth,
               cairo_text_extents_t& ext) {
    SelectFace(cr, size, true);
    cairo_text_extents(cr, text.c_str(), &ext);
    if (maxWidth > 0 && ext.width > maxWidth) {
        size *= maxWidth / ext.width;
        SelectFace(cr, size, true);
        cairo_text_extents(cr, text.c_str(), &ext);
    }
    return size;
}

}  // namespace

void Text(cairo_t* cr, const std::string& text, double cx, double cy, double size, Rgb fill,
          double maxWidth, bool outlined) {
    cairo_save(cr);
    cairo_text_extents_t ext;
    size = FitBold(cr, text, size, maxWidth, ext);
    const double x = cx - ext.width / 2 - ext.x_bearing;
    const double y = cy - ext.height / 2 - ext.y_bearing;
    Word(cr, text, x, y, size, fill, ext.y_bearing, outlined);
    cairo_restore(cr);
}

void TextOnBaseline(cairo_t* cr, const std::string& text, double x, double baseline, double size,
                    Rgb fill, double maxWidth) {
    cairo_save(cr);
    cairo_text_extents_t ext;
    size = FitBold(cr, text, size, maxWidth, ext);
    Word(cr, text, x - ext.x_bearing, baseline, size, fill, ext.y_bearing, true);
    cairo_restore(cr);
}

double TextLeft(cairo_t* cr, const std::string& text, double x, double baseline, double size,
                Rgb fill, bool bold) {
    cairo_save(cr);
    SelectFace(cr, size, bold);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, text.c_str(), &ext);
    cairo_move_to(cr, x, baseline);
    SetColor(cr, fill);
    cairo_show_text(cr, text.c_str());
    cairo_new_path(cr);
    cairo_restore(cr);
    return ext.x_advance;
}

}  // namespace make_data::images::art
