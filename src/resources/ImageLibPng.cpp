// The PNG reader and writer of the image library, through libpng.
#include "resources/ImageLib.h"

#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>

#include "platform/FileSystem.h"

namespace ImageLib {

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

namespace {

// The decoder's state lives with the caller of the setjmp frame, so a jump out of the library
// skips no destructor.
struct PngDecode {
    std::span<const uint8_t> bytes;
    size_t position = 0;
    // The picture data chunks' total length.
    uint64_t compressedBytes = 0;
    int64_t maxPixels = 0;
    std::optional<Image> image;
    std::vector<png_bytep> rows;
    std::string error;
    // The library's reason; fixed storage, since nothing may throw inside its frames.
    char message[160] = {};
};

[[noreturn]] void OnPngReadError(png_structp png, png_const_charp message) {
    auto* decode = static_cast<PngDecode*>(png_get_error_ptr(png));
    std::strncpy(decode->message, message != nullptr ? message : "error",
                 sizeof(decode->message) - 1);
    png_longjmp(png, 1);
}

void ReadFromBytes(png_structp png, png_bytep out, size_t length) {
    auto* decode = static_cast<PngDecode*>(png_get_io_ptr(png));
    if (length > decode->bytes.size() - decode->position) {
        png_error(png, "Read Error: the file ends early");
    }
    std::memcpy(out, decode->bytes.data() + decode->position, length);
    decode->position += length;
}

// Deflate turns one byte into at most 1032 (a 258-byte match in two bits).
constexpr uint64_t kMaxInflateRatio = 1032;

// The total length of the picture data (IDAT) chunks, or none when a chunk runs past the end
// of the bytes: the library allocates a chunk's buffer from its length before reading it, so
// a damaged length would cost up to 2 GB.
std::optional<uint64_t> PictureDataLength(std::span<const uint8_t> bytes) {
    uint64_t total = 0;
    size_t position = 8;
    // A whole chunk header is enough for the library to take the memory its length claims, so
    // every whole header is checked, also one with no room for its data and CRC behind it.
    while (bytes.size() - position >= 8) {
        const uint8_t* at = bytes.data() + position;
        const size_t length =
            (size_t{at[0]} << 24) | (size_t{at[1]} << 16) | (size_t{at[2]} << 8) | size_t{at[3]};
        const size_t after = bytes.size() - position - 8;
        if (length > after || after - length < 4) {
            return std::nullopt;
        }
        if (std::memcmp(at + 4, "IEND", 4) == 0) {
            break;
        }
        if (std::memcmp(at + 4, "IDAT", 4) == 0) {
            total += length;
        }
        position += 12 + length;
    }
    // A file cut between chunks: the library reports where it ends.
    return total;
}

bool Decode(png_structp png, png_infop info, PngDecode& decode) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    // Every chunk's CRC already covers the compressed bytes, so zlib's second checksum over the
    // inflated ones (a tenth of the decoding time) is skipped.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_read_info(png, info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
    // Every pass of an interlaced picture together holds each pixel once, so the inflated data
    // has at least width x height x bits per pixel bits. Less room than that in the compressed
    // data is refused before the picture's memory is taken.
    const uint64_t pictureBits =
        uint64_t{width} * height * png_get_channels(png, info) * static_cast<uint64_t>(bitDepth);
    if (pictureBits > decode.compressedBytes * kMaxInflateRatio * 8) {
        decode.error = "PNG data too short for a " + std::to_string(width) + " x " +
                       std::to_string(height) + " picture";
        return false;
    }
    // Every layout arrives as blue, green, red, alpha bytes: 16-bit samples scaled to 8,
    // palettes, grey and low depths expanded, alpha 255 where the file has none, and every
    // pass of an interlaced file combined.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    decode.image = MakeDecodedImage(width, height, decode.maxPixels, decode.error);
    if (!decode.image.has_value()) {
        return false;
    }
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) {
        decode.error = "unsupported pixel layout";
        return false;
    }
    try {
        decode.rows.resize(height);
    } catch (const std::bad_alloc&) {
        decode.error = "out of memory";
        return false;
    }
    for (png_uint_32 y = 0; y < height; ++y) {
        decode.rows[y] = reinterpret_cast<png_bytep>(decode.image->mBits.data() +
                                                     static_cast<size_t>(y) * width);
    }
    png_read_image(png, decode.rows.data());
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

std::optional<Image> DecodePNG(std::span<const uint8_t> bytes, std::string& error,
                               int64_t maxPixels) {
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
        error = "not a PNG file";
        return std::nullopt;
    }
    const std::optional<uint64_t> compressedBytes = PictureDataLength(bytes);
    if (!compressedBytes.has_value()) {
        error = "PNG: a chunk runs past the end of the file";
        return std::nullopt;
    }
    PngDecode decode;
    decode.bytes = bytes;
    decode.compressedBytes = *compressedBytes;
    decode.maxPixels = maxPixels;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &decode, OnPngReadError, OnPngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        error = "out of memory";
        return std::nullopt;
    }
    png_set_read_fn(png, &decode, ReadFromBytes);
    const bool ok = Decode(png, info, decode);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        error = !decode.error.empty() ? decode.error : std::string("PNG: ") + decode.message;
        return std::nullopt;
    }
    return std::move(decode.image);
}

std::unique_ptr<Image> ReadPNGImage(const std::string& fileName, std::string* error) {
    return ReadImageFile(fileName, DecodePNG, error);
}

}  // namespace ImageLib
