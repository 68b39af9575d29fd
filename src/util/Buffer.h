#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Vesk {

// Growable byte array with bit-granular cursors. Bit p of the stream is bit
// (p mod 8) of byte p / 8; multi-byte values go low byte first, so any value
// may start at any bit.
//
// Reads never run past the data: a read that finds too few bits returns zeros
// (or an empty text) and sets a sticky failed flag, so a caller can read a
// whole record and check ReadFailed() once at the end.
class Buffer {
public:
    // Positions are signed 32-bit bit counts, so the data is capped here.
    static constexpr int32_t kMaxBytes = INT32_MAX / 8;
    // A string's length is stored in 16 bits and read back signed.
    static constexpr int32_t kMaxStringLength = 32767;

    Buffer() = default;
    virtual ~Buffer() = default;
    Buffer(const Buffer&) = default;
    Buffer& operator=(const Buffer&) = default;
    // A moved-from buffer is left empty, never with a bit length but no bytes.
    Buffer(Buffer&& other) noexcept;
    Buffer& operator=(Buffer&& other) noexcept;

    void Clear();
    void SeekFront();
    // Replaces the bytes by a copy; the read cursor stays where it was.
    // Throws std::length_error beyond kMaxBytes; a negative count empties.
    void SetData(const void* data, int32_t count);

    const uint8_t* GetDataPtr() const;
    int32_t GetDataLen() const;
    bool AtEnd() const;

    int32_t GetBitLength() const { return mBitLength; }
    int32_t GetReadCursor() const { return mReadCursor; }
    // Lets a reader step back after peeking; clamped to 0..bit length.
    void SetReadCursor(int32_t bitPos);

    // True once any read since the last Clear, SeekFront or SetData found too
    // few bits or a corrupt length.
    bool ReadFailed() const { return mReadFailed; }

    // Writers append at the end of the data. Growing past kMaxBytes throws
    // std::length_error.
    void WriteNumBits(int32_t value, int32_t count);
    void WriteByte(uint8_t value);
    void WriteBoolean(bool value);
    void WriteShort(int16_t value);
    void WriteLong(int32_t value);
    // Texts beyond kMaxStringLength bytes are cut to it, so that the stream
    // after them stays readable.
    void WriteString(std::string_view text);
    void WriteBytes(const void* data, int32_t count);

    int32_t ReadNumBits(int32_t count, bool signExtend);
    uint8_t ReadByte();
    bool ReadBoolean();
    int16_t ReadShort();
    int32_t ReadLong();
    std::string ReadString();
    // Always fills exactly count bytes of dest; zeros where data is missing.
    void ReadBytes(void* dest, int32_t count);

private:
    void ReserveBits(int64_t extraBits);
    bool HasBits(int64_t count) const { return count <= int64_t{mBitLength} - mReadCursor; }
    uint8_t PeekByteAt(int32_t bitPos) const;

    std::vector<uint8_t> mData;
    // The write cursor always equals the bit length: writing only appends.
    int32_t mBitLength = 0;
    int32_t mReadCursor = 0;
    bool mReadFailed = false;
};

}  // namespace Vesk
