// Decoding one 800x600 picture as PNG, JPEG and GIF: ours through ImageLib::GetImage (file
// layer included), beside libpng, libjpeg and giflib decoding the same bytes directly.
// Pairs are named ".../Vesk" and ".../lib".
#include <benchmark/benchmark.h>
#include <gif_lib.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
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
using Bytes = std::vector<uint8_t>;

constexpr int kWidth = 800;
constexpr int kHeight = 600;

// Soft gradients, discs and a little noise: compresses like a drawn game picture.
ImageLib::Image MakePicture() {
    ImageLib::Image image(kWidth, kHeight);
    uint32_t noise = 1;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const double d = std::hypot(x - 400.0, y - 300.0);
            int r = x * 255 / kWidth;
            int g = y * 255 / kHeight;
            int b = static_cast<int>(128 + 100 * std::sin(d / 30.0));
            if (std::hypot(x % 160 - 80.0, y % 120 - 60.0) < 40) {
                r = 255 - r;
                b = 40;
            }
            const int grain = static_cast<int>(noise >> 29) - 4;
            const auto clamp = [](int v) {
                return static_cast<uint32_t>(v < 0 ? 0 : v > 255 ? 255 : v);
            };
            image.mBits[static_cast<size_t>(y * kWidth + x)] =
                0xFF000000 | clamp(r + grain) << 16 | clamp(g + grain) << 8 | clamp(b + grain);
        }
    }
    return image;
}

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// 3-3-2 bits of colour per pixel, written by giflib's encoder.
bool WriteGif(const std::string& path, const ImageLib::Image& picture) {
    int status = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &status);
    if (gif == nullptr) {
        return false;
    }
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = {static_cast<GifByteType>((i >> 5) * 255 / 7),
                      static_cast<GifByteType>(((i >> 2) & 7) * 255 / 7),
                      static_cast<GifByteType>((i & 3) * 255 / 3)};
    }
    ColorMapObject* map = GifMakeMapObject(256, colours);
    EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, kWidth, kHeight, false, nullptr);
    std::vector<GifPixelType> row(kWidth);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t p = picture.mBits[static_cast<size_t>(y * kWidth + x)];
            row[static_cast<size_t>(x)] = static_cast<GifPixelType>(
                ((p >> 21) & 7) << 5 | ((p >> 13) & 7) << 2 | ((p >> 6) & 3));
        }
        EGifPutLine(gif, row.data(), kWidth);
    }
    const bool ok = EGifCloseFile(gif, &status) == GIF_OK;
    GifFreeMapObject(map);
    return ok;
}

struct Files {
    fs::path folder;
    Bytes png, jpeg, gif;

    Files() {
        folder = fs::temp_directory_path() / "vesk_bench_images";
        fs::create_directories(folder);
        const ImageLib::Image picture = MakePicture();
        if (!ImageLib::WritePNGImage(Path("pic.png"), picture) ||
            !ImageLib::WriteJPEGImage(Path("pic.jpg"), picture) ||
            !WriteGif(Path("pic.gif"), picture)) {
            std::fprintf(stderr, "could not write the pictures into %s\n", folder.c_str());
            std::exit(1);
        }
        png = ReadBytes(folder / "pic.png");
        jpeg = ReadBytes(folder / "pic.jpg");
        gif = ReadBytes(folder / "pic.gif");
    }
    std::string Path(const char* name) const { return (folder / name).string(); }
};

const Files& TheFiles() {
    static const Files files;
    return files;
}

void Ours(benchmark::State& state, const char* name) {
    const std::string path = TheFiles().Path(name);
    for (auto _ : state) {
        std::unique_ptr<ImageLib::Image> image = ImageLib::GetImage(path, false);
        if (image == nullptr) {
            state.SkipWithError("no image");
            break;
        }
        benchmark::DoNotOptimize(image->mBits.data());
    }
}

void PngLib(benchmark::State& state) {
    const Bytes& bytes = TheFiles().png;
    std::vector<uint32_t> pixels(size_t{kWidth} * kHeight);
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        png_image_begin_read_from_memory(&image, bytes.data(), bytes.size());
        image.format = PNG_FORMAT_BGRA;
        png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
        benchmark::DoNotOptimize(pixels.data());
    }
}

void JpegLib(benchmark::State& state) {
    const Bytes& bytes = TheFiles().jpeg;
    std::vector<uint8_t> rgb(size_t{kWidth} * kHeight * 3);
    for (auto _ : state) {
        jpeg_decompress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&info, TRUE);
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = rgb.data() + size_t{info.output_scanline} * kWidth * 3;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(rgb.data());
    }
}

struct MemoryInput {
    const Bytes* bytes;
    size_t position;
};

// giflib gives colour indices; the lookup to 0xAARRGGBB is part of the same work.
void GifLib(benchmark::State& state) {
    std::vector<uint32_t> pixels(size_t{kWidth} * kHeight);
    for (auto _ : state) {
        MemoryInput input{&TheFiles().gif, 0};
        int status = 0;
        GifFileType* gif = DGifOpen(
            &input,
            [](GifFileType* file, GifByteType* out, int length) {
                auto* in = static_cast<MemoryInput*>(file->UserData);
                const size_t n =
                    std::min(static_cast<size_t>(length), in->bytes->size() - in->position);
                std::memcpy(out, in->bytes->data() + in->position, n);
                in->position += n;
                return static_cast<int>(n);
            },
            &status);
        DGifSlurp(gif);
        const SavedImage& frame = gif->SavedImages[0];
        const ColorMapObject* map = gif->SColorMap;
        uint32_t palette[256] = {};
        for (int i = 0; i < map->ColorCount; ++i) {
            const GifColorType& c = map->Colors[i];
            palette[i] = 0xFF000000 | uint32_t{c.Red} << 16 | uint32_t{c.Green} << 8 | c.Blue;
        }
        for (size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = palette[frame.RasterBits[i]];
        }
        DGifCloseFile(gif, &status);
        benchmark::DoNotOptimize(pixels.data());
    }
}

BENCHMARK_CAPTURE(Ours, png, "pic.png")
    ->Name("DecodePng800x600/Vesk")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PngLib)->Name("DecodePng800x600/lib")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, jpeg, "pic.jpg")
    ->Name("DecodeJpeg800x600/Vesk")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(JpegLib)->Name("DecodeJpeg800x600/lib")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, gif, "pic.gif")
    ->Name("DecodeGif800x600/Vesk")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(GifLib)->Name("DecodeGif800x600/lib")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
