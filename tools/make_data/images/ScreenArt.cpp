// Whole screens and their parts: the title logos and loading bar, the land map and its dots,
// the rules picture, the knockdown banner and the credits.
#include <cairo.h>

#include <array>
#include <cmath>
#include <numbers>
#include <string>

#include "make_data/images/Art.h"
#include "make_data/images/FaceSet.h"
#include "make_data/images/ImageRecipe.h"
#include "make_data/images/Scenes.h"

namespace make_data::images {
namespace {

using namespace art;
constexpr double kPi = std::numbers::pi;

struct MapPoint {
    double x, y;
};

// The stage points of the land map, stage 1 to 21.
constexpr MapPoint kStages[21] = {
    {367, 153}, {256, 134}, {160, 111}, {176, 217}, {278, 200}, {261, 281}, {160, 307},
    {132, 389}, {160, 480}, {250, 439}, {359, 485}, {454, 521}, {565, 495}, {476, 426},
    {466, 338}, {579, 373}, {665, 288}, {544, 248}, {621, 182}, {496, 148}, {443, 265}};

void LetterPath(cairo_t* cr, const std::string& text, double cx, double baseline, double size,
                double& left, double& width) {
    FaceSet::Select(cr, true);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, text.c_str(), &ext);
    left = cx - ext.width / 2 - ext.x_bearing;
    width = ext.width;
    cairo_move_to(cr, left, baseline);
    cairo_text_path(cr, text.c_str());
}

// The game's name in leafy green letters with a gold rim, centred on (cx, cy).
void DrawVornsLogo(cairo_t* cr, double cx, double cy, double scale) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, scale, scale);
    cairo_save(cr);
    cairo_scale(cr, 1.0, 0.45);
    Glow(cr, 0, 0, 220, Hex(0xFFF2B0), 0.35);
    cairo_restore(cr);
    double left = 0;
    double width = 0;
    LetterPath(cr, "VORNS", 3, 38 + 4, 110, left, width);
    SetColor(cr, kInk, 0.4);
    cairo_fill(cr);
    LetterPath(cr, "VORNS", 0, 38, 110, left, width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    SetColor(cr, Hex(0x3A2410));
    cairo_set_line_width(cr, 12);
    cairo_stroke_preserve(cr);
    SetColor(cr, kGold);
    cairo_set_line_width(cr, 6);
    cairo_stroke_preserve(cr);
    FillVertical(cr, Hex(0xA8E86A), Hex(0x2F8A3A), -45, 40);
    cairo_new_path(cr);
    // A leaf on the V and a flower over the last letter.
    cairo_save(cr);
    cairo_translate(cr, left + 22, -50);
    cairo_rotate(cr, -0.5);
    cairo_move_to(cr, 0, 0);
    cairo_curve_to(cr, -26, -16, -22, -52, 0, -72);
    cairo_curve_to(cr, 22, -52, 26, -16, 0, 0);
    ShadeShape(cr, Hex(0x4EAA3A), 0, -36, 30, 2.0);
    cairo_move_to(cr, 0, -2);
    cairo_curve_to(cr, -3, -24, -2, -46, 0, -66);
    SetColor(cr, Hex(0x2A6A22), 0.8);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    cairo_restore(cr);
    const double fx = left + width - 10;
    for (int k = 0; k < 6; ++k) {
        const double a = k * kPi / 3;
        cairo_new_sub_path(cr);
        cairo_arc(cr, fx + std::cos(a) * 13, -62 + std::sin(a) * 13, 10, 0, 2 * kPi);
    }
    ShadeShape(cr, Hex(0xF58EC0), fx, -62, 24, 1.5);
    cairo_arc(cr, fx, -62, 8, 0, 2 * kPi);
    ShadeShape(cr, kGold, fx, -62, 8, 1.2);
    cairo_restore(cr);
}

