#include "app/util/ByteReader.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace Vesk {

bool ByteReader::Take(size_t count, const char* what) {
    if (mFailed) {
        return false;
    }
    if (count > Remaining()) {
        Fail(std::string("unexpected end of data reading ") + what + " at byte " +
             std::to_string(mPos));
        return false;
    }
    return true;
}

void ByteReader::Fail(const std::string& reason) {
    if (!mFailed) {
        mFailed = true;
        mError = reason;
    }
}

uint8_t ByteReader::ReadU8() {
    if (!Take(1, "a byte")) {
        return 0;
    }
    return mBytes[mPos++];
}

uint16_t ByteReader::ReadU16() {
    if (!Take(2, "a 16-bit value")) {
        return 0;
    }
    uint16_t value = static_cast<uint16_t>(mBytes[mPos] | (mBytes[mPos + 1] << 8));
    mPos += 2;
    return value;
}

uint32_t ByteReader::ReadU32() {
    if (!Take(4, "a 32-bit value")) {
        return 0;
    }
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value |= uint32_t{mBytes[mPos + i]} << (8 * i);
    }
    mPos += 4;
    return value;
}

float ByteReader::ReadF32() {
    size_t at = mPos;
    float value = std::bit_cast<float>(ReadU32());
    if (!std::isfinite(value)) {
        Fail("corrupt float at byte " + std::to_string(at));
        return 0.0f;
    }
    return value;
}

double ByteReader::ReadF64() {
    if (!Take(8, "a double")) {
        return 0.0;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
        bits |= uint64_t{mBytes[mPos + i]} << (8 * i);
    }
    double value = std::bit_cast<double>(bits);
    if (!std::isfinite(value)) {
        Fail("corrupt double at byte " + std::to_string(mPos));
        return 0.0;
    }
    mPos += 8;
    return value;
}

std::string ByteReader::ReadString(uint32_t maxLength) {
    size_t at = mPos;
    uint32_t length = ReadU32();
    if (mFailed) {
        return {};
    }
    if (length > maxLength) {
        Fail("string of " + std::to_string(length) + " bytes at byte " + std::to_string(at) +
             " is longer than " + std::to_string(maxLength));
        return {};
    }
    if (!Take(length, "a string")) {
        return {};
    }
    std::string text(reinterpret_cast<const char*>(mBytes.data() + mPos), length);
    mPos += length;
    return text;
}

void ByteReader::ReadBytes(void* dest, size_t count) {
    if (!Take(count, "bytes")) {
        std::memset(dest, 0, count);
        return;
    }
    std::memcpy(dest, mBytes.data() + mPos, count);
    mPos += count;
}

int32_t ByteReader::ReadI32In(int32_t low, int32_t high, const char* what) {
    size_t at = mPos;
    int32_t value = ReadI32();
    if (mFailed) {
        return 0;
    }
    if (value < low || value > high) {
        Fail(std::string(what) + " " + std::to_string(value) + " out of range at byte " +
             std::to_string(at));
        return 0;
    }
    return value;
}

}  // namespace Vesk
