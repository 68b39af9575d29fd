#include "platform/DisplayCore.h"

#include <algorithm>

namespace platform {

bool PixelStore::Allocate(int32_t newWidth, int32_t newHeight, const PixelFormat& newFormat) {
    const int64_t rowBytes = static_cast<int64_t>(newWidth) * newFormat.BytesPerPixel();
    const int64_t newPitch = (rowBytes + 3) & ~int64_t{3};
    const size_t wordCount = static_cast<size_t>(newPitch / 4) * static_cast<size_t>(newHeight);
    PixelWords memory(AllocatePixelWords(wordCount));
    if (!memory) {
        return false;
    }
    words = std::move(memory);
    lent = nullptr;
    width = newWidth;
    height = newHeight;
    pitch = static_cast<int32_t>(newPitch);
    format = newFormat;
    return true;
}

void PixelStore::Clear() {
    if (uint32_t* bits = Bits()) {
        std::fill_n(bits, Bytes() / 4, 0u);
    }
}

DisplayResult DisplayCore::TakeFailure(DisplayOp op) {
    for (auto it = failures.begin(); it != failures.end(); ++it) {
        if (it->op != op) {
            continue;
        }
        if (it->skip > 0) {
            --it->skip;
            return DD_OK;
        }
        const DisplayResult result = it->result;
        failures.erase(it);
        return result;
    }
    return DD_OK;
}

}  // namespace platform
