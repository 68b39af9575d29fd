#include "resources/ImageLib.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class ImageLibWrite : public ::testing::Test {
protected:
    fs::path folder;

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path() /
                 (std::string("vesk_imagelib_") + info->test_suite_name() + "_" + info->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    static std::vector<uint8_t> ReadBytes(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
};

// Decodes with libpng's own reader into 0xAARRGGBB values.
bool ReadBack(const std::string& path, int32_t& width, int32_t& height,
              std::vector<uint32_t>& pixels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> bytes(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr) == 0) {
        return false;
    }
    width = static_cast<int32_t>(image.width);
    height = static_cast<int32_t>(image.height);
    pixels.clear();
    for (size_t i = 0; i + 3 < bytes.size(); i += 4) {
        pixels.push_back(static_cast<uint32_t>(bytes[i + 3]) << 24 |
                         static_cast<uint32_t>(bytes[i]) << 16 |
                         static_cast<uint32_t>(bytes[i + 1]) << 8 | bytes[i + 2]);
    }
    return true;
}

TEST(ImageLibImage, SizedRecordIsTransparentBlack) {
    ImageLib::Image image(3, 2);
    EXPECT_EQ(image.GetWidth(), 3);
    EXPECT_EQ(image.GetHeight(), 2);
    ASSERT_EQ(image.mBits.size(), 6u);
    for (uint32_t pixel : image.mBits) {
        EXPECT_EQ(pixel, 0u);
    }
    EXPECT_THROW(ImageLib::Image(-1, 2), std::invalid_argument);
}

TEST_F(ImageLibWrite, RoundTripKeepsEveryChannelAndAlpha) {
    ImageLib::Image image(3, 2);
    const std::vector<uint32_t> pixels = {0xFF102030, 0x80FF0000, 0x00000000,
                                          0x7F00FF7F, 0xFFFFFFFF, 0x01020304};
    image.mBits = pixels;
    const std::string path = (folder / "out.png").string();
    ASSERT_TRUE(ImageLib::WritePNGImage(path, image));

    int32_t width = 0, height = 0;
    std::vector<uint32_t> back;
    ASSERT_TRUE(ReadBack(path, width, height, back));
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(back, pixels);
}

TEST_F(ImageLibWrite, HeaderIsEightBitRgbaWithSignificantBits) {
    ImageLib::Image image(2, 2);
    const std::string path = (folder / "header.png").string();
    ASSERT_TRUE(ImageLib::WritePNGImage(path, image));
    const std::vector<uint8_t> bytes = ReadBytes(path);
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "IHDR");
    EXPECT_EQ(bytes[24], 8);  // bit depth
    EXPECT_EQ(bytes[25], 6);  // colour type RGBA
    EXPECT_EQ(bytes[28], 0);  // not interlaced
    const std::string text(bytes.begin(), bytes.end());
    const size_t sbit = text.find("sBIT");
    ASSERT_NE(sbit, std::string::npos);
    ASSERT_LE(sbit + 8, bytes.size());
    for (size_t i = 4; i < 8; ++i) {
        EXPECT_EQ(bytes[sbit + i], 8);
    }
}

TEST_F(ImageLibWrite, BadImagesAndPathsFailAndKeepTheOldFile) {
    const fs::path path = folder / "keep.png";
    {
        std::ofstream out(path, std::ios::binary);
        out << "old contents";
    }
    ImageLib::Image empty;
    EXPECT_FALSE(ImageLib::WritePNGImage(path.string(), empty));
    ImageLib::Image inconsistent(4, 4);
    inconsistent.mBits.resize(3);
    EXPECT_FALSE(ImageLib::WritePNGImage(path.string(), inconsistent));
    const std::vector<uint8_t> kept = ReadBytes(path);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "old contents");

    ImageLib::Image good(1, 1);
    EXPECT_FALSE(ImageLib::WritePNGImage((folder / "missing" / "x.png").string(), good));
    EXPECT_FALSE(fs::exists(folder / "missing"));
}

TEST_F(ImageLibWrite, TooWideForTheLibraryFailsCleanly) {
    // libpng refuses widths beyond a million pixels by default.
    ImageLib::Image wide(1000001, 1);
    EXPECT_FALSE(ImageLib::WritePNGImage((folder / "wide.png").string(), wide));
    EXPECT_FALSE(fs::exists(folder / "wide.png"));
}

}  // namespace
