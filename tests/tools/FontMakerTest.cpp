#include "make_font/FontMaker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "../resources/FontTestSupport.h"
#include "graphics/Graphics.h"
#include "resources/FontData.h"
#include "resources/ImageFont.h"

namespace {

constexpr const char* kFace = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

TEST(FontMaker, TheMadeDescriptorLoadsAndDrawsItsGlyphs) {
    fontmaker::FontRequest request;
    request.fontFile = kFace;
    request.pixelSize = 16;
    request.pointSize = 12;
    request.imageName = "basic.png";
    fontmaker::MadeFont made;
    std::string error;
    ASSERT_TRUE(fontmaker::MakeFont(request, &made, &error)) << error;

    fonttest::FakeFontHost host;
    auto* image = host.AddImage("fonts/basic.png", 1, 1);
    image->SetBits(made.image.GetBits(), made.image.GetWidth(), made.image.GetHeight(), false);
    auto* data = new Vesk::FontData();
    data->LoadText(&host, "fonts/basic.txt", made.descriptor);
    ASSERT_TRUE(data->mInitialized) << data->mError;
    Vesk::ImageFont font(data);
    EXPECT_EQ(font.GetDefaultPointSize(), 12);
    EXPECT_GT(font.GetAscent(), 10);
    EXPECT_GT(font.StringWidth("\"Quote\\\""), font.StringWidth("Quote"));

    Vesk::MemoryImage dest(nullptr);
    dest.Create(100, 24);
    Vesk::Graphics g(&dest);
    font.DrawString(g, 0, 16, "H", Vesk::Color::White, Vesk::Rect());
    int32_t covered = 0;
    for (int32_t i = 0; i < 100 * 24; ++i) {
        covered += (dest.GetBits()[i] >> 24) > 128 ? 1 : 0;
    }
    EXPECT_GT(covered, 20);
    // Nothing of the H lies below the baseline.
    for (int32_t x = 0; x < 100; ++x) {
        EXPECT_EQ(dest.GetBits()[17 * 100 + x] >> 24, 0u);
    }
}

TEST(FontMaker, AnOutlineGrowsEveryGlyphAllRoundAndKeepsTheAdvances) {
    // The ink box of "H" drawn at (10, 20), and the string's width, of a font made with the
    // given outline.
    const auto measure = [](int32_t outline) {
        fontmaker::FontRequest request;
        request.fontFile = kFace;
        request.pixelSize = 16;
        request.outline = outline;
        fontmaker::MadeFont made;
        std::string error;
        EXPECT_TRUE(fontmaker::MakeFont(request, &made, &error)) << error;
        fonttest::FakeFontHost host;
        host.AddImage("fonts/font.png", 1, 1)
            ->SetBits(made.image.GetBits(), made.image.GetWidth(), made.image.GetHeight(), false);
        auto* data = new Vesk::FontData();
        data->LoadText(&host, "fonts/font.txt", made.descriptor);
        Vesk::ImageFont font(data);
        Vesk::MemoryImage dest(nullptr);
        dest.Create(40, 32);
        Vesk::Graphics g(&dest);
        font.DrawString(g, 10, 20, "H", Vesk::Color::White, Vesk::Rect());
        int32_t left = 40, top = 32, right = -1, bottom = -1;
        for (int32_t i = 0; i < 40 * 32; ++i) {
            if ((dest.GetBits()[i] >> 24) != 0) {
                left = std::min(left, i % 40);
                right = std::max(right, i % 40);
                top = std::min(top, i / 40);
                bottom = std::max(bottom, i / 40);
            }
        }
        return std::array<int32_t, 5>{left, top, right, bottom, font.StringWidth("HxH")};
    };
    const auto plain = measure(0);
    const auto grown = measure(2);
    EXPECT_EQ(grown[0], plain[0] - 2);
    EXPECT_EQ(grown[1], plain[1] - 2);
    EXPECT_EQ(grown[2], plain[2] + 2);
    EXPECT_EQ(grown[3], plain[3] + 2);
    EXPECT_EQ(grown[4], plain[4]);
}

TEST(FontMaker, WritesBothFilesOrReportsWhy) {
    // One folder per run, so parallel test processes don't share files.
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("font_maker_" + std::to_string(std::random_device{}()));
    fontmaker::FontRequest request;
    request.fontFile = kFace;
    request.imageName = "small.png";
    std::string error;
    // The destination folder does not exist yet.
    ASSERT_TRUE(fontmaker::WriteFont(request, (dir / "small.txt").string(), &error)) << error;
    EXPECT_TRUE(std::filesystem::exists(dir / "small.png"));
    std::ifstream file(dir / "small.txt");
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find("LayerSetImage Main \"small.png\";"), std::string::npos);

    request.fontFile = (dir / "missing.ttf").string();
    EXPECT_FALSE(fontmaker::WriteFont(request, (dir / "other.txt").string(), &error));
    EXPECT_NE(error.find("missing.ttf"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "other.txt"));
    std::filesystem::remove_all(dir);
}

}  // namespace
