// The board's furniture: the bottom panel, the two bars and their labels, the guide, the
// hearts and the cursors.
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

// The effectivity fill: 227 cels, cel i filled to i / 226 of the groove.
constexpr int kFlowerCels = 227;
constexpr double kFillW = 390;
constexpr double kFillH = 28;

void Plaque(cairo_t* cr, double x, double y, double w, double h) {
    RoundRect(cr, x, y, w, h, 8);
    FillVertical(cr, Hex(0x3A2416), Hex(0x5A3A24), y, y + h, 0.9);
    Outline(cr, 1.0, Hex(0xC89A60), 0.6);
    cairo_new_path(cr);
}

void PanelOutline(cairo_t* cr) {
    // The left part is a lower counter the guide leans on; the groove sits on the higher middle.
    cairo_move_to(cr, 0, 16);
    cairo_curve_to(cr, 100, 12, 200, 12, 262, 14);
    cairo_curve_to(cr, 274, 14, 276, 2, 290, 2);
    cairo_curve_to(cr, 500, -1, 600, -1, 800, 4);
    cairo_line_to(cr, 800, 90);
    cairo_line_to(cr, 0, 90);
    cairo_close_path(cr);
}

void DrawPanel(cairo_t* cr) {
    // Wooden board with a grain, then the recessed slots for lives, level, score and the bar.
    PanelOutline(cr);
    FillVertical(cr, Shade(kWood, 0.2), Shade(kWood, -0.35), 0, 90);
    cairo_save(cr);
    cairo_clip_preserve(cr);
    Outline(cr, 3.0);
    cairo_new_path(cr);
    Random rnd(3);
    for (int i = 0; i < 26; ++i) {
        const double y = rnd.Uniform(10, 88);
        cairo_move_to(cr, 0, y);
        for (int x = 0; x <= 800; x += 40) {
            cairo_line_to(cr, x, y + 2.0 * std::sin(x * 0.01 + i));
        }
        SetColor(cr, Shade(kWood, -0.5), 0.18);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
    }
    cairo_translate(cr, 0, 3);
    PanelOutline(cr);
    SetColor(cr, Hex(0xFFE2B0), 0.35);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_restore(cr);
    // The game writes lives, level and score on the small display face's baseline at 22 plus its
    // ascent: the slots sit around those capitals.
    Plaque(cr, 18, 20, 66, 28);
    Plaque(cr, 88, 20, 76, 28);
    Plaque(cr, 168, 20, 114, 28);
    // The effectivity groove the flower fill grows in.
    RoundRect(cr, 290, 2, 400, 28, 13);
    FillVertical(cr, Hex(0x241608), Hex(0x4A3018), 2, 30, 0.95);
    Outline(cr, 1.5, Hex(0xE0B878), 0.7);
    cairo_new_path(cr);
    // Leaves at the ends of the groove and small studs.
    for (const double x : {286.0, 694.0}) {
        cairo_arc(cr, x, 16, 9, 0, 2 * kPi);
        ShadeShape(cr, kGold, x, 16, 9, 1.0);
    }
    Text(cr, "LIVES", 51, 60, 10, kCream);
    Text(cr, "LEVEL", 126, 60, 10, kCream);
    Text(cr, "SCORE", 225, 60, 10, kCream);
    Text(cr, "EFFECTIVITY", 490, 48, 11, kCream);
}

