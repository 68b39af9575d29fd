#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace Vesk {

// Appends little-endian values to a byte array: the write side of ByteReader. Player files and
// saved records are built here in memory and written to disk whole.
class ByteWriter {
public:
    void WriteU8(uint8_t value);
    void WriteBool(bool value) { WriteU8(value ? 1 : 0); }
    void WriteI16(int16_t value) { WriteU16(static_cast<uint16_t>(value)); }
    void WriteU16(uint16_t value);
    void WriteI32(int32_t value) { WriteU32(static_cast<uint32_t>(value)); }
    void WriteU32(uint32_t value);
    void WriteF32(float value);
    void WriteF64(double value);
    // A 32-bit byte count, then the bytes, no terminator.
    void WriteString(std::string_view text);
    void WriteBytes(const void* data, size_t count);

    const std::vector<uint8_t>& Bytes() const { return mBytes; }
    size_t Size() const { return mBytes.size(); }
    void Clear() { mBytes.clear(); }

private:
    std::vector<uint8_t> mBytes;
};

}  // namespace Vesk
