// The comic pages: one chapter before each world and the ending, with the story told in
// captions. The bottom 80 pixels stay clear for the buttons.
#include <cairo.h>

#include <string>
#include <vector>

#include "make_data/images/Art.h"
#include "make_data/images/ImageRecipe.h"
#include "make_data/images/Scenes.h"

namespace make_data {
namespace {

using namespace art;

struct Page {
    const char* title;
    int world;
    int step;
    const char* speech;
    std::vector<const char*> story;
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
      "Lucheg plants a flower by the great tree in your honour.", "Thank you for playing!"}},
};

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
    cairo_translate(cr, 560, 170);
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

}  // namespace make_data
