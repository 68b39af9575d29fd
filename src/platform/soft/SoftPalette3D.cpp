#include "platform/soft/SoftPalette3D.h"

#include <utility>

namespace platform {

namespace {

uint32_t ToArgb(const PaletteEntry& entry) {
    return (uint32_t{entry.flags} << 24) | (uint32_t{entry.red} << 16) |
           (uint32_t{entry.green} << 8) | entry.blue;
}

bool InRange(uint32_t start, uint32_t count) {
    return start <= 256 && count <= 256 - start;
}

}  // namespace

SoftPalette3D::SoftPalette3D(std::shared_ptr<const SoftDeviceTag> device,
                             const PaletteEntries& entries)
    : mDevice(std::move(device)), mEntries(entries) {
    for (size_t i = 0; i < mEntries.size(); ++i) {
        mArgb[i] = ToArgb(mEntries[i]);
    }
}

DisplayResult SoftPalette3D::GetEntries(uint32_t start, uint32_t count, PaletteEntry* out) const {
    if (!InRange(start, count) || (out == nullptr && count > 0)) {
        return DDERR_INVALIDPARAMS;
    }
    for (uint32_t i = 0; i < count; ++i) {
        out[i] = mEntries[start + i];
    }
    return DD_OK;
}

DisplayResult SoftPalette3D::SetEntries(uint32_t start, uint32_t count, const PaletteEntry* in) {
    if (!InRange(start, count) || (in == nullptr && count > 0)) {
        return DDERR_INVALIDPARAMS;
    }
    for (uint32_t i = 0; i < count; ++i) {
        mEntries[start + i] = in[i];
        mArgb[start + i] = ToArgb(in[i]);
    }
    ++mGeneration;
    return DD_OK;
}

}  // namespace platform