// The maker's mark in white, for tinting: a rounded "zm" in a ring and the word GAMES.
void DrawZmLogo(cairo_t* cr, double cx, double cy, double scale) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, scale, scale);
    cairo_arc(cr, 0, -20, 80, 0, 2 * kPi);
    SetColor(cr, Hex(0xFFFFFF), 0.95);
    cairo_set_line_width(cr, 9);
    cairo_stroke(cr);
    double left = 0;
    double width = 0;
    LetterPath(cr, "zm", 0, 2, 80, left, width);
    SetColor(cr, Hex(0xFFFFFF));
    cairo_fill(cr);
    LetterPath(cr, "G A M E S", 0, 100, 30, left, width);
    SetColor(cr, Hex(0xFFFFFF), 0.9);
    cairo_fill(cr);
    cairo_restore(cr);
}

void DrawLoadingBar(cairo_t* cr, double w, int part) {
    // part 0: body, 1: left cap, 2: right cap; all 20 high.
    if (part == 0) {
        cairo_rectangle(cr, 0, 3, w, 14);
    } else {
        cairo_new_sub_path(cr);
        if (part == 1) {
            cairo_arc(cr, 10, 10, 7, kPi / 2, 3 * kPi / 2);
            cairo_line_to(cr, 10, 3);
            cairo_line_to(cr, 10, 17);
        } else {
            cairo_arc(cr, 0, 10, 7, -kPi / 2, kPi / 2);
            cairo_line_to(cr, 0, 17);
            cairo_line_to(cr, 0, 3);
        }
        cairo_close_path(cr);
    }
    FillVertical(cr, Hex(0xFFE890), Hex(0xD88A18), 3, 17);
    cairo_new_path(cr);
    cairo_move_to(cr, 0, 2.5);
    cairo_line_to(cr, w, 2.5);
    cairo_move_to(cr, 0, 17.5);
    cairo_line_to(cr, w, 17.5);
    if (part == 0) {
        SetColor(cr, kInk, 0.8);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
        cairo_rectangle(cr, 0, 5, w, 4);
        SetColor(cr, Hex(0xFFFFFF), 0.4);
        cairo_fill(cr);
    } else {
        cairo_new_path(cr);
    }
}

bool AwayFromStages(double x, double y, double distance) {
    for (const MapPoint& p : kStages) {
        if ((p.x - x) * (p.x - x) + (p.y - y) * (p.y - y) < distance * distance) {
            return false;
        }
    }
    return true;
}

void MapRegion(cairo_t* cr, int first, int last, Rgb c) {
    double sx = 0;
    double sy = 0;
    for (int i = first; i <= last; ++i) {
        sx += kStages[i].x;
        sy += kStages[i].y;
    }
    const int n = last - first + 1;
    for (int i = first; i <= last; ++i) {
        Glow(cr, kStages[i].x, kStages[i].y, 95, c, 0.45);
    }
    Glow(cr, sx / n, sy / n, 150, c, 0.35);
}

void MapTree(cairo_t* cr, double x, double y, double s) {
    cairo_move_to(cr, x, y - 22 * s);
    cairo_line_to(cr, x + 10 * s, y);
    cairo_line_to(cr, x - 10 * s, y);
    cairo_close_path(cr);
    ShadeShape(cr, Hex(0x3E7E3A), x, y - 10 * s, 14 * s, 1.0);
}

