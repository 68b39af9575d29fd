#include "make_font/FontMaker.h"

#include <gtest/gtest.h>

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
