// The eight blocks, the field cells and the small glows that fly with blocks and forces.
#include <cairo.h>

#include <cmath>
#include <numbers>
#include <string>

#include "make_data/images/Art.h"
#include "make_data/images/ImageRecipe.h"

namespace make_data::images {
namespace {

using namespace art;
constexpr double kPi = std::numbers::pi;

// Cels of a block strip: rest 0-5, flight 6-11, dying 12-15, selected 16-19.
constexpr int kBlockCels = 20;

struct BlockStyle {
    Rgb colour;
    int shape;
};

// Eight hues that stay apart for colour-blind players, each with its own silhouette.
constexpr BlockStyle kBlocks[8] = {
    {Hex(0xE0352B), 0},  // red round
    {Hex(0x2F6FE0), 1},  // blue square
    {Hex(0x2EB84A), 2},  // green diamond
    {Hex(0xF5C518), 3},  // yellow star
    {Hex(0x9C4DD8), 4},  // purple hexagon
    {Hex(0xF57C1F), 5},  // orange triangle
    {Hex(0xF25CA8), 6},  // pink heart
    {Hex(0x22C4D4), 7},  // cyan drop
};

void ShapePath(cairo_t* cr, int shape, double cx, double cy, double r, double turn) {
    switch (shape) {
        case 0:
            cairo_new_sub_path(cr);
            cairo_arc(cr, cx, cy, r * 0.92, 0, 2 * kPi);
            break;
        case 1:
            cairo_save(cr);
            cairo_translate(cr, cx, cy);
            cairo_rotate(cr, turn);
            RoundRect(cr, -r * 0.82, -r * 0.82, r * 1.64, r * 1.64, r * 0.3);
            cairo_restore(cr);
            break;
        case 2:
            PolygonPath(cr, cx, cy, r * 1.05, 4, turn);
            break;
        case 3:
            StarPath(cr, cx, cy, r * 1.08, r * 0.5, 5, turn);
            break;
        case 4:
            PolygonPath(cr, cx, cy, r * 0.98, 6, kPi / 6 + turn);
            break;
        case 5:
            PolygonPath(cr, cx, cy + r * 0.18, r * 1.12, 3, turn);
            break;
        case 6:
            cairo_save(cr);
            cairo_translate(cr, cx, cy);
            cairo_rotate(cr, turn);
            HeartPath(cr, 0, r * 0.05, r * 2.0);
            cairo_restore(cr);
            break;
        default:
            cairo_save(cr);
            cairo_translate(cr, cx, cy);
            cairo_rotate(cr, turn);
            DropPath(cr, 0, 0, r * 2.1);
            cairo_restore(cr);
            break;
    }
}

void Sparkle(cairo_t* cr, double cx, double cy, double size, double alpha) {
    if (size <= 0.2) {
        return;
    }
    Glow(cr, cx, cy, size * 1.4, Hex(0xFFFFFF), alpha * 0.6);
    StarPath(cr, cx, cy, size, size * 0.22, 4);
    SetColor(cr, Hex(0xFFFFFF), alpha);
    cairo_fill(cr);
}

void DrawBlock(cairo_t* cr, const BlockStyle& style, int cel) {
    const double cx = 21.5;
    const double cy = 21.5;
    double r = 17.0;
    double turn = 0;
    double alpha = 1.0;
    double sparkle = 0;
    double rim = 0;
    if (cel < 6) {
        // Rest: a slow breath and a glint that comes and goes.
        r *= 1.0 + 0.02 * std::sin(cel * kPi / 5);
        sparkle = std::sin(cel * kPi / 5.0);
    } else if (cel < 12) {
        turn = (cel - 6) * kPi / 3.0;
        r *= 0.95;
    } else if (cel < 16) {
        const int k = cel - 12;
        r *= 1.0 - 0.2 * k;
        alpha = 1.0 - 0.22 * k;
        rim = 0.8 - 0.2 * k;
    } else {
        const int k = cel - 16;
        r *= 1.04 + 0.03 * std::sin(k * kPi / 2);
        rim = 0.55 + 0.35 * std::sin(k * kPi / 4);
    }
    cairo_push_group(cr);
    if (rim > 0) {
        Glow(cr, cx, cy, 22, Shade(style.colour, 0.7), rim);
    }
    // Drop shadow, the lit body, an inner facet and the top-left highlight.
    ShapePath(cr, style.shape, cx + 1.2, cy + 1.8, r, turn);
    SetColor(cr, kInk, 0.35);
    cairo_fill(cr);
    ShapePath(cr, style.shape, cx, cy, r, turn);
    ShadeShape(cr, style.colour, cx, cy, r, 1.3);
    ShapePath(cr, style.shape, cx, cy, r * 0.55, turn);
    SetColor(cr, Shade(style.colour, 0.25), 0.45);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, cx - r * 0.32, cy - r * 0.42);
    cairo_scale(cr, 1.0, 0.6);
    cairo_arc(cr, 0, 0, r * 0.32, 0, 2 * kPi);
    cairo_restore(cr);
    SetColor(cr, Hex(0xFFFFFF), 0.55);
    cairo_fill(cr);
    if (rim > 0 && cel >= 16) {
        ShapePath(cr, style.shape, cx, cy, r + 1.5, turn);
        Outline(cr, 1.6, Hex(0xFFFBE0), rim);
        cairo_new_path(cr);
    }
    if (sparkle > 0) {
        Sparkle(cr, cx + r * 0.45, cy - r * 0.5, 5.5 * sparkle, 0.9);
    }
    if (cel >= 12 && cel < 16) {
        Glow(cr, cx, cy, r * 1.3, Hex(0xFFFFFF), 0.25 * (cel - 11));
    }
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, alpha);
}

