// The three bonus icons with their bases and auras, the slow-motion clock and overlay, and
// the menu sparkle.
#include <cairo.h>

#include <array>
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

// Each picture is centred on the base's socket, so the aura grows about the icon; the hit
// rectangles the board uses stay within a few pixels of it.
constexpr double kWhirlW = 164, kWhirlH = 138, kWhirlX = 82, kWhirlY = 69;
constexpr double kBubbleW = 184, kBubbleH = 128, kBubbleX = 92, kBubbleY = 64;
constexpr double kSlomoW = 174, kSlomoH = 168, kSlomoX = 87, kSlomoY = 84;
constexpr double kIconR = 30;

// The icon base: a wooden socket for the picture (centre about (80, 23)) on a spray of leaves.
// The charge count is written at about (35..60, 33..55), over the dark lower-left leaf.
void DrawBase(cairo_t* cr, int variant) {
    const Rgb leaf = variant == 0 ? Hex(0x4E9A3A) : Hex(0x3F8F7A);
    const double leaves[4][4] = {
        {38, 52, -0.9, 0.62}, {124, 54, 0.9, 0.62}, {80, 76, 0.0, 0.7}, {56, 72, -0.4, 0.5}};
    for (const auto& l : leaves) {
        cairo_save(cr);
        cairo_translate(cr, l[0], l[1]);
        cairo_rotate(cr, l[2]);
        cairo_scale(cr, l[3], l[3]);
        cairo_move_to(cr, 0, -34);
        cairo_curve_to(cr, 26, -16, 22, 22, 0, 36);
        cairo_curve_to(cr, -22, 22, -26, -16, 0, -34);
        cairo_restore(cr);
        ShadeShape(cr, Shade(leaf, l[0] < 60 ? -0.35 : 0.0), l[0], l[1], 34 * l[3], 1.3);
    }
    // The socket: a wooden cup the picture sits in; its back half here, its lip in the top layer.
    cairo_save(cr);
    cairo_translate(cr, 80, 30);
    cairo_scale(cr, 1.0, 0.55);
    cairo_arc(cr, 0, 0, 36, 0, 2 * kPi);
    cairo_restore(cr);
    FillVertical(cr, Hex(0x1E120A), Hex(0x4A3020), 10, 50, 0.9);
    cairo_new_path(cr);
    cairo_move_to(cr, 42, 30);
    cairo_curve_to(cr, 44, 62, 116, 62, 118, 30);
    cairo_curve_to(cr, 112, 44, 48, 44, 42, 30);
    ShadeShape(cr, kWood, 80, 44, 30, 1.4);
}

void DrawBaseTop(cairo_t* cr) {
    // The cup's front lip and a small flower on it.
    cairo_move_to(cr, 42, 30);
    cairo_curve_to(cr, 48, 48, 112, 48, 118, 30);
    cairo_curve_to(cr, 114, 56, 46, 56, 42, 30);
    ShadeShape(cr, Shade(kWood, 0.15), 80, 42, 30, 1.2);
    cairo_move_to(cr, 50, 40);
    cairo_curve_to(cr, 62, 47, 98, 47, 110, 40);
    SetColor(cr, Hex(0xFFE2B0), 0.45);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    for (int k = 0; k < 5; ++k) {
        const double a = k * 2 * kPi / 5;
        cairo_new_sub_path(cr);
        cairo_arc(cr, 114 + std::cos(a) * 6, 44 + std::sin(a) * 6, 5, 0, 2 * kPi);
    }
    SetColor(cr, Hex(0xFFF4F8));
    cairo_fill_preserve(cr);
    Outline(cr, 0.8, kInk, 0.5);
    cairo_new_path(cr);
    cairo_arc(cr, 114, 44, 3.5, 0, 2 * kPi);
    SetColor(cr, kGold);
    cairo_fill(cr);
}

void Orb(cairo_t* cr, double cx, double cy, Rgb c) {
    cairo_arc(cr, cx, cy, kIconR, 0, 2 * kPi);
    ShadeShape(cr, c, cx, cy, kIconR, 1.5);
}

void GlassShine(cairo_t* cr, double cx, double cy) {
    cairo_save(cr);
    cairo_translate(cr, cx - 9, cy - 14);
    cairo_scale(cr, 1.0, 0.55);
    cairo_arc(cr, 0, 0, 13, 0, 2 * kPi);
    cairo_restore(cr);
    SetColor(cr, Hex(0xFFFFFF), 0.6);
    cairo_fill(cr);
}

