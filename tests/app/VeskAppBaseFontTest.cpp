// Image fonts loaded through the application: the descriptor from a file, its layer image a
// PNG on disk read by the application's shared images.
#include <fstream>

#include "AppTestSupport.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "resources/FontData.h"
#include "resources/ImageFont.h"
#include "resources/ImageLib.h"

namespace apptest {
namespace {

using FontLoadTest = AppTest;

TEST_F(FontLoadTest, ALayerImageIsReadFromAPngBesideTheDescriptor) {
    TestApp& app = MakeInitedApp();
    const std::string dir = mTempDir + "/fonts";
    std::filesystem::create_directories(dir);
    ImageLib::Image layer(8, 6);
    for (uint32_t& pixel : layer.mBits) {
        pixel = 0xFFFFFFFF;
    }
    ASSERT_TRUE(ImageLib::WritePNGImage(dir + "/layer.png", layer));
    std::ofstream(dir + "/font.txt")
        << "CreateLayer Main;\nLayerSetImage Main \"layer.png\";\nLayerSetAscent Main 6;\n"
           "LayerSetImageMap Main (\"I\") ((2 0 3 6));\nLayerSetCharWidths Main (\"I\") (4);\n";

    Vesk::ImageFont font(&app, dir + "/font.txt");
    ASSERT_TRUE(font.mFontData->mInitialized) << font.mFontData->mError;
    EXPECT_EQ(font.StringWidth("II"), 8);
    Vesk::MemoryImage dest(nullptr);
    dest.Create(10, 8);
    Vesk::Graphics g(&dest);
    font.DrawString(g, 0, 6, "II", Vesk::Color::White, Vesk::Rect());
    EXPECT_EQ(dest.GetBits()[1 * 10 + 2] >> 24, 255u);
    EXPECT_EQ(dest.GetBits()[1 * 10 + 3] >> 24, 0u);
    EXPECT_EQ(dest.GetBits()[1 * 10 + 4] >> 24, 255u);

    Vesk::ImageFont missing(&app, dir + "/none.txt");
    EXPECT_FALSE(missing.mFontData->mInitialized);
    std::ofstream(dir + "/broken.txt") << "CreateLayer Main; LayerSetImage Main \"gone.png\";";
    Vesk::ImageFont broken(&app, dir + "/broken.txt");
    EXPECT_FALSE(broken.mFontData->mInitialized);
    EXPECT_EQ(broken.mFontData->mError, "Failed to Load Image");
}

}  // namespace
}  // namespace apptest
