#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/Device3D.h"
#include "platform/soft/SoftDeviceTag.h"

namespace platform {

// A palette of the software device. Textures keep their own colour table and compare
// the generation to see when it must be built again.
class SoftPalette3D final : public Palette3D {
public:
    SoftPalette3D(std::shared_ptr<const SoftDeviceTag> device, const PaletteEntries& entries);

    DisplayResult GetEntries(uint32_t start, uint32_t count, PaletteEntry* out) const override;
    DisplayResult SetEntries(uint32_t start, uint32_t count, const PaletteEntry* in) override;

    const SoftDeviceTag* Device() const { return mDevice.get(); }
    // Counts every change of the entries.
    uint64_t Generation() const { return mGeneration; }
    // The entries as 0xAARRGGBB, alpha taken from the flags byte.
    const std::array<uint32_t, 256>& Argb() const { return mArgb; }

private:
    std::shared_ptr<const SoftDeviceTag> mDevice;
    PaletteEntries mEntries;
    std::array<uint32_t, 256> mArgb{};
    uint64_t mGeneration = 0;
};

}  // namespace platform
