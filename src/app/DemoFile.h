#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/DemoMarker.h"

namespace Vesk {

// The contents of a demo file: the header (magic, format version, random seed, product
// version text, marker block, demo length) and the bytes of the event stream.
//
// Everything is little-endian. The marker block is a Buffer stream: a count, then each
// marker's name (16-bit length and bytes) and update count. Formats below 2 have no marker
// block.
class DemoFile {
public:
    static constexpr uint32_t kMagic = 0x42BEEF78;
    static constexpr uint32_t kFormatVersion = 2;
    // Readers keep at most this much of the version text.
    static constexpr size_t kMaxVersionText = 255;

    // The file as written: always the current format, the version text within its limit.
    std::vector<uint8_t> Serialize() const;

    // Reads a whole file's bytes, refusing a file made by another product version. On
    // failure the error text says why and this object is left as it was.
    bool Parse(const uint8_t* data, size_t size, const std::string& productVersion,
               std::string& error);

    uint32_t mFormatVersion = kFormatVersion;
    uint32_t mRandSeed = 0;
    std::string mProductVersion;
    std::vector<DemoMarker> mMarkers;
    // The update count at which the recording was written.
    int32_t mDemoLength = 0;
    std::vector<uint8_t> mEvents;
};

}  // namespace Vesk
