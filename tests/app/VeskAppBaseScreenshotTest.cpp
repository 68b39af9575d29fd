// Screenshots of the draw surface and the image report.
#include <png.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "AppTestSupport.h"
#include "app/ImageCost.h"
#include "graphics/DDImage.h"
#include "graphics/MemoryImage.h"
#include "platform/VirtualKeys.h"

namespace apptest {
namespace {

namespace fs = std::filesystem;

struct Picture {
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<uint8_t> samples;  // rows of RGBA (PNG) or RGB (JPEG)

    const uint8_t* At(int x, int y) const {
        return &samples[(static_cast<size_t>(y) * width + x) * components];
    }
};

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadText(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

bool ReadPng(const std::string& path, Picture& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    out.samples.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, out.samples.data(), 0, nullptr) == 0) {
        return false;
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.components = 4;
    return true;
}

bool ReadJpeg(const std::string& path, Picture& out) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
        return false;
    }
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
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
    return true;
}

class ScreenshotTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        Vesk::SetAppDataFolder(mTempDir);
        mClock.SetLocalTimeText("Tue Mar 04 05:06:07 2025");
    }

    std::string Data(const std::string& relative) const { return mTempDir + "/" + relative; }

    // Init points the data folder into the user's data home; the tests keep theirs.
    TestApp& InitedApp() {
        TestApp& app = MakeInitedApp();
        Vesk::SetAppDataFolder(mTempDir);
        return app;
    }

    static void Touch(const std::string& path) { std::ofstream(path) << "x"; }

    // A memory image of the application with every pixel given.
    static std::unique_ptr<Vesk::MemoryImage> MakeImage(int width, int height, uint32_t argb) {
        auto image = std::make_unique<Vesk::MemoryImage>();
        image->Create(width, height);
        uint32_t* bits = image->GetBits();
        std::fill(bits, bits + static_cast<size_t>(width) * height, argb);
        return image;
    }
};

TEST_F(ScreenshotTest, ScreenshotTakesTheNextNumberAndHoldsTheFrame) {
    TestApp& app = InitedApp();
    Vesk::DDImage* screen = app.mDDInterface->GetScreenImage();
    ASSERT_NE(screen, nullptr);
    const int width = screen->GetWidth();
    const int height = screen->GetHeight();
    screen->FillRect(Vesk::Rect(0, 0, width, height), Vesk::Color(0, 0, 255), 0);
    screen->FillRect(Vesk::Rect(0, 0, 10, 10), Vesk::Color(255, 0, 0), 0);

    fs::create_directories(Data("_screenshots/image50.png"));  // a folder, not a screenshot
    Touch(Data("_screenshots/image3.png"));
    Touch(Data("_screenshots/image10.png"));
    Touch(Data("_screenshots/shot.png"));
    Touch(Data("_screenshots/image-20.png"));
    Touch(Data("_screenshots/image99999999999.png"));
    Touch(Data("_screenshots/image40.txt"));

    app.mPendingTime = 5.0;
    app.TakeScreenshot();
    EXPECT_EQ(app.mPendingTime, 0.0);

    Picture shot;
    ASSERT_TRUE(ReadPng(Data("_screenshots/image11.png"), shot));
    ASSERT_EQ(shot.width, width);
    ASSERT_EQ(shot.height, height);
    // The draw surface may hold fewer bits per channel than the file.
    auto expectPixel = [&](int x, int y, int r, int g, int b) {
        const uint8_t* p = shot.At(x, y);
        EXPECT_NEAR(p[0], r, 8) << x << "," << y;
        EXPECT_NEAR(p[1], g, 8) << x << "," << y;
        EXPECT_NEAR(p[2], b, 8) << x << "," << y;
        EXPECT_EQ(p[3], 255) << x << "," << y;
    };
    expectPixel(5, 5, 255, 0, 0);
    expectPixel(width - 1, height - 1, 0, 0, 255);

    // The display keeps its surface, and the next shot follows on.
    EXPECT_NE(app.mDDInterface->mDrawSurface, nullptr);
    app.TakeScreenshot();
    EXPECT_TRUE(fs::is_regular_file(Data("_screenshots/image12.png")));
}

TEST_F(ScreenshotTest, NoDrawSurfaceWritesNothing) {
    TestApp& app = MakeApp();  // not initialised: the display has no surfaces
    app.TakeScreenshot();
    EXPECT_FALSE(fs::exists(Data("_screenshots")));
}

