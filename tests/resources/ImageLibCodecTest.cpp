// The readers that sit on libraries: PNG layouts made with libpng, JPEG made with libjpeg and
// our writer, JPEG 2000 in both forms made with OpenJPEG's encoder.
#include <gtest/gtest.h>
#include <openjpeg.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "resources/ImageLib.h"

namespace {

using Bytes = std::vector<uint8_t>;

// ---- PNG ----

struct PngLayout {
    const char* what;
    int colourType;
    int bitDepth;
    bool interlaced;
};

// A sample of the test picture at (x, y) for channel c, in the layout's depth.
unsigned Sample(const PngLayout& layout, int x, int y, int c) {
    const unsigned top = (1u << layout.bitDepth) - 1;
    if (layout.colourType == PNG_COLOR_TYPE_PALETTE) {
        return static_cast<unsigned>(x + y) % 4;
    }
    const unsigned value8 = static_cast<unsigned>(x * 40 + y * 25 + c * 70) % 256;
    return layout.bitDepth == 16 ? value8 * 257 : layout.bitDepth < 8 ? value8 % (top + 1) : value8;
}

const png_color kPalette[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
const png_byte kPaletteAlpha[4] = {0x40, 0xFF, 0xFF, 0xFF};

// What the reader should give for the test picture.
uint32_t Expected(const PngLayout& layout, int x, int y) {
    const auto eight = [&](int c) {
        const unsigned v = Sample(layout, x, y, c);
        return layout.bitDepth == 16 ? v / 257
               : layout.bitDepth < 8 ? v * 255 / ((1u << layout.bitDepth) - 1)
                                     : v;
    };
    switch (layout.colourType) {
        case PNG_COLOR_TYPE_PALETTE: {
            const unsigned i = Sample(layout, x, y, 0);
            return uint32_t{kPaletteAlpha[i]} << 24 | uint32_t{kPalette[i].red} << 16 |
                   uint32_t{kPalette[i].green} << 8 | kPalette[i].blue;
        }
        case PNG_COLOR_TYPE_GRAY:
            return 0xFF000000 | eight(0) * 0x010101;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return eight(1) << 24 | eight(0) * 0x010101;
        case PNG_COLOR_TYPE_RGB:
            return 0xFF000000 | eight(0) << 16 | eight(1) << 8 | eight(2);
        default:
            return eight(3) << 24 | eight(0) << 16 | eight(1) << 8 | eight(2);
    }
}

Bytes EncodePng(const PngLayout& layout, int width, int height) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t length) {
            auto* sink = static_cast<Bytes*>(png_get_io_ptr(p));
            sink->insert(sink->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 layout.bitDepth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (layout.colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, kPalette, 4);
        png_set_tRNS(png, info, kPaletteAlpha, 4, nullptr);
    }
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    std::vector<Bytes> rows(static_cast<size_t>(height), Bytes(png_get_rowbytes(png, info)));
    for (int y = 0; y < height; ++y) {
        Bytes& row = rows[static_cast<size_t>(y)];
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                const unsigned v = Sample(layout, x, y, c);
                const size_t at = static_cast<size_t>(x * channels + c);
                if (layout.bitDepth == 16) {
                    row[at * 2] = static_cast<uint8_t>(v >> 8);
                    row[at * 2 + 1] = static_cast<uint8_t>(v);
                } else if (layout.bitDepth == 8) {
                    row[at] = static_cast<uint8_t>(v);
                } else {
                    const size_t bit = at * static_cast<size_t>(layout.bitDepth);
                    row[bit / 8] |= static_cast<uint8_t>(v << (8 - layout.bitDepth - bit % 8));
                }
            }
        }
    }
    std::vector<png_bytep> pointers;
    for (Bytes& row : rows) {
        pointers.push_back(row.data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

TEST(ImageLibPng, EveryLayoutArrivesAsEightBitArgb) {
    const PngLayout layouts[] = {
        {"RGB 8", PNG_COLOR_TYPE_RGB, 8, false},
        {"RGB 16", PNG_COLOR_TYPE_RGB, 16, false},
        {"RGBA 16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false},
        {"palette with alpha", PNG_COLOR_TYPE_PALETTE, 8, false},
        {"palette 2-bit", PNG_COLOR_TYPE_PALETTE, 2, false},
        {"grey 8", PNG_COLOR_TYPE_GRAY, 8, false},
        {"grey 4", PNG_COLOR_TYPE_GRAY, 4, false},
        {"grey and alpha", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false},
        {"interlaced RGB", PNG_COLOR_TYPE_RGB, 8, true},
        {"interlaced RGBA 16", PNG_COLOR_TYPE_RGB_ALPHA, 16, true},
    };
    // Odd sizes leave Adam7 passes of uneven lengths.
    const int width = 13;
    const int height = 11;
    for (const PngLayout& layout : layouts) {
        SCOPED_TRACE(layout.what);
        std::string error;
        const std::optional<ImageLib::Image> image =
            ImageLib::DecodePNG(EncodePng(layout, width, height), error);
        ASSERT_TRUE(image.has_value()) << error;
        ASSERT_EQ(image->mWidth, width);
        ASSERT_EQ(image->mHeight, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(image->mBits[static_cast<size_t>(y * width + x)], Expected(layout, x, y))
                    << x << "," << y;
            }
        }
    }
}

TEST(ImageLibPng, CutShortCorruptOrOversizedFilesAreRefused) {
    const Bytes whole = EncodePng({"", PNG_COLOR_TYPE_RGB, 8, false}, 13, 11);
    Bytes corrupt = whole;
    corrupt[whole.size() / 2] ^= 0xFF;
    const struct {
        const char* what;
        Bytes bytes;
        int64_t maxPixels;
    } cases[] = {
        {"empty", {}, ImageLib::kMaxPixels},
        {"signature only", Bytes(whole.begin(), whole.begin() + 8), ImageLib::kMaxPixels},
        {"half", Bytes(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2)),
         ImageLib::kMaxPixels},
        {"no end chunk", Bytes(whole.begin(), whole.end() - 12), ImageLib::kMaxPixels},
        {"flipped byte", corrupt, ImageLib::kMaxPixels},
        {"too many pixels", whole, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        EXPECT_FALSE(ImageLib::DecodePNG(c.bytes, error, c.maxPixels).has_value());
        EXPECT_FALSE(error.empty());
    }
    // The file ends after a chunk header claiming 2 GB: refused before the library takes (and
    // clears) memory for it.
    Bytes claim(whole.begin(), whole.begin() + 33);
    claim.insert(claim.end(), {0x77, 0x00, 0x00, 0x00, 't', 'E', 'X', 't'});
    std::string error;
    EXPECT_FALSE(ImageLib::DecodePNG(claim, error, ImageLib::kMaxPixels).has_value());
    EXPECT_EQ(error, "PNG: a chunk runs past the end of the file");
}

// ---- JPEG ----

Bytes EncodeJpeg(int width, int height, int components, J_COLOR_SPACE space,
                 const std::function<uint8_t(int x, int y, int c)>& sample,
                 bool progressive = false, bool arithmetic = false) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    if (progressive) {
        jpeg_simple_progression(&info);
    }
    info.arith_code = arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    Bytes row(static_cast<size_t>(width * components));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < components; ++c) {
                row[static_cast<size_t>(x * components + c)] = sample(x, y, c);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) {
            return false;
        }
    }
    return true;
}

