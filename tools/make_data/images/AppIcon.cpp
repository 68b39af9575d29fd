// The program's desktop icon: the first block at rest, drawn again at the icon's size rather
// than scaled up from its 43-pixel picture.
#include <cairo.h>

#include <algorithm>
#include <vector>

#include "make_data/DataSet.h"
#include "make_data/images/Encode.h"
#include "make_data/images/FaceSet.h"
#include "make_data/images/ImageRecipe.h"

namespace make_data {

std::vector<uint8_t> MakeAppIcon() {
    std::vector<images::ImageRecipe> blocks;
    images::AddBlockRecipes(blocks);
    const auto block = std::find_if(blocks.begin(), blocks.end(), [](const images::ImageRecipe& r) {
        return r.id == "IMAGE_BLOCK1";
    });
    if (block == blocks.end() || block->celWidth <= 0 || block->celHeight <= 0) {
        return {};
    }
    const double scale =
        static_cast<double>(kAppIconSize) / std::max(block->celWidth, block->celHeight);
    const images::ImageRecipe icon = images::StillImage(
        "IMAGE_APP_ICON", "Icon", kAppIconSize, kAppIconSize, [&block, scale](cairo_t* cr, int) {
            cairo_scale(cr, scale, scale);
            block->draw(cr, 0);
        });
    const images::FaceSet faces;
    return images::EncodePng(images::RenderRecipe(icon, faces));
}

}  // namespace make_data
