// The GIF reader of the image library, with its own LZW decoder. Only the first picture of a
// file is read.
#include <algorithm>
#include <array>
#include <cstring>

#include "resources/ImageLib.h"
#include "util/ByteReader.h"

namespace ImageLib {

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kMaxCodeBits = 12;
constexpr uint8_t kExtension = 0x21;
constexpr uint8_t kImage = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint8_t kGraphicControl = 0xF9;

// Unused entries are opaque black, so no index can read past a short colour table.
using Palette = std::array<uint32_t, 256>;

bool ReadColourTable(Vesk::ByteReader& reader, uint8_t flags, Palette& palette) {
    palette.fill(0xFF000000);
    if ((flags & 0x80) == 0) {
        return true;
    }
    const size_t entries = size_t{2} << (flags & 7);
    const std::span<const uint8_t> rgb = reader.Take(entries * 3);
    for (size_t i = 0; i < rgb.size() / 3; ++i) {
        palette[i] = 0xFF000000 | uint32_t{rgb[i * 3]} << 16 | uint32_t{rgb[i * 3 + 1]} << 8 |
                     rgb[i * 3 + 2];
    }
    return !reader.Failed();
}

// Reads an extension's sub-blocks; a graphic control block may name the transparent index.
bool ReadExtension(Vesk::ByteReader& reader, int& transparent) {
    const uint8_t label = reader.U8();
    bool first = true;
    while (true) {
        const uint8_t length = reader.U8();
        if (reader.Failed()) {
            return false;
        }
        if (length == 0) {
            return true;
        }
        const std::span<const uint8_t> data = reader.Take(length);
        if (data.empty()) {
            return false;
        }
        // A block shorter than 4 bytes holds no index.
        if (label == kGraphicControl && first && data.size() >= 4 && (data[0] & 1) != 0) {
            transparent = data[3];
        }
        first = false;
    }
}

// Codes from the picture's data sub-blocks, least significant bits first.
class CodeReader {
public:
    explicit CodeReader(Vesk::ByteReader& reader) : mReader(reader) {}

    // False at the end of the data: its terminating block, or the end of the file (CutShort).
    bool Next(int codeSize, int mask, int& code) {
        while (mBits < codeSize) {
            if (mBlock.empty() && !NextBlock()) {
                return false;
            }
            mAccumulator |= uint32_t{mBlock[0]} << mBits;
            mBlock = mBlock.subspan(1);
            mBits += 8;
        }
        code = static_cast<int>(mAccumulator & static_cast<uint32_t>(mask));
        mAccumulator >>= codeSize;
        mBits -= codeSize;
        return true;
    }

    bool CutShort() const { return mCutShort; }

private:
    bool NextBlock() {
        const uint8_t length = mReader.U8();
        if (length != 0) {
            mBlock = mReader.Take(length);
        }
        mCutShort = mReader.Failed();
        return !mBlock.empty();
    }

    Vesk::ByteReader& mReader;
    std::span<const uint8_t> mBlock;
    uint32_t mAccumulator = 0;
    int mBits = 0;
    bool mCutShort = false;
};

// The order of rows: one pass from the top, or the four interlaced passes.
class RowOrder {
public:
    RowOrder(int height, bool interlaced) : mHeight(height), mInterlaced(interlaced) {}

    int Row() const { return mRow; }