void DrawLandMap(cairo_t* cr) {
    // Parchment.
    cairo_rectangle(cr, 0, 0, 800, 600);
    FillVertical(cr, Hex(0xF3E0B0), Hex(0xE2C890), 0, 600);
    cairo_new_path(cr);
    cairo_pattern_t* v = cairo_pattern_create_radial(400, 300, 250, 400, 300, 560);
    cairo_pattern_add_color_stop_rgba(v, 0, 0.4, 0.25, 0.1, 0);
    cairo_pattern_add_color_stop_rgba(v, 1, 0.4, 0.25, 0.1, 0.45);
    cairo_set_source(cr, v);
    cairo_paint(cr);
    cairo_pattern_destroy(v);
    // The four worlds around the centre.
    MapRegion(cr, 0, 4, Hex(0xF2A8C8));
    MapRegion(cr, 5, 9, Hex(0x5E9E50));
    MapRegion(cr, 10, 14, Hex(0xD8C060));
    MapRegion(cr, 15, 19, Hex(0x6AA8D8));
    Random rnd(21);
    // Meadow flowers, forest trees, grass tufts and lake water.
    for (int i = 0; i < 90; ++i) {
        const double x = rnd.Uniform(90, 420);
        const double y = rnd.Uniform(70, 250);
        if (!AwayFromStages(x, y, 20)) {
            continue;
        }
        cairo_arc(cr, x, y, rnd.Uniform(1.5, 3), 0, 2 * kPi);
        SetColor(cr, i % 2 ? Hex(0xE0508A) : Hex(0xFFFFFF), 0.7);
        cairo_fill(cr);
    }
    for (int i = 0; i < 60; ++i) {
        const double x = rnd.Uniform(70, 300);
        const double y = rnd.Uniform(270, 520);
        const double s = rnd.Uniform(0.6, 1.1);
        if (AwayFromStages(x, y - 10, 26)) {
            MapTree(cr, x, y, s);
        }
    }
    for (int i = 0; i < 80; ++i) {
        const double x = rnd.Uniform(330, 620);
        const double y = rnd.Uniform(400, 560);
        if (!AwayFromStages(x, y, 20)) {
            continue;
        }
        for (int k = -1; k <= 1; ++k) {
            cairo_move_to(cr, x, y);
            cairo_line_to(cr, x + k * 3, y - 7);
        }
        SetColor(cr, Hex(0x8A7A2A), 0.6);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
    }
    for (const auto& lake :
         {std::array<double, 3>{598, 308, 40}, std::array<double, 3>{720, 420, 46},
          std::array<double, 3>{565, 112, 30}}) {
        cairo_save(cr);
        cairo_translate(cr, lake[0], lake[1]);
        cairo_scale(cr, 1.0, 0.6);
        cairo_arc(cr, 0, 0, lake[2], 0, 2 * kPi);
        cairo_restore(cr);
        FillVertical(cr, Hex(0x8CC4E8), Hex(0x4A8AC0), lake[1] - lake[2], lake[1] + lake[2]);
        Outline(cr, 1.2, Hex(0x2A5A80), 0.7);
        cairo_new_path(cr);
    }
    // The great tree at the heart of the land, the last stage.
    Glow(cr, 443, 265, 70, Hex(0xFFF2A0), 0.7);
    for (int k = 0; k < 7; ++k) {
        const double a = k * 2 * kPi / 7;
        cairo_new_sub_path(cr);
        cairo_arc(cr, 443 + std::cos(a) * 22, 230 + std::sin(a) * 12, 18, 0, 2 * kPi);
    }
    ShadeBlob(cr, Hex(0x4E9A3A), 443, 230, 40, 1.2);
    cairo_rectangle(cr, 437, 240, 12, 22);
    SetColor(cr, Hex(0x6A4424));
    cairo_fill(cr);
    // A clearing at every stage point so the dots stand out.
    for (const MapPoint& p : kStages) {
        cairo_arc(cr, p.x, p.y, 17, 0, 2 * kPi);
        SetColor(cr, Hex(0xFFF6DC), 0.75);
        cairo_fill_preserve(cr);
        Outline(cr, 1.2, Hex(0x6A4A2A), 0.5);
        cairo_new_path(cr);
    }
    RoundRect(cr, 430, 18, 260, 38, 12);
    FillVertical(cr, Hex(0x6AAE4A), Hex(0x3A7A2A), 18, 56);
    Outline(cr, 1.4);
    cairo_new_path(cr);
    Text(cr, "THE LAND OF VORNS", 560, 37, 18, Hex(0xFFE07A), 240);
    Text(cr, "MEADOW", 250, 60, 18, Hex(0xB0386A));
    Text(cr, "FOREST", 70, 250, 18, Hex(0x2E6A2A));
    Text(cr, "GRASSLAND", 520, 570, 18, Hex(0x8A6A1A));
    Text(cr, "LAKES", 700, 140, 18, Hex(0x2A5A90));
    // A compass rose.
    StarPath(cr, 62, 78, 30, 7, 4);
    ShadeShape(cr, kGold, 62, 78, 30, 1.2);
    Text(cr, "N", 62, 36, 13, kInk, 0, false);
    // A frame.
    RoundRect(cr, 6, 6, 788, 588, 12);
    Outline(cr, 4, kWood, 0.9);
    cairo_new_path(cr);
}

