// Buttons in their states, the small controls (check box, slider, scroll bar, list) and the
// stage-complete row labels.
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

struct ButtonSet {
    const char* name;  // id without IMAGE_
    const char* text;
    int width;
    int height;
    const char* pressed;  // suffix of the pressed picture
    bool disabled;
    int topGap;  // a clear band above the button
    // Clear bands left, right and below. The pause dialog puts MAIN MENU 3 px left of its edge
    // and both its buttons on its foot: MAIN MENU is drawn right of a band, CONTINUE left of
    // one (so a pair placed from both screen edges stays centred), both above one.
    int leftGap;
    int rightGap;
    int bottomGap;
    Rgb colour;
};

constexpr Rgb kMenuGreen = Hex(0x4E9A3A);
constexpr Rgb kDialogBlue = Hex(0x3A7AB8);
constexpr Rgb kAlertRed = Hex(0xC04A3A);
constexpr Rgb kGoldButton = Hex(0xD89A20);

// Main-menu buttons are centred on x 240 (their places are fixed), at most 36 high.
constexpr ButtonSet kButtons[] = {
    {"CANCEL", "CANCEL", 94, 40, "_PRESSED", false, 0, 0, 0, 0, kAlertRed},
    {"CH_PRFL", "CHANGE PROFILE", 232, 36, "_PRESSED", false, 0, 0, 0, 0, kMenuGreen},
    {"CONTINUE", "CONTINUE", 144, 45, "_DOWN", false, 0, 0, 20, 12, kGoldButton},
    {"CREATE", "CREATE", 110, 40, "_DOWN", true, 10, 0, 0, 0, kDialogBlue},
    {"CREDITS", "CREDITS", 182, 36, "_PRESSED", false, 0, 0, 0, 0, kMenuGreen},
    {"DELETE", "DELETE", 110, 40, "_DOWN", true, 10, 0, 0, 0, kAlertRed},
    {"EXIT", "EXIT", 144, 36, "_PRESSED", false, 0, 0, 0, 0, kMenuGreen},
    {"MENU", "MENU", 90, 34, "_DOWN", false, 0, 0, 0, 0, kGoldButton},
    {"NO", "NO", 59, 40, "_DOWN", false, 0, 0, 0, 0, kAlertRed},
    {"OK", "OK", 68, 40, "_PRESSED", false, 0, 0, 0, 0, kDialogBlue},
    {"OPTIONS", "OPTIONS", 184, 36, "_PRESSED", false, 0, 0, 0, 0, kMenuGreen},
    {"RESUME", "RESUME GAME", 176, 36, "_PRESSED", true, 0, 0, 0, 0, kMenuGreen},
    {"SCORES", "HIGH SCORES", 168, 36, "_PRESSED", false, 0, 0, 0, 0, kMenuGreen},
    {"MAINMENU", "MAIN MENU", 144, 45, "_DOWN", false, 0, 20, 0, 12, kGoldButton},
    {"START", "NEW GAME", 156, 36, "_PRESSED", false, 0, 0, 0, 0, kMenuGreen},
    {"SUBMIT", "SUBMIT", 120, 40, "_PRESSED", false, 0, 0, 0, 0, kDialogBlue},
    {"YES", "YES", 59, 40, "_DOWN", false, 0, 0, 0, 0, kMenuGreen},
};

void AddButton(std::vector<ImageRecipe>& out, const ButtonSet& b, const std::string& suffix,
               Look look) {
    const std::string text = b.text;
    const double w = b.width - b.leftGap - b.rightGap;
    const double h = b.height - b.topGap - b.bottomGap;
    const double left = b.leftGap;
    const double top = b.topGap;
    const Rgb colour = b.colour;
    out.push_back(
        StillImage(std::string("IMAGE_") + b.name + suffix, "Interface", b.width, b.height,
                   [=](cairo_t* cr, int) { Button(cr, left, top, w, h, text, look, colour); }));
}

void DrawCheckbox(cairo_t* cr) {
    for (int half = 0; half < 2; ++half) {
        const double x = half * 28;
        RoundRect(cr, x + 3, 3, 22, 22, 5);
        FillVertical(cr, Hex(0xFFFFFF), Hex(0xE4D8B8), 3, 25);
        Outline(cr, 1.5, kWood);
        cairo_new_path(cr);
        if (half == 0) {
            cairo_move_to(cr, x + 7, 14);
            cairo_line_to(cr, x + 12, 20);
            cairo_line_to(cr, x + 23, 5);
            SetColor(cr, Hex(0x2E8A2A));
            cairo_set_line_width(cr, 3.5);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            cairo_stroke(cr);
        }
    }
}

