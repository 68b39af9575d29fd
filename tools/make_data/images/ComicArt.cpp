// The comic pages: one chapter before each world and the ending, with the story told in
// captions. The bottom 80 pixels stay clear for the buttons.
#include <cairo.h>

#include <numbers>
#include <string>
#include <vector>

#include "make_data/images/Art.h"
#include "make_data/images/ImageRecipe.h"
#include "make_data/images/Scenes.h"

namespace make_data::images {
namespace {

using namespace art;

struct Page {
    const char* title;
    int world;
    int step;
    const char* speech;
    std::vector<const char*> story;
    bool ending = false;
};

const Page kPages[5] = {
    {"CHAPTER 1: THE MEADOW",
     0,
     0,
     "Will you help me?",
     {"Long ago the land of Vorns was bright with colour.",
      "Then the evil force crept out of the dark and began to drain it away.",
      "Lucheg, the little leaf guardian, needs your help: line up the magic",
      "stones to wake the good force and hold the evil one back!"}},
    {"CHAPTER 2: THE DEEP FOREST",
     1,
     2,
     "It's so dark in here...",
     {"The meadow is in bloom again! But the evil force has fled",
      "into the deep forest, where the old trees are losing their green.",
      "Lucheg lights the way. Match the stones quickly:",
      "the faster you play, the stronger the good force grows."}},
    {"CHAPTER 3: THE GRASSLAND",
     2,
     1,
     "Feel that wind?",
     {"The forest breathes once more. Beyond it lies the open grassland,",
      "where the wind carries the evil force far and wide.",
      "Use the whirlwind, the bubble and slow motion wisely.",
      "Every line of four or five brings a new bonus."}},
    {"CHAPTER 4: THE LAKES",
     3,
     2,
     "The last of the dark!",
     {"The grass waves golden in the sun. Only the lakes remain,",
      "where the evil force hides under the still, cold water.",
      "This is the hardest part of the journey.",
      "Lucheg believes in you. Bring back the moonlight!"}},
    {"THE END",
     0,
     4,
     "Thank you, friend!",
     {"The evil force is gone, and colour has returned to every corner",
      "of Vorns: the meadow, the forest, the grassland and the lakes.",
      "Lucheg plants a flower by the great tree in your honour.", "Thank you for playing!"},
     true},
};

// The evil force: a dark cloud with angry eyes, and the colour it has drained to the right.
void DrawEvilForce(cairo_t* cr) {
    cairo_pattern_t* drain = cairo_pattern_create_linear(260, 0, 510, 0);
    cairo_pattern_add_color_stop_rgba(drain, 0, 0.35, 0.32, 0.4, 0);
    cairo_pattern_add_color_stop_rgba(drain, 1, 0.35, 0.32, 0.4, 0.75);
    cairo_set_source(cr, drain);
    cairo_paint(cr);
    cairo_pattern_destroy(drain);
    Random rnd(8);
    for (int k = 0; k < 9; ++k) {
        cairo_new_sub_path(cr);
        cairo_arc(cr, 420 + rnd.Uniform(-50, 50), 130 + rnd.Uniform(-25, 25), rnd.Uniform(22, 36),
                  0, 2 * std::numbers::pi);
    }
    ShadeBlob(cr, Hex(0x4A2A60), 420, 130, 60, 1.5);
    for (const double dx : {-14.0, 14.0}) {
        cairo_move_to(cr, 420 + dx - 8, 122 + (dx < 0 ? -4 : 4) * 0.5);
        cairo_line_to(cr, 420 + dx + 8, 122 - (dx < 0 ? -4 : 4) * 0.5);
        cairo_line_to(cr, 420 + dx, 132);
        cairo_close_path(cr);
        SetColor(cr, Hex(0xFFD040));
        cairo_fill(cr);
    }
}

void DrawRainbow(cairo_t* cr) {
    const Rgb bands[6] = {Hex(0xE84040), Hex(0xF09030), Hex(0xF0D040),
                          Hex(0x50B050), Hex(0x4080D0), Hex(0x8050B0)};
    cairo_set_line_width(cr, 9);
    for (int i = 0; i < 6; ++i) {
        cairo_arc(cr, 270, 330, 210 - i * 9, std::numbers::pi, 2 * std::numbers::pi);
        SetColor(cr, bands[i], 0.55);
        cairo_stroke(cr);
    }
}

void DrawPage(cairo_t* cr, const Page& page) {
    cairo_rectangle(cr, 0, 0, 800, 600);
    FillVertical(cr, Hex(0xF6EBD0), Hex(0xE8D6AE), 0, 600);
    cairo_new_path(cr);
    Text(cr, page.title, 400, 36, 28, Hex(0x3A7A2A), 740);
    // Panel 1: the world.
    cairo_save(cr);
    RoundRect(cr, 30, 66, 480, 270, 10);
    cairo_clip_preserve(cr);
    cairo_new_path(cr);
    cairo_translate(cr, 30, 20);
    cairo_scale(cr, 0.6, 0.6);
    DrawWorldScene(cr, page.world, page.step);
    cairo_restore(cr);
    cairo_save(cr);
    RoundRect(cr, 30, 66, 480, 270, 10);
    cairo_clip(cr);
    if (page.ending) {
        DrawRainbow(cr);
    } else {
        DrawEvilForce(cr);
    }
    cairo_restore(cr);
    RoundRect(cr, 30, 66, 480, 270, 10);
    Outline(cr, 4, kInk, 1.0);
    cairo_new_path(cr);
    // Panel 2: the guide, speaking.
    RoundRect(cr, 530, 66, 240, 270, 10);
    FillVertical(cr, Hex(0xCFE8F8), Hex(0xF8F0D0), 66, 336);
    Outline(cr, 4, kInk, 1.0);
    cairo_new_path(cr);
    cairo_save(cr);
    RoundRect(cr, 530, 66, 240, 270, 10);
    cairo_clip(cr);
    cairo_translate(cr, 562, 150);
    cairo_scale(cr, 1.2, 1.2);
    DrawGuideFigure(cr, 0);
    cairo_restore(cr);
    RoundRect(cr, 545, 80, 210, 56, 16);
    SetColor(cr, Hex(0xFFFFFF));
    cairo_fill_preserve(cr);
    Outline(cr, 2);
    cairo_new_path(cr);
    Text(cr, page.speech, 650, 108, 17, kInk, 190, false);
    // The caption with the story.
    RoundRect(cr, 30, 356, 740, 150, 10);
    FillVertical(cr, Hex(0xFFF8E4), Hex(0xF6E6BC), 356, 506);
    Outline(cr, 3, kWood, 1.0);
    cairo_new_path(cr);
    double y = 392;
    for (const char* line : page.story) {
        TextLeft(cr, line, 50, y, 18, kInk, false);
        y += 31;
    }
}

}  // namespace

void AddComicRecipes(std::vector<ImageRecipe>& out) {
    for (int i = 0; i < 5; ++i) {
        ImageRecipe r = StillImage("COMIC_PAGE_" + std::to_string(i + 1), "", 800, 600,
                                   [i](cairo_t* cr, int) { DrawPage(cr, kPages[i]); });
        r.path = "data/images/comics/page-" + std::to_string(i + 1);
        r.jpegFile = true;
        out.push_back(std::move(r));
    }
}

}  // namespace make_data::images
