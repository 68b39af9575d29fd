#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace Vesk {

// Checked little-endian reads over a byte span, for readers of outside input. A read past the
// end fails, reads nothing and leaves the reader at the end, so a caller can read a whole
// record and test Failed() once. A value the caller rejects (Fail, I32In, a non-finite float)
// fails the reader the same way. The bytes must outlive the reader.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : mBytes(bytes) {}

    size_t Position() const { return mPosition; }
    size_t Left() const { return mBytes.size() - mPosition; }
    bool AtEnd() const { return mPosition >= mBytes.size(); }
    // True once any read or skip ran past the end, or a value was rejected.
    bool Failed() const { return mFailed; }
    // Why the reader failed: the first reason only; empty while it has not.
    const std::string& Error() const { return mError; }
    // Fails the reader for a value the caller found corrupt (a bad count, an unknown id).
    void Fail(const std::string& reason);

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

    // Big-endian, for the formats that store numbers so.
    uint32_t U32BigEndian() {
        const uint32_t little = U32();
        return (little >> 24) | ((little >> 8) & 0xFF00) | ((little << 8) & 0xFF0000) |
               (little << 24);
    }

    // True when the next four bytes are the tag; they are read either way.
    bool Tag(std::string_view tag) {
        const std::span<const uint8_t> got = Take(4);
        return got.size() == 4 && tag.size() == 4 &&
               std::string_view(reinterpret_cast<const char*>(got.data()), 4) == tag;
    }

    // To an absolute position; past the end fails and stops at the end.
    void Seek(size_t position) {
        if (position > mBytes.size()) {
            mFailed = true;
            position = mBytes.size();
        }
        mPosition = position;
    }
    bool Bool() { return U8() != 0; }
    int16_t I16() { return static_cast<int16_t>(U16()); }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    // An int32 that must lie in [low, high]; what names the field in the failure reason.
    int32_t I32In(int32_t low, int32_t high, const char* what);
    // NaN and infinities count as corrupt: no value this program writes is either.
    float F32();
    double F64();
    // A 32-bit byte count, then the bytes. A count above maxLength fails before anything is
    // allocated.
    std::string String(uint32_t maxLength);

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
            FailAtEnd();
            return false;
        }
        return true;
    }
    void FailAtEnd();

    std::span<const uint8_t> mBytes;
    size_t mPosition = 0;
    bool mFailed = false;
    std::string mError;
};

}  // namespace Vesk
