// The WAV reader and the cache's WAV writer.
#include <algorithm>
#include <cstring>

#include "sound/PcmSound.h"
#include "util/ByteReader.h"

namespace Vesk {

namespace {

std::optional<PcmSound> Fail(std::string& error, const char* reason) {
    error = reason;
    return std::nullopt;
}

// Writes at a running offset into a buffer sized beforehand.
class Writer {
public:
    explicit Writer(size_t size) : mOut(size) {}
    void Bytes(const void* data, size_t size) {
        std::memcpy(mOut.data() + mPos, data, size);
        mPos += size;
    }
    void Tag(const char* tag) { Bytes(tag, 4); }
    void U8(uint8_t value) { mOut[mPos++] = value; }
    void U16(uint16_t value) {
        U8(static_cast<uint8_t>(value));
        U8(static_cast<uint8_t>(value >> 8));
    }
    void U32(uint32_t value) {
        U16(static_cast<uint16_t>(value));
        U16(static_cast<uint16_t>(value >> 16));
    }
    std::vector<uint8_t> Take() { return std::move(mOut); }

private:
    std::vector<uint8_t> mOut;
    size_t mPos = 0;
};

}  // namespace

std::optional<PcmSound> ReadWav(std::span<const uint8_t> bytes, std::string& error) {
    ByteReader in(bytes);
    if (!in.Tag("RIFF")) {
        return Fail(error, "not a RIFF file");
    }
    in.U32();
    if (!in.Tag("WAVE")) {
        return Fail(error, "not a WAVE file");
    }
    PcmSound sound;
    sound.format = platform::PcmFormat{1, 16, 22050};
    uint8_t key = 0;
    for (;;) {
        if (in.AtEnd()) {
            return Fail(error, "no \"data\" chunk");
        }
        const std::span<const uint8_t> id = in.Take(4);
        const uint32_t size = in.U32();
        if (in.Failed()) {
            return Fail(error, "chunk header cut short");
        }
        const std::string_view tag(reinterpret_cast<const char*>(id.data()), 4);
        if (tag == "data") {
            if (size > in.Left()) {
                return Fail(error, "\"data\" runs past the end of the file");
            }
            const std::span<const uint8_t> pcm = in.Take(size);
            if (!platform::IsPlayableFormat(sound.format)) {
                return Fail(error, "unsupported channels, bits or sample rate");
            }
            // A trailing part of a frame cannot be played.
            const size_t whole = pcm.size() / sound.format.BlockAlign() * sound.format.BlockAlign();
            if (whole == 0) {
                return Fail(error, "no samples");
            }
            if (whole > kMaxSoundBytes) {
                return Fail(error, "sound too long");
            }
            sound.data.assign(pcm.begin(), pcm.begin() + static_cast<ptrdiff_t>(whole));
            if (key != 0) {
                for (uint8_t& byte : sound.data) {
                    byte ^= key;
                }
            }
            return sound;
        }
        if (size > in.Left()) {
            return Fail(error, "chunk runs past the end of the file");
        }
        const size_t next = in.Position() + size;
        ByteReader chunk(in.Take(size));
        if (tag == "fmt ") {
            if (size < 16) {
                return Fail(error, "\"fmt \" chunk too short");
            }
            if (chunk.U16() != 1) {
                return Fail(error, "not PCM");
            }
            sound.format.channels = chunk.U16();
            sound.format.sampleRate = chunk.U32();
            chunk.U32();
            chunk.U16();
            sound.format.bitsPerSample = chunk.U16();
        } else if (tag == "dep ") {
            const uint16_t length = chunk.U16();
            const std::span<const uint8_t> name = chunk.Take(length);
            const uint32_t low = chunk.U32();
            const uint32_t high = chunk.U32();
            if (chunk.Failed()) {
                return Fail(error, "\"dep \" chunk cut short");
            }
            sound.dependency = SoundDependency{
                std::string(reinterpret_cast<const char*>(name.data()), name.size()),
                (uint64_t{high} << 32) | low};
        } else if (tag == "xor ") {
            key = chunk.U8();
            if (chunk.Failed()) {
                return Fail(error, "\"xor \" chunk empty");
            }
        }
        in.Seek(next);
    }
}

std::vector<uint8_t> MakeCachedWav(const platform::PcmFormat& format, std::span<const uint8_t> pcm,
                                   std::string_view sourceName, uint64_t sourceTime, uint8_t key) {
    const uint16_t nameLength = static_cast<uint16_t>(std::min<size_t>(sourceName.size(), 0xFFFF));
    Writer out(71 + nameLength + pcm.size());
    out.Tag("RIFF");
    // The program's own chunks are left out of the RIFF size, as readers of old copies expect.
    out.U32(static_cast<uint32_t>(pcm.size() + 36));
    out.Tag("WAVE");
    out.Tag("fmt ");
    out.U32(16);
    out.U16(1);
    out.U16(format.channels);
    out.U32(format.sampleRate);
    out.U32(format.BytesPerSecond());
    out.U16(static_cast<uint16_t>(format.BlockAlign()));
    out.U16(format.bitsPerSample);
    out.Tag("dep ");
    out.U32(nameLength + 10u);
    out.U16(nameLength);
    out.Bytes(sourceName.data(), nameLength);
    out.U32(static_cast<uint32_t>(sourceTime));
    out.U32(static_cast<uint32_t>(sourceTime >> 32));
    out.Tag("xor ");
    out.U32(1);
    out.U8(key);
    out.Tag("data");
    out.U32(static_cast<uint32_t>(pcm.size()));
    for (uint8_t byte : pcm) {
        out.U8(byte ^ key);
    }
    return out.Take();
}

}  // namespace Vesk