void DrawFlowerFill(cairo_t* cr, int cel) {
    const double fill = kFillW * cel / (kFlowerCels - 1);
    if (fill < 1) {
        return;
    }
    const double t = static_cast<double>(cel) / (kFlowerCels - 1);
    const Rgb c = Mix(Hex(0x5DBB3E), Hex(0xF5C030), t);
    // The groove under the fill runs 3 pixels lower than the cel's top.
    RoundRect(cr, 1, 5, fill - 2, kFillH - 8, 9);
    FillVertical(cr, Shade(c, 0.4), Shade(c, -0.25), 5, kFillH - 3);
    Outline(cr, 1.0, Shade(c, -0.6), 0.8);
    cairo_new_path(cr);
    // The vine's flowers, each opening as the fill passes it.
    for (double x = 18; x < fill - 6; x += 34) {
        const double open = std::min(1.0, (fill - 6 - x) / 30.0);
        const double r = 3.0 + 3.5 * open;
        const double y = kFillH / 2 + 1 + ((static_cast<int>(x) / 34) % 2 == 0 ? -2 : 2);
        for (int k = 0; k < 5; ++k) {
            const double a = k * 2 * kPi / 5 + x;
            cairo_new_sub_path(cr);
            cairo_arc(cr, x + std::cos(a) * r * 0.7, y + std::sin(a) * r * 0.7, r * 0.55, 0,
                      2 * kPi);
        }
        SetColor(cr, Hex(0xFFFFFF), 0.9);
        cairo_fill(cr);
        cairo_arc(cr, x, y, r * 0.35, 0, 2 * kPi);
        SetColor(cr, Hex(0xF08A24), 1.0);
        cairo_fill(cr);
    }
    RoundRect(cr, 4, 7, fill - 8, 5, 2.5);
    SetColor(cr, Hex(0xFFFFFF), 0.35);
    cairo_fill(cr);
}

void DrawBarCore(cairo_t* cr) {
    // A glass tube around the axis x = 43 from y 25 to 395. Its inside (32..54, 17..403) is dark
    // and plain: the game paints the fill over it, the forces stay inside it.
    RoundRect(cr, 29, 14, 28, 392, 14);
    FillVertical(cr, Hex(0x1E1428), Hex(0x2A1C34), 14, 406, 0.92);
    Outline(cr, 4.0, kWood, 1.0);
    Outline(cr, 1.2);
    cairo_new_path(cr);
    // Ticks every tenth of the length, outside the tube.
    for (int i = 1; i < 10; ++i) {
        const double y = 395 - i * 37.0;
        cairo_move_to(cr, 58, y);
        cairo_line_to(cr, 66, y);
        SetColor(cr, Hex(0xFFF2D0), 0.9);
        cairo_set_line_width(cr, i == 5 ? 2.5 : 1.5);
        cairo_stroke(cr);
    }
}

void DrawBarSources(cairo_t* cr) {
    // Glass over the fill: a narrow soft highlight, so the fill keeps its colour.
    cairo_pattern_t* glass = cairo_pattern_create_linear(32, 0, 54, 0);
    cairo_pattern_add_color_stop_rgba(glass, 0, 1, 1, 1, 0.0);
    cairo_pattern_add_color_stop_rgba(glass, 0.25, 1, 1, 1, 0.28);
    cairo_pattern_add_color_stop_rgba(glass, 0.45, 1, 1, 1, 0.0);
    cairo_set_source(cr, glass);
    RoundRect(cr, 32, 20, 22, 380, 11);
    cairo_fill(cr);
    cairo_pattern_destroy(glass);
    // The evil source on top (a dark crystal), where its force pours down from; the good one
    // below (a sun flower), where the land's colour rises from.
    PolygonPath(cr, 43, 16, 15, 6, kPi / 6);
    ShadeShape(cr, Hex(0x7A2C9A), 43, 16, 15, 1.2);
    StarPath(cr, 43, 16, 8, 3, 4);
    SetColor(cr, Hex(0xE9A8FF), 0.7);
    cairo_fill(cr);
    for (int k = 0; k < 12; ++k) {
        const double a = k * kPi / 6;
        cairo_save(cr);
        cairo_translate(cr, 43, 404);
        cairo_rotate(cr, a);
        cairo_scale(cr, 1.0, 0.45);
        cairo_arc(cr, 13, 0, 7, 0, 2 * kPi);
        cairo_restore(cr);
        ShadeShape(cr, Hex(0xF7C531), 43, 404, 20, 0.8);
    }
    cairo_arc(cr, 43, 404, 8, 0, 2 * kPi);
    ShadeShape(cr, Hex(0x9A5A22), 43, 404, 8, 1.0);
}

void DrawCoefficient(cairo_t* cr, const std::string& text) {
    Glow(cr, 36, 20, 34, kGold, 0.35);
    Text(cr, text, 36, 20, 30, Hex(0xFFD85A), 68);
}

