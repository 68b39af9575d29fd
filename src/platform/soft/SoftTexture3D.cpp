#include "platform/soft/SoftTexture3D.h"

#include <cstring>
#include <new>
#include <utility>

namespace platform {

namespace {

int32_t BytesPerTexel(SoftTexture3D::Kind kind) {
    switch (kind) {
        case SoftTexture3D::Kind::A8R8G8B8:
            return 4;
        case SoftTexture3D::Kind::A4R4G4B4:
        case SoftTexture3D::Kind::R5G6B5:
            return 2;
        case SoftTexture3D::Kind::Palette8:
            break;
    }
    return 1;
}

uint32_t Widen4444(uint32_t t) {
    return ((t >> 12) & 0xF) * 0x11000000u | ((t >> 8) & 0xF) * 0x110000u |
           ((t >> 4) & 0xF) * 0x1100u | (t & 0xF) * 0x11u;
}

uint32_t Widen565(uint32_t t) {
    const uint32_t r = (t >> 11) & 31;
    const uint32_t g = (t >> 5) & 63;
    const uint32_t b = t & 31;
    return 0xFF000000u | (((r << 3) | (r >> 2)) << 16) | (((g << 2) | (g >> 4)) << 8) |
           ((b << 3) | (b >> 2));
}

}  // namespace

DisplayResult SoftTexture3D::Create(std::shared_ptr<const SoftDeviceTag> device, int32_t width,
                                    int32_t height, Kind kind,
                                    std::shared_ptr<SoftTexture3D>& out) {
    try {
        out = std::make_shared<SoftTexture3D>(std::move(device), width, height, kind);
    } catch (const std::bad_alloc&) {
        return DDERR_OUTOFMEMORY;
    }
    return DD_OK;
}

SoftTexture3D::SoftTexture3D(std::shared_ptr<const SoftDeviceTag> device, int32_t width,
                             int32_t height, Kind kind)
    : mDevice(std::move(device)), mWidth(width), mHeight(height), mKind(kind) {
    mPitch = (mWidth * BytesPerTexel(kind) + 3) & ~3;
    mTexels.assign(static_cast<size_t>(mPitch / 4) * static_cast<size_t>(mHeight), 0);
    if (kind != Kind::A8R8G8B8) {
        mArgb.assign(static_cast<size_t>(mWidth) * static_cast<size_t>(mHeight), 0);
    }
}

TexturePixelFormat SoftTexture3D::Format() const {
    switch (mKind) {
        case Kind::A8R8G8B8:
            return TexturePixelFormat::A8R8G8B8();
        case Kind::A4R4G4B4:
            return TexturePixelFormat::A4R4G4B4();
        case Kind::R5G6B5:
            return TexturePixelFormat::R5G6B5();
        case Kind::Palette8:
            break;
    }
    return TexturePixelFormat::Palette8();
}

DisplayResult SoftTexture3D::Lock(uint32_t flags, LockedTexture& out) {
    if ((flags & kLockReadOnly) != 0 && (flags & kLockWriteOnly) != 0) {
        return DDERR_INVALIDPARAMS;
    }
    if (mLocked) {
        return DDERR_SURFACEBUSY;
    }
    mLocked = true;
    mLockWrites = (flags & kLockReadOnly) == 0;
    out.bits = mTexels.data();
    out.pitch = mPitch;
    out.width = mWidth;
    out.height = mHeight;
    out.format = Format();
    return DD_OK;
}

DisplayResult SoftTexture3D::Unlock() {
    if (!mLocked) {
        return DDERR_NOTLOCKED;
    }
    mLocked = false;
    if (mLockWrites) {
        mStale = true;
    }
    return DD_OK;
}

DisplayResult SoftTexture3D::SetPalette(std::shared_ptr<Palette3D> palette) {
    if (mKind != Kind::Palette8) {
        return DDERR_INVALIDPIXELFORMAT;
    }
    std::shared_ptr<SoftPalette3D> own;
    if (palette) {
        own = std::dynamic_pointer_cast<SoftPalette3D>(palette);
        if (!own || own->Device() != mDevice.get()) {
            return DDERR_INVALIDOBJECT;
        }
    }
    mPalette = std::move(own);
    mStale = true;
    return DD_OK;
}

DisplayResult SoftTexture3D::View(TextureView& out) {
    if (mLocked) {
        return D3DERR_TEXTURE_LOCKED;
    }
    if (mKind == Kind::Palette8) {
        if (!mPalette) {
            return D3DERR_INVALIDPALETTE;
        }
        if (mPalette.get() != mWidenedPalette || mPalette->Generation() != mWidenedGeneration) {
            mStale = true;
        }
    }
    if (mStale) {
        Widen();
        mStale = false;
    }
    out.argb = mKind == Kind::A8R8G8B8 ? mTexels.data() : mArgb.data();
    out.width = mWidth;
    out.height = mHeight;
    out.pitch = mKind == Kind::A8R8G8B8 ? mPitch / 4 : mWidth;
    return D3D_OK;
}

void SoftTexture3D::Widen() {
    if (mKind == Kind::A8R8G8B8) {
        return;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(mTexels.data());
    const std::array<uint32_t, 256>* colors = nullptr;
    if (mKind == Kind::Palette8) {
        colors = &mPalette->Argb();
        mWidenedPalette = mPalette.get();
        mWidenedGeneration = mPalette->Generation();
    }
    uint32_t* out = mArgb.data();
    for (int32_t y = 0; y < mHeight; ++y) {
        const unsigned char* row = bytes + static_cast<ptrdiff_t>(mPitch) * y;
        for (int32_t x = 0; x < mWidth; ++x) {
            if (colors != nullptr) {
                *out++ = (*colors)[row[x]];
                continue;
            }
            uint16_t texel = 0;
            std::memcpy(&texel, row + 2 * x, 2);
            *out++ = mKind == Kind::A4R4G4B4 ? Widen4444(texel) : Widen565(texel);
        }
    }
}

}  // namespace platform
