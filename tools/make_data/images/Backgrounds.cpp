// The twenty level backgrounds (four worlds of five) and the main menu's scenery.
#include <cairo.h>

#include <cmath>
#include <numbers>
#include <string>

#include "make_data/images/Art.h"
#include "make_data/images/ImageRecipe.h"
#include "make_data/images/Scenes.h"

namespace make_data::images {
namespace {

using namespace art;
constexpr double kPi = std::numbers::pi;
constexpr double kW = 800;
constexpr double kH = 600;

enum class World { kFlower, kForest, kGrass, kWater };

struct Palette {
    Rgb skyTop, skyBottom, sun, far, mid, near, ground;
};

Palette PaletteOf(World world, int step) {
    // Each world darkens a little towards its heart.
    const double d = -0.045 * step;
    Palette p;
    switch (world) {
        case World::kFlower:
            p = {Hex(0x9ED4F2), Hex(0xFCE9C8), Hex(0xFFF3B0), Hex(0xA9C98F),
                 Hex(0x8DBE6E), Hex(0x78B25A), Hex(0x6AA84F)};
            break;
        case World::kForest:
            p = {Hex(0x7FB59A), Hex(0xCFE3B8), Hex(0xF4F1C0), Hex(0x4E7F58),
                 Hex(0x3F6E47), Hex(0x35603C), Hex(0x4D6B33)};
            break;
        case World::kGrass:
            p = {Hex(0x8AB6D6), Hex(0xF6D29A), Hex(0xFFD27A), Hex(0xB7B46C),
                 Hex(0xA8A24E), Hex(0x9C953F), Hex(0x8E8A3A)};
            break;
        case World::kWater:
            p = {Hex(0x28385E), Hex(0x7F8FB8), Hex(0xE8EEFF), Hex(0x4A5C82),
                 Hex(0x3C5878), Hex(0x2F4D6A), Hex(0x35604F)};
            break;
    }
    for (Rgb* c : {&p.skyTop, &p.skyBottom, &p.far, &p.mid, &p.near, &p.ground}) {
        *c = Shade(*c, d);
    }
    if (world == World::kWater) {
        // Evening into moonlight.
        p.skyTop = Mix(p.skyTop, Hex(0x101830), 0.12 * step);
        p.skyBottom = Mix(Hex(0xE8A070), p.skyBottom, 0.3 + 0.17 * step);
    }
    return p;
}

// A soft ridge line across the picture, filled down to the bottom.
void Ridge(cairo_t* cr, Random& rnd, double base, double amplitude, Rgb top, Rgb bottom,
           double alpha = 1.0) {
    const double p1 = rnd.Uniform(0, 2 * kPi);
    const double p2 = rnd.Uniform(0, 2 * kPi);
    const double f1 = rnd.Uniform(1.0, 2.0);
    const double f2 = rnd.Uniform(2.5, 4.5);
    cairo_move_to(cr, 0, kH);
    for (int x = 0; x <= 800; x += 8) {
        const double t = x / kW;
        const double y = base + amplitude * (0.65 * std::sin(t * f1 * 2 * kPi + p1) +
                                             0.35 * std::sin(t * f2 * 2 * kPi + p2));
        cairo_line_to(cr, x, y);
    }
    cairo_line_to(cr, kW, kH);
    cairo_close_path(cr);
    FillVertical(cr, top, bottom, base - amplitude, kH, alpha);
    cairo_new_path(cr);
}

void Sky(cairo_t* cr, const Palette& p, double sunX, double sunY, double horizon) {
    cairo_rectangle(cr, 0, 0, kW, kH);
    FillVertical(cr, p.skyTop, p.skyBottom, 0, horizon);
    cairo_new_path(cr);
    Glow(cr, sunX, sunY, 260, p.sun, 0.45);
    Glow(cr, sunX, sunY, 34, p.sun, 0.9);
}

void Clouds(cairo_t* cr, Random& rnd, int count, double maxY, Rgb c, double alpha) {
    // One path for all, so overlapping clouds merge instead of doubling their alpha.
    for (int i = 0; i < count; ++i) {
        const double x = rnd.Uniform(-40, 840);
        const double y = rnd.Uniform(30, maxY);
        const double s = rnd.Uniform(0.6, 1.3);
        for (int k = 0; k < 5; ++k) {
            cairo_new_sub_path(cr);
            cairo_arc(cr, x + (k - 2) * 24 * s, y - (k == 1 || k == 2 ? 10 : 0) * s,
                      (k == 2 ? 26 : 18) * s, 0, 2 * kPi);
        }
    }
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    SetColor(cr, c, alpha);
    cairo_fill(cr);
}

void Flowers(cairo_t* cr, Random& rnd, int count, double y0, double y1, double size) {
    const Rgb petals[5] = {Hex(0xF7A6C8), Hex(0xFFF3F8), Hex(0xF9D65C), Hex(0xC9A2F0),
                           Hex(0xF58E7A)};
    for (int i = 0; i < count; ++i) {
        const double y = rnd.Uniform(y0, y1);
        const double depth = (y - y0) / (y1 - y0);
        const double x = rnd.Uniform(0, kW);
        const double s = size * (0.5 + depth);
        const Rgb c = petals[rnd.Next() % 5];
        for (int k = 0; k < 5; ++k) {
            const double a = k * 2 * kPi / 5;
            cairo_new_sub_path(cr);
            cairo_arc(cr, x + std::cos(a) * s, y + std::sin(a) * s * 0.7, s * 0.75, 0, 2 * kPi);
        }
        SetColor(cr, c, 0.75);
        cairo_fill(cr);
        cairo_arc(cr, x, y, s * 0.45, 0, 2 * kPi);
        SetColor(cr, Hex(0xF8C440), 0.85);
        cairo_fill(cr);
    }
}

void Tree(cairo_t* cr, Random& rnd, double x, double groundY, double height, Rgb leaf,
          double alpha) {
    // Drawn whole, then faded, so a far tree's outline does not show through its crown.
    cairo_save(cr);
    cairo_rectangle(cr, x - height * 0.5, groundY - height * 1.2, height, height * 1.25);
    cairo_clip(cr);
    cairo_push_group(cr);
    const double w = height * 0.08;
    cairo_rectangle(cr, x - w / 2, groundY - height * 0.45, w, height * 0.45);
    SetColor(cr, Shade(Hex(0x5A3E2A), -0.2));
    cairo_fill(cr);
    for (int k = 0; k < 6; ++k) {
        const double cx = x + rnd.Uniform(-0.22, 0.22) * height;
        const double cy = groundY - height * rnd.Uniform(0.5, 0.85);
        const double r = height * rnd.Uniform(0.15, 0.24);
        cairo_new_sub_path(cr);
        cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    }
    // The outline first: the fill then hides the inner arcs and leaves only the crown's edge.
    Outline(cr, 2.0, Shade(leaf, -0.45), 0.5);
    FillVertical(cr, Shade(leaf, 0.18), Shade(leaf, -0.2), groundY - height, groundY);
    cairo_new_path(cr);
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
}

void Grass(cairo_t* cr, Random& rnd, int count, double y0, double y1, Rgb c, double lean) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < count; ++i) {
        const double y = rnd.Uniform(y0, y1);
        const double depth = (y - y0) / (y1 - y0);
        const double x = rnd.Uniform(-10, kW + 10);
        const double h = (8 + 22 * depth) * rnd.Uniform(0.7, 1.3);
        cairo_move_to(cr, x, y);
        cairo_curve_to(cr, x + lean * h * 0.2, y - h * 0.5, x + lean * h * 0.5, y - h * 0.8,
                       x + lean * h * 0.7, y - h);
        SetColor(cr, Shade(c, rnd.Uniform(-0.15, 0.25)), 0.55);
        cairo_set_line_width(cr, 1.0 + depth * 1.5);
        cairo_stroke(cr);
    }
}

