#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ImageLib {

// A decoded picture as the image readers give it and the writers take it:
// width x height pixels of 0xAARRGGBB, rows from the top with no gap.
class Image {
public:
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    std::vector<uint32_t> mBits;

    Image() = default;
    // Transparent black pixels; a negative size throws std::invalid_argument.
    Image(int32_t width, int32_t height);
    virtual ~Image();

    int32_t GetWidth() const { return mWidth; }
    int32_t GetHeight() const { return mHeight; }
    uint32_t* GetBits() { return mBits.data(); }
    const uint32_t* GetBits() const { return mBits.data(); }
};

// Writes the image as an 8-bit RGBA PNG. False when the image is empty or
// inconsistent or the file can't be written; an existing file is then left
// as it was.
bool WritePNGImage(const std::string& fileName, const Image& image);

// Writes the image as a baseline RGB JPEG of quality 80; alpha is dropped. False when the image
// is empty or inconsistent or the file can't be written; an existing file is then left as it
// was.
bool WriteJPEGImage(const std::string& fileName, const Image& image);

}  // namespace ImageLib
