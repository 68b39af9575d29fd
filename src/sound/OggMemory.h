#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace Vesk {

// Bytes in memory read as a file by the Ogg decoder's callbacks. The functions below have the
// decoder's callback signatures; the bytes must outlive the decoder.
struct OggMemorySource {
    std::span<const uint8_t> bytes;
    size_t position = 0;
};

size_t OggReadMemory(void* out, size_t size, size_t count, void* source);
// -1 for a target outside the bytes.
int OggSeekMemory(void* source, int64_t offset, int whence);
int OggCloseMemory(void* source);
long OggTellMemory(void* source);

// True when the bytes are whole Ogg pages of one logical stream and the last one ends it;
// else false with the reason in error. Vorbis decodes a file cut after any page without a
// complaint, so a cut file is found here. So is a chained file: Tremor loses memory when a
// later link's headers are damaged, and one voice takes one format.
bool OggIsOneWholeStream(std::span<const uint8_t> bytes, std::string& error);

}  // namespace Vesk