TEST(ImageLibJpegRead, ColourAndGreyFilesGiveOpaquePixels) {
    // Flat areas, so only rounding separates the decoded colours from the written ones.
    const auto colour = [](int x, int y, int c) {
        return static_cast<uint8_t>(x < 16 ? (c == 0 ? 200 : 30) : (y < 8 ? 90 : 250 - c * 60));
    };
    const Bytes rgb = EncodeJpeg(32, 16, 3, JCS_RGB, colour);
    const Bytes grey = EncodeJpeg(32, 16, 1, JCS_GRAYSCALE,
                                  [](int x, int, int) { return static_cast<uint8_t>(x * 8); });
    std::string error;
    const std::optional<ImageLib::Image> fromRgb = ImageLib::DecodeJPEG(rgb, error);
    ASSERT_TRUE(fromRgb.has_value()) << error;
    EXPECT_TRUE(Near(fromRgb->mBits[2 * 32 + 4], 0xFFC81E1E, 3));
    EXPECT_TRUE(Near(fromRgb->mBits[12 * 32 + 28], 0xFFFABE82, 3));

    const std::optional<ImageLib::Image> fromGrey = ImageLib::DecodeJPEG(grey, error);
    ASSERT_TRUE(fromGrey.has_value()) << error;
    for (uint32_t pixel : fromGrey->mBits) {
        ASSERT_EQ(pixel >> 24, 0xFFu);
        ASSERT_EQ(pixel & 0xFF, (pixel >> 8) & 0xFF);
        ASSERT_EQ(pixel & 0xFF, (pixel >> 16) & 0xFF);
    }
    EXPECT_TRUE(Near(fromGrey->mBits[5 * 32 + 10], 0xFF505050, 3));

    // A file missing only its end marker still reads.
    EXPECT_TRUE(ImageLib::DecodeJPEG(Bytes(rgb.begin(), rgb.end() - 2), error).has_value());
}