void DrawMapDot(cairo_t* cr, double size, Rgb c) {
    const double r = size / 2 - 1;
    cairo_arc(cr, size / 2, size / 2, r, 0, 2 * kPi);
    ShadeShape(cr, c, size / 2, size / 2, r, size > 10 ? 1.4 : 0.8);
}

void DrawMapAura(cairo_t* cr, double size) {
    Glow(cr, size / 2, size / 2, size / 2, Hex(0xFFF0A0), 0.9);
    cairo_arc(cr, size / 2, size / 2, size / 2 - 3, 0, 2 * kPi);
    SetColor(cr, Hex(0xFFFFFF), 0.8);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
}

void DrawHelpScreen(cairo_t* cr) {
    cairo_rectangle(cr, 0, 0, 800, 600);
    FillVertical(cr, Hex(0x7CB0D8), Hex(0xC8E4B0), 0, 600);
    cairo_new_path(cr);
    Panel(cr, 40, 24, 720, 480, 24);
    Text(cr, "HOW TO PLAY", 400, 70, 34, Hex(0x3A7A2A));
    const char* lines[] = {
        "Swap two neighbouring blocks to line up three or more of a kind.",
        "Every match fills the level bar on the right. Fill it to win the level.",
        "The evil force drains the bar. If it runs empty, you lose a life.",
        "Match quickly to raise the effectivity bar: points count x2, x3, x4, x10.",
        "Long lines earn bonuses: click an icon on the left, then the field.",
    };
    double y = 120;
    for (const char* line : lines) {
        cairo_arc(cr, 78, y - 5, 5, 0, 2 * kPi);
        ShadeShape(cr, kGold, 78, y - 5, 5, 1.0);
        TextLeft(cr, line, 92, y, 15, kInk, false);
        y += 34;
    }
    // A worked example: three rubies in a row after a swap.
    const Rgb colours[4] = {Hex(0xE0352B), Hex(0xE0352B), Hex(0x2F6FE0), Hex(0xE0352B)};
    const double row = 308;
    for (int i = 0; i < 4; ++i) {
        const double x = 200 + i * 50;
        RoundRect(cr, x - 21, row - 21, 43, 43, 7);
        SetColor(cr, Hex(0xFFFFFF), 0.5);
        cairo_fill(cr);
        cairo_arc(cr, x + 0.5, row + 0.5, 16, 0, 2 * kPi);
        ShadeShape(cr, colours[i], x, row, 16, 1.2);
    }
    cairo_move_to(cr, 300, row + 28);
    cairo_curve_to(cr, 310, row + 48, 340, row + 48, 350, row + 28);
    SetColor(cr, kInk);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    Text(cr, "swap", 325, row + 56, 14, kInk, 0, false);
    Text(cr, "=", 435, row, 30, kInk, 0, false);
    for (int i = 0; i < 3; ++i) {
        const double x = 490 + i * 46;
        Glow(cr, x, row, 26, kGold, 0.6);
        cairo_arc(cr, x + 0.5, row + 0.5, 16, 0, 2 * kPi);
        ShadeShape(cr, colours[0], x, row, 16, 1.2);
    }
    // The three bonuses.
    const char* names[3] = {"WHIRLWIND", "BUBBLE", "SLOW MOTION"};
    const char* uses[3] = {"blows blocks away", "carries blocks off", "slows time down"};
    for (int i = 0; i < 3; ++i) {
        const double x = 190 + i * 210;
        cairo_save(cr);
        cairo_translate(cr, x, 412);
        cairo_scale(cr, 0.75, 0.75);
        DrawBonusIcon(cr, i, 0, 0);
        cairo_restore(cr);
        Text(cr, names[i], x, 452, 14, Hex(0x3A7A2A), 190);
        Text(cr, uses[i], x, 472, 13, kInk, 190, false);
    }
}

