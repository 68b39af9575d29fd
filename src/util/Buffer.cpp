#include "util/Buffer.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <utility>

namespace Vesk {

namespace {

constexpr int64_t kMaxBits = int64_t{Buffer::kMaxBytes} * 8;

uint32_t LowBitsMask(int32_t count) {
    return count >= 32 ? 0xFFFFFFFFu : (1u << count) - 1u;
}

}  // namespace

Buffer::Buffer(Buffer&& other) noexcept
    : mData(std::move(other.mData)),
      mBitLength(other.mBitLength),
      mReadCursor(other.mReadCursor),
      mReadFailed(other.mReadFailed) {
    other.Clear();
}

Buffer& Buffer::operator=(Buffer&& other) noexcept {
    if (this != &other) {
        mData = std::move(other.mData);
        mBitLength = other.mBitLength;
        mReadCursor = other.mReadCursor;
        mReadFailed = other.mReadFailed;
        other.Clear();
    }
    return *this;
}

void Buffer::Clear() {
    mData.clear();
    mBitLength = 0;
    mReadCursor = 0;
    mReadFailed = false;
}

void Buffer::SeekFront() {
    mReadCursor = 0;
    mReadFailed = false;
}

void Buffer::SetData(const void* data, int32_t count) {
    if (count > kMaxBytes) {
        throw std::length_error("Vesk::Buffer: data too large");
    }
    std::vector<uint8_t> copy;
    if (data != nullptr && count > 0) {
        // A copy first, so that the source may lie inside this buffer.
        const auto* bytes = static_cast<const uint8_t*>(data);
        copy.assign(bytes, bytes + count);
    }
    mData.swap(copy);
    // Appending after SetData continues at the end of the new data.
    mBitLength = static_cast<int32_t>(mData.size()) * 8;
    mReadFailed = false;
}

const uint8_t* Buffer::GetDataPtr() const {
    return mData.empty() ? nullptr : mData.data();
}

int32_t Buffer::GetDataLen() const {
    return (mBitLength + 7) / 8;
}

bool Buffer::AtEnd() const {
    return mReadCursor >= mBitLength;
}

void Buffer::SetReadCursor(int32_t bitPos) {
    mReadCursor = std::clamp(bitPos, 0, mBitLength);
}

void Buffer::ReserveBits(int64_t extraBits) {
    const int64_t newLength = int64_t{mBitLength} + extraBits;
    if (newLength > kMaxBits) {
        throw std::length_error("Vesk::Buffer: data too large");
    }
    mData.resize(static_cast<size_t>((newLength + 7) / 8), 0);
}

void Buffer::WriteNumBits(int32_t value, int32_t count) {
    count = std::min(count, 32);
    if (count <= 0) {
        return;
    }
    const int32_t start = mBitLength;
    ReserveBits(count);
    // At most 32 value bits shifted by at most 7: fits in 64 bits, 5 bytes.
    uint64_t bits = uint64_t{static_cast<uint32_t>(value) & LowBitsMask(count)} << (start % 8);
    for (size_t i = static_cast<size_t>(start / 8); bits != 0; ++i) {
        mData[i] |= static_cast<uint8_t>(bits & 0xFF);
        bits >>= 8;
    }
    mBitLength = start + count;
}

void Buffer::WriteByte(uint8_t value) {
    WriteNumBits(value, 8);
}

void Buffer::WriteBoolean(bool value) {
    WriteByte(value ? 1 : 0);
}

void Buffer::WriteShort(int16_t value) {
    const auto v = static_cast<uint16_t>(value);
    WriteByte(static_cast<uint8_t>(v & 0xFF));
    WriteByte(static_cast<uint8_t>(v >> 8));
}

void Buffer::WriteLong(int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        WriteByte(static_cast<uint8_t>((v >> shift) & 0xFF));
    }
}

void Buffer::WriteString(std::string_view text) {
    const auto length = static_cast<int32_t>(std::min<size_t>(text.size(), kMaxStringLength));
    WriteShort(static_cast<int16_t>(length));
    WriteBytes(text.data(), length);
}

