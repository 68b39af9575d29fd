// PNG and JPEG into memory: the data tool hands bytes to the pak writer, never files.
#include "make_data/images/Encode.h"

#include <png.h>

#include <jpeglib.h>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

namespace make_data::images {
namespace {

[[noreturn]] void OnPngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

void AppendPng(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void FlushPng(png_structp) {}

bool WritePng(png_structp png, png_infop info, const ImageLib::Image& image,
              std::vector<uint8_t>& row) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.mWidth),
                 static_cast<png_uint_32>(image.mHeight), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    for (int32_t y = 0; y < image.mHeight; ++y) {
        const uint32_t* src = image.GetBits() + static_cast<size_t>(y) * image.mWidth;
        for (int32_t x = 0; x < image.mWidth; ++x) {
            const uint32_t p = src[x];
            row[x * 4 + 0] = static_cast<uint8_t>(p >> 16);
            row[x * 4 + 1] = static_cast<uint8_t>(p >> 8);
            row[x * 4 + 2] = static_cast<uint8_t>(p);
            row[x * 4 + 3] = static_cast<uint8_t>(p >> 24);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    return true;
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    std::longjmp(error->jump, 1);
}
void OnJpegMessage(j_common_ptr) {}

bool WriteJpeg(jpeg_compress_struct& jpeg, const ImageLib::Image& image, int quality,
               std::vector<uint8_t>& row, unsigned char*& buffer, unsigned long& size) {
    JpegError& error = *reinterpret_cast<JpegError*>(jpeg.err);
    if (setjmp(error.jump) != 0) {
        return false;
    }
    jpeg_create_compress(&jpeg);
    jpeg_mem_dest(&jpeg, &buffer, &size);
    jpeg.image_width = static_cast<JDIMENSION>(image.mWidth);
    jpeg.image_height = static_cast<JDIMENSION>(image.mHeight);
    jpeg.input_components = 3;
    jpeg.in_color_space = JCS_RGB;
    jpeg_set_defaults(&jpeg);
    jpeg_set_quality(&jpeg, quality, TRUE);
    jpeg_start_compress(&jpeg, TRUE);
    while (jpeg.next_scanline < jpeg.image_height) {
        const uint32_t* src =
            image.GetBits() + static_cast<size_t>(jpeg.next_scanline) * image.mWidth;
        for (int32_t x = 0; x < image.mWidth; ++x) {
            row[x * 3 + 0] = static_cast<uint8_t>(src[x] >> 16);
            row[x * 3 + 1] = static_cast<uint8_t>(src[x] >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(src[x]);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&jpeg, rows, 1);
    }
    jpeg_finish_compress(&jpeg);
    return true;
}

}  // namespace

std::vector<uint8_t> EncodePng(const ImageLib::Image& image) {
    std::vector<uint8_t> out;
    if (image.mWidth <= 0 || image.mHeight <= 0 ||
        image.mBits.size() != static_cast<size_t>(image.mWidth) * image.mHeight) {
        return out;
    }
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (png == nullptr) {
        return out;
    }
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> row(static_cast<size_t>(image.mWidth) * 4);
    png_set_write_fn(png, &out, AppendPng, FlushPng);
    const bool ok = info != nullptr && WritePng(png, info, image, row);
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    if (!ok) {
        out.clear();
    }
    return out;
}

std::vector<uint8_t> EncodeJpeg(const ImageLib::Image& image, int quality) {
    std::vector<uint8_t> out;
    if (image.mWidth <= 0 || image.mHeight <= 0 ||
        image.mBits.size() != static_cast<size_t>(image.mWidth) * image.mHeight) {
        return out;
    }
    jpeg_compress_struct jpeg{};
    JpegError error{};
    jpeg.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = OnJpegError;
    error.mgr.output_message = OnJpegMessage;
    std::vector<uint8_t> row(static_cast<size_t>(image.mWidth) * 3);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (WriteJpeg(jpeg, image, quality, row, buffer, size) && buffer != nullptr) {
        out.assign(buffer, buffer + size);
    }
    jpeg_destroy_compress(&jpeg);
    std::free(buffer);
    return out;
}

}  // namespace make_data::images