void Water(cairo_t* cr, Random& rnd, const Palette& p, double top, double moonX) {
    cairo_rectangle(cr, 0, top, kW, kH - top);
    FillVertical(cr, Mix(p.skyBottom, p.mid, 0.4), Shade(p.mid, -0.25), top, kH);
    cairo_new_path(cr);
    // The moon's path on the water and ripples.
    for (int i = 0; i < 60; ++i) {
        const double y = top + 4 + i * (kH - top) / 60.0;
        const double spread = 20 + (y - top) * 0.35;
        const double x = moonX + rnd.Uniform(-spread, spread);
        const double len = rnd.Uniform(10, 40);
        cairo_move_to(cr, x - len / 2, y);
        cairo_line_to(cr, x + len / 2, y);
        SetColor(cr, p.sun, 0.25);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
    }
    for (int i = 0; i < 70; ++i) {
        const double y = rnd.Uniform(top + 6, kH);
        const double x = rnd.Uniform(0, kW);
        const double len = 10 + (y - top) * 0.12;
        cairo_move_to(cr, x, y);
        cairo_curve_to(cr, x + len * 0.3, y - 2, x + len * 0.7, y - 2, x + len, y);
        SetColor(cr, Hex(0xFFFFFF), 0.12);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
    }
}

void Butterfly(cairo_t* cr, double x, double y, double s, Rgb c, double turn) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, turn);
    cairo_scale(cr, s, s);
    for (const double side : {-1.0, 1.0}) {
        cairo_save(cr);
        cairo_scale(cr, side, 1.0);
        cairo_move_to(cr, 0, 0);
        cairo_curve_to(cr, 6, -12, 16, -8, 12, 0);
        cairo_curve_to(cr, 14, 6, 6, 10, 0, 2);
        cairo_restore(cr);
    }
    SetColor(cr, c, 0.85);
    cairo_fill_preserve(cr);
    Outline(cr, 0.8, Shade(c, -0.6), 0.6);
    cairo_new_path(cr);
    cairo_restore(cr);
}

