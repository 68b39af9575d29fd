#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AudioDevice.h"

namespace Vesk {

// The file a converted copy was made from, with its last-write time then (a Windows FILETIME:
// 100 ns units since 1601; 0 when it was not a file on disk).
struct SoundDependency {
    std::string fileName;
    uint64_t fileTime = 0;
};

// A whole decoded sound, ready for a buffer.
struct PcmSound {
    platform::PcmFormat format;
    std::vector<uint8_t> data;
    std::optional<SoundDependency> dependency;  // from a cached copy's "dep " chunk
};

// No reader makes more than this many bytes of PCM, so a corrupt size cannot exhaust memory.
inline constexpr size_t kMaxSoundBytes = size_t{256} << 20;
// The key the cache scrambles its sample bytes with.
inline constexpr uint8_t kCacheKey = 0xA5;

// Readers of whole sound files (WAV with the cache's "dep " and "xor " chunks, Sun AU, Ogg
// Vorbis, MP3). Each gives the sound, or nothing with the reason in error; any input is safe.
// Safe from any thread.
[[nodiscard]] std::optional<PcmSound> ReadWav(std::span<const uint8_t> bytes, std::string& error);
[[nodiscard]] std::optional<PcmSound> ReadAu(std::span<const uint8_t> bytes, std::string& error);
[[nodiscard]] std::optional<PcmSound> ReadOgg(std::span<const uint8_t> bytes, std::string& error);
[[nodiscard]] std::optional<PcmSound> ReadMp3(std::span<const uint8_t> bytes, std::string& error);

// One mu-law byte as a 16-bit sample.
int16_t MuLawToSample(uint8_t byte);

// The cached copy of a converted sound: the program's WAV layout with "dep " (the source and
// its write time) and "xor " (the key) before "data", the PCM scrambled with the key.
[[nodiscard]] std::vector<uint8_t> MakeCachedWav(const platform::PcmFormat& format,
                                                 std::span<const uint8_t> pcm,
                                                 std::string_view sourceName, uint64_t sourceTime,
                                                 uint8_t key);

}  // namespace Vesk
