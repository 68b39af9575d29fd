#pragma once

typedef struct _cairo cairo_t;

// Drawings shared between images: the comic pages reuse the worlds and the guide.
namespace make_data::images {

// A world's landscape, 800 x 600: world 0 meadow, 1 forest, 2 grassland, 3 lakes; step 0..4.
void DrawWorldScene(cairo_t* cr, int world, int step);
// The guide in one of his cels (0 eyes open .. 2 closed), in a 130 x 180 box.
void DrawGuideFigure(cairo_t* cr, int cel);

// A bonus icon's picture centred on (cx, cy): 0 whirlwind, 1 bubble, 2 slow motion.
void DrawBonusIcon(cairo_t* cr, int which, double cx, double cy);

}  // namespace make_data::images