void Mushroom(cairo_t* cr, double x, double y, double s) {
    cairo_rectangle(cr, x - 2.5 * s, y - 8 * s, 5 * s, 8 * s);
    SetColor(cr, Hex(0xF2E6D0), 0.9);
    cairo_fill(cr);
    cairo_move_to(cr, x - 9 * s, y - 7 * s);
    cairo_curve_to(cr, x - 9 * s, y - 17 * s, x + 9 * s, y - 17 * s, x + 9 * s, y - 7 * s);
    cairo_close_path(cr);
    ShadeShape(cr, Hex(0xC8402E), x, y - 11 * s, 9 * s, 0.8);
    for (const double dx : {-4.0, 1.0, 5.0}) {
        cairo_arc(cr, x + dx * s, y - 11 * s - (dx > 0 ? 1 : 2) * s, 1.3 * s, 0, 2 * kPi);
        SetColor(cr, Hex(0xFFFFFF), 0.85);
        cairo_fill(cr);
    }
}

void Fireflies(cairo_t* cr, Random& rnd, int count, double y0, double y1) {
    for (int i = 0; i < count; ++i) {
        const double x = rnd.Uniform(0, kW);
        const double y = rnd.Uniform(y0, y1);
        Glow(cr, x, y, 7, Hex(0xF8F0A0), 0.7);
        cairo_arc(cr, x, y, 1.2, 0, 2 * kPi);
        SetColor(cr, Hex(0xFFFFE0));
        cairo_fill(cr);
    }
}

void Windmill(cairo_t* cr, double x, double y, Rgb c) {
    cairo_move_to(cr, x - 7, y);
    cairo_line_to(cr, x - 4, y - 34);
    cairo_line_to(cr, x + 4, y - 34);
    cairo_line_to(cr, x + 7, y);
    cairo_close_path(cr);
    SetColor(cr, c, 0.8);
    cairo_fill(cr);
    for (int k = 0; k < 4; ++k) {
        const double a = k * kPi / 2 + 0.4;
        cairo_move_to(cr, x, y - 34);
        cairo_line_to(cr, x + 26 * std::cos(a), y - 34 + 26 * std::sin(a));
    }
    SetColor(cr, c, 0.8);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
}