TEST(ImageLibJpegRead, OurWriterReadsBack) {
    ImageLib::Image written(24, 8);
    written.mBits.assign(written.mBits.size(), 0x80336699);
    const std::string path = testing::TempDir() + "/vesk_jpeg_read_back.jpg";
    ASSERT_TRUE(ImageLib::WriteJPEGImage(path, written));
    std::string error;
    const std::unique_ptr<ImageLib::Image> read = ImageLib::ReadJPEGImage(path, &error);
    std::remove(path.c_str());
    ASSERT_NE(read, nullptr) << error;
    EXPECT_TRUE(Near(read->mBits[50], 0xFF336699, 3));
}

TEST(ImageLibJpegRead, CmykCutShortAndOversizedFilesAreRefused) {
    const auto sample = [](int x, int y, int c) { return static_cast<uint8_t>(x * 9 + y * c); };
    const Bytes rgb = EncodeJpeg(32, 32, 3, JCS_RGB, sample);
    const struct {
        const char* what;
        Bytes bytes;
        int64_t maxPixels;
    } cases[] = {
        {"CMYK", EncodeJpeg(16, 16, 4, JCS_CMYK, sample), ImageLib::kMaxPixels},
        {"empty", {}, ImageLib::kMaxPixels},
        {"header only", Bytes(rgb.begin(), rgb.begin() + 200), ImageLib::kMaxPixels},
        {"too many pixels", rgb, 1000},
        {"not a JPEG", Bytes(100, 0x41), ImageLib::kMaxPixels},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        EXPECT_FALSE(ImageLib::DecodeJPEG(c.bytes, error, c.maxPixels).has_value());
        EXPECT_FALSE(error.empty());
    }
}

// What libjpeg's own reader makes of the bytes, as 0xAARRGGBB; its memory source also ends a
// cut file with a warning and a fake end-of-image marker.
std::vector<uint32_t> LibjpegPixels(const Bytes& bytes) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    errors.output_message = [](j_common_ptr) {};
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    std::vector<uint32_t> pixels(size_t{info.output_width} * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(pixels.data() +
                                                  size_t{info.output_scanline} * info.output_width);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return pixels;
}

TEST(ImageLibJpegRead, FileCutAtTwoThirdsKeepsItsRowsAndTheLibraryFillsTheRest) {
    // Busy everywhere, so the data is spread evenly over the rows.
    const auto noise = [](int x, int y, int c) {
        return static_cast<uint8_t>((x * 7919 + y * 104729 + c * 31) * 2654435761u >> 24);
    };
    const int width = 64;
    const int height = 96;
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "sequential");
        const Bytes whole = EncodeJpeg(width, height, 3, JCS_RGB, noise, progressive);
        const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(whole.size() * 2 / 3));
        std::string error;
        const std::optional<ImageLib::Image> full = ImageLib::DecodeJPEG(whole, error);
        ASSERT_TRUE(full.has_value()) << error;
        const std::optional<ImageLib::Image> image = ImageLib::DecodeJPEG(cut, error);
        ASSERT_TRUE(image.has_value()) << error;
        ASSERT_EQ(image->mWidth, width);
        ASSERT_EQ(image->mHeight, height);
        EXPECT_EQ(image->mBits, LibjpegPixels(cut));
        if (!progressive) {
            // The rows before the cut are those of the whole file.
            const size_t third = static_cast<size_t>(width * height / 3);
            EXPECT_TRUE(
                std::equal(full->mBits.begin(), full->mBits.begin() + third, image->mBits.begin()));
            EXPECT_NE(full->mBits, image->mBits);
        }
    }
}

