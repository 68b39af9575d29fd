#include "app/DemoFile.h"

#include <algorithm>

#include "platform/ByteOrder.h"
#include "util/Buffer.h"

namespace Vesk {

namespace {

const char* const kInvalidDemoFile = "Invalid demo file.";

void PutLittle32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

// Reads from the file's bytes; every read checks what is left, so a short file fails
// instead of yielding undefined fields.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : mData(data), mLeft(size) {}

    size_t Left() const { return mLeft; }

    bool Take(size_t count, const uint8_t*& bytes) {
        if (count > mLeft) {
            return false;
        }
        bytes = mData;
        mData += count;
        mLeft -= count;
        return true;
    }

    bool Little16(uint32_t& value) {
        const uint8_t* bytes = nullptr;
        if (!Take(2, bytes)) {
            return false;
        }
        value = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8;
        return true;
    }

    bool Little32(uint32_t& value) {
        const uint8_t* bytes = nullptr;
        if (!Take(4, bytes)) {
            return false;
        }
        value = platform::LoadLittle32(bytes);
        return true;
    }

private:
    const uint8_t* mData;
    size_t mLeft;
};

// The marker block: a count, then the markers. Markers that run past the block, or
// fewer than the count, make the file invalid.
bool ParseMarkers(const uint8_t* block, int32_t size, std::vector<DemoMarker>& markers) {
    markers.clear();
    if (size == 0) {
        return true;
    }
    Buffer scratch;
    scratch.SetData(block, size);
    const int32_t count = scratch.ReadLong();
    if (scratch.ReadFailed() || count < 0) {
        return false;
    }
    while (static_cast<int32_t>(markers.size()) < count && !scratch.AtEnd()) {
        DemoMarker marker;
        marker.mName = scratch.ReadString();
        marker.mUpdateCount = scratch.ReadLong();
        if (scratch.ReadFailed()) {
            return false;
        }
        markers.push_back(std::move(marker));
    }
    return static_cast<int32_t>(markers.size()) == count;
}

}  // namespace

std::vector<uint8_t> DemoFile::Serialize() const {
    const std::string version = mProductVersion.substr(0, kMaxVersionText);

    Buffer markerBlock;
    markerBlock.WriteLong(static_cast<int32_t>(mMarkers.size()));
    for (const DemoMarker& marker : mMarkers) {
        markerBlock.WriteString(marker.mName);
        markerBlock.WriteLong(marker.mUpdateCount);
    }
    const auto markerBytes = static_cast<size_t>(markerBlock.GetDataLen());

    std::vector<uint8_t> out;
    out.reserve(22 + version.size() + markerBytes + mEvents.size());
    PutLittle32(out, kMagic);
    PutLittle32(out, kFormatVersion);
    PutLittle32(out, mRandSeed);
    out.push_back(static_cast<uint8_t>(version.size()));
    out.push_back(static_cast<uint8_t>(version.size() >> 8));
    out.insert(out.end(), version.begin(), version.end());
    PutLittle32(out, static_cast<uint32_t>(markerBytes));
    const uint8_t* block = markerBlock.GetDataPtr();
    out.insert(out.end(), block, block + markerBytes);
    PutLittle32(out, static_cast<uint32_t>(mDemoLength));
    out.insert(out.end(), mEvents.begin(), mEvents.end());
    return out;
}

bool DemoFile::Parse(const uint8_t* data, size_t size, const std::string& productVersion,
                     std::string& error) {
    ByteReader reader(data, data != nullptr ? size : 0);

    uint32_t magic = 0;
    uint32_t formatVersion = 0;
    uint32_t seed = 0;
    uint32_t versionLength = 0;
    const uint8_t* versionBytes = nullptr;
    if (!reader.Little32(magic) || magic != kMagic || !reader.Little32(formatVersion) ||
        !reader.Little32(seed) || !reader.Little16(versionLength) ||
        !reader.Take(versionLength, versionBytes)) {
        error = kInvalidDemoFile;
        return false;
    }

    // Only the first 255 bytes count; a longer text is skipped whole so that the fields
    // after it are read from their place.
    const std::string version(reinterpret_cast<const char*>(versionBytes),
                              std::min<size_t>(versionLength, kMaxVersionText));
    if (version != productVersion.substr(0, kMaxVersionText)) {
        error = "This demo file appears to be for '" + version + "'";
        return false;
    }

    std::vector<DemoMarker> markers;
    if (formatVersion >= 2) {
        uint32_t blockSize = 0;
        const uint8_t* block = nullptr;
        // The block must leave room for something after it.
        if (!reader.Little32(blockSize) || static_cast<int32_t>(blockSize) < 0 ||
            blockSize >= reader.Left() || !reader.Take(blockSize, block) ||
            !ParseMarkers(block, static_cast<int32_t>(blockSize), markers)) {
            error = kInvalidDemoFile;
            return false;
        }
    }

    uint32_t demoLength = 0;
    if (!reader.Little32(demoLength) || static_cast<int32_t>(demoLength) < 0 ||
        reader.Left() == 0 || reader.Left() > static_cast<size_t>(Buffer::kMaxBytes)) {
        error = kInvalidDemoFile;
        return false;
    }

    const uint8_t* events = nullptr;
    const size_t eventBytes = reader.Left();
    reader.Take(eventBytes, events);

    mFormatVersion = formatVersion;
    mRandSeed = seed;
    mProductVersion = version;
    mMarkers = std::move(markers);
    mDemoLength = static_cast<int32_t>(demoLength);
    mEvents.assign(events, events + eventBytes);
    return true;
}

}  // namespace Vesk