// The guide: a round leaf sprite. Cel 0 eyes open, 1 half, 2 closed.
void DrawGuide(cairo_t* cr, int cel) {
    const double cx = 82;
    // Body, behind the panel's upper half.
    cairo_save(cr);
    cairo_translate(cr, cx, 118);
    cairo_scale(cr, 1.0, 1.15);
    cairo_arc(cr, 0, 0, 43, 0, 2 * kPi);
    cairo_restore(cr);
    ShadeShape(cr, Hex(0x62B04A), cx, 118, 47, 1.6);
    // Leaf hat with a stalk, rooted in the top of the head.
    cairo_move_to(cr, cx - 6, 72);
    cairo_curve_to(cr, cx - 40, 50, cx - 30, 22, cx + 2, 16);
    cairo_curve_to(cr, cx + 26, 28, cx + 20, 58, cx - 6, 72);
    ShadeShape(cr, Hex(0x2F8A3A), cx - 8, 44, 26, 1.4);
    cairo_move_to(cr, cx - 6, 72);
    cairo_curve_to(cr, cx - 10, 52, cx - 4, 34, cx + 2, 18);
    SetColor(cr, Hex(0x1B5A22), 0.8);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    // Cheeks, eyes and a smile.
    for (const double dx : {-22.0, 22.0}) {
        Glow(cr, cx + dx * 1.2, 118, 10, Hex(0xFF8A8A), 0.5);
        const double ex = cx + dx * 0.55;
        const double ey = 98;
        cairo_save(cr);
        cairo_translate(cr, ex, ey);
        const double open = cel == 0 ? 1.0 : (cel == 1 ? 0.45 : 0.08);
        cairo_scale(cr, 1.0, open);
        cairo_arc(cr, 0, 0, 10, 0, 2 * kPi);
        cairo_restore(cr);
        SetColor(cr, Hex(0xFFFFFF));
        cairo_fill_preserve(cr);
        Outline(cr, 1.3);
        cairo_new_path(cr);
        if (cel < 2) {
            cairo_save(cr);
            cairo_translate(cr, ex + 2, ey + 1);
            cairo_scale(cr, 1.0, open);
            cairo_arc(cr, 0, 0, 5.5, 0, 2 * kPi);
            cairo_restore(cr);
            SetColor(cr, Hex(0x2A2030));
            cairo_fill(cr);
            cairo_arc(cr, ex + 4, ey - 2 * open, 1.8, 0, 2 * kPi);
            SetColor(cr, Hex(0xFFFFFF));
            cairo_fill(cr);
        }
    }
    cairo_arc(cr, cx, 118, 14, 0.25 * kPi, 0.75 * kPi);
    SetColor(cr, Hex(0x2A1A10), 0.9);
    cairo_set_line_width(cr, 2.2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
}

void DrawHands(cairo_t* cr) {
    for (const double x : {12.0, 46.0}) {
        cairo_save(cr);
        cairo_translate(cr, x, 9);
        cairo_scale(cr, 1.0, 0.75);
        cairo_arc(cr, 0, 0, 11, 0, 2 * kPi);
        cairo_restore(cr);
        ShadeShape(cr, Hex(0x62B04A), x, 9, 11, 1.3);
        for (int f = -1; f <= 1; ++f) {
            cairo_move_to(cr, x + f * 4.5, 9);
            cairo_line_to(cr, x + f * 4.5, 16);
            SetColor(cr, Hex(0x2E6A26), 0.7);
            cairo_set_line_width(cr, 1.0);
            cairo_stroke(cr);
        }
    }
}

void ArrowPath(cairo_t* cr) {
    cairo_move_to(cr, 1.5, 1.5);
    cairo_line_to(cr, 1.5, 23);
    cairo_line_to(cr, 7, 18);
    cairo_line_to(cr, 11, 27);
    cairo_line_to(cr, 15, 25);
    cairo_line_to(cr, 11, 16.5);
    cairo_line_to(cr, 18.5, 16.5);
    cairo_close_path(cr);
}

// The pointer's hot spot is the picture's centre (the cursor is drawn centred on it), so the
// arrow's tip sits there and the arrow reaches into the lower right quarter.
constexpr int kCursorSide = 64;

void DrawCursor(cairo_t* cr, int kind) {
    cairo_translate(cr, kCursorSide / 2 - 1.0, kCursorSide / 2 - 1.0);
    cairo_save(cr);
    cairo_translate(cr, 1.2, 1.6);
    ArrowPath(cr);
    SetColor(cr, kInk, 0.35);
    cairo_fill(cr);
    cairo_restore(cr);
    ArrowPath(cr);
    // Pressed, the arrow turns gold.
    FillVertical(cr, Hex(0xFFFFFF), kind == 1 ? Hex(0xF6C842) : Hex(0xF2E6C8), 0, 26);
    Outline(cr, 1.4, kInk, 1.0);
    cairo_new_path(cr);
    if (kind == 2) {
        // Dragging: a small four-way mark beside the arrow.
        for (int k = 0; k < 4; ++k) {
            cairo_save(cr);
            cairo_translate(cr, 24, 24);
            cairo_rotate(cr, k * kPi / 2);
            cairo_move_to(cr, 0, -7);
            cairo_line_to(cr, 3.5, -3);
            cairo_line_to(cr, -3.5, -3);
            cairo_close_path(cr);
            cairo_restore(cr);
        }
        SetColor(cr, kGold);
        cairo_fill_preserve(cr);
        Outline(cr, 1.0);
        cairo_new_path(cr);
    }
}

}  // namespace