void Birds(cairo_t* cr, Random& rnd, int count, Rgb c) {
    for (int i = 0; i < count; ++i) {
        const double x = rnd.Uniform(60, 740);
        const double y = rnd.Uniform(40, 160);
        const double s = rnd.Uniform(4, 7);
        cairo_move_to(cr, x - s, y - s * 0.4);
        cairo_curve_to(cr, x - s * 0.5, y - s * 0.8, x - s * 0.2, y - s * 0.4, x, y);
        cairo_curve_to(cr, x + s * 0.2, y - s * 0.4, x + s * 0.5, y - s * 0.8, x + s, y - s * 0.4);
    }
    SetColor(cr, c, 0.7);
    cairo_set_line_width(cr, 1.3);
    cairo_stroke(cr);
}

void LilyPads(cairo_t* cr, Random& rnd, int count, double y0, double y1) {
    for (int i = 0; i < count; ++i) {
        const double x = rnd.Uniform(0, kW);
        const double y = rnd.Uniform(y0, y1);
        const double r = 6 + (y - y0) * 0.08;
        const double notch = rnd.Uniform(0, 2 * kPi);
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, 1.0, 0.4);
        cairo_move_to(cr, 0, 0);
        cairo_arc(cr, 0, 0, r, notch + 0.35, notch + 2 * kPi - 0.35);
        cairo_close_path(cr);
        cairo_restore(cr);
        SetColor(cr, Hex(0x3E7A4A), 0.85);
        cairo_fill(cr);
        if (i % 3 == 0) {
            cairo_arc(cr, x, y - 1.5, r * 0.25, 0, 2 * kPi);
            SetColor(cr, Hex(0xF6C8E0), 0.9);
            cairo_fill(cr);
        }
    }
}