    // False after the last row.
    bool Advance() {
        if (!mInterlaced) {
            return ++mRow < mHeight;
        }
        static constexpr int kStart[4] = {0, 4, 2, 1};
        static constexpr int kStep[4] = {8, 8, 4, 2};
        mRow += kStep[mPass];
        while (mRow >= mHeight) {
            if (++mPass == 4) {
                return false;
            }
            mRow = kStart[mPass];
        }
        return true;
    }

private:
    int mHeight;
    bool mInterlaced;
    int mPass = 0;
    int mRow = 0;
};

struct LzwTables {
    std::array<uint16_t, kMaxCodes> prefix{};
    std::array<uint8_t, kMaxCodes> suffix{};
    std::array<uint8_t, kMaxCodes + 1> stack{};
};

// Fills the picture row by row. False when the file ends before the picture does; any other
// early end (an end code, a bad code) leaves the remaining pixels transparent.
bool DecodePixels(Vesk::ByteReader& reader, int minCodeSize, const Palette& palette,
                  bool interlaced, Image& image) {
    auto tables = std::make_unique<LzwTables>();
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    for (int i = 0; i < clear; ++i) {
        tables->suffix[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    }
    int codeSize = minCodeSize + 1;
    int mask = (1 << codeSize) - 1;
    int nextFree = clear + 2;
    int previous = -1;
    uint8_t firstByte = 0;
    size_t stacked = 0;

    CodeReader codes(reader);
    RowOrder rows(image.mHeight, interlaced);
    const size_t width = static_cast<size_t>(image.mWidth);
    while (true) {
        uint32_t* out = image.mBits.data() + static_cast<size_t>(rows.Row()) * width;
        size_t x = 0;
        while (x < width) {
            if (stacked == 0) {
                int code = 0;
                if (!codes.Next(codeSize, mask, code)) {
                    return !codes.CutShort();
                }
                if (code > nextFree || code == end) {
                    return true;
                }
                if (code == clear) {
                    codeSize = minCodeSize + 1;
                    mask = (1 << codeSize) - 1;
                    nextFree = clear + 2;
                    previous = -1;
                    continue;
                }
                if (previous < 0) {
                    // Right after a clear only a literal can follow.
                    if (code >= clear) {
                        return true;
                    }
                    firstByte = tables->suffix[static_cast<size_t>(code)];
                    tables->stack[stacked++] = firstByte;
                    previous = code;
                    continue;
                }
                const int incoming = code;
                if (code >= nextFree) {
                    tables->stack[stacked++] = firstByte;
                    code = previous;
                }
                while (code >= clear) {
                    tables->stack[stacked++] = tables->suffix[static_cast<size_t>(code)];
                    code = tables->prefix[static_cast<size_t>(code)];
                }
                firstByte = tables->suffix[static_cast<size_t>(code)];
                tables->stack[stacked++] = firstByte;
                // A full table stays as it is until the next clear code.
                if (nextFree < kMaxCodes) {
                    tables->prefix[static_cast<size_t>(nextFree)] = static_cast<uint16_t>(previous);
                    tables->suffix[static_cast<size_t>(nextFree)] = firstByte;
                    ++nextFree;
                    if ((nextFree & mask) == 0 && nextFree < kMaxCodes) {
                        ++codeSize;
                        mask += nextFree;
                    }
                }
                previous = incoming;
            }
            const size_t run = std::min(stacked, width - x);
            for (size_t i = 0; i < run; ++i) {
                out[x++] = palette[tables->stack[--stacked]];
            }
        }
        if (!rows.Advance()) {
            return true;
        }
    }
}

}  // namespace

std::optional<Image> DecodeGIF(std::span<const uint8_t> bytes, std::string& error,
                               int64_t maxPixels) {
    Vesk::ByteReader reader(bytes);
    const std::span<const uint8_t> signature = reader.Take(6);
    if (signature.empty() || (std::memcmp(signature.data(), "GIF87", 5) != 0 &&
                              std::memcmp(signature.data(), "GIF89", 5) != 0)) {
        error = "not a GIF file";
        return std::nullopt;
    }
    reader.U16();  // screen width
    reader.U16();  // screen height
    const uint8_t screenFlags = reader.U8();
    reader.U8();  // background index
    reader.U8();  // aspect ratio
    Palette global;
    if (!ReadColourTable(reader, screenFlags, global)) {
        error = "GIF file cut short";
        return std::nullopt;
    }

    int transparent = -1;
    while (true) {
        const uint8_t block = reader.U8();
        if (reader.Failed() || block == kTrailer) {
            error = "no picture in the GIF file";
            return std::nullopt;
        }
        if (block == kImage) {
            break;
        }
        if (block == kExtension && !ReadExtension(reader, transparent)) {
            error = "GIF file cut short";
            return std::nullopt;
        }
    }

    reader.U16();  // left
    reader.U16();  // top
    const uint16_t width = reader.U16();
    const uint16_t height = reader.U16();
    const uint8_t flags = reader.U8();
    Palette palette = global;
    if ((flags & 0x80) != 0 && !ReadColourTable(reader, flags, palette)) {
        error = "GIF file cut short";
        return std::nullopt;
    }
    const uint8_t minCodeSize = reader.U8();
    if (reader.Failed()) {
        error = "GIF file cut short";
        return std::nullopt;
    }
    if (minCodeSize < 1 || minCodeSize > 8) {
        error = "bad LZW code size " + std::to_string(minCodeSize);
        return std::nullopt;
    }
    // A code of n bits names a string of at most 2^n pixels, so the data holds at most 4096
    // pixels per 12 bits; fewer bytes can't fill the picture, which is then refused before its
    // memory is taken.
    if (uint64_t{reader.Left()} * 8 * kMaxCodes < uint64_t{width} * height * kMaxCodeBits) {
        error = "GIF data too short for a " + std::to_string(width) + " x " +
                std::to_string(height) + " picture";
        return std::nullopt;
    }
    std::optional<Image> image = MakeDecodedImage(width, height, maxPixels, error);
    if (!image.has_value()) {
        return std::nullopt;
    }
    if (transparent >= 0) {
        palette[static_cast<size_t>(transparent)] = 0;
    }
    if (!DecodePixels(reader, minCodeSize, palette, (flags & 0x40) != 0, *image)) {
        error = "GIF file cut short";
        return std::nullopt;
    }
    return image;
}

std::unique_ptr<Image> ReadGIFImage(const std::string& fileName, std::string* error) {
    return ReadImageFile(fileName, DecodeGIF, error);
}

}  // namespace ImageLib