void DrawWhirlIcon(cairo_t* cr) {
    const double cx = kWhirlX;
    const double cy = kWhirlY;
    Orb(cr, cx, cy, Hex(0x2C7FD0));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int arm = 0; arm < 3; ++arm) {
        cairo_new_path(cr);
        for (int i = 0; i <= 40; ++i) {
            const double t = i / 40.0;
            const double a = arm * 2 * kPi / 3 + t * 3.4;
            const double r = 3 + t * 22;
            cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
        }
        SetColor(cr, Hex(0xE8F8FF), 0.9);
        cairo_set_line_width(cr, 3.2);
        cairo_stroke(cr);
    }
    GlassShine(cr, cx, cy);
}

void DrawBubbleIcon(cairo_t* cr) {
    const double cx = kBubbleX;
    const double cy = kBubbleY;
    Orb(cr, cx, cy, Hex(0x7CC8E8));
    cairo_arc(cr, cx + 2, cy + 3, 19, 0, 2 * kPi);
    cairo_pattern_t* p = cairo_pattern_create_linear(cx - 19, cy - 16, cx + 21, cy + 22);
    const Rgb rainbow[5] = {Hex(0xFF9AC8), Hex(0xFFE680), Hex(0x9AF0A8), Hex(0x9AD0FF),
                            Hex(0xD0A8FF)};
    for (int i = 0; i < 5; ++i) {
        cairo_pattern_add_color_stop_rgba(p, i / 4.0, rainbow[i].r, rainbow[i].g, rainbow[i].b,
                                          0.75);
    }
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    Outline(cr, 1.6, Hex(0xFFFFFF), 0.9);
    cairo_new_path(cr);
    for (const auto& b : {std::array<double, 3>{-16, 14, 5}, std::array<double, 3>{17, -15, 4}}) {
        cairo_arc(cr, cx + b[0], cy + b[1], b[2], 0, 2 * kPi);
        SetColor(cr, Hex(0xFFFFFF), 0.8);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    }
    GlassShine(cr, cx, cy);
}

void DrawClockFace(cairo_t* cr, double cx, double cy, double r) {
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    ShadeShape(cr, kGold, cx, cy, r, 1.5);
    cairo_arc(cr, cx, cy, r * 0.8, 0, 2 * kPi);
    FillVertical(cr, Hex(0xFFFFFF), Hex(0xEDE4CC), cy - r, cy + r);
    Outline(cr, 1.0, Shade(kGold, -0.5), 0.8);
    cairo_new_path(cr);
    for (int k = 0; k < 12; ++k) {
        const double a = k * kPi / 6;
        const double inner = k % 3 == 0 ? r * 0.58 : r * 0.66;
        cairo_move_to(cr, cx + std::cos(a) * inner, cy + std::sin(a) * inner);
        cairo_line_to(cr, cx + std::cos(a) * r * 0.74, cy + std::sin(a) * r * 0.74);
        SetColor(cr, kInk, 0.8);
        cairo_set_line_width(cr, k % 3 == 0 ? 2.0 : 1.0);
        cairo_stroke(cr);
    }
    cairo_arc(cr, cx, cy, 2.5, 0, 2 * kPi);
    SetColor(cr, kInk);
    cairo_fill(cr);
}

void DrawSlomoIcon(cairo_t* cr) {
    DrawClockFace(cr, kSlomoX, kSlomoY, kIconR);
}

void DrawSlomoHand(cairo_t* cr) {
    // Pointing up from the picture's centre, the pivot the board rotates it about.
    cairo_move_to(cr, kSlomoX - 2.2, kSlomoY + 4);
    cairo_line_to(cr, kSlomoX - 1, kSlomoY - 20);
    cairo_line_to(cr, kSlomoX, kSlomoY - 22);
    cairo_line_to(cr, kSlomoX + 1, kSlomoY - 20);
    cairo_line_to(cr, kSlomoX + 2.2, kSlomoY + 4);
    cairo_close_path(cr);
    SetColor(cr, Hex(0xC0302A));
    cairo_fill_preserve(cr);
    Outline(cr, 0.8);
    cairo_new_path(cr);
    cairo_arc(cr, kSlomoX, kSlomoY, 3.2, 0, 2 * kPi);
    SetColor(cr, Hex(0xC0302A));
    cairo_fill(cr);
}

