#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace Vesk {

// Reads little-endian values from bytes it does not own (they must outlive the reader).
//
// Reads never run past the end. The first short read or rejected value latches the reader as
// failed with a reason; every later read answers 0 (or an empty text) without moving, so a
// caller reads a whole record and checks Failed() once.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : mBytes(bytes) {}

    uint8_t ReadU8();
    bool ReadBool() { return ReadU8() != 0; }
    int16_t ReadI16() { return static_cast<int16_t>(ReadU16()); }
    uint16_t ReadU16();
    int32_t ReadI32() { return static_cast<int32_t>(ReadU32()); }
    uint32_t ReadU32();
    float ReadF32();
    // NaN and infinities count as corrupt: no value this program writes is either.
    double ReadF64();
    // A 32-bit byte count, then the bytes. A count above maxLength fails before anything is
    // allocated.
    std::string ReadString(uint32_t maxLength);
    // Fills exactly count bytes of dest; zeros where data is missing.
    void ReadBytes(void* dest, size_t count);

    // An int32 that must lie in [low, high]; what names the field in the failure reason.
    int32_t ReadI32In(int32_t low, int32_t high, const char* what);

    // Latches a failure found by the caller (a bad count, an unknown id). The first reason is kept.
    void Fail(const std::string& reason);
    bool Failed() const { return mFailed; }
    const std::string& Error() const { return mError; }

    size_t Position() const { return mPos; }
    size_t Remaining() const { return mBytes.size() - mPos; }
    bool AtEnd() const { return mPos == mBytes.size(); }

private:
    // False (and failed) when fewer than count bytes are left.
    bool Take(size_t count, const char* what);

    std::span<const uint8_t> mBytes;
    size_t mPos = 0;
    bool mFailed = false;
    std::string mError;
};

}  // namespace Vesk