// Arithmetic coding spends next to nothing on a plain area, so the data bounds no claim below
// the reader's own limit; above it, and past 100 scans, the file is refused.
TEST(ImageLibJpegRead, ArithmeticCodedFilesReadAsTheLibraryReadsThem) {
    const auto noise = [](int x, int y, int c) {
        return static_cast<uint8_t>((x * 7919 + y * 104729 + c * 31) * 2654435761u >> 24);
    };
    const auto plain = [](int, int, int) { return uint8_t{140}; };
    const struct {
        int width, height, components;
        bool progressive;
        std::function<uint8_t(int, int, int)> sample;
    } files[] = {
        {37, 21, 3, false, noise},
        {37, 21, 3, true, noise},
        {40, 9, 1, true, noise},
        {1024, 768, 3, false, plain},  // a few bytes of data
    };
    for (const auto& f : files) {
        SCOPED_TRACE(std::to_string(f.width) + (f.progressive ? " progressive" : " sequential"));
        const Bytes bytes =
            EncodeJpeg(f.width, f.height, f.components, f.components == 3 ? JCS_RGB : JCS_GRAYSCALE,
                       f.sample, f.progressive, true);
        std::string error;
        const std::optional<ImageLib::Image> image = ImageLib::DecodeJPEG(bytes, error);
        ASSERT_TRUE(image.has_value()) << error;
        EXPECT_EQ(image->mWidth, f.width);
        EXPECT_EQ(image->mBits, LibjpegPixels(bytes));
    }

    // The same plain file claiming 16000 x 16000 in its frame header.
    Bytes huge = EncodeJpeg(64, 64, 1, JCS_GRAYSCALE, plain, false, true);
    const uint8_t sof[] = {0xFF, 0xC9};
    const auto frame = std::search(huge.begin(), huge.end(), sof, sof + 2);
    ASSERT_NE(frame, huge.end());
    for (int at : {5, 7}) {
        frame[at] = 16000 >> 8;
        frame[at + 1] = 16000 & 0xFF;
    }
    std::string error;
    EXPECT_FALSE(ImageLib::DecodeJPEG(huge, error).has_value());
    EXPECT_NE(error.find("too short"), std::string::npos) << error;

    // A progressive file whose last scan comes again and again.
    Bytes scans = EncodeJpeg(37, 21, 1, JCS_GRAYSCALE, noise, true, true);
    const uint8_t sos[] = {0xFF, 0xDA};
    const auto last = std::find_end(scans.begin(), scans.end(), sos, sos + 2);
    const Bytes scan(last, scans.end() - 2);
    for (int i = 0; i < 100; ++i) {
        scans.insert(scans.end() - 2, scan.begin(), scan.end());
    }
    EXPECT_FALSE(ImageLib::DecodeJPEG(scans, error).has_value());
    EXPECT_NE(error.find("100 scans"), std::string::npos) << error;
}

// ---- JPEG 2000 ----

