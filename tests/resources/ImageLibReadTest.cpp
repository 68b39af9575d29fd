// Choosing the reader, alpha images, and the TGA and GIF readers over hand-made bytes.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "resources/ImageLib.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

void Put16(Bytes& out, unsigned value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

// A TGA header and the bytes after it as given.
Bytes Tga(uint8_t type, unsigned width, unsigned height, uint8_t depth, uint8_t descriptor,
          const Bytes& body, uint8_t idLength = 0, uint16_t mapLength = 0) {
    Bytes out{idLength, static_cast<uint8_t>(mapLength != 0 ? 1 : 0), type};
    Put16(out, 0);
    Put16(out, mapLength);
    out.push_back(mapLength != 0 ? 24 : 0);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, width);
    Put16(out, height);
    out.push_back(depth);
    out.push_back(descriptor);
    out.insert(out.end(), idLength + mapLength * 3u, 0xEE);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes Pixel(uint32_t argb) {
    return {static_cast<uint8_t>(argb), static_cast<uint8_t>(argb >> 8),
            static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 24)};
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

struct GifOptions {
    int minCodeSize = 2;
    bool interlaced = false;
    int transparent = -1;
    int colours = 4;  // global table entries (0: none)
};

// A GIF whose LZW data holds only literal codes, with a clear code before the table would
// widen the codes; palette entry i is 0xFF000000 | i * 0x010101.
Bytes Gif(int width, int height, const std::vector<int>& indices, const GifOptions& options) {
    Bytes out{'G', 'I', 'F', '8', '9', 'a'};
    Put16(out, static_cast<unsigned>(width));
    Put16(out, static_cast<unsigned>(height));
    int tableBits = 0;
    while ((2 << tableBits) < options.colours) {
        ++tableBits;
    }
    out.push_back(static_cast<uint8_t>(options.colours > 0 ? 0x80 | tableBits : 0));
    out.push_back(0);
    out.push_back(0);
    for (int i = 0; options.colours > 0 && i < (2 << tableBits); ++i) {
        out.insert(out.end(), 3, static_cast<uint8_t>(i));
    }
    out.insert(out.end(), {0x21, 0xFE, 3, 'h', 'i', '!', 0});
    if (options.transparent >= 0) {
        out.insert(out.end(),
                   {0x21, 0xF9, 4, 1, 0, 0, static_cast<uint8_t>(options.transparent), 0});
    }
    out.push_back(0x2C);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<unsigned>(width));
    Put16(out, static_cast<unsigned>(height));
    out.push_back(options.interlaced ? 0x40 : 0);
    out.push_back(static_cast<uint8_t>(options.minCodeSize));

    const int clear = 1 << options.minCodeSize;
    const int codeSize = options.minCodeSize + 1;
    Bytes data;
    uint32_t accumulator = 0;
    int bits = 0;
    auto emit = [&](int code) {
        accumulator |= static_cast<uint32_t>(code) << bits;
        for (bits += codeSize; bits >= 8; bits -= 8) {
            data.push_back(static_cast<uint8_t>(accumulator));
            accumulator >>= 8;
        }
    };
    for (size_t i = 0; i < indices.size(); ++i) {
        if (i % static_cast<size_t>(clear - 2) == 0) {
            emit(clear);
        }
        emit(indices[i]);
    }
    emit(clear + 1);
    if (bits > 0) {
        data.push_back(static_cast<uint8_t>(accumulator));
    }
    for (size_t i = 0; i < data.size(); i += 255) {
        const size_t length = std::min<size_t>(255, data.size() - i);
        out.push_back(static_cast<uint8_t>(length));
        out.insert(out.end(), data.begin() + static_cast<long>(i),
                   data.begin() + static_cast<long>(i + length));
    }
    out.push_back(0);
    out.push_back(0x3B);
    return out;
}

uint32_t Grey(int i) {
    return 0xFF000000u | static_cast<uint32_t>(i) * 0x010101u;
}