void DrawAura(cairo_t* cr, double cx, double cy, Rgb c, double strength) {
    Glow(cr, cx, cy, 62, c, 0.55 * strength);
    cairo_arc(cr, cx, cy, kIconR + 6, 0, 2 * kPi);
    SetColor(cr, Shade(c, 0.5), 0.8 * strength);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    for (int k = 0; k < 8; ++k) {
        const double a = k * kPi / 4 + kPi / 8;
        StarPath(cr, cx + std::cos(a) * 44, cy + std::sin(a) * 44, 4.5, 1.2, 4);
    }
    SetColor(cr, Hex(0xFFFFFF), 0.85 * strength);
    cairo_fill(cr);
}

// The clock that rings when slow motion ends: it shakes, rings and settles.
void DrawSlomoClock(cairo_t* cr, int cel) {
    // Drawn at the picture's place + (10, -6): centred on the socket.
    const double cx = kSlomoX - 10;
    const double cy = kSlomoY + 6;
    const double shake = (cel < 8) ? std::sin(cel * kPi / 2) * 0.18 * (1 - cel / 8.0) : 0;
    const double ring = cel < 8 ? 1.0 - cel / 8.0 : 0.0;
    if (ring > 0) {
        Glow(cr, cx, cy, 70, Hex(0xFFF0A0), 0.6 * ring);
        for (int k = 0; k < 3; ++k) {
            cairo_arc(cr, cx, cy, 40 + k * 10 + cel * 3, -2.4, -0.7);
            SetColor(cr, Hex(0xFFFFFF), 0.6 * ring);
            cairo_set_line_width(cr, 2);
            cairo_stroke(cr);
        }
    }
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, shake);
    cairo_translate(cr, -cx, -cy);
    for (const double dx : {-22.0, 22.0}) {
        cairo_arc(cr, cx + dx, cy - 30, 10, 0, 2 * kPi);
        ShadeShape(cr, kGold, cx + dx, cy - 30, 10, 1.2);
    }
    DrawClockFace(cr, cx, cy, 32);
    cairo_move_to(cr, cx, cy);
    cairo_line_to(cr, cx, cy - 20);
    cairo_move_to(cr, cx, cy);
    cairo_line_to(cr, cx + 13 * std::cos(cel * 0.6), cy - 13 * std::sin(cel * 0.6 + 1));
    SetColor(cr, Hex(0xC0302A));
    cairo_set_line_width(cr, 2.4);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void DrawSlomoEffect(cairo_t* cr, int frame) {
    const double c = 300;
    Glow(cr, c, c, 300, Hex(0x8CC8FF), 0.35);
    for (int k = 0; k < 60; ++k) {
        const double a = k * 2 * kPi / 60 + frame * kPi / 60;
        const double inner = k % 5 == 0 ? 220 : 245;
        cairo_move_to(cr, c + std::cos(a) * inner, c + std::sin(a) * inner);
        cairo_line_to(cr, c + std::cos(a) * 270, c + std::sin(a) * 270);
        SetColor(cr, Hex(0xDDF0FF), k % 5 == 0 ? 0.7 : 0.35);
        cairo_set_line_width(cr, k % 5 == 0 ? 5 : 2);
        cairo_stroke(cr);
    }
    cairo_arc(cr, c, c, 280, 0, 2 * kPi);
    SetColor(cr, Hex(0xBFE4FF), 0.4);
    cairo_set_line_width(cr, 6);
    cairo_stroke(cr);
    if (frame == 1) {
        for (int k = 0; k < 12; ++k) {
            const double a = k * kPi / 6;
            cairo_move_to(cr, c, c);
            cairo_arc(cr, c, c, 290, a - 0.05, a + 0.05);
            cairo_close_path(cr);
        }
        SetColor(cr, Hex(0xFFFFFF), 0.12);
        cairo_fill(cr);
    }
}

void DrawSpark(cairo_t* cr, int cel) {
    const double t = std::sin((cel + 1) * kPi / 9.0);
    Glow(cr, 24, 24, 22 * t, Hex(0xFFF2B0), 0.8);
    StarPath(cr, 24, 24, 22 * t, 3 * t, 4, cel * 0.15);
    SetColor(cr, Hex(0xFFFFFF), 0.95);
    cairo_fill(cr);
    StarPath(cr, 24, 24, 12 * t, 2 * t, 4, kPi / 4 + cel * 0.15);
    SetColor(cr, Hex(0xFFF6C8), 0.8);
    cairo_fill(cr);
}

}  // namespace