TEST_F(ScreenshotTest, F11DuringPlaybackShootsAndShiftF11Reports) {
    TestApp& app = InitedApp();
    app.mPlayingDemoBuffer = true;
    EXPECT_TRUE(app.DebugKeyDown(platform::vk::F11));
    EXPECT_TRUE(fs::exists(Data("_screenshots/image1.png")));
    EXPECT_FALSE(fs::exists(Data("_dump")));

    app.mWidgetManager->mKeyDown[platform::vk::Shift] = 1;
    EXPECT_TRUE(app.DebugKeyDown(platform::vk::F11));
    EXPECT_TRUE(fs::exists(Data("_dump/imagelist.html")));
    EXPECT_FALSE(fs::exists(Data("_screenshots/image2.png")));
}

TEST_F(ScreenshotTest, ImageCostCountsEveryBuffer) {
    MakeApp();
    auto image = MakeImage(100, 50, 0xFF000000);
    image->mPalette = std::make_unique<uint32_t[]>(256);
    EXPECT_EQ(Vesk::ImageCost::Of(*image).Total(), 20000 + 6024);
    image->mNativeAlpha = std::make_unique<uint32_t[]>(256);
    EXPECT_EQ(Vesk::ImageCost::Of(*image).nativeAlpha, 1024);
    EXPECT_EQ(Vesk::ImageCost::Of(*image).Total(), 20000 + 6024 + 1024);
    image->mPalette.reset();
    image->mRLAlpha = std::make_unique<uint8_t[]>(5000);
    image->mRLAdditive = std::make_unique<uint8_t[]>(5000);
    const Vesk::ImageCost cost = Vesk::ImageCost::Of(*image);
    EXPECT_EQ(cost.nativeAlpha, 20000);
    EXPECT_EQ(cost.Total(), 20000 + 20000 + 5000 + 5000);
    EXPECT_FALSE(cost.hasTexture);

    EXPECT_EQ(Vesk::ImageCost::Commas(0), "0");
    EXPECT_EQ(Vesk::ImageCost::Commas(999), "999");
    EXPECT_EQ(Vesk::ImageCost::Commas(26024), "26,024");
    EXPECT_EQ(Vesk::ImageCost::Commas(5000000000), "5,000,000,000");
    EXPECT_EQ(Vesk::ImageCost::Commas(-5), "");
    EXPECT_EQ(Vesk::ImageCost::TextureFormatName(4), "R5G6B5");
    EXPECT_EQ(Vesk::ImageCost::TextureFormatName(3), "");
}

