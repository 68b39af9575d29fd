#include "graphics/OpaqueRect.h"

#include <cstddef>
#include <vector>

namespace Vesk {

Rect LargestOpaqueRect(const uint32_t* bits, int32_t width, int32_t top, int32_t bottom,
                       std::span<const uint8_t> taken) {
    std::vector<int32_t> heights(static_cast<size_t>(width) + 1, 0);
    std::vector<int32_t> stack;
    Rect best;
    int64_t bestArea = 0;
    for (int32_t y = top; y < bottom; ++y) {
        const uint32_t* row = bits + static_cast<size_t>(y) * static_cast<size_t>(width);
        const uint8_t* used = taken.data() + static_cast<size_t>(y - top) * width;
        for (int32_t x = 0; x < width; ++x) {
            const bool opaque = (row[x] >> 24) == 0xFF && used[x] == 0;
            heights[static_cast<size_t>(x)] = opaque ? heights[static_cast<size_t>(x)] + 1 : 0;
        }
        // The largest rectangle under the heights ending at this row; the sentinel height 0
        // at the end empties the stack.
        stack.clear();
        for (int32_t x = 0; x <= width; ++x) {
            const int32_t h = heights[static_cast<size_t>(x)];
            while (!stack.empty() && heights[static_cast<size_t>(stack.back())] >= h) {
                const int32_t height = heights[static_cast<size_t>(stack.back())];
                stack.pop_back();
                const int32_t left = stack.empty() ? 0 : stack.back() + 1;
                const int64_t area = int64_t{height} * (x - left);
                if (area > bestArea) {
                    bestArea = area;
                    best = Rect(left, y - height + 1, x - left, height);
                }
            }
            stack.push_back(x);
        }
    }
    return best;
}

}  // namespace Vesk