// The overlay zooms this in from twice the board's width: drawn at that size, so it is never
// stretched up, with everything inside the middle 760 px, so it never leaves the board.
constexpr int kKnockdownWidth = 1600;
constexpr int kKnockdownHeight = 400;

void DrawKnockdown(cairo_t* cr) {
    const double cx = kKnockdownWidth / 2.0;
    const double cy = kKnockdownHeight / 2.0;
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, 1.0, 0.36);
    Glow(cr, 0, 0, 300, Hex(0xFF6A30), 0.5);
    cairo_restore(cr);
    StarPath(cr, cx, cy, 96, 62, 16);
    SetColor(cr, Hex(0xFFD040), 0.5);
    cairo_fill(cr);
    Text(cr, "KNOCKDOWN!", cx, cy, 84, Hex(0xFF7A2A), 680);
}

void DrawHelpArrow(cairo_t* cr, int cel) {
    const double dy = 3 * std::sin(cel * kPi / 3);
    cairo_move_to(cr, 12, 2 + dy);
    cairo_line_to(cr, 22, 14 + dy);
    cairo_line_to(cr, 16, 14 + dy);
    cairo_line_to(cr, 16, 28 + dy);
    cairo_line_to(cr, 8, 28 + dy);
    cairo_line_to(cr, 8, 14 + dy);
    cairo_line_to(cr, 2, 14 + dy);
    cairo_close_path(cr);
    FillVertical(cr, Hex(0xFFF0A0), Hex(0xF0A020), 2, 28);
    Outline(cr, 1.3);
    cairo_new_path(cr);
}

void DrawCreditsBackground(cairo_t* cr) {
    cairo_rectangle(cr, 0, 0, 800, 600);
    FillVertical(cr, Hex(0x1A2448), Hex(0x4A5A8A), 0, 600);
    cairo_new_path(cr);
    Random rnd(99);
    for (int i = 0; i < 160; ++i) {
        cairo_arc(cr, rnd.Uniform(0, 800), rnd.Uniform(0, 600), rnd.Uniform(0.5, 1.6), 0, 2 * kPi);
        SetColor(cr, Hex(0xFFFFFF), rnd.Uniform(0.3, 0.9));
        cairo_fill(cr);
    }
    Glow(cr, 400, 300, 330, Hex(0x8AA0E0), 0.25);
    // A moon and the land asleep below it.
    Glow(cr, 640, 120, 90, Hex(0xE8EEFF), 0.35);
    cairo_arc(cr, 640, 120, 30, 0, 2 * kPi);
    FillVertical(cr, Hex(0xFFFFF0), Hex(0xDDE4F4), 90, 150);
    cairo_new_path(cr);
    cairo_move_to(cr, 0, 600);
    for (int x = 0; x <= 800; x += 10) {
        cairo_line_to(cr, x, 520 + 22 * std::sin(x * 0.011) + 10 * std::sin(x * 0.037 + 1));
    }
    cairo_line_to(cr, 800, 600);
    cairo_close_path(cr);
    SetColor(cr, Hex(0x141A30));
    cairo_fill(cr);
    for (const double x : {90.0, 150.0, 610.0, 700.0, 735.0}) {
        const double base = 520 + 22 * std::sin(x * 0.011) + 10 * std::sin(x * 0.037 + 1);
        for (int k = 0; k < 5; ++k) {
            cairo_new_sub_path(cr);
            cairo_arc(cr, x + (k - 2) * 9, base - 40 - (k % 2) * 12, 16, 0, 2 * kPi);
        }
        cairo_rectangle(cr, x - 3, base - 30, 6, 32);
        SetColor(cr, Hex(0x141A30));
        cairo_fill(cr);
    }
}

