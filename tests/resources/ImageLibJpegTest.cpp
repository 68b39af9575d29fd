#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "resources/ImageLib.h"

namespace {

namespace fs = std::filesystem;

struct Decoded {
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<uint8_t> samples;
};

// Decodes with libjpeg's own reader; the test data is always well formed.
Decoded ReadJpeg(const std::vector<uint8_t>& bytes) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    Decoded out;
    out.width = static_cast<int>(info.output_width);
    out.height = static_cast<int>(info.output_height);
    out.components = info.output_components;
    out.samples.resize(static_cast<size_t>(out.width) * out.height * out.components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.samples.data() +
                       static_cast<size_t>(info.output_scanline) * out.width * out.components;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return out;
}

class ImageLibJpeg : public ::testing::Test {
protected:
    fs::path folder;

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path() / (std::string("vesk_imagelibjpeg_") + info->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    static std::vector<uint8_t> ReadBytes(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(ImageLibJpeg, RoundTripKeepsSizeAndColoursWithinJpegLoss) {
    // Three flat bands survive the compression closely away from their edges.
    ImageLib::Image image(48, 40);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 48; ++x) {
            image.mBits[y * 48 + x] = x < 16 ? 0x00FF0000 : x < 32 ? 0xFF00FF00 : 0x800000FF;
        }
    }
    const fs::path path = folder / "out.jpg";
    ASSERT_TRUE(ImageLib::WriteJPEGImage(path.string(), image));

    const Decoded decoded = ReadJpeg(ReadBytes(path));
    ASSERT_EQ(decoded.width, 48);
    ASSERT_EQ(decoded.height, 40);
    ASSERT_EQ(decoded.components, 3);
    auto near = [&](int x, int y, int r, int g, int b) {
        const uint8_t* p = &decoded.samples[(static_cast<size_t>(y) * 48 + x) * 3];
        EXPECT_LE(std::abs(p[0] - r), 24) << x << "," << y;
        EXPECT_LE(std::abs(p[1] - g), 24) << x << "," << y;
        EXPECT_LE(std::abs(p[2] - b), 24) << x << "," << y;
    };
    // Alpha plays no part.
    near(4, 20, 255, 0, 0);
    near(24, 20, 0, 255, 0);
    near(44, 20, 0, 0, 255);
}

TEST_F(ImageLibJpeg, LargePictureSpansManyOutputChunks) {
    ImageLib::Image image(640, 480);
    for (size_t i = 0; i < image.mBits.size(); ++i) {
        image.mBits[i] = static_cast<uint32_t>(i * 2654435761u);
    }
    const fs::path path = folder / "noise.jpg";
    ASSERT_TRUE(ImageLib::WriteJPEGImage(path.string(), image));
    const std::vector<uint8_t> bytes = ReadBytes(path);
    ASSERT_GT(bytes.size(), 16384u * 2);
    const Decoded decoded = ReadJpeg(bytes);
    EXPECT_EQ(decoded.width, 640);
    EXPECT_EQ(decoded.height, 480);
}

TEST_F(ImageLibJpeg, BadImagesFailAndLeaveTheOldFile) {
    const fs::path path = folder / "keep.jpg";
    { std::ofstream(path) << "old"; }
    ImageLib::Image empty;
    EXPECT_FALSE(ImageLib::WriteJPEGImage(path.string(), empty));
    ImageLib::Image inconsistent(4, 4);
    inconsistent.mBits.resize(3);
    EXPECT_FALSE(ImageLib::WriteJPEGImage(path.string(), inconsistent));
    ImageLib::Image tooWide(70000, 1);
    EXPECT_FALSE(ImageLib::WriteJPEGImage(path.string(), tooWide));
    EXPECT_EQ(ReadBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));

    // A folder that does not exist: nothing is written, and the answer says so.
    ImageLib::Image good(2, 2);
    EXPECT_FALSE(ImageLib::WriteJPEGImage((folder / "missing" / "x.jpg").string(), good));
    EXPECT_FALSE(fs::exists(folder / "missing"));
}

}  // namespace