class ImageFiles : public ::testing::Test {
protected:
    fs::path folder;

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path() / (std::string("vesk_imageread_") + info->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string Path(const std::string& name) const { return (folder / name).string(); }

    void Write(const std::string& name, const Bytes& bytes) const {
        fs::create_directories((folder / name).parent_path());
        std::ofstream(folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    // A picture of the given width whose pixels all have the given value.
    void WritePng(const std::string& name, int width, int height, uint32_t pixel) const {
        fs::create_directories((folder / name).parent_path());
        ImageLib::Image image(width, height);
        image.mBits.assign(image.mBits.size(), pixel);
        ASSERT_TRUE(ImageLib::WritePNGImage(Path(name), image));
    }
};

// ---- Choosing the reader ----

TEST_F(ImageFiles, TheExtensionPicksTheReaderAndNoneTriesThemInOrder) {
    // The width tells which file was read.
    Write("a.tga", Tga(2, 1, 1, 32, 0x28, Pixel(0xFF000001)));
    WritePng("a.png", 2, 1, 0xFF000002);
    Write("a.gif", Gif(3, 1, {1, 2, 3}, {}));
    WritePng("b.png", 2, 1, 0xFF000002);
    Write("b.gif", Gif(3, 1, {1, 2, 3}, {}));
    Write("dir.x/c.gif", Gif(3, 1, {1, 2, 3}, {}));
    WritePng("d.bmp", 2, 1, 0xFF000002);

    const struct {
        const char* name;
        int width;  // 0: no image
    } cases[] = {
        {"a", 1},     {"a.PNG", 2},  {"a.Gif", 3}, {"b", 2}, {"dir.x/c", 3},
        {"a.jpg", 0}, {"a.jpeg", 0}, {"d.bmp", 0}, {"d", 0}, {"missing", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        const std::unique_ptr<ImageLib::Image> image =
            ImageLib::GetImage(Path(c.name), false, &error);
        EXPECT_EQ(image != nullptr ? image->mWidth : 0, c.width);
        EXPECT_EQ(error, "");
    }
}

TEST_F(ImageFiles, ARefusedFileGivesNoImageAndSaysWhy) {
    Write("bad.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
    std::string error;
    EXPECT_EQ(ImageLib::GetImage(Path("bad"), true, &error), nullptr);
    EXPECT_NE(error.find("bad.png"), std::string::npos) << error;
}

TEST_F(ImageFiles, AlphaImagesGiveTheAlphaFromTheirBlueByte) {
    WritePng("d/pic.png", 2, 1, 0xFF123456);
    WritePng("d/_pic.png", 2, 1, 0xFF0000A0);
    WritePng("d/odd.png", 2, 1, 0xFF123456);
    WritePng("d/_odd.png", 3, 1, 0xFF0000A0);
    WritePng("d/bare.png", 1, 1, 0xFF123456);
    Write("d/bare_.gif", Gif(1, 1, {2}, {}));  // found only for a name without extension
    WritePng("d/_solo.png", 1, 1, 0xFF000080);

    const struct {
        const char* name;
        uint32_t pixel;  // 0: no image
    } cases[] = {
        {"d/pic.png", 0xA0123456},  {"d/pic", 0xA0123456},      {"d/odd.png", 0xFF123456},
        {"d/bare.png", 0xFF123456}, {"d/solo.png", 0x80FFFFFF}, {"d/none.png", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<ImageLib::Image> image = ImageLib::GetImage(Path(c.name), true);
        EXPECT_EQ(image != nullptr ? image->mBits[0] : 0u, c.pixel);
    }
    EXPECT_EQ(ImageLib::GetImage(Path("d/bare"), true)->mBits[0], 0x02123456u);
}

TEST_F(ImageFiles, TheAlphaComposeColourBelongsToTheThreadThatSetIt) {
    WritePng("_solo.png", 1, 1, 0xFF000080);
    ImageLib::gAlphaComposeColor = 0x123456;
    uint32_t otherThread = 0;
    std::thread([&] { otherThread = ImageLib::GetImage(Path("solo.png"), true)->mBits[0]; }).join();
    EXPECT_EQ(otherThread, 0x80FFFFFFu);
    EXPECT_EQ(ImageLib::GetImage(Path("solo.png"), true)->mBits[0], 0x80123456u);
    ImageLib::gAlphaComposeColor = 0xFFFFFF;
}

// ---- TGA ----

TEST(ImageLibTga, ReadsRawAndRunLengthPicturesAndRefusesOtherLayouts) {
    const Bytes four = Concat({Pixel(0x11223344), Pixel(0x80FF0000), Pixel(0), Pixel(0xFFFFFFFF)});
    const std::vector<uint32_t> expected{0x11223344, 0x80FF0000, 0, 0xFFFFFFFF};
    // A run of 3 then one literal, crossing the row.
    const Bytes runs = Concat({{0x82}, Pixel(0x01020304), {0x00}, Pixel(0x05060708)});
    const struct {
        const char* what;
        Bytes bytes;
        std::vector<uint32_t> pixels;  // empty: refused
    } cases[] = {
        {"raw", Tga(2, 2, 2, 32, 0x28, four), expected},
        {"id and colour map skipped", Tga(2, 2, 2, 32, 0x28, four, 5, 2), expected},
        {"run-length",
         Tga(10, 2, 2, 32, 0x28, runs),
         {0x01020304, 0x01020304, 0x01020304, 0x05060708}},
        {"bottom-left origin", Tga(2, 2, 2, 32, 0x08, four), {}},
        {"24-bit", Tga(2, 2, 2, 24, 0x28, four), {}},
        {"colour-mapped", Tga(1, 2, 2, 32, 0x28, four), {}},
        {"raw cut short", Tga(2, 2, 2, 32, 0x28, Bytes(four.begin(), four.end() - 1)), {}},
        {"runs cut short", Tga(10, 2, 2, 32, 0x28, Bytes(runs.begin(), runs.end() - 1)), {}},
        {"header only", Bytes(10, 0), {}},
        {"past the pixel limit", Tga(2, 65535, 65535, 32, 0x28, four), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        const std::optional<ImageLib::Image> image = ImageLib::DecodeTGA(c.bytes, error);
        ASSERT_EQ(image.has_value(), !c.pixels.empty()) << error;
        if (image.has_value()) {
            EXPECT_EQ(image->mBits, c.pixels);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

// ---- GIF ----

TEST(ImageLibGif, InterlacedRowsArriveInPassOrder) {
    std::vector<int> stream(10);
    for (int i = 0; i < 10; ++i) {
        stream[static_cast<size_t>(i)] = i;
    }
    std::string error;
    const std::optional<ImageLib::Image> image =
        ImageLib::DecodeGIF(Gif(1, 10, stream, {4, true, -1, 16}), error);
    ASSERT_TRUE(image.has_value()) << error;
    const int rowOfPosition[10] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(image->mBits[static_cast<size_t>(rowOfPosition[i])], Grey(i)) << i;
    }
}

TEST(ImageLibGif, PixelsOfEachLayout) {
    const struct {
        const char* what;
        Bytes bytes;
        std::vector<uint32_t> pixels;  // empty: refused
    } cases[] = {
        {"plain", Gif(2, 2, {0, 1, 2, 3}, {}), {Grey(0), Grey(1), Grey(2), Grey(3)}},
        {"transparent index", Gif(2, 2, {3, 1, 3, 0}, {2, false, 3, 4}), {0, Grey(1), 0, Grey(0)}},
        // Index 3 lies past a table of 2 entries: opaque black, not a read past the table.
        {"short table", Gif(2, 1, {1, 3}, {2, false, -1, 2}), {Grey(1), 0xFF000000}},
        {"no table", Gif(2, 1, {1, 2}, {2, false, -1, 0}), {0xFF000000, 0xFF000000}},
        {"end code early", Gif(2, 2, {1, 2}, {}), {Grey(1), Grey(2), 0, 0}},
        {"code size 12", Gif(2, 1, {1, 2}, {12, false, -1, 4}), {}},
        {"code size 0", Gif(2, 1, {1, 2}, {0, false, -1, 4}), {}},
        {"no picture", {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B}, {}},
        {"not a GIF", {'G', 'I', 'F', '9', '0', 'a', 1, 0, 1, 0, 0, 0, 0}, {}},
        {"empty picture", Gif(0, 1, {}, {}), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        const std::optional<ImageLib::Image> image = ImageLib::DecodeGIF(c.bytes, error);
        ASSERT_EQ(image.has_value(), !c.pixels.empty()) << error;
        if (image.has_value()) {
            EXPECT_EQ(image->mBits, c.pixels);
        }
    }
}

TEST(ImageLibGif, GraphicControlShorterThanFourBytesNamesNoIndex) {
    Bytes bytes = Gif(2, 1, {3, 1}, {});
    // Two graphic control blocks, both too short to hold an index.
    const Bytes control{0x21, 0xF9, 2, 1, 0, 0, 0x21, 0xF9, 3, 1, 0, 0, 0};
    bytes.insert(bytes.begin() + 6 + 7 + 12, control.begin(), control.end());
    std::string error;
    const std::optional<ImageLib::Image> image = ImageLib::DecodeGIF(bytes, error);
    ASSERT_TRUE(image.has_value()) << error;
    EXPECT_EQ(image->mBits[0], Grey(3));
}

// Encodes with giflib, whose encoder makes full LZW strings, table resets and the code that
// names the string being defined.
Bytes GiflibEncode(int width, int height, const std::vector<GifPixelType>& indices,
                   bool transparentZero) {
    Bytes out;
    int status = 0;
    GifFileType* gif = EGifOpen(
        &out,
        [](GifFileType* file, const GifByteType* data, int length) {
            auto* sink = static_cast<Bytes*>(file->UserData);
            sink->insert(sink->end(), data, data + length);
            return length;
        },
        &status);
    std::vector<GifColorType> colours(256);
    for (int i = 0; i < 256; ++i) {
        colours[static_cast<size_t>(i)] = {static_cast<GifByteType>(i),
                                           static_cast<GifByteType>(255 - i),
                                           static_cast<GifByteType>(i * 7)};
    }
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, width, height, 8, 0, map);
    if (transparentZero) {
        GraphicsControlBlock control{};
        control.TransparentColor = 0;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
    }
    EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
    for (int y = 0; y < height; ++y) {
        EGifPutLine(gif, const_cast<GifPixelType*>(indices.data()) + y * width, width);
    }
    EGifCloseFile(gif, &status);
    GifFreeMapObject(map);
    return out;
}

TEST(ImageLibGif, MatchesGiflibOnRealLzwData) {
    const int width = 193;
    const int height = 141;
    std::vector<GifPixelType> indices(static_cast<size_t>(width) * height);
    uint32_t noise = 12345;
    for (size_t i = 0; i < indices.size(); ++i) {
        noise = noise * 1103515245u + 12345u;
        // Long runs, repeats and noise: every kind of code, and more than 4096 of them.
        const size_t x = i % width;
        indices[i] = static_cast<GifPixelType>(x < 60    ? 7
                                               : x < 120 ? (i / 3) % 256
                                                         : (noise >> 16) % 256);
    }
    const Bytes bytes = GiflibEncode(width, height, indices, true);
    std::string error;
    const std::optional<ImageLib::Image> image = ImageLib::DecodeGIF(bytes, error);
    ASSERT_TRUE(image.has_value()) << error;
    for (size_t i = 0; i < indices.size(); ++i) {
        const uint32_t index = indices[i];
        const uint32_t expected =
            index == 0 ? 0 : 0xFF000000 | index << 16 | (255 - index) << 8 | ((index * 7) & 0xFF);
        ASSERT_EQ(image->mBits[i], expected) << i;
    }
}

// ---- Every reader ----

TEST(ImageLibDecoders, CutShortOrGarbledInputIsRefusedWithAReason) {
    std::vector<GifPixelType> indices(40 * 30);
    for (size_t i = 0; i < indices.size(); ++i) {
        indices[i] = static_cast<GifPixelType>(i * 31 % 256);
    }
    const struct {
        const char* what;
        ImageLib::Decoder decode;
        Bytes whole;
    } formats[] = {
        {"TGA", ImageLib::DecodeTGA, Tga(10, 2, 2, 32, 0x28, Concat({{0x03}, Bytes(16, 0x05)}))},
        {"GIF", ImageLib::DecodeGIF, GiflibEncode(40, 30, indices, false)},
    };
    for (const auto& format : formats) {
        SCOPED_TRACE(format.what);
        std::string error;
        ASSERT_TRUE(format.decode(format.whole, error, ImageLib::kMaxPixels).has_value()) << error;
        // Every cut that loses picture data; the GIF's last two bytes are the end of its data
        // and its trailer.
        const size_t keep = format.decode == ImageLib::DecodeGIF ? 2 : 0;
        for (size_t size = 0; size + keep < format.whole.size(); ++size) {
            error.clear();
            const Bytes cut(format.whole.begin(), format.whole.begin() + static_cast<long>(size));
            EXPECT_FALSE(format.decode(cut, error, ImageLib::kMaxPixels).has_value()) << size;
            EXPECT_FALSE(error.empty()) << size;
        }
        EXPECT_FALSE(format.decode(format.whole, error, 3).has_value());
    }
}

}  // namespace