void DrawCreditsForeground(cairo_t* cr) {
    // A frame of vines and leaves; the middle stays clear.
    Random rnd(12);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int side = 0; side < 4; ++side) {
        for (int i = 0; i < 26; ++i) {
            const double t = i / 25.0;
            double x = 0;
            double y = 0;
            switch (side) {
                case 0:
                    x = t * 800;
                    y = rnd.Uniform(0, 26);
                    break;
                case 1:
                    x = t * 800;
                    y = 600 - rnd.Uniform(0, 26);
                    break;
                case 2:
                    x = rnd.Uniform(0, 26);
                    y = t * 600;
                    break;
                default:
                    x = 800 - rnd.Uniform(0, 26);
                    y = t * 600;
                    break;
            }
            const double a = rnd.Uniform(0, 2 * kPi);
            cairo_save(cr);
            cairo_translate(cr, x, y);
            cairo_rotate(cr, a);
            cairo_move_to(cr, 0, -22);
            cairo_curve_to(cr, 14, -10, 12, 12, 0, 22);
            cairo_curve_to(cr, -12, 12, -14, -10, 0, -22);
            cairo_restore(cr);
            ShadeShape(cr, Shade(Hex(0x3E8A3A), rnd.Uniform(-0.2, 0.2)), x, y, 22, 1.2);
        }
    }
    for (const auto& c :
         {MapPoint{30, 30}, MapPoint{770, 30}, MapPoint{30, 570}, MapPoint{770, 570}}) {
        for (int k = 0; k < 6; ++k) {
            const double a = k * kPi / 3;
            cairo_new_sub_path(cr);
            cairo_arc(cr, c.x + std::cos(a) * 14, c.y + std::sin(a) * 14, 11, 0, 2 * kPi);
        }
        ShadeShape(cr, Hex(0xF58EC0), c.x, c.y, 26, 1.4);
        cairo_arc(cr, c.x, c.y, 9, 0, 2 * kPi);
        ShadeShape(cr, kGold, c.x, c.y, 9, 1.0);
    }
}

}  // namespace

