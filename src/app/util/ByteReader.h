#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace Vesk {

// Checked little-endian reads over a byte span, for readers of outside input. A read past the
// end fails, reads nothing and leaves the reader at the end, so a caller can read a whole
// record and test Failed() once.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : mBytes(bytes) {}

    size_t Position() const { return mPosition; }
    size_t Left() const { return mBytes.size() - mPosition; }
    bool AtEnd() const { return mPosition >= mBytes.size(); }
    // True once any read or skip ran past the end.
    bool Failed() const { return mFailed; }

    uint8_t U8() {
        if (!Need(1)) {
            return 0;
        }
        return mBytes[mPosition++];
    }

    uint16_t U16() {
        if (!Need(2)) {
            return 0;
        }
        const uint16_t value =
            static_cast<uint16_t>(mBytes[mPosition] | mBytes[mPosition + 1] << 8);
        mPosition += 2;
        return value;
    }

    uint32_t U32() {
        if (!Need(4)) {
            return 0;
        }
        const uint32_t value = uint32_t{mBytes[mPosition]} | uint32_t{mBytes[mPosition + 1]} << 8 |
                               uint32_t{mBytes[mPosition + 2]} << 16 |
                               uint32_t{mBytes[mPosition + 3]} << 24;
        mPosition += 4;
        return value;
    }

    // The next count bytes, or an empty span when fewer are left.
    std::span<const uint8_t> Take(size_t count) {
        if (!Need(count)) {
            return {};
        }
        const std::span<const uint8_t> bytes = mBytes.subspan(mPosition, count);
        mPosition += count;
        return bytes;
    }

    bool Skip(size_t count) { return !Take(count).empty() || count == 0; }

private:
    bool Need(size_t count) {
        if (count > Left()) {
            mPosition = mBytes.size();
            mFailed = true;
            return false;
        }
        return true;
    }

    std::span<const uint8_t> mBytes;
    size_t mPosition = 0;
    bool mFailed = false;
};

}  // namespace Vesk
