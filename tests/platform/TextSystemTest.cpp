#include "platform/TextSystem.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/headless/HeadlessTextSystem.h"
#include "platform/sdl/SdlTextSystem.h"

namespace platform {
namespace {

TEST(TextSystem, FontconfigFallsBackToAnInstalledFace) {
    SdlTextSystem text;
    for (const char* face : {"Tahoma", "Arial Unicode MS", "No Such Face At All"}) {
        const auto font = text.CreateFont(face, 13, false, false, false);
        ASSERT_NE(font, nullptr) << face;
        EXPECT_GT(font->Measure("Hello"), 0);
    }
}

TEST(TextSystem, RenderIsTheColourWithCoverageAsAlpha) {
    HeadlessTextSystem text;
    const auto font = text.CreateFont("Any", 16, false, false, false);
    ASSERT_NE(font, nullptr);
    const TextImage image = font->Render("Hi\nthere", 0x123456);
    EXPECT_EQ(image.width, font->Measure("there"));
    EXPECT_EQ(image.height, 2 * font->Metrics().height);
    EXPECT_TRUE(std::all_of(image.pixels.begin(), image.pixels.end(),
                            [](uint32_t p) { return (p & 0x00FFFFFF) == 0x123456; }));
    EXPECT_TRUE(std::any_of(image.pixels.begin(), image.pixels.end(),
                            [](uint32_t p) { return (p >> 24) == 255; }));
    EXPECT_TRUE(font->Render("", 0).pixels.empty());
}

TEST(TextSystem, UnderlineCoversARowOfTheWholeWidth) {
    HeadlessTextSystem text;
    const auto font = text.CreateFont("Any", 16, false, false, true);
    ASSERT_NE(font, nullptr);
    const TextImage image = font->Render("a b", 0);
    bool fullRow = false;
    for (int32_t y = font->Metrics().ascent; y < image.height; ++y) {
        fullRow = fullRow || std::all_of(image.pixels.begin() + y * image.width,
                                         image.pixels.begin() + (y + 1) * image.width,
                                         [](uint32_t p) { return (p >> 24) == 255; });
    }
    EXPECT_TRUE(fullRow);
    EXPECT_EQ(text.CreateFont("Any", 0, false, false, false), nullptr);
}

}  // namespace
}  // namespace platform
