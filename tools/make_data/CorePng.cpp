#include "make_data/CorePng.h"

#include <png.h>

#include <stdexcept>

namespace make_data::core {

std::vector<uint8_t> EncodePng(const ImageLib::Image& image) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        throw std::runtime_error("libpng could not be started");
    }
    std::vector<uint8_t> out;
    std::vector<uint8_t> rows(static_cast<size_t>(image.mWidth) * 4 *
                              static_cast<size_t>(image.mHeight));
    for (size_t i = 0; i < image.mBits.size(); ++i) {
        const uint32_t argb = image.mBits[i];
        rows[i * 4 + 0] = static_cast<uint8_t>(argb >> 16);
        rows[i * 4 + 1] = static_cast<uint8_t>(argb >> 8);
        rows[i * 4 + 2] = static_cast<uint8_t>(argb);
        rows[i * 4 + 3] = static_cast<uint8_t>(argb >> 24);
    }
    std::vector<png_bytep> rowPointers(static_cast<size_t>(image.mHeight));
    for (size_t y = 0; y < rowPointers.size(); ++y) {
        rowPointers[y] = rows.data() + y * static_cast<size_t>(image.mWidth) * 4;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng could not encode an image");
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto* bytes = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            bytes->insert(bytes->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.mWidth),
                 static_cast<png_uint_32>(image.mHeight), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_set_rows(png, info, rowPointers.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace make_data::core
