#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "resources/ImageLib.h"

typedef struct _cairo cairo_t;

namespace make_data::images {

// How one image of the data set is made: its manifest id and group, its cel layout, the Seq
// children of an animated image, and the drawing of one cel. A cel is drawn in its own
// coordinates (0, 0)..(cel width, cel height), in pixels of the final image; the painter
// renders at twice that size and scales down.
struct ImageRecipe {
    std::string id;
    std::string group;
    std::string path;  // inside the pak, without extension
    int celWidth = 1;
    int celHeight = 1;
    int rows = 1;
    int cols = 1;
    bool animated = false;  // an ImageEx element
    std::string seqs;       // its Seq children, whole elements
    double noise = 0.0;     // grain added to the colour channels, 0..1
    bool jpegFile = false;  // a JPEG file of its own (the comic pages), not in the manifest
    std::function<void(cairo_t* cr, int cel)> draw;

    int Width() const { return celWidth * cols; }
    int Height() const { return celHeight * rows; }
};

// A recipe for a still image (rows and cols 1 unless given), its path made from the group and
// the id: "images/<group>/<id without IMAGE_>", lower case.
ImageRecipe StillImage(const std::string& id, const std::string& group, int width, int height,
                       std::function<void(cairo_t* cr, int cel)> draw);
// A recipe for an animated image of rows x cols cels with its Seq children.
ImageRecipe AnimatedImage(const std::string& id, const std::string& group, int celWidth,
                          int celHeight, int rows, int cols, std::string seqs,
                          std::function<void(cairo_t* cr, int cel)> draw);

class FaceSet;

// Renders every cel of the recipe, setting words in the given faces. Deterministic; safe to
// run recipes on separate threads.
ImageLib::Image RenderRecipe(const ImageRecipe& recipe, const FaceSet& faces);

// The manifest element of the recipe, closed.
std::string ManifestElement(const ImageRecipe& recipe);

// The recipes, by area (Blocks.cpp, Backgrounds.cpp, BoardArt.cpp, IconArt.cpp, InterfaceArt.cpp,
// DialogArt.cpp, ScreenArt.cpp). Each appends in id-list order of its area.
void AddBlockRecipes(std::vector<ImageRecipe>& out);
void AddBackgroundRecipes(std::vector<ImageRecipe>& out);
void AddBoardRecipes(std::vector<ImageRecipe>& out);
void AddIconRecipes(std::vector<ImageRecipe>& out);
void AddInterfaceRecipes(std::vector<ImageRecipe>& out);
void AddDialogRecipes(std::vector<ImageRecipe>& out);
void AddScreenRecipes(std::vector<ImageRecipe>& out);

// The five comic pages "data/images/comics/page-1" .. "page-5" (ComicArt.cpp).
void AddComicRecipes(std::vector<ImageRecipe>& out);

// Every recipe of the part, in the order its files are written (Images.cpp).
std::vector<ImageRecipe> AllRecipes();

}  // namespace make_data::images