void AddScreenRecipes(std::vector<ImageRecipe>& out) {
    out.push_back(
        StillImage("IMAGE_LANDMAP", "Game", 800, 600, [](cairo_t* cr, int) { DrawLandMap(cr); }));
    out.back().noise = 0.03;
    out.push_back(StillImage("IMAGE_MAPDOT_AURA_BIG", "Game", 40, 40,
                             [](cairo_t* cr, int) { DrawMapAura(cr, 40); }));
    out.push_back(StillImage("IMAGE_MAPDOT_AURA_MEDIUM", "Game", 32, 32,
                             [](cairo_t* cr, int) { DrawMapAura(cr, 32); }));
    out.push_back(StillImage("IMAGE_MAPDOT_BIG_AURA", "Game", 40, 40,
                             [](cairo_t* cr, int) { DrawMapAura(cr, 40); }));
    out.push_back(StillImage("IMAGE_MAPDOT_BIG_GREEN", "Game", 28, 28,
                             [](cairo_t* cr, int) { DrawMapDot(cr, 28, Hex(0x3CB043)); }));
    out.push_back(StillImage("IMAGE_MAPDOT_BIG_PURPLE", "Game", 28, 28,
                             [](cairo_t* cr, int) { DrawMapDot(cr, 28, Hex(0x8E44C8)); }));
    out.push_back(StillImage("IMAGE_MAPDOT_MEDIUM_AURA", "Game", 32, 32,
                             [](cairo_t* cr, int) { DrawMapAura(cr, 32); }));
    out.push_back(StillImage("IMAGE_MAPDOT_MEDIUM_GREEN", "Game", 20, 20,
                             [](cairo_t* cr, int) { DrawMapDot(cr, 20, Hex(0x3CB043)); }));
    out.push_back(StillImage("IMAGE_MAPDOT_MEDIUM_PURPLE", "Game", 20, 20,
                             [](cairo_t* cr, int) { DrawMapDot(cr, 20, Hex(0x8E44C8)); }));
    out.push_back(StillImage("IMAGE_MAPDOT_SMALL_GREEN", "Game", 8, 8,
                             [](cairo_t* cr, int) { DrawMapDot(cr, 8, Hex(0x3CB043)); }));
    out.push_back(StillImage("IMAGE_MAPDOT_SMALL_PURPLE", "Game", 8, 8,
                             [](cairo_t* cr, int) { DrawMapDot(cr, 8, Hex(0x8E44C8)); }));
    out.push_back(StillImage("IMAGE_ZM_LOGO", "TitleScreen", 800, 600,
                             [](cairo_t* cr, int) { DrawZmLogo(cr, 400, 290, 1.6); }));
    out.push_back(StillImage("IMAGE_GAME_LOGO", "TitleScreen", 800, 600,
                             [](cairo_t* cr, int) { DrawVornsLogo(cr, 400, 250, 1.6); }));
    out.push_back(StillImage("IMAGE_PB_CENTER", "TitleScreen", 300, 20,
                             [](cairo_t* cr, int) { DrawLoadingBar(cr, 300, 0); }));
    out.push_back(StillImage("IMAGE_PB_LEFT", "TitleScreen", 10, 20,
                             [](cairo_t* cr, int) { DrawLoadingBar(cr, 10, 1); }));
    out.push_back(StillImage("IMAGE_PB_RIGHT", "TitleScreen", 10, 20,
                             [](cairo_t* cr, int) { DrawLoadingBar(cr, 10, 2); }));
    out.push_back(StillImage("IMAGE_KNOCKDOWN", "Interface", kKnockdownWidth, kKnockdownHeight,
                             [](cairo_t* cr, int) { DrawKnockdown(cr); }));
    out.push_back(StillImage("IMAGE_FOG", "Interface", 128, 128,
                             [](cairo_t* cr, int) { Glow(cr, 64, 64, 64, Hex(0xE8EEF4), 0.7); }));
    out.push_back(StillImage("IMAGE_FLASH", "Interface", 64, 64,
                             [](cairo_t* cr, int) { Glow(cr, 32, 32, 32, Hex(0xFFFFFF), 1.0); }));
    out.push_back(StillImage("IMAGE_HELP", "Interface", 800, 600,
                             [](cairo_t* cr, int) { DrawHelpScreen(cr); }));
    out.push_back(AnimatedImage("IMAGE_HELP_ARROW", "Interface", 24, 32, 1, 6,
                                "<Seq id=\"0\" anim=\"loop\" framedelay=\"80\"/>", DrawHelpArrow));
    out.push_back(StillImage("IMAGE_CREDITS_BACKGROUND", "Credits", 800, 600,
                             [](cairo_t* cr, int) { DrawCreditsBackground(cr); }));
    out.push_back(StillImage("IMAGE_CREDITS_FOREGROUND", "Credits", 800, 600,
                             [](cairo_t* cr, int) { DrawCreditsForeground(cr); }));
    out.push_back(StillImage("IMAGE_ZM_LOGO_W", "Credits", 400, 150,
                             [](cairo_t* cr, int) { DrawZmLogo(cr, 200, 70, 0.62); }));
    out.push_back(StillImage("IMAGE_VORNS_LOGO", "Credits", 500, 200,
                             [](cairo_t* cr, int) { DrawVornsLogo(cr, 250, 105, 0.75); }));
}

}  // namespace make_data::images