void DrawBonusIcon(cairo_t* cr, int which, double cx, double cy) {
    cairo_save(cr);
    if (which == 0) {
        cairo_translate(cr, cx - kWhirlX, cy - kWhirlY);
        DrawWhirlIcon(cr);
    } else if (which == 1) {
        cairo_translate(cr, cx - kBubbleX, cy - kBubbleY);
        DrawBubbleIcon(cr);
    } else {
        cairo_translate(cr, cx - kSlomoX, cy - kSlomoY);
        DrawSlomoIcon(cr);
        DrawSlomoHand(cr);
    }
    cairo_restore(cr);
}

void AddIconRecipes(std::vector<ImageRecipe>& out) {
    out.push_back(StillImage("IMAGE_BONUSICON_BASE1", "Game", 166, 134,
                             [](cairo_t* cr, int) { DrawBase(cr, 0); }));
    out.push_back(StillImage("IMAGE_BONUSICON_BASE2", "Game", 166, 134,
                             [](cairo_t* cr, int) { DrawBase(cr, 1); }));
    out.push_back(StillImage("IMAGE_BONUSICON_TOP", "Game", 166, 134,
                             [](cairo_t* cr, int) { DrawBaseTop(cr); }));
    out.push_back(
        StillImage("IMAGE_BUBBLEICON_AURAOVER", "Game", kBubbleW, kBubbleH,
                   [](cairo_t* cr, int) { DrawAura(cr, kBubbleX, kBubbleY, Hex(0xFFE070), 1.0); }));
    out.push_back(
        StillImage("IMAGE_BUBBLEICON_AURAUSES", "Game", kBubbleW, kBubbleH,
                   [](cairo_t* cr, int) { DrawAura(cr, kBubbleX, kBubbleY, Hex(0x9AE0FF), 1.0); }));
    out.push_back(StillImage("IMAGE_BUBBLEICON_NORM", "Game", kBubbleW, kBubbleH,
                             [](cairo_t* cr, int) { DrawBubbleIcon(cr); }));
    out.push_back(
        StillImage("IMAGE_BUXPbICON_AURAOVER", "Game", kWhirlW, kWhirlH,
                   [](cairo_t* cr, int) { DrawAura(cr, kWhirlX, kWhirlY, Hex(0xFFE070), 1.0); }));
    out.push_back(
        StillImage("IMAGE_BUXPbICON_AURAUSES", "Game", kWhirlW, kWhirlH,
                   [](cairo_t* cr, int) { DrawAura(cr, kWhirlX, kWhirlY, Hex(0x80D0FF), 1.0); }));
    out.push_back(StillImage("IMAGE_BUXPbICON_NORM", "Game", kWhirlW, kWhirlH,
                             [](cairo_t* cr, int) { DrawWhirlIcon(cr); }));
    for (int f = 0; f < 2; ++f) {
        out.push_back(StillImage("IMAGE_SLOMO_EFFECT_F" + std::to_string(f), "Game", 600, 600,
                                 [f](cairo_t* cr, int) { DrawSlomoEffect(cr, f); }));
    }
    out.push_back(StillImage("IMAGE_SLOMOICON_ARROW", "Game", kSlomoW, kSlomoH,
                             [](cairo_t* cr, int) { DrawSlomoHand(cr); }));
    out.push_back(
        StillImage("IMAGE_SLOMOICON_AURAOVER", "Game", kSlomoW, kSlomoH,
                   [](cairo_t* cr, int) { DrawAura(cr, kSlomoX, kSlomoY, Hex(0xFFE070), 1.0); }));
    out.push_back(StillImage("IMAGE_SLOMOICON_NORM", "Game", kSlomoW, kSlomoH,
                             [](cairo_t* cr, int) { DrawSlomoIcon(cr); }));
    out.push_back(AnimatedImage("IMAGE_MM_SPARK1", "Game", 48, 48, 1, 8,
                                "<Seq id=\"0\" anim=\"once\" framedelay=\"4\"/>", DrawSpark));
    out.push_back(AnimatedImage("IMAGE_SLOMO_CLOCK", "Game", 150, 170, 1, 10,
                                "<Seq id=\"0\" anim=\"once\" framedelay=\"90\"/>", DrawSlomoClock));
}

}  // namespace make_data::images