TEST_F(ScreenshotTest, ImageReportListsImagesLargestFirst) {
    TestApp& app = MakeApp();
    // Stale contents of the dump folder go.
    fs::create_directories(Data("_dump/old"));
    Touch(Data("_dump/old/stale.txt"));
    Touch(Data("_dump/img0005.png"));

    auto small = MakeImage(10, 10, 0xFF00FF00);
    auto big = MakeImage(100, 50, 0xFF123456);
    big->mPalette = std::make_unique<uint32_t[]>(256);
    big->mPaletteIndices = std::make_unique<uint8_t[]>(5000);
    big->mHasAlpha = true;
    big->mHasTrans = false;
    big->mPath = "images\\big.png";
    // Column 0 black, the rest white: the thumbnail shows column 0 in its columns 0 to 5.
    auto narrow = MakeImage(10, 4, 0xFFFFFFFF);
    for (int y = 0; y < 4; ++y) {
        narrow->GetBits()[y * 10] = 0xFF000000;
    }
    narrow->mVolatile = true;
    narrow->mHasAlpha = false;
    narrow->mHasTrans = false;
    narrow->mRLAlpha = std::make_unique<uint8_t[]>(40);
    ASSERT_EQ(app.mMemoryImageSet.size(), 3u);

    app.DumpImageReport();

    const std::string html = ReadText(Data("_dump/imagelist.html"));
    const std::string head =
        "<HTML><BODY BGCOLOR=EEEEFF><CENTER><FONT SIZE=+2><B>Tue Mar 04 05:06:07 2025\n"
        "</B></FONT><BR>\n"
        "Total Image Allocation: 26,624 bytes<BR><TABLE BORDER=1 CELLSPACING=0 CELLPADDING=4>";
    ASSERT_EQ(html.substr(0, head.size()), head);

    const std::string bigRow =
        "<TR>\n"
        "<TD><A HREF=img0000.png><IMG SRC=thumb0000.jpg WIDTH=64 HEIGHT=64></A></TD>\n"
        "<TD ALIGN=RIGHT>100 x 50<BR>26,024 bytes</TD>\n"
        "<TD>mBits<BR>20,000</TD>\n"
        "<TD>Palletized<BR>6,024</TD>\n"
        "<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n"
        "<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>HasAlpha</TD>\n<TD>&nbsp;</TD>\n"
        "<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n"
        "<TD>images\\big.png</TD>\n"
        "</TR>\n";
    EXPECT_EQ(html.substr(head.size(), bigRow.size()), bigRow);
    const size_t smallRow = html.find("<TD ALIGN=RIGHT>10 x 10<BR>400 bytes</TD>");
    const size_t narrowRow = html.find("<TD ALIGN=RIGHT>10 x 4<BR>200 bytes</TD>");
    ASSERT_NE(smallRow, std::string::npos);
    ASSERT_NE(narrowRow, std::string::npos);
    EXPECT_LT(smallRow, narrowRow);
    EXPECT_NE(html.find("<TD>Volatile</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n"
                        "<TD>&nbsp;</TD>\n<TD>RLAlpha<BR>40</TD>\n"),
              std::string::npos);
    const std::string tail =
        "</TR>\n<TD>Totals</TD>\n<TD>26,624</TD>\n<TD>20,560</TD>\n<TD>6,024</TD>\n<TD>0</TD>\n"
        "<TD>0</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n"
        "<TD>0</TD>\n<TD>40</TD>\n<TD>0</TD>\n<TD>&nbsp;</TD>\n"
        "</TABLE></CENTER></BODY></HTML>\n";
    ASSERT_GE(html.size(), tail.size());
    EXPECT_EQ(html.substr(html.size() - tail.size()), tail);

    EXPECT_FALSE(fs::exists(Data("_dump/old")));
    EXPECT_FALSE(fs::exists(Data("_dump/img0005.png")));

    // The full pictures, lossless.
    Picture full;
    ASSERT_TRUE(ReadPng(Data("_dump/img0000.png"), full));
    EXPECT_EQ(full.width, 100);
    EXPECT_EQ(full.height, 50);
    EXPECT_EQ(std::vector<int>(full.At(99, 49), full.At(99, 49) + 4),
              (std::vector<int>{0x12, 0x34, 0x56, 0xFF}));

    // The thumbnails, 64 by 64 of the sampled source.
    Picture thumb;
    ASSERT_TRUE(ReadJpeg(Data("_dump/thumb0000.jpg"), thumb));
    EXPECT_EQ(thumb.width, 64);
    EXPECT_EQ(thumb.height, 64);
    EXPECT_EQ(thumb.components, 3);
    EXPECT_NEAR(thumb.At(30, 30)[0], 0x12, 16);
    EXPECT_NEAR(thumb.At(30, 30)[2], 0x56, 16);

    Picture narrowThumb;
    ASSERT_TRUE(ReadJpeg(Data("_dump/thumb0002.jpg"), narrowThumb));
    EXPECT_LT(narrowThumb.At(2, 32)[1], 64);
    EXPECT_LT(narrowThumb.At(5, 32)[1], 128);
    EXPECT_GT(narrowThumb.At(6, 32)[1], 128);
    EXPECT_GT(narrowThumb.At(40, 32)[1], 192);

    // The images were copied for their pictures and are left as they were.
    EXPECT_EQ(app.mMemoryImageSet.size(), 3u);
    EXPECT_NE(big->mPalette, nullptr);
}

TEST_F(ScreenshotTest, ImageReportGivesUpWhenTheFolderCannotBeMade) {
    TestApp& app = MakeApp();
    Touch(Data("_dump"));  // a file where the folder should be
    auto image = MakeImage(4, 4, 0xFFFFFFFF);
    const uint32_t before = mClock.TickMs();
    app.DumpImageReport();
    EXPECT_TRUE(fs::is_regular_file(Data("_dump")));
    EXPECT_EQ(mClock.TickMs() - before, 49u * 100u);
}

}  // namespace
}  // namespace apptest
