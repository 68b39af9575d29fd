// Dialog backgrounds with their titles and labels painted in, and the speech balloons.
// Each dialog picture is box-friendly: its sides are multiples of 3, the rim is even along
// each edge and the face changes only from top to bottom.
#include <cairo.h>

#include <cmath>
#include <numbers>
#include <string>

#include "make_data/images/Art.h"
#include "make_data/images/FaceSet.h"
#include "make_data/images/ImageRecipe.h"

namespace make_data::images {
namespace {

using namespace art;
constexpr double kPi = std::numbers::pi;
constexpr Rgb kTitle = Hex(0xFFE07A);
constexpr Rgb kLabel = Hex(0x5A3418);

// A sprig of three leaves, for the dialogs' corners.
void Sprig(cairo_t* cr, double x, double y, double turn) {
    for (int k = -1; k <= 1; ++k) {
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_rotate(cr, turn + k * 0.6);
        cairo_move_to(cr, 0, 0);
        cairo_curve_to(cr, -9, -8, -8, -22, 0, -30);
        cairo_curve_to(cr, 8, -22, 9, -8, 0, 0);
        cairo_restore(cr);
        ShadeShape(cr, Hex(0x4E9A3A), x, y - 15, 16, 1.0);
    }
    for (int k = 0; k < 5; ++k) {
        const double a = k * 2 * kPi / 5;
        cairo_new_sub_path(cr);
        cairo_arc(cr, x + std::cos(a) * 5, y + std::sin(a) * 5, 4.2, 0, 2 * kPi);
    }
    ShadeShape(cr, Hex(0xF58EC0), x, y, 9, 0.8);
    cairo_arc(cr, x, y, 2.8, 0, 2 * kPi);
    SetColor(cr, kGold);
    cairo_fill(cr);
}

void Dialog(cairo_t* cr, double w, double h, const std::string& title, double rim = 9.0) {
    Panel(cr, 0, 0, w, h, 22, kParchment, kWood, rim);
    Sprig(cr, 30, 40, -0.8);
    Sprig(cr, w - 34, 40, 0.8);
    // Title ribbon across the top.
    RoundRect(cr, w * 0.18, 10, w * 0.64, 38, 12);
    FillVertical(cr, Hex(0x6AAE4A), Hex(0x3A7A2A), 10, 48);
    Outline(cr, 1.4);
    cairo_new_path(cr);
    Text(cr, title, w / 2, 29, 21, kTitle, w * 0.58);
}

void Label(cairo_t* cr, const std::string& text, double x, double centreY, double size = 15) {
    cairo_save(cr);
    FaceSet::Select(cr, true);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, "X", &ext);
    cairo_restore(cr);
    TextLeft(cr, text, x, centreY - ext.height / 2 - ext.y_bearing, size, kLabel);
}

// A sunken dark field: the name, list, score and result texts are written in white over it.
void Well(cairo_t* cr, double x, double y, double w, double h) {
    RoundRect(cr, x, y, w, h, 6);
    FillVertical(cr, Hex(0x2A1C12), Hex(0x4A3424), y, y + h);
    Outline(cr, 1.5, Hex(0xC8A070), 0.9);
    cairo_new_path(cr);
    RoundRect(cr, x + 1.5, y + 1.5, w - 3, 5, 3);
    SetColor(cr, kInk, 0.4);
    cairo_fill(cr);
}

// The options and pause dialogs are boxed into 407 x 375, but their buttons' fixed places
// put each pair's middle left of the box's: the panel is narrower than the picture, centred
// on its buttons, and the right of the picture stays clear. The sliders' names go above
// them, since the panel ends soon after the sliders.
void VolumeControls(cairo_t* cr) {
    Label(cr, "SOUND", 37, 97, 13);
    Label(cr, "MUSIC", 37, 150, 13);
    Label(cr, "FULL SCREEN", 108, 242);
    Label(cr, "HELP", 108, 274);
}

// OK (32 to 100) and CANCEL (200 to 294), 24 px inside the rim's inner edge either side.
void DrawOptions(cairo_t* cr) {
    Dialog(cr, 329, 378, "OPTIONS", 7);
    VolumeControls(cr);
}

// MAIN MENU (its button 20 px into its picture at -3) and CONTINUE (at 195), so from 17 to
// 319, and 33 px high from 329: 9 px inside the rim either side, 5 above its foot (the panel
// is cut at its shadow so that its rim ends on the picture's last row).
void DrawPause(cairo_t* cr) {
    Dialog(cr, 339, 378, "GAME PAUSED", 7);
    VolumeControls(cr);
}

void DrawProfiles(cairo_t* cr) {
    Dialog(cr, 339, 450, "PROFILES");
    Label(cr, "ENTER NEW NAME", 36, 68, 12);
    Well(cr, 33, 78, 269, 22);
    Label(cr, "CHOOSE A PLAYER", 36, 158, 12);
    Well(cr, 33, 173, 269, 188);
}

void DrawHighScores(cairo_t* cr) {
    Dialog(cr, 339, 423, "HIGH SCORES");
    Well(cr, 20, 64, 299, 290);
}

void DrawGameOver(cairo_t* cr) {
    Dialog(cr, 339, 357, "GAME OVER");
    Text(cr, "The evil force has won", 169.5, 110, 16, kLabel, 290, false);
    Text(cr, "this time.", 169.5, 134, 16, kLabel, 290, false);
    Text(cr, "Rest a little and try again!", 169.5, 175, 15, kLabel, 290, false);
    HeartPath(cr, 169.5, 236, 44);
    ShadeShape(cr, Hex(0x9A6A7A), 169.5, 236, 22, 1.5);
}

void DrawNewGame(cairo_t* cr) {
    Dialog(cr, 321, 330, "NEW GAME");
    Text(cr, "START A NEW GAME?", 160.5, 95, 18, kLabel, 290, false);
    Text(cr, "YOUR SAVED GAME", 160.5, 130, 15, Hex(0xA03A2A), 290, false);
    Text(cr, "WILL BE LOST.", 160.5, 152, 15, Hex(0xA03A2A), 290, false);
    for (int k = 0; k < 5; ++k) {
        const double a = k * 2 * kPi / 5;
        cairo_new_sub_path(cr);
        cairo_arc(cr, 160.5 + std::cos(a) * 12, 275 + std::sin(a) * 12, 10, 0, 2 * kPi);
    }
    ShadeShape(cr, Hex(0xF58EC0), 160.5, 275, 22, 1.3);
    cairo_arc(cr, 160.5, 275, 7, 0, 2 * kPi);
    ShadeShape(cr, kGold, 160.5, 275, 7, 1.0);
}

// Its buttons at 87 and 279 show from 107 (MAIN MENU's clear band) to 403: the picture is
// wider than the rows need, so that the panel's middle is theirs.
void DrawStageComplete(cairo_t* cr) {
    Dialog(cr, 516, 570, "STAGE COMPLETE");
    Well(cr, 24, 62, 464, 414);
}

// The guide's balloon: dark, for white words, its tail towards his head at the left.
void ShoutTail(cairo_t* cr) {
    cairo_move_to(cr, 24, 50);
    cairo_line_to(cr, 2, 74);
    cairo_line_to(cr, 30, 62);
    cairo_close_path(cr);
}

void DrawShout(cairo_t* cr) {
    // Both rims first, then both bodies over them, so the tail joins without a seam.
    ShoutTail(cr);
    RoundRect(cr, 18, 2, 178, 86, 18);
    Outline(cr, 3.2, Hex(0xA8D890), 0.9);
    cairo_new_path(cr);
    SetColor(cr, Hex(0x24452E));
    ShoutTail(cr);
    cairo_fill(cr);
    RoundRect(cr, 18, 2, 178, 86, 18);
    cairo_fill(cr);
    RoundRect(cr, 24, 6, 166, 30, 14);
    SetColor(cr, Hex(0xFFFFFF), 0.07);
    cairo_fill(cr);
}

// The help bubble's width. The board puts a bubble in the free space beyond its target and
// pulls it along the line toward it; a narrow, tall bubble is pulled in from the side, so
// the one about the level bar stops left of the bar's tube instead of over it.
constexpr int kHelpWidth = 240;

void DrawHelpSlice(cairo_t* cr, int part, double h) {
    // 0 top, 1 centre (cut to the text's height), 2 bottom; dark for light words.
    const double w = kHelpWidth;
    cairo_save(cr);
    if (part == 0) {
        RoundRect(cr, 1, 1, w - 2, h * 2 + 20, 14);
    } else if (part == 2) {
        RoundRect(cr, 1, -h - 20, w - 2, h * 2 + 19, 14);
    } else {
        cairo_rectangle(cr, 1, -1, w - 2, h + 2);
    }
    SetColor(cr, Hex(0x1E2E40), 0.9);
    cairo_fill_preserve(cr);
    Outline(cr, 2, Hex(0x8AB8E0), 0.9);
    cairo_new_path(cr);
    cairo_restore(cr);
}

}  // namespace