std::string BlockSeqs() {
    return "<Seq id=\"0\" anim=\"loop\" framedelay=\"70\" begindelay=\"1400\" "
           "framemap=\"0,1,2,3,4,5,4,3,2,1\"/>"
           "<Seq id=\"1\" anim=\"loop\" framedelay=\"45\" framemap=\"6,7,8,9,10,11\"/>"
           "<Seq id=\"2\" anim=\"once\" framedelay=\"60\" framemap=\"12,13,14,15\"/>"
           "<Seq id=\"3\" anim=\"loop\" framedelay=\"90\" framemap=\"16,17,18,19,18,17\"/>";
}

void DrawCell(cairo_t* cr, bool over) {
    RoundRect(cr, 1.5, 1.5, 40, 40, 7);
    if (over) {
        FillVertical(cr, Hex(0xFFF6C8), Hex(0xFFE07A), 0, 43, 0.55);
        Outline(cr, 2.0, kGold, 0.95);
    } else {
        FillVertical(cr, Hex(0xFFFFFF), Hex(0xDDE8F0), 0, 43, 0.22);
        Outline(cr, 1.0, Hex(0x1A2A30), 0.35);
    }
    cairo_new_path(cr);
    RoundRect(cr, 3.5, 3.5, 36, 14, 5);
    SetColor(cr, Hex(0xFFFFFF), over ? 0.35 : 0.12);
    cairo_fill(cr);
}