// A lossless picture from OpenJPEG's encoder, as a raw codestream or a JP2 file.
Bytes EncodeJ2k(OPJ_CODEC_FORMAT format, int width, int height, int components) {
    std::vector<opj_image_cmptparm_t> parameters(static_cast<size_t>(components));
    for (opj_image_cmptparm_t& p : parameters) {
        p = {};
        p.dx = 1;
        p.dy = 1;
        p.w = static_cast<OPJ_UINT32>(width);
        p.h = static_cast<OPJ_UINT32>(height);
        p.prec = 8;
    }
    opj_image_t* image = opj_image_create(static_cast<OPJ_UINT32>(components), parameters.data(),
                                          components == 1 ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB);
    image->x1 = static_cast<OPJ_UINT32>(width);
    image->y1 = static_cast<OPJ_UINT32>(height);
    for (int c = 0; c < components; ++c) {
        for (int i = 0; i < width * height; ++i) {
            image->comps[c].data[i] = (i * 13 + c * 80) % 256;
        }
    }
    opj_cparameters_t settings;
    opj_set_default_encoder_parameters(&settings);
    settings.tcp_numlayers = 1;
    settings.tcp_rates[0] = 0;
    settings.cp_disto_alloc = 1;
    settings.numresolution = 3;
    opj_codec_t* codec = opj_create_compress(format);
    opj_setup_encoder(codec, &settings, image);

    // The JP2 writer goes back to fill in box lengths.
    struct Sink {
        Bytes bytes;
        size_t position = 0;
    } sink;
    opj_stream_t* stream = opj_stream_create(4096, OPJ_FALSE);
    opj_stream_set_user_data(stream, &sink, nullptr);
    opj_stream_set_write_function(stream, [](void* data, OPJ_SIZE_T size, void* user) {
        auto* out = static_cast<Sink*>(user);
        if (out->bytes.size() < out->position + size) {
            out->bytes.resize(out->position + size);
        }
        std::memcpy(out->bytes.data() + out->position, data, size);
        out->position += size;
        return size;
    });
    opj_stream_set_seek_function(stream, [](OPJ_OFF_T offset, void* user) {
        static_cast<Sink*>(user)->position = static_cast<size_t>(offset);
        return OPJ_TRUE;
    });
    opj_stream_set_skip_function(stream, [](OPJ_OFF_T count, void* user) {
        static_cast<Sink*>(user)->position += static_cast<size_t>(count);
        return count;
    });
    const bool ok = opj_start_compress(codec, image, stream) && opj_encode(codec, stream) &&
                    opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    EXPECT_TRUE(ok);
    return sink.bytes;
}

uint32_t J2kExpected(int i, int components) {
    const auto v = [&](int c) { return static_cast<uint32_t>((i * 13 + c * 80) % 256); };
    return components == 1 ? 0xFF000000 | v(0) * 0x010101
                           : 0xFF000000 | v(0) << 16 | v(1) << 8 | v(2);
}

TEST(ImageLibJ2k, BothFormsDecodeExactly) {
    ImageLib::LoadJ2KCodec();
    const struct {
        const char* what;
        OPJ_CODEC_FORMAT format;
        int components;
    } cases[] = {
        {"codestream", OPJ_CODEC_J2K, 3},
        {"JP2", OPJ_CODEC_JP2, 3},
        {"grey JP2", OPJ_CODEC_JP2, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes bytes = EncodeJ2k(c.format, 21, 17, c.components);
        std::string error;
        const std::optional<ImageLib::Image> image = ImageLib::DecodeJ2K(bytes, error);
        ASSERT_TRUE(image.has_value()) << error;
        ASSERT_EQ(image->mWidth, 21);
        ASSERT_EQ(image->mHeight, 17);
        for (int i = 0; i < 21 * 17; ++i) {
            ASSERT_EQ(image->mBits[static_cast<size_t>(i)], J2kExpected(i, c.components)) << i;
        }
        // Cut short, the file is refused rather than decoded to a guess.
        EXPECT_FALSE(ImageLib::DecodeJ2K(Bytes(bytes.begin(), bytes.end() - 20), error));
        EXPECT_FALSE(ImageLib::DecodeJ2K(bytes, error, 100));
    }
    std::string error;
    EXPECT_FALSE(ImageLib::DecodeJ2K(Bytes(64, 0), error));
    ImageLib::FreeJ2KCodec();
    EXPECT_FALSE(ImageLib::DecodeJ2K(EncodeJ2k(OPJ_CODEC_J2K, 4, 4, 3), error));
    EXPECT_EQ(error, "the JPEG 2000 codec is not loaded");
    ImageLib::LoadJ2KCodec();
}

// ---- Every reader ----

void PutBigEndian(Bytes& bytes, size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * (size - 1 - i)));
    }
}

// The file with the size in its header replaced; PNG's header checksum is made anew.
Bytes PngClaiming(Bytes png, uint32_t width, uint32_t height) {
    PutBigEndian(png, 16, width, 4);
    PutBigEndian(png, 20, height, 4);
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 12; i < 29; ++i) {
        crc ^= png[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
        }
    }
    PutBigEndian(png, 29, ~crc, 4);
    return png;
}

Bytes JpegClaiming(Bytes jpeg, uint16_t width, uint16_t height) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            PutBigEndian(jpeg, i + 5, height, 2);
            PutBigEndian(jpeg, i + 7, width, 2);
            break;
        }
    }
    return jpeg;
}