void Buffer::WriteBytes(const void* data, int32_t count) {
    if (data == nullptr || count <= 0) {
        return;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> aliasCopy;
    if (!mData.empty() && std::less_equal<const uint8_t*>()(mData.data(), bytes) &&
        std::less<const uint8_t*>()(bytes, mData.data() + mData.size())) {
        // Growing may move our own bytes; take them out first.
        aliasCopy.assign(bytes, bytes + count);
        bytes = aliasCopy.data();
    }
    const int32_t start = mBitLength;
    ReserveBits(int64_t{count} * 8);
    const int k = start % 8;
    uint8_t* out = mData.data() + start / 8;
    if (k == 0) {
        std::memcpy(out, bytes, static_cast<size_t>(count));
    } else {
        for (int32_t i = 0; i < count; ++i) {
            out[i] |= static_cast<uint8_t>(bytes[i] << k);
            out[i + 1] = static_cast<uint8_t>(bytes[i] >> (8 - k));
        }
    }
    mBitLength = start + count * 8;
}

uint8_t Buffer::PeekByteAt(int32_t bitPos) const {
    const auto i = static_cast<size_t>(bitPos / 8);
    const int k = bitPos % 8;
    if (k == 0) {
        return mData[i];
    }
    return static_cast<uint8_t>((mData[i] >> k) | (mData[i + 1] << (8 - k)));
}

int32_t Buffer::ReadNumBits(int32_t count, bool signExtend) {
    count = std::min(count, 32);
    if (count <= 0) {
        return 0;
    }
    // Takes what is there; a short stream still yields its remaining bits. The end is the
    // last stored byte: its bits past the bit length read as the zeros they are.
    if (int64_t{mReadCursor} + count > mBitLength) {
        mReadFailed = true;
    }
    const int64_t storedBits = static_cast<int64_t>(mData.size()) * 8;
    const int32_t available = static_cast<int32_t>(
        std::min<int64_t>(count, std::max<int64_t>(0, storedBits - mReadCursor)));
    uint32_t result = 0;
    if (available > 0) {
        const int32_t first = mReadCursor / 8;
        const int32_t last = (mReadCursor + available - 1) / 8;
        uint64_t bits = 0;
        for (int32_t i = last; i >= first; --i) {
            bits = (bits << 8) | mData[static_cast<size_t>(i)];
        }
        result = static_cast<uint32_t>(bits >> (mReadCursor % 8)) & LowBitsMask(available);
        mReadCursor += available;
    }
    const bool lastBitSet = available > 0 && ((result >> (available - 1)) & 1u) != 0;
    if (signExtend && lastBitSet && count < 32) {
        result |= ~LowBitsMask(count);
    }
    return static_cast<int32_t>(result);
}

uint8_t Buffer::ReadByte() {
    if (!HasBits(8)) {
        mReadFailed = true;
        return 0;
    }
    const uint8_t value = PeekByteAt(mReadCursor);
    mReadCursor += 8;
    return value;
}

bool Buffer::ReadBoolean() {
    return ReadByte() != 0;
}

int16_t Buffer::ReadShort() {
    const uint32_t low = ReadByte();
    const uint32_t high = ReadByte();
    return static_cast<int16_t>(static_cast<uint16_t>(low | (high << 8)));
}

int32_t Buffer::ReadLong() {
    uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        value |= uint32_t{ReadByte()} << shift;
    }
    return static_cast<int32_t>(value);
}

std::string Buffer::ReadString() {
    if (!HasBits(16)) {
        mReadFailed = true;
        return {};
    }
    const int32_t length = ReadShort();
    if (length < 0 || !HasBits(int64_t{length} * 8)) {
        // Only a damaged stream holds these: our writer never makes them.
        mReadFailed = true;
        return {};
    }
    std::string text(static_cast<size_t>(length), '\0');
    ReadBytes(text.data(), length);
    return text;
}

void Buffer::ReadBytes(void* dest, int32_t count) {
    if (count < 0) {
        mReadFailed = true;
        return;
    }
    if (count == 0 || dest == nullptr) {
        return;
    }
    auto* out = static_cast<uint8_t*>(dest);
    const int32_t available = static_cast<int32_t>(
        std::min<int64_t>(count, std::max<int64_t>(0, int64_t{mBitLength} - mReadCursor) / 8));
    if (available > 0 && mReadCursor % 8 == 0) {
        std::memcpy(out, mData.data() + mReadCursor / 8, static_cast<size_t>(available));
    } else {
        for (int32_t i = 0; i < available; ++i) {
            out[i] = PeekByteAt(mReadCursor + i * 8);
        }
    }
    mReadCursor += available * 8;
    if (available < count) {
        std::memset(out + available, 0, static_cast<size_t>(count - available));
        mReadFailed = true;
    }
}

}  // namespace Vesk
