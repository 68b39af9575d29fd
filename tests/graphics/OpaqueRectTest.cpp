#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/OpaqueRect.h"

namespace {

using Vesk::Rect;

// '#' opaque, '+' opaque but taken, 'h' nearly opaque, '.' clear; every row as wide as the first.
struct Picture {
    explicit Picture(const std::vector<std::string>& rows) : width(int32_t(rows[0].size())) {
        for (const std::string& row : rows) {
            for (char c : row) {
                bits.push_back(c == '#' || c == '+' ? 0xFF102030u : c == 'h' ? 0xFE102030u : 0);
                taken.push_back(c == '+' ? 1 : 0);
            }
        }
    }
    int32_t width;
    std::vector<uint32_t> bits;
    std::vector<uint8_t> taken;
};

TEST(OpaqueRectTest, FindsTheLargestFullyOpaqueUntakenRectangleInTheRows) {
    const struct {
        std::vector<std::string> rows;
        int32_t top;
        int32_t bottom;
        Rect expected;
    } cases[] = {
        {{"....", "...."}, 0, 2, Rect()},
        {{"#...", "#...", "#...", "#...", "###."}, 0, 5, Rect(0, 0, 1, 5)},
        {{"#....", "#....", "#####", "#####"}, 0, 4, Rect(0, 2, 5, 2)},
        // An almost opaque pixel lets something show through.
        {{"##.", "#h.", "##."}, 0, 3, Rect(0, 0, 1, 3)},
        {{"####", "++##", "++##"}, 0, 3, Rect(2, 0, 2, 3)},
        // Rows outside [top, bottom) are not looked at; the answer is in picture rows.
        {{"....", "####", "####", "####"}, 1, 3, Rect(0, 1, 4, 2)},
    };
    for (const auto& c : cases) {
        const Picture picture(c.rows);
        const size_t first = static_cast<size_t>(c.top) * static_cast<size_t>(picture.width);
        const std::span<const uint8_t> taken(picture.taken.data() + first,
                                             picture.taken.size() - first);
        EXPECT_EQ(
            Vesk::LargestOpaqueRect(picture.bits.data(), picture.width, c.top, c.bottom, taken),
            c.expected)
            << c.rows[0] << " " << c.top;
    }
}

}  // namespace
