#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace Vesk {

// Checked reads over bytes from outside: a read past the end returns zeros (or an empty
// span) and sets a sticky failed flag, so a reader checks Failed() once per record.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : mBytes(bytes) {}

    bool Failed() const { return mFailed; }
    size_t Position() const { return mPos; }
    size_t Left() const { return mBytes.size() - mPos; }
    bool AtEnd() const { return mPos >= mBytes.size(); }

    // Past the end counts as a failure and stops at the end.
    void Seek(size_t position) {
        if (position > mBytes.size()) {
            mFailed = true;
            position = mBytes.size();
        }
        mPos = position;
    }
    void Skip(size_t count) { Seek(count > Left() ? mBytes.size() + 1 : mPos + count); }

    std::span<const uint8_t> Bytes(size_t count) {
        if (count > Left()) {
            mFailed = true;
            mPos = mBytes.size();
            return {};
        }
        const std::span<const uint8_t> out = mBytes.subspan(mPos, count);
        mPos += count;
        return out;
    }
    uint8_t U8() { return static_cast<uint8_t>(Number(1, false)); }
    uint16_t U16() { return static_cast<uint16_t>(Number(2, false)); }
    uint32_t U32() { return static_cast<uint32_t>(Number(4, false)); }
    uint32_t U32BigEndian() { return static_cast<uint32_t>(Number(4, true)); }
    // True when the next four bytes are the tag; they are read either way.
    bool Tag(std::string_view tag) {
        const std::span<const uint8_t> got = Bytes(4);
        return got.size() == 4 && tag.size() == 4 &&
               std::string_view(reinterpret_cast<const char*>(got.data()), 4) == tag;
    }

private:
    uint64_t Number(size_t size, bool bigEndian) {
        const std::span<const uint8_t> got = Bytes(size);
        uint64_t value = 0;
        for (size_t i = 0; i < got.size(); ++i) {
            const size_t shift = bigEndian ? size - 1 - i : i;
            value |= uint64_t{got[i]} << (8 * shift);
        }
        return value;
    }

    std::span<const uint8_t> mBytes;
    size_t mPos = 0;
    bool mFailed = false;
};

}  // namespace Vesk
