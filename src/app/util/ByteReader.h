#pragma once

#include <cstddef>
#include <cstdint>

namespace Vesk {

// The one checked little-endian reader of outside input: every read checks what is left,
// so a short or cut file fails instead of yielding undefined fields. Bytes may be stored
// XORed with a key (the resource archives are); reads undo it.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size, uint8_t key = 0)
        : mData(data), mSize(data != nullptr ? size : 0), mKey(key) {}

    size_t Left() const { return mSize - mPos; }
    size_t Position() const { return mPos; }
    bool AtEnd() const { return mPos >= mSize; }

    // Raw (still keyed) bytes; false when fewer than count are left.
    bool Take(size_t count, const uint8_t*& bytes) {
        if (count > Left())
            return false;
        bytes = mData + mPos;
        mPos += count;
        return true;
    }

    bool Skip(size_t count) {
        const uint8_t* ignored = nullptr;
        return Take(count, ignored);
    }

    bool Byte(uint8_t& value) {
        if (AtEnd())
            return false;
        value = mData[mPos++] ^ mKey;
        return true;
    }

    bool Little16(uint32_t& value) { return Little(2, value); }
    bool Little32(uint32_t& value) { return Little(4, value); }

    bool Little64(uint64_t& value) {
        uint32_t low = 0;
        uint32_t high = 0;
        if (Left() < 8 || !Little32(low) || !Little32(high))
            return false;
        value = uint64_t{low} | uint64_t{high} << 32;
        return true;
    }

    // Unkeyed copy of count bytes.
    bool Bytes(void* out, size_t count) {
        const uint8_t* bytes = nullptr;
        if (!Take(count, bytes))
            return false;
        auto* dest = static_cast<uint8_t*>(out);
        for (size_t i = 0; i < count; ++i)
            dest[i] = bytes[i] ^ mKey;
        return true;
    }

private:
    bool Little(int count, uint32_t& value) {
        const uint8_t* bytes = nullptr;
        if (!Take(static_cast<size_t>(count), bytes))
            return false;
        value = 0;
        for (int i = 0; i < count; ++i)
            value |= uint32_t{static_cast<uint8_t>(bytes[i] ^ mKey)} << (8 * i);
        return true;
    }

    const uint8_t* mData;
    size_t mSize;
    size_t mPos = 0;
    uint8_t mKey;
};

}  // namespace Vesk
