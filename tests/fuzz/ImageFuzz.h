#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "resources/ImageLib.h"

// One image decoder over arbitrary bytes: a picture must be whole, a refusal must say why.
inline int FuzzImageDecoder(ImageLib::Decoder decode, const uint8_t* data, size_t size) {
    std::string error;
    // Small pictures keep every run fast; the size checks run all the same.
    const std::optional<ImageLib::Image> image = decode({data, size}, error, int64_t{1} << 20);
    if (image.has_value()) {
        if (image->mBits.size() != static_cast<size_t>(image->mWidth) * image->mHeight) {
            std::abort();
        }
        volatile uint32_t sum = 0;
        for (uint32_t pixel : image->mBits) {
            sum = sum + pixel;
        }
    } else if (error.empty()) {
        std::abort();
    }
    return 0;
}