void DrawSliderTrack(cairo_t* cr) {
    // Three 10 x 12 cells: left cap, middle (tiled), right cap.
    cairo_new_sub_path(cr);
    cairo_arc(cr, 8, 6, 4, kPi / 2, 3 * kPi / 2);
    cairo_line_to(cr, 10, 2);
    cairo_line_to(cr, 10, 10);
    cairo_close_path(cr);
    cairo_rectangle(cr, 10, 2, 10, 8);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 22, 6, 4, -kPi / 2, kPi / 2);
    cairo_line_to(cr, 20, 10);
    cairo_line_to(cr, 20, 2);
    cairo_close_path(cr);
    FillVertical(cr, Hex(0x3A2414), Hex(0x7A5234), 2, 10);
    cairo_new_path(cr);
    cairo_move_to(cr, 4, 9.5);
    cairo_line_to(cr, 26, 9.5);
    SetColor(cr, Hex(0xFFE2B0), 0.5);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

void DrawThumb(cairo_t* cr) {
    RoundRect(cr, 2, 1.5, 16, 27, 6);
    FillVertical(cr, Hex(0xFFE890), Hex(0xD88A18), 1.5, 28.5);
    Outline(cr, 1.3);
    cairo_new_path(cr);
    for (int i = -1; i <= 1; ++i) {
        cairo_move_to(cr, 6, 15 + i * 4);
        cairo_line_to(cr, 14, 15 + i * 4);
    }
    SetColor(cr, Hex(0x8A5A18), 0.8);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
}

void DrawScrollTrack(cairo_t* cr) {
    cairo_rectangle(cr, 3, 0, 14, 16);
    FillVertical(cr, Hex(0xD8C8A0), Hex(0xD8C8A0), 0, 16);
    cairo_new_path(cr);
    cairo_move_to(cr, 3.5, 0);
    cairo_line_to(cr, 3.5, 16);
    cairo_move_to(cr, 16.5, 0);
    cairo_line_to(cr, 16.5, 16);
    SetColor(cr, kWood, 0.9);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

void DrawScrollArrow(cairo_t* cr, bool up, Look look) {
    Rgb base = kDialogBlue;
    if (look == Look::kDisabled) {
        base = Hex(0x9A9A94);
    }
    const double dy = look == Look::kDown ? 1 : 0;
    RoundRect(cr, 1, 1 + dy, 18, 18, 5);
    const Rgb top = look == Look::kOver ? Shade(base, 0.6) : Shade(base, 0.3);
    const Rgb bottom = look == Look::kDown ? Shade(base, 0.1) : Shade(base, -0.3);
    FillVertical(cr, look == Look::kDown ? Shade(base, -0.3) : top, bottom, 1, 19);
    Outline(cr, 1.2, Shade(base, -0.65));
    cairo_new_path(cr);
    const double s = up ? -1 : 1;
    cairo_move_to(cr, 10, 10 + dy + 4.5 * s);
    cairo_line_to(cr, 15, 10 + dy - 3 * s);
    cairo_line_to(cr, 5, 10 + dy - 3 * s);
    cairo_close_path(cr);
    SetColor(cr, look == Look::kDisabled ? Hex(0xD0D0C8) : kCream);
    cairo_fill(cr);
}

// The results rows' labels: left-aligned on the baseline the dialog writes its numbers on.
constexpr double kLabelBaseline = 20;
constexpr double kLabelSize = 17;
constexpr Rgb kLabelGold = Hex(0xF6B02A);

void DrawLabel(cairo_t* cr, const std::string& text, double w) {
    TextOnBaseline(cr, text, 3, kLabelBaseline, kLabelSize, kLabelGold, w - 6);
}

// A bonus row: its icon standing on the row's baseline, then what it counts.
void DrawIconLabel(cairo_t* cr, const std::string& text, double w, bool heart) {
    if (heart) {
        HeartPath(cr, 13, 11.5, 20);
        ShadeShape(cr, Hex(0xE8324A), 13, 11, 10, 1.3);
    } else {
        cairo_arc(cr, 13, 11, 10, 0, 2 * kPi);
        ShadeShape(cr, kGold, 13, 11, 10, 1.2);
        cairo_arc(cr, 13, 11, 7.5, 0, 2 * kPi);
        SetColor(cr, Hex(0xFFFFFF));
        cairo_fill(cr);
        cairo_move_to(cr, 13, 11);
        cairo_line_to(cr, 13, 5);
        cairo_move_to(cr, 13, 11);
        cairo_line_to(cr, 17, 13);
        SetColor(cr, kInk);
        cairo_set_line_width(cr, 1.6);
        cairo_stroke(cr);
    }
    TextOnBaseline(cr, text, 30, kLabelBaseline, kLabelSize, kLabelGold, w - 33);
}

}  // namespace