void DrawGuideFigure(cairo_t* cr, int cel) {
    DrawGuide(cr, cel);
}

void AddBoardRecipes(std::vector<ImageRecipe>& out) {
    const char* coefs[4][2] = {{"10", "x10"}, {"2", "x2"}, {"3", "x3"}, {"4", "x4"}};
    for (const auto& c : coefs) {
        const std::string text = c[1];
        out.push_back(StillImage(std::string("IMAGE_EFFECTIVE_PB_COEF") + c[0], "Game", 72, 40,
                                 [text](cairo_t* cr, int) { DrawCoefficient(cr, text); }));
    }
    out.push_back(
        StillImage("IMAGE_INTERFACE", "Game", 800, 90, [](cairo_t* cr, int) { DrawPanel(cr); }));
    out.push_back(StillImage("IMAGE_LEVEL_PROGRESSBAR_CORE", "Game", 90, 420,
                             [](cairo_t* cr, int) { DrawBarCore(cr); }));
    out.push_back(StillImage("IMAGE_LEVEL_PROGRESSBAR_SOURCES", "Game", 90, 420,
                             [](cairo_t* cr, int) { DrawBarSources(cr); }));
    out.push_back(
        StillImage("IMAGE_LUCHEG_RUCHKI", "Game", 60, 30, [](cairo_t* cr, int) { DrawHands(cr); }));
    out.push_back(StillImage("IMAGE_MAINCURSOR", "Game", kCursorSide, kCursorSide,
                             [](cairo_t* cr, int) { DrawCursor(cr, 0); }));
    out.push_back(StillImage("IMAGE_MAINCURSOR_DRAG", "Game", kCursorSide, kCursorSide,
                             [](cairo_t* cr, int) { DrawCursor(cr, 2); }));
    out.push_back(StillImage("IMAGE_MAINCURSOR_PRESS", "Game", kCursorSide, kCursorSide,
                             [](cairo_t* cr, int) { DrawCursor(cr, 1); }));
    out.push_back(StillImage("IMAGE_SMALL_HEART", "Game", 20, 18, [](cairo_t* cr, int) {
        HeartPath(cr, 10, 9.5, 17);
        ShadeShape(cr, Hex(0xE8324A), 10, 9, 9, 1.2);
    }));
    out.push_back(AnimatedImage(
        "IMAGE_LUCHEG", "Game", 130, 180, 1, 3,
        "<Seq id=\"0\" anim=\"loop\" framedelay=\"60\" begindelay=\"3200\" framemap=\"0,1,2,1\"/>",
        DrawGuide));
    out.push_back(AnimatedImage("IMAGE_PROGRESSBAR_FLOWERS_ANIM", "Game", static_cast<int>(kFillW),
                                static_cast<int>(kFillH), kFlowerCels, 1,
                                "<Seq id=\"0\" anim=\"loop\" framedelay=\"100\"/>",
                                DrawFlowerFill));
}

}  // namespace make_data::images
