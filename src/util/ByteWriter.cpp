#include "util/ByteWriter.h"

#include <bit>
#include <stdexcept>

namespace Vesk {

void ByteWriter::WriteU8(uint8_t value) {
    mBytes.push_back(value);
}

void ByteWriter::WriteU16(uint16_t value) {
    mBytes.push_back(static_cast<uint8_t>(value));
    mBytes.push_back(static_cast<uint8_t>(value >> 8));
}

void ByteWriter::WriteU32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        mBytes.push_back(static_cast<uint8_t>(value >> shift));
    }
}

void ByteWriter::WriteF32(float value) {
    WriteU32(std::bit_cast<uint32_t>(value));
}

void ByteWriter::WriteF64(double value) {
    uint64_t bits = std::bit_cast<uint64_t>(value);
    for (int shift = 0; shift < 64; shift += 8) {
        mBytes.push_back(static_cast<uint8_t>(bits >> shift));
    }
}

void ByteWriter::WriteString(std::string_view text) {
    if (text.size() > UINT32_MAX) {
        throw std::length_error("ByteWriter: string too long");
    }
    WriteU32(static_cast<uint32_t>(text.size()));
    WriteBytes(text.data(), text.size());
}

void ByteWriter::WriteBytes(const void* data, size_t count) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    mBytes.insert(mBytes.end(), bytes, bytes + count);
}

}  // namespace Vesk