void AddInterfaceRecipes(std::vector<ImageRecipe>& out) {
    out.push_back(
        StillImage("IMAGE_CHKBX", "Interface", 56, 28, [](cairo_t* cr, int) { DrawCheckbox(cr); }));
    out.push_back(StillImage("IMAGE_SLDR", "Interface", 30, 12,
                             [](cairo_t* cr, int) { DrawSliderTrack(cr); }));
    out.push_back(
        StillImage("IMAGE_THUMB", "Interface", 20, 30, [](cairo_t* cr, int) { DrawThumb(cr); }));
    out.push_back(StillImage("IMAGE_SCROLL", "Interface", 20, 16,
                             [](cairo_t* cr, int) { DrawScrollTrack(cr); }));
    const struct {
        const char* suffix;
        Look look;
    } arrows[] = {{"", Look::kNormal},
                  {"_DOWN", Look::kDown},
                  {"_DSBLD", Look::kDisabled},
                  {"_OVER", Look::kOver}};
    for (const bool up : {false, true}) {
        for (const auto& a : arrows) {
            const Look look = a.look;
            out.push_back(StillImage(
                std::string("IMAGE_SCROLL_") + (up ? "UP" : "DOWN") + a.suffix, "Interface", 20, 20,
                [up, look](cairo_t* cr, int) { DrawScrollArrow(cr, up, look); }));
        }
    }
    out.push_back(StillImage("IMAGE_EDITBOX", "Interface", 120, 24, [](cairo_t* cr, int) {
        RoundRect(cr, 1, 1, 118, 22, 4);
        FillVertical(cr, Hex(0x2A1C12), Hex(0x4A3424), 1, 23);
        Outline(cr, 1.2, Hex(0xC8A070));
    }));
    out.push_back(StillImage("IMAGE_LISTBOX", "Interface", 120, 96, [](cairo_t* cr, int) {
        RoundRect(cr, 1, 1, 118, 94, 6);
        FillVertical(cr, Hex(0x2A1C12), Hex(0x4A3424), 1, 95);
        Outline(cr, 1.2, Hex(0xC8A070));
    }));
    out.push_back(StillImage("IMAGE_LISTITEM", "Interface", 12, 12, [](cairo_t* cr, int) {
        PolygonPath(cr, 6, 6, 5, 4);
        ShadeShape(cr, Hex(0x2EB84A), 6, 6, 5, 1.0);
    }));
    out.push_back(StillImage("IMAGE_LISTSELECT", "Interface", 263, 18, [](cairo_t* cr, int) {
        // Dark and cool, so the selected row's light green name stands out.
        RoundRect(cr, 0.5, 0.5, 262, 17, 5);
        FillVertical(cr, Hex(0x3A5290), Hex(0x1E2E60), 0, 18, 0.9);
        Outline(cr, 1.0, kGold, 0.8);
    }));
    const struct {
        const char* id;
        const char* text;
        int width;
    } labels[] = {{"IMAGE_BESTTIME", "BEST TIME", 180},
                  {"IMAGE_COMBOS", "COMBOS", 180},
                  {"IMAGE_NEWRECORD", "NEW RECORD!", 120},
                  {"IMAGE_SCORE", "SCORE", 180},
                  {"IMAGE_YOURTIME", "YOUR TIME", 180},
                  {"IMAGE_MATCHES", "MATCHES", 180},
                  {"IMAGE_X3", "x3", 40},
                  {"IMAGE_X4", "x4", 40},
                  {"IMAGE_X5", "x5", 40},
                  {"IMAGE_X6", "x6", 40},
                  {"IMAGE_X7", "x7", 40},
                  {"IMAGE_TIMEBONUS", "TIME BONUS", 180}};
    for (const auto& l : labels) {
        const std::string text = l.text;
        const double w = l.width;
        out.push_back(StillImage(l.id, "Interface", l.width, 28,
                                 [text, w](cairo_t* cr, int) { DrawLabel(cr, text, w); }));
    }
    out.push_back(StillImage("IMAGE_HORLINE", "Interface", 440, 4, [](cairo_t* cr, int) {
        cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 440, 0);
        // Light gold, for the dark results field.
        cairo_pattern_add_color_stop_rgba(p, 0, 0.95, 0.75, 0.35, 0);
        cairo_pattern_add_color_stop_rgba(p, 0.5, 0.95, 0.75, 0.35, 0.9);
        cairo_pattern_add_color_stop_rgba(p, 1, 0.95, 0.75, 0.35, 0);
        cairo_set_source(cr, p);
        cairo_rectangle(cr, 0, 1, 440, 2);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }));
    out.push_back(StillImage("IMAGE_ICONLIFE", "Interface", 180, 28, [](cairo_t* cr, int) {
        DrawIconLabel(cr, "EXTRA LIVES", 180, true);
    }));
    out.push_back(StillImage("IMAGE_ICONSLOMO", "Interface", 180, 28, [](cairo_t* cr, int) {
        DrawIconLabel(cr, "SLOW MOTION", 180, false);
    }));
    for (const ButtonSet& b : kButtons) {
        AddButton(out, b, "", Look::kNormal);
        if (b.disabled) {
            AddButton(out, b, "_DISABLED", Look::kDisabled);
        }
        AddButton(out, b, b.pressed, Look::kDown);
        AddButton(out, b, "_OVER", Look::kOver);
    }
}

}  // namespace make_data::images
