#include "sound/OggMemory.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "util/ByteReader.h"

namespace Vesk {

size_t OggReadMemory(void* out, size_t size, size_t count, void* source) {
    auto& memory = *static_cast<OggMemorySource*>(source);
    const size_t items =
        size == 0 ? 0 : std::min(count, (memory.bytes.size() - memory.position) / size);
    if (items == 0) {
        return 0;
    }
    std::memcpy(out, memory.bytes.data() + memory.position, items * size);
    memory.position += items * size;
    return items;
}

int OggSeekMemory(void* source, int64_t offset, int whence) {
    auto& memory = *static_cast<OggMemorySource*>(source);
    const int64_t base = whence == SEEK_CUR   ? static_cast<int64_t>(memory.position)
                         : whence == SEEK_END ? static_cast<int64_t>(memory.bytes.size())
                                              : 0;
    const int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(memory.bytes.size())) {
        return -1;
    }
    memory.position = static_cast<size_t>(target);
    return 0;
}

int OggCloseMemory(void*) {
    return 0;
}

long OggTellMemory(void* source) {
    return static_cast<long>(static_cast<OggMemorySource*>(source)->position);
}

bool OggIsOneWholeStream(std::span<const uint8_t> bytes, std::string& error) {
    ByteReader in(bytes);
    uint8_t lastFlags = 0;
    std::optional<uint32_t> serial;
    bool chained = false;
    while (!in.AtEnd()) {
        if (!in.Tag("OggS")) {
            break;
        }
        in.U8();
        // A later stream starts with a new first page (flag 2) after an ending one (flag 4),
        // or with another serial number.
        const uint8_t flags = in.U8();
        in.Skip(8);
        const uint32_t pageSerial = in.U32();
        chained =
            chained ||
            (serial && (*serial != pageSerial || (flags & 0x02) != 0 || (lastFlags & 0x04) != 0));
        serial = pageSerial;
        lastFlags = flags;
        in.Skip(4 + 4);
        const uint8_t segments = in.U8();
        size_t body = 0;
        for (uint8_t lace : in.Take(segments)) {
            body += lace;
        }
        in.Skip(body);
    }
    if (in.Failed() || !in.AtEnd() || (lastFlags & 0x04) == 0) {
        error = "Ogg stream cut short or corrupt";
        return false;
    }
    if (chained) {
        error = "chained Ogg streams are not played";
        return false;
    }
    return true;
}

}  // namespace Vesk
