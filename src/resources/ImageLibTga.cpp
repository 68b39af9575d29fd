// The TGA reader of the image library: 32-bit pictures with 8 alpha bits and the top-left
// origin, raw or run-length encoded.
#include <algorithm>
#include <bit>
#include <cstring>

#include "resources/ImageLib.h"
#include "util/ByteReader.h"

namespace ImageLib {

namespace {

static_assert(std::endian::native == std::endian::little,
              "TGA pixels are stored in the record's own byte order");

constexpr uint8_t kTrueColour = 2;
constexpr uint8_t kTrueColourRle = 10;
constexpr uint8_t kPixelDepth = 32;
// 8 alpha bits, rows from the top.
constexpr uint8_t kDescriptor = 0x28;

// Run-length packets: a header byte, then one pixel repeated or up to 128 literal pixels.
bool DecodeRuns(Vesk::ByteReader& reader, uint32_t* out, size_t count) {
    while (count > 0) {
        const uint8_t header = reader.U8();
        const size_t run = std::min<size_t>((header & 0x7F) + 1u, count);
        if ((header & 0x80) != 0) {
            const uint32_t pixel = reader.U32();
            std::fill_n(out, run, pixel);
        } else {
            const std::span<const uint8_t> pixels = reader.Take(run * 4);
            if (!pixels.empty()) {
                std::memcpy(out, pixels.data(), pixels.size());
            }
        }
        if (reader.Failed()) {
            return false;
        }
        out += run;
        count -= run;
    }
    return true;
}

}  // namespace

std::optional<Image> DecodeTGA(std::span<const uint8_t> bytes, std::string& error,
                               int64_t maxPixels) {
    Vesk::ByteReader reader(bytes);
    const uint8_t idLength = reader.U8();
    const uint8_t colourMapType = reader.U8();
    const uint8_t imageType = reader.U8();
    reader.U16();  // first colour map index
    const uint16_t colourMapLength = reader.U16();
    const uint8_t colourMapEntryBits = reader.U8();
    reader.U16();  // x origin
    reader.U16();  // y origin
    const uint16_t width = reader.U16();
    const uint16_t height = reader.U16();
    const uint8_t pixelDepth = reader.U8();
    const uint8_t descriptor = reader.U8();
    if (reader.Failed()) {
        error = "TGA header cut short";
        return std::nullopt;
    }
    if (pixelDepth != kPixelDepth || descriptor != kDescriptor ||
        (imageType != kTrueColour && imageType != kTrueColourRle)) {
        error = "only 32-bit true-colour TGA files with the origin at the top left are read";
        return std::nullopt;
    }
    const size_t colourMapBytes =
        colourMapType != 0 ? size_t{colourMapLength} * ((colourMapEntryBits + 7u) / 8u) : 0;
    reader.Skip(idLength);
    reader.Skip(colourMapBytes);

    // Too few bytes for the picture's size is refused before its memory is taken.
    const size_t pixels = size_t{width} * height;
    const size_t leastBytes = imageType == kTrueColour ? pixels * 4 : (pixels + 127) / 128 * 5;
    if (reader.Failed() || reader.Left() < leastBytes) {
        error = "TGA file cut short";
        return std::nullopt;
    }
    std::optional<Image> image = MakeDecodedImage(width, height, maxPixels, error);
    if (!image.has_value()) {
        return std::nullopt;
    }
    if (imageType == kTrueColour) {
        std::memcpy(image->mBits.data(), reader.Take(pixels * 4).data(), pixels * 4);
    } else if (!DecodeRuns(reader, image->mBits.data(), pixels)) {
        error = "TGA file cut short";
        return std::nullopt;
    }
    return image;
}

std::unique_ptr<Image> ReadTGAImage(const std::string& fileName, std::string* error) {
    return ReadImageFile(fileName, DecodeTGA, error);
}

}  // namespace ImageLib
