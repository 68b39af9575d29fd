#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "make_data/DataSet.h"
#include "make_data/images/Encode.h"
#include "make_data/images/FaceSet.h"
#include "make_data/images/ImageRecipe.h"

namespace make_data {

namespace images {

std::vector<ImageRecipe> AllRecipes() {
    std::vector<ImageRecipe> recipes;
    AddBackgroundRecipes(recipes);
    AddBlockRecipes(recipes);
    AddBoardRecipes(recipes);
    AddIconRecipes(recipes);
    AddScreenRecipes(recipes);
    AddInterfaceRecipes(recipes);
    AddDialogRecipes(recipes);
    AddComicRecipes(recipes);
    return recipes;
}

}  // namespace images

using namespace images;

DataPart MakeImages() {
    const std::vector<ImageRecipe> recipes = AllRecipes();
    std::vector<std::vector<uint8_t>> encoded(recipes.size());
    // The biggest pictures first, so no thread is left with a long one at the end; each result
    // has its own slot, so the output does not depend on the threads.
    std::vector<size_t> order(recipes.size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return int64_t{recipes[a].Width()} * recipes[a].Height() >
               int64_t{recipes[b].Width()} * recipes[b].Height();
    });
    const FaceSet faces;
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t k = next++; k < order.size(); k = next++) {
            const ImageRecipe& recipe = recipes[order[k]];
            const ImageLib::Image image = RenderRecipe(recipe, faces);
            encoded[order[k]] = recipe.jpegFile ? EncodeJpeg(image, 88) : EncodePng(image);
        }
    };
    const unsigned count = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    {
        std::vector<std::jthread> threads;
        for (unsigned t = 1; t < count; ++t) {
            threads.emplace_back(work);
        }
        work();
    }
    DataPart part;
    for (size_t i = 0; i < recipes.size(); ++i) {
        const ImageRecipe& recipe = recipes[i];
        if (encoded[i].empty()) {
            throw std::runtime_error("images: could not encode " + recipe.path);
        }
        part.files.push_back(
            {recipe.path + (recipe.jpegFile ? ".jpg" : ".png"), std::move(encoded[i])});
        if (!recipe.jpegFile) {
            part.entries.push_back({recipe.group, ManifestElement(recipe)});
        }
    }
    return part;
}

}  // namespace make_data
