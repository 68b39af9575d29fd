#include "resources/ImageLib.h"

#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <new>
#include <stdexcept>

#include "platform/FileSystem.h"

namespace ImageLib {

Image::Image(int32_t width, int32_t height) {
    if (width < 0 || height < 0) {
        throw std::invalid_argument("ImageLib::Image: negative size");
    }
    mWidth = width;
    mHeight = height;
    mBits.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
}

Image::~Image() = default;

namespace {

// libpng reports errors by jumping back to the encoder; nothing is printed.
[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
    (void)message;
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp png, png_const_charp message) {
    (void)png;
    (void)message;
}

void AppendToBuffer(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    bool stored = true;
    try {
        out->insert(out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        stored = false;
    }
    // Exceptions must not cross the library's C frames.
    if (!stored) {
        png_error(png, "out of memory");
    }
}

void FlushBuffer(png_structp png) {
    (void)png;
}

// Everything between setjmp and a library error lives in the caller, so the
// jump skips no destructor.
bool Encode(png_structp png, png_infop info, const Image& image, uint8_t* row) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.mWidth),
                 static_cast<png_uint_32>(image.mHeight), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color_8 significant{};
    significant.red = 8;
    significant.green = 8;
    significant.blue = 8;
    significant.alpha = 8;
    png_set_sBIT(png, info, &significant);
    png_write_info(png, info);

    const uint32_t* pixel = image.mBits.data();
    for (int32_t y = 0; y < image.mHeight; ++y) {
        uint8_t* out = row;
        for (int32_t x = 0; x < image.mWidth; ++x) {
            const uint32_t argb = *pixel++;
            out[0] = static_cast<uint8_t>(argb >> 16);
            out[1] = static_cast<uint8_t>(argb >> 8);
            out[2] = static_cast<uint8_t>(argb);
            out[3] = static_cast<uint8_t>(argb >> 24);
            out += 4;
        }
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

bool WritePNGImage(const std::string& fileName, const Image& image) {
    if (image.mWidth <= 0 || image.mHeight <= 0 ||
        image.mBits.size() !=
            static_cast<size_t>(image.mWidth) * static_cast<size_t>(image.mHeight)) {
        return false;
    }

    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }

    // The file is encoded in memory first and then replaces the target in
    // one step, so a failure never leaves half a picture behind.
    std::vector<uint8_t> encoded;
    std::vector<uint8_t> row(static_cast<size_t>(image.mWidth) * 4);
    png_set_write_fn(png, &encoded, AppendToBuffer, FlushBuffer);
    const bool ok = Encode(png, info, image, row.data());
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        return false;
    }
    return platform::fs::WriteWholeFileAtomic(fileName, encoded.data(), encoded.size());
}

}  // namespace ImageLib