// A raw codestream's picture and tile sizes replaced.
Bytes J2kClaiming(Bytes j2k, uint32_t side, uint32_t tileSide) {
    PutBigEndian(j2k, 8, side, 4);
    PutBigEndian(j2k, 12, side, 4);
    PutBigEndian(j2k, 24, tileSide, 4);
    PutBigEndian(j2k, 28, tileSide, 4);
    return j2k;
}

TEST(ImageLibDecoders, SmallFilesClaimingHugePicturesAreRefusedBeforeTheirMemoryIsTaken) {
    ImageLib::LoadJ2KCodec();
    const auto sample = [](int x, int y, int c) { return static_cast<uint8_t>(x * 9 + y * c); };
    const Bytes png = EncodePng({"", PNG_COLOR_TYPE_RGB, 8, false}, 13, 11);
    const Bytes grey1 = EncodePng({"", PNG_COLOR_TYPE_GRAY, 1, false}, 64, 64);
    const Bytes jpeg = EncodeJpeg(16, 16, 3, JCS_RGB, sample);
    const Bytes progressive = EncodeJpeg(16, 16, 3, JCS_RGB, sample, true);
    const Bytes j2k = EncodeJ2k(OPJ_CODEC_J2K, 21, 17, 3);
    // 16000 x 16000 in the header, a few pixels of data after it.
    const Bytes tga = {0,    0,    10,   0,    0,  0,    0,    0, 0, 0, 0, 0,
                       0x80, 0x3E, 0x80, 0x3E, 32, 0x28, 0xFF, 1, 2, 3, 4};
    const Bytes gif = {'G',  'I',  'F', '8', '9', 'a',  0x80, 0x3E, 0x80, 0x3E, 0x80, 0,    0,
                       0,    0,    0,   255, 255, 255,  0x2C, 0,    0,    0,    0,    0x80, 0x3E,
                       0x80, 0x3E, 0,   2,   4,   0x44, 0x01, 0x00, 0x00, 0,    0x3B};
    const struct {
        const char* what;
        ImageLib::Decoder decode;
        Bytes bytes;
        const char* error;
    } cases[] = {
        {"PNG", ImageLib::DecodePNG, PngClaiming(png, 16000, 16000),
         "PNG data too short for a 16000 x 16000 picture"},
        {"1-bit PNG", ImageLib::DecodePNG, PngClaiming(grey1, 16000, 16000),
         "PNG data too short for a 16000 x 16000 picture"},
        {"JPEG", ImageLib::DecodeJPEG, JpegClaiming(jpeg, 16000, 16000),
         "JPEG data too short for a 16000 x 16000 picture"},
        {"progressive JPEG", ImageLib::DecodeJPEG, JpegClaiming(progressive, 16000, 16000),
         "JPEG data too short for a 16000 x 16000 picture"},
        {"JPEG 2000", ImageLib::DecodeJ2K, J2kClaiming(j2k, 16000, 16000),
         "JPEG 2000 data too short for a 16000 x 16000 picture"},
        {"JPEG 2000 of many tiles", ImageLib::DecodeJ2K, J2kClaiming(j2k, 16000, 64),
         "JPEG 2000 data too short for a 16000 x 16000 picture"},
        {"TGA", ImageLib::DecodeTGA, tga, "TGA file cut short"},
        {"GIF", ImageLib::DecodeGIF, gif, "GIF data too short for a 16000 x 16000 picture"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        EXPECT_FALSE(c.decode(c.bytes, error, ImageLib::kMaxPixels).has_value());
        EXPECT_EQ(error, c.error);
    }
    // The pictures they were made from still load.
    const std::pair<ImageLib::Decoder, Bytes> originals[] = {{ImageLib::DecodePNG, png},
                                                             {ImageLib::DecodePNG, grey1},
                                                             {ImageLib::DecodeJPEG, jpeg},
                                                             {ImageLib::DecodeJPEG, progressive},
                                                             {ImageLib::DecodeJ2K, j2k}};
    for (const auto& [decode, bytes] : originals) {
        std::string error;
        EXPECT_TRUE(decode(bytes, error, ImageLib::kMaxPixels).has_value()) << error;
    }
}

}  // namespace