void AddDialogRecipes(std::vector<ImageRecipe>& out) {
    out.push_back(StillImage("IMAGE_HIGHSCORES_BG", "Game", 339, 423,
                             [](cairo_t* cr, int) { DrawHighScores(cr); }));
    // As wide as the settings dialogs, so the box copies them 1:1: their labels cross the
    // middle third, which a wider box would repeat.
    out.push_back(StillImage("IMAGE_OPTS_WND", "Interface", 407, 375,
                             [](cairo_t* cr, int) { DrawOptions(cr); }));
    out.push_back(StillImage("IMAGE_PAUSE_WND", "Interface", 407, 375,
                             [](cairo_t* cr, int) { DrawPause(cr); }));
    out.push_back(StillImage("IMAGE_PROFILE_BG", "Interface", 339, 450,
                             [](cairo_t* cr, int) { DrawProfiles(cr); }));
    out.push_back(StillImage("IMAGE_STAGECOMPLETE_BG", "Interface", 516, 570,
                             [](cairo_t* cr, int) { DrawStageComplete(cr); }));
    out.push_back(StillImage("IMAGE_NEWGAME_WND", "Interface", 321, 330,
                             [](cairo_t* cr, int) { DrawNewGame(cr); }));
    out.push_back(StillImage("IMAGE_GAMEOVER_WND", "Interface", 339, 357,
                             [](cairo_t* cr, int) { DrawGameOver(cr); }));
    out.push_back(StillImage("IMAGE_LUCHEG_SHOUT", "Interface", 200, 92,
                             [](cairo_t* cr, int) { DrawShout(cr); }));
    out.push_back(StillImage("IMAGE_HELPWND", "Interface", 300, 440, [](cairo_t* cr, int) {
        RoundRect(cr, 1, 1, 298, 438, 14);
        SetColor(cr, Hex(0x1E2E40), 0.9);
        cairo_fill_preserve(cr);
        Outline(cr, 2, Hex(0x8AB8E0), 0.9);
    }));
    out.push_back(StillImage("IMAGE_HELPWND_BOTTOM", "Interface", kHelpWidth, 20,
                             [](cairo_t* cr, int) { DrawHelpSlice(cr, 2, 20); }));
    out.push_back(StillImage("IMAGE_HELPWND_CENTER", "Interface", kHelpWidth, 400,
                             [](cairo_t* cr, int) { DrawHelpSlice(cr, 1, 400); }));
    out.push_back(StillImage("IMAGE_HELPWND_TOP", "Interface", kHelpWidth, 20,
                             [](cairo_t* cr, int) { DrawHelpSlice(cr, 0, 20); }));
}

}  // namespace make_data::images