void DrawBackground(cairo_t* cr, World world, int step) {
    const Palette p = PaletteOf(world, step);
    Random rnd(static_cast<uint32_t>(static_cast<int>(world) * 31 + step * 7 + 11));
    const double sunX = 140 + step * 130;
    switch (world) {
        case World::kFlower:
            Sky(cr, p, sunX, 110 - step * 6, 330);
            Clouds(cr, rnd, 5, 180, Hex(0xFFFFFF), 0.55);
            Ridge(cr, rnd, 300, 35, p.far, Shade(p.far, -0.1), 0.9);
            // A loose line of far trees, their feet hidden by the next hill.
            for (int i = 0; i < 4 + step; ++i) {
                Tree(cr, rnd, rnd.Uniform(20, 780), 390, rnd.Uniform(70, 110), Shade(p.far, -0.15),
                     0.85);
            }
            Ridge(cr, rnd, 370, 28, p.mid, Shade(p.mid, -0.12));
            Flowers(cr, rnd, 40 + step * 12, 360, 430, 2.5);
            Ridge(cr, rnd, 450, 18, p.near, p.ground);
            Flowers(cr, rnd, 50 + step * 15, 455, 600, 4.0);
            for (int i = 0; i < step; ++i) {
                const Rgb wings[3] = {Hex(0xF8A040), Hex(0xF8F0F8), Hex(0x80B8F0)};
                Butterfly(cr, rnd.Uniform(40, 760), rnd.Uniform(160, 300), rnd.Uniform(0.8, 1.2),
                          wings[i % 3], rnd.Uniform(-0.4, 0.4));
            }
            break;
        case World::kForest: {
            Sky(cr, p, sunX, 70, 260);
            for (int i = 0; i < 14; ++i) {
                Tree(cr, rnd, rnd.Uniform(0, kW), 330, rnd.Uniform(200, 300), p.far, 0.7);
            }
            Ridge(cr, rnd, 340, 15, p.mid, Shade(p.mid, -0.2));
            for (int i = 0; i < 6 + step; ++i) {
                Tree(cr, rnd, rnd.Uniform(-40, kW + 40), 470, rnd.Uniform(300, 420), p.near, 0.95);
            }
            Ridge(cr, rnd, 480, 12, p.ground, Shade(p.ground, -0.3));
            // Dappled light through the leaves.
            for (int i = 0; i < 40; ++i) {
                Glow(cr, rnd.Uniform(0, kW), rnd.Uniform(0, kH), rnd.Uniform(10, 40), p.sun, 0.18);
            }
            Grass(cr, rnd, 250, 490, 600, p.near, 0.3);
            for (int i = 0; i < 2 + step; ++i) {
                Mushroom(cr, rnd.Uniform(10, 790), rnd.Uniform(500, 590), rnd.Uniform(0.8, 1.3));
            }
            Fireflies(cr, rnd, step * 6, 250, 480);
            break;
        }
        case World::kGrass:
            Sky(cr, p, 680 - step * 40, 170 + step * 20, 350);
            Clouds(cr, rnd, 4, 150, Hex(0xFFF1DA), 0.5);
            Ridge(cr, rnd, 330, 22, p.far, Shade(p.far, -0.1), 0.9);
            Ridge(cr, rnd, 390, 16, p.mid, Shade(p.mid, -0.15));
            Grass(cr, rnd, 300, 390, 470, Shade(p.mid, 0.2), 1.0);
            Ridge(cr, rnd, 470, 12, p.near, p.ground);
            Grass(cr, rnd, 500, 470, 610, Shade(p.near, 0.25), 1.2);
            if (step >= 1) {
                Windmill(cr, 90 + step * 150, 330 - 12, Shade(p.far, -0.35));
            }
            Birds(cr, rnd, 2 + step, Shade(p.skyTop, -0.6));
            break;
        case World::kWater: {
            const double moonX = 600 - step * 60;
            Sky(cr, p, moonX, 90 + step * 8, 300);
            for (int i = 0; i < 20 * step; ++i) {
                cairo_arc(cr, rnd.Uniform(0, kW), rnd.Uniform(0, 220), rnd.Uniform(0.5, 1.3), 0,
                          2 * kPi);
                SetColor(cr, Hex(0xFFFFFF), rnd.Uniform(0.3, 0.8));
                cairo_fill(cr);
            }
            Ridge(cr, rnd, 290, 25, p.far, Shade(p.far, -0.2), 0.95);
            Water(cr, rnd, p, 330, moonX);
            LilyPads(cr, rnd, 6 + step * 4, 420, 560);
            Fireflies(cr, rnd, step * 4, 300, 560);
            // Reeds along the near shore.
            Ridge(cr, rnd, 560, 10, p.ground, Shade(p.ground, -0.3));
            Grass(cr, rnd, 180, 560, 610, Shade(p.ground, 0.1), 0.2);
            break;
        }
    }
    // A light veil keeps the play area calm.
    cairo_pattern_t* veil = cairo_pattern_create_radial(380, 280, 60, 380, 280, 420);
    cairo_pattern_add_color_stop_rgba(veil, 0, 1, 1, 1, world == World::kWater ? 0.06 : 0.14);
    cairo_pattern_add_color_stop_rgba(veil, 1, 1, 1, 1, 0);
    cairo_set_source(cr, veil);
    cairo_paint(cr);
    cairo_pattern_destroy(veil);
}

// The menu's sky: seamless from its right edge to its left, as it scrolls side by side.
void DrawMenuSky(cairo_t* cr) {
    cairo_rectangle(cr, 0, 0, kW, 360);
    FillVertical(cr, Hex(0x5FA8E8), Hex(0xFBE3C0), 0, 360);
    cairo_new_path(cr);
    Random rnd(77);
    // All clouds in one path, each drawn at three offsets so the strip wraps.
    for (int i = 0; i < 9; ++i) {
        const double x = i * 90 + rnd.Uniform(0, 40);
        const double y = rnd.Uniform(40, 220);
        const double s = rnd.Uniform(0.7, 1.4);
        for (const double shift : {-kW, 0.0, kW}) {
            for (int k = 0; k < 5; ++k) {
                cairo_new_sub_path(cr);
                cairo_arc(cr, shift + x + (k - 2) * 26 * s, y - (k == 1 || k == 2 ? 12 : 0) * s,
                          (k == 2 ? 28 : 19) * s, 0, 2 * kPi);
            }
        }
    }
    FillVertical(cr, Hex(0xFFFFFF), Hex(0xE8EEF8), 0, 260, 0.85);
    cairo_new_path(cr);
}