void DrawBubble(cairo_t* cr, int cel) {
    const double cx = 100;
    const double cy = 102;
    double r = 88;
    double alpha = 1.0;
    if (cel <= 22) {
        const double t = cel / 22.0;
        r = 12 + 76 * (1 - (1 - t) * (1 - t));
        alpha = 0.4 + 0.6 * t;
    }
    const double wobble = cel > 22 ? 0.04 * std::sin((cel - 22) * kPi / 12.0) : 0.0;
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, 1 + wobble, 1 - wobble);
    cairo_pattern_t* p = cairo_pattern_create_radial(0, 0, r * 0.2, 0, 0, r);
    cairo_pattern_add_color_stop_rgba(p, 0, 0.8, 0.9, 1.0, 0.08 * alpha);
    cairo_pattern_add_color_stop_rgba(p, 0.7, 0.75, 0.88, 1.0, 0.22 * alpha);
    cairo_pattern_add_color_stop_rgba(p, 0.92, 0.95, 0.98, 1.0, 0.85 * alpha);
    cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0);
    cairo_set_source(cr, p);
    cairo_arc(cr, 0, 0, r, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    // A soap-film sheen that drifts round the rim.
    const double turn = cel * kPi / 36.0;
    cairo_pattern_t* film = cairo_pattern_create_linear(-r * std::cos(turn), -r * std::sin(turn),
                                                        r * std::cos(turn), r * std::sin(turn));
    const Rgb sheen[4] = {Hex(0xFF9AD0), Hex(0xFFF08A), Hex(0x8AF0C0), Hex(0x9AB8FF)};
    for (int i = 0; i < 4; ++i) {
        cairo_pattern_add_color_stop_rgba(film, i / 3.0, sheen[i].r, sheen[i].g, sheen[i].b,
                                          0.5 * alpha);
    }
    cairo_set_source(cr, film);
    cairo_set_line_width(cr, r * 0.07);
    cairo_arc(cr, 0, 0, r * 0.93, 0, 2 * kPi);
    cairo_stroke(cr);
    cairo_pattern_destroy(film);
    // Two window highlights that slide round the rim.
    const double a = -2.3 + 0.5 * std::sin(cel * kPi / 18.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, r * 0.08);
    SetColor(cr, Hex(0xFFFFFF), 0.75 * alpha);
    cairo_arc(cr, 0, 0, r * 0.8, a, a + 0.7);
    cairo_stroke(cr);
    cairo_set_line_width(cr, r * 0.05);
    SetColor(cr, Hex(0xFFFFFF), 0.45 * alpha);
    cairo_arc(cr, 0, 0, r * 0.8, a + 3.3, a + 3.7);
    cairo_stroke(cr);
    cairo_restore(cr);
}

}  // namespace

void AddBlockRecipes(std::vector<ImageRecipe>& out) {
    // The forces' strands add hundreds of these up inside the level bar's tube: each one faint,
    // so the strands shimmer over the fill instead of burning it white.
    out.push_back(StillImage("IMAGE_BLOCK_BUXPB_SMALL", "Game", 16, 16, [](cairo_t* cr, int) {
        StarPath(cr, 8, 8, 5, 1.5, 4, kPi / 4);
        SetColor(cr, Hex(0xFFFFFF), 0.12);
        cairo_fill(cr);
    }));
    out.push_back(StillImage("IMAGE_BLOCK_TAIL", "Game", 95, 95, [](cairo_t* cr, int) {
        Glow(cr, 47.5, 47.5, 46, Hex(0xFFE9A8), 0.65);
        Glow(cr, 47.5, 47.5, 22, Hex(0xFFFFFF), 0.5);
    }));
    out.push_back(
        StillImage("IMAGE_CELL", "Game", 43, 43, [](cairo_t* cr, int) { DrawCell(cr, false); }));
    out.push_back(StillImage("IMAGE_CELL_OVER", "Game", 43, 43,
                             [](cairo_t* cr, int) { DrawCell(cr, true); }));
    out.push_back(StillImage("IMAGE_EVILFORCE_PARTICLE", "Game", 16, 16,
                             [](cairo_t* cr, int) { Glow(cr, 8, 8, 6, Hex(0xFFFFFF), 0.05); }));
    out.push_back(StillImage("IMAGE_GOODFORCE_PARTICLE", "Game", 16, 16,
                             [](cairo_t* cr, int) { Glow(cr, 8, 8, 6, Hex(0xFFFFFF), 0.05); }));
    for (int i = 0; i < 8; ++i) {
        const BlockStyle style = kBlocks[i];
        out.push_back(AnimatedImage("IMAGE_BLOCK" + std::to_string(i + 1), "Game", 43, 43, 1,
                                    kBlockCels, BlockSeqs(),
                                    [style](cairo_t* cr, int cel) { DrawBlock(cr, style, cel); }));
    }
    out.push_back(AnimatedImage("IMAGE_BUBBLE_FLARE", "Game", 200, 200, 1, 72,
                                "<Seq id=\"0\" anim=\"loop\" framedelay=\"40\"/>", DrawBubble));
}

}  // namespace make_data::images
