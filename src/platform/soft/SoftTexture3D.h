#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Device3D.h"
#include "platform/soft/SoftDeviceTag.h"
#include "platform/soft/SoftPalette3D.h"
#include "platform/soft/SoftRasterizer.h"

namespace platform {

// A texture of the software device. The texels stay in the format they were made in;
// for drawing, all but A8R8G8B8 are widened into an ARGB copy, made again after a
// writing lock or a change of the palette.
class SoftTexture3D final : public Texture3D {
public:
    enum class Kind { A8R8G8B8, A4R4G4B4, R5G6B5, Palette8 };

    // Sides are powers of two; DDERR_OUTOFMEMORY when the memory cannot be had.
    static DisplayResult Create(std::shared_ptr<const SoftDeviceTag> device, int32_t width,
                                int32_t height, Kind kind, std::shared_ptr<SoftTexture3D>& out);

    SoftTexture3D(std::shared_ptr<const SoftDeviceTag> device, int32_t width, int32_t height,
                  Kind kind);

    int32_t Width() const override { return mWidth; }
    int32_t Height() const override { return mHeight; }
    TexturePixelFormat Format() const override;
    DisplayResult Lock(uint32_t flags, LockedTexture& out) override;
    DisplayResult Unlock() override;
    DisplayResult SetPalette(std::shared_ptr<Palette3D> palette) override;
    std::shared_ptr<Palette3D> GetPalette() const override { return mPalette; }

    const SoftDeviceTag* Device() const { return mDevice.get(); }
    // The texels as ARGB for drawing: D3DERR_TEXTURE_LOCKED while locked,
    // D3DERR_INVALIDPALETTE for a Palette8 texture without a palette.
    DisplayResult View(TextureView& out);

private:
    void Widen();

    std::shared_ptr<const SoftDeviceTag> mDevice;
    const int32_t mWidth;
    const int32_t mHeight;
    const Kind mKind;
    int32_t mPitch = 0;  // bytes
    std::vector<uint32_t> mTexels;
    std::vector<uint32_t> mArgb;  // empty for A8R8G8B8, which is drawn from mTexels
    std::shared_ptr<SoftPalette3D> mPalette;
    bool mLocked = false;
    bool mLockWrites = false;
    bool mStale = true;
    const SoftPalette3D* mWidenedPalette = nullptr;
    uint64_t mWidenedGeneration = 0;
};

}  // namespace platform
