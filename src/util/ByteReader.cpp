#include "util/ByteReader.h"

#include <bit>
#include <cmath>

namespace Vesk {

void ByteReader::FailAtEnd() {
    if (!mFailed) {
        mError = "unexpected end of data at byte " + std::to_string(mPosition);
    }
    mPosition = mBytes.size();
    mFailed = true;
}

void ByteReader::Fail(const std::string& reason) {
    if (!mFailed) {
        mError = reason + " at byte " + std::to_string(mPosition);
    }
    mPosition = mBytes.size();
    mFailed = true;
}

int32_t ByteReader::I32In(int32_t low, int32_t high, const char* what) {
    const int32_t value = I32();
    if (mFailed) {
        return 0;
    }
    if (value < low || value > high) {
        Fail(std::string(what) + " " + std::to_string(value) + " out of range");
        return 0;
    }
    return value;
}

float ByteReader::F32() {
    const float value = std::bit_cast<float>(U32());
    if (!std::isfinite(value)) {
        Fail("corrupt float");
        return 0.0f;
    }
    return value;
}

double ByteReader::F64() {
    const uint64_t low = U32();
    const uint64_t high = U32();
    const double value = std::bit_cast<double>(low | high << 32);
    if (!std::isfinite(value)) {
        Fail("corrupt double");
        return 0.0;
    }
    return value;
}

std::string ByteReader::String(uint32_t maxLength) {
    const uint32_t length = U32();
    if (mFailed) {
        return {};
    }
    if (length > maxLength) {
        Fail("string of " + std::to_string(length) + " bytes, more than " +
             std::to_string(maxLength) + ",");
        return {};
    }
    const std::span<const uint8_t> bytes = Take(length);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace Vesk
