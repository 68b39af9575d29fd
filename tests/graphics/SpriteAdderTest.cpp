#include "graphics/SpriteAdder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "graphics/Color.h"

namespace Vesk {
namespace {

int32_t ChannelByte(float v) {
    float c = 255.0f * v;
    c = c > 0.0f ? c : 0.0f;
    c = c < 255.0f ? c : 255.0f;
    return static_cast<int32_t>(c);
}

// A particle's float colour gives the tint its bytes give, four channels at once: every mix of
// values in range, on the byte edges, outside the range and not numbers at all.
TEST(SpriteAdderTest, FloatTintIsTheTintOfTheColoursBytes) {
    const float values[] = {0.0f,
                            0.5f,
                            1.0f,
                            1.0f / 255.0f,
                            254.99f / 255.0f,
                            -0.3f,
                            1.7f,
                            -0.0f,
                            0.333f,
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            std::nanf("")};
    for (const float r : values) {
        for (const float g : values) {
            for (const float b : values) {
                for (const float a : values) {
                    const float rgba[4] = {r, g, b, a};
                    const Color color(ChannelByte(r), ChannelByte(g), ChannelByte(b),
                                      ChannelByte(a));
                    ASSERT_EQ(SpriteAdder::TintOf(rgba), SpriteAdder::TintOf(color))
                        << r << " " << g << " " << b << " " << a;
                }
            }
        }
    }
}

}  // namespace
}  // namespace Vesk