// The menu's land: hills, a tree and the sign board the buttons sit on; clear where the sky
// shows.
void DrawMenuBackground(cairo_t* cr) {
    Random rnd(5);
    const Palette p = PaletteOf(World::kFlower, 0);
    Ridge(cr, rnd, 320, 30, p.far, Shade(p.far, -0.1));
    Ridge(cr, rnd, 390, 26, p.mid, Shade(p.mid, -0.12));
    Flowers(cr, rnd, 60, 380, 450, 2.5);
    Ridge(cr, rnd, 470, 16, p.near, p.ground);
    Flowers(cr, rnd, 70, 470, 600, 4.0);
    Tree(cr, rnd, 650, 470, 380, Hex(0x5E9E48), 1.0);
    // Blossoms on the tree, and the guide waiting in the grass beside the sign.
    for (int i = 0; i < 34; ++i) {
        const double x = 650 + rnd.Uniform(-95, 95);
        const double y = rnd.Uniform(150, 330);
        for (int k = 0; k < 5; ++k) {
            const double a = k * 2 * kPi / 5;
            cairo_new_sub_path(cr);
            cairo_arc(cr, x + std::cos(a) * 3.2, y + std::sin(a) * 3.2, 2.6, 0, 2 * kPi);
        }
        SetColor(cr, i % 3 == 0 ? Hex(0xFFFFFF) : Hex(0xF8B8D8), 0.9);
        cairo_fill(cr);
    }
    cairo_save(cr);
    cairo_translate(cr, 492, 566);
    cairo_scale(cr, 1.0, 0.25);
    cairo_arc(cr, 0, 0, 44, 0, 2 * kPi);
    cairo_restore(cr);
    SetColor(cr, Hex(0x1E3A14), 0.35);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, 410, 400);
    DrawGuideFigure(cr, 0);
    cairo_restore(cr);
    // The sign board: posts and a wide board behind the seven buttons.
    for (const double x : {150.0, 330.0}) {
        cairo_rectangle(cr, x, 480, 16, 110);
        FillVertical(cr, Shade(kWood, 0.1), Shade(kWood, -0.4), 480, 590);
        Outline(cr, 1.2);
        cairo_new_path(cr);
    }
    // A dark face, so the greeting's light green reads above the buttons.
    Panel(cr, 92, 140, 306, 372, 22, Hex(0x6A4428), Hex(0xA87040));
    for (int i = 0; i < 12; ++i) {
        const double y = 160 + i * 29 + rnd.Uniform(-6, 6);
        cairo_move_to(cr, 108, y);
        cairo_curve_to(cr, 180, y + rnd.Uniform(-4, 4), 300, y + rnd.Uniform(-4, 4), 380, y);
        SetColor(cr, Hex(0x3A2414), 0.25);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
    }
}

}  // namespace

void DrawWorldScene(cairo_t* cr, int world, int step) {
    DrawBackground(cr, static_cast<World>(world), step);
}

void AddBackgroundRecipes(std::vector<ImageRecipe>& out) {
    const char* names[4] = {"FLOWER", "FOREST", "GRASS", "WATER"};
    for (int w = 0; w < 4; ++w) {
        for (int step = 0; step < 5; ++step) {
            const World world = static_cast<World>(w);
            ImageRecipe r = StillImage(
                std::string("BACKGROUND_") + names[w] + std::to_string(step + 1), "Game", 800, 600,
                [world, step](cairo_t* cr, int) { DrawBackground(cr, world, step); });
            r.noise = 0.015;
            out.push_back(std::move(r));
        }
    }
    out.push_back(StillImage("IMAGE_MM_BACKGROUND", "Game", 800, 600,
                             [](cairo_t* cr, int) { DrawMenuBackground(cr); }));
    out.push_back(
        StillImage("IMAGE_MM_BGSKY", "Game", 800, 360, [](cairo_t* cr, int) { DrawMenuSky(cr); }));
}

}  // namespace make_data::images
