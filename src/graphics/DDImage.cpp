#include "graphics/DDImage.h"

#include <algorithm>
#include <bit>
#include <mutex>
#include <new>
#include <stdexcept>
#include <vector>

#include "graphics/DDInterface.h"
#include "graphics/ImageHost.h"
#include "platform/Surface.h"

namespace Vesk {

namespace {

// The display of the process's application, as images see it.
DDInterface* DisplayOfHost() {
    ImageHost* host = GetImageHost();
    if (host == nullptr) {
        return nullptr;
    }
    return const_cast<DDInterface*>(dynamic_cast<const DDInterface*>(host->GetNativeDisplay()));
}

// The lowest free value of the highest group of 32 consecutive values that
// has one; `key` when every value is taken.
uint32_t FreeKey16(const std::vector<uint32_t>& used, uint32_t key) {
    for (size_t group = used.size(); group-- > 0;) {
        const uint32_t free = ~used[group];
        if (free != 0) {
            return static_cast<uint32_t>(group * 32) +
                   static_cast<uint32_t>(std::countr_zero(free));
        }
    }
    return key;
}

// The lowest free 24-bit value; `key` when every value is taken.
uint32_t FreeKey24(const std::vector<uint32_t>& used, uint32_t key) {
    for (size_t group = 0; group < used.size(); ++group) {
        const uint32_t free = ~used[group];
        if (free != 0) {
            return static_cast<uint32_t>(group * 32) +
                   static_cast<uint32_t>(std::countr_zero(free));
        }
    }
    return key;
}

void MarkUsed(std::vector<uint32_t>& used, uint32_t value) {
    used[value >> 5] |= 1u << (value & 31);
}

}  // namespace

DDImage::DDImage(DDInterface* ddInterface)
    : MemoryImage(GetImageHost()), mDDInterface(ddInterface) {
    if (mDDInterface != nullptr) {
        mDDInterface->AddDDImage(this);
    }
}

DDImage::DDImage() : DDImage(DisplayOfHost()) {}

DDImage::~DDImage() {
    ReleaseSurface();
    if (mDDInterface != nullptr) {
        mDDInterface->RemoveDDImage(this);
    }
}

// ---- Surface ---------------------------------------------------------------

void DDImage::ReleaseSurface() {
    if (mSurface && mLockCount > 0) {
        mSurface->Unlock();
    }
    // Nested callers still holding a lock get false from UnlockSurface.
    mLockCount = 0;
    mLockedSurfaceDesc = platform::LockedSurface{};
    mSurface.reset();
}

platform::Surface* DDImage::GetSurface() {
    if (!mSurface) {
        GenerateDDSurfaceBody();
    }
    return mSurface.get();
}

bool DDImage::GenerateDDSurface() {
    return GenerateDDSurfaceBody();
}

bool DDImage::GenerateDDSurfaceBody() {
    if (mSurface) {
        return true;
    }
    CommitBits();
    if (mHasAlpha) {
        return false;
    }
    mWantDDSurface = true;
    // Whatever holds the pixels (colour table, native data, texture data) is
    // turned into bits, so the new surface is never left unfilled.
    if (!mBits) {
        MemoryImage::GetBits();
    }
    if (mDDInterface == nullptr) {
        return false;
    }
    std::lock_guard<CriticalLock> lock(mDDInterface->mCritSect);
    platform::SurfaceDesc desc;
    desc.kind = platform::SurfaceKind::Offscreen;
    desc.width = mWidth;
    desc.height = mHeight;
    desc.memory = mWantVideoMemory ? platform::MemoryPlace::Video : platform::MemoryPlace::System;
    std::shared_ptr<platform::Surface> surface;
    if (platform::Failed(mDDInterface->CreateSurface(desc, surface)) || !surface) {
        return false;
    }
    mSurface = std::move(surface);
    SurfacePixels pixels;
    // A surface that can't be filled is not kept: it would pass for the
    // pixels from now on.
    if (!LockForDrawing(pixels)) {
        ReleaseSurface();
        return false;
    }
    ConvertBitsInto(pixels, mHasTrans);
    UnlockSurface();
    return true;
}

void DDImage::ConvertBitsInto(const SurfacePixels& pixels, bool keyed) {
    const uint32_t* bits = mBits.get();
    if (bits == nullptr) {
        return;
    }
    const SurfaceChannel red = ChannelOfMask(pixels.mRedMask);
    const SurfaceChannel green = ChannelOfMask(pixels.mGreenMask);
    const SurfaceChannel blue = ChannelOfMask(pixels.mBlueMask);
    const int32_t width = std::min(mWidth, pixels.mWidth);
    const int32_t height = std::min(mHeight, pixels.mHeight);
    const size_t stride = static_cast<size_t>(mWidth);
    const size_t count = GetPixelCount();
    auto rowOf = [&](int32_t y) { return bits + static_cast<size_t>(y) * stride; };

    // The key starts as the first pixel that is not opaque.
    uint32_t key = 0;
    bool collision = false;
    if (keyed) {
        const uint32_t* first =
            std::find_if(bits, bits + count, [](uint32_t p) { return (p >> 24) != 255; });
        if (first != bits + count) {
            key = pixels.mBitsPerPixel == 16 ? ConvertToSurface(*first, red, green, blue)
                                             : (*first & 0xFFFFFF);
        }
        for (size_t i = 0; i < count && !collision; ++i) {
            const uint32_t p = bits[i];
            if ((p >> 24) == 255) {
                collision = pixels.mBitsPerPixel == 16
                                ? ConvertToSurface(p, red, green, blue) == key
                                : (p & 0xFFFFFF) == key;
            }
        }
    }
    if (collision) {
        // Another key, one that no visible pixel has.
        const bool is16 = pixels.mBitsPerPixel == 16;
        std::vector<uint32_t> used(is16 ? (65536 / 32) : (16777216 / 32), 0);
        for (size_t i = 0; i < count; ++i) {
            const uint32_t p = bits[i];
            if ((p >> 24) != 0) {
                MarkUsed(used, is16 ? ConvertToSurface(p, red, green, blue) : (p & 0xFFFFFF));
            }
        }
        key = is16 ? FreeKey16(used, key) : FreeKey24(used, key);
    }

    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* in = rowOf(y);
        uint8_t* outRow = pixels.mBits + static_cast<ptrdiff_t>(pixels.mPitch) * y;
        if (pixels.mBitsPerPixel == 16) {
            auto* out = reinterpret_cast<uint16_t*>(outRow);
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = in[x];
                out[x] = static_cast<uint16_t>(
                    (!keyed || (p >> 24) == 255) ? ConvertToSurface(p, red, green, blue) : key);
            }
        } else {
            auto* out = reinterpret_cast<uint32_t*>(outRow);
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = in[x];
                out[x] = (!keyed || (p >> 24) == 255) ? ConvertToSurface(p, red, green, blue) : key;
            }
        }
    }
    if (keyed) {
        mSurface->SetColorKey(key);
    }
}

void DDImage::DeleteDDSurface() {
    if (mSurface && !mBits && !mPalette && mTextureData == nullptr) {
        GetBits();
    }
    ReleaseSurface();
}

void DDImage::SetSurface(std::shared_ptr<platform::Surface> surface) {
    if (surface != mSurface) {
        ReleaseSurface();
    }
    mSurfaceSet = true;
    mSurface = std::move(surface);
    if (mSurface) {
        mWidth = mSurface->Width();
        mHeight = mSurface->Height();
    }
    mVideoOnly = false;
    // Buffers sized for the image's old pixels would no longer fit it.
    mBits.reset();
    mNativeAlpha.reset();
    mAdditiveSource.reset();
    mNativeUnpacked.reset();
    mRLAlpha.reset();
    mRLAdditive.reset();
    mPalette.reset();
    mPaletteIndices.reset();
}

void DDImage::SetVideoMemory(bool wantVideoMemory) {
    if (wantVideoMemory == mWantVideoMemory) {
        return;
    }
    mWantVideoMemory = wantVideoMemory;
    if (mSurfaceSet) {
        return;
    }
    GetBits();
    DeleteDDSurface();
}

void DDImage::FreeNonSurfaceBuffers() {
    // Called after every blit onto the surface: most often none of the buffers
    // below is held, and asking the surface costs a lock of the display.
    if (!mBits && !mNativeAlpha && !mAdditiveSource && !mNativeUnpacked && !mRLAdditive &&
        !mRLAlpha && !mPalette && !mPaletteIndices) {
        return;
    }
    // Without a usable surface these buffers are the only copy of the pixels.
    if (!mSurface || platform::Failed(mSurface->IsLost())) {
        return;
    }
    mBits.reset();
    mNativeAlpha.reset();
    mAdditiveSource.reset();
    mNativeUnpacked.reset();
    mRLAdditive.reset();
    mRLAlpha.reset();
    mPalette.reset();
    mPaletteIndices.reset();
}

// ---- Locking ---------------------------------------------------------------

bool DDImage::LockSurface() {
    if (Check3D()) {
        return false;
    }
    if (mLockCount == 0) {
        platform::Surface* surface = GetSurface();
        if (surface == nullptr) {
            return false;
        }
        // Straight into the member: copying it over again stalls on every blit.
        if (platform::Failed(surface->Lock(mLockedSurfaceDesc))) {
            mLockedSurfaceDesc = platform::LockedSurface{};
            return false;
        }
    }
    ++mLockCount;
    return true;
}

bool DDImage::UnlockSurface() {
    if (Check3D() || mLockCount <= 0) {
        return false;
    }
    if (--mLockCount == 0) {
        if (mSurface) {
            mSurface->Unlock();
        }
        mLockedSurfaceDesc = platform::LockedSurface{};
    }
    return true;
}

SurfacePixels DDImage::LockedPixels() const {
    const platform::LockedSurface& desc = mLockedSurfaceDesc;
    SurfacePixels pixels;
    pixels.mBits = static_cast<uint8_t*>(desc.bits);
    pixels.mPitch = desc.pitch;
    pixels.mWidth = desc.width;
    pixels.mHeight = desc.height;
    pixels.mBitsPerPixel = desc.format.bitsPerPixel;
    pixels.mRedMask = desc.format.redMask;
    pixels.mGreenMask = desc.format.greenMask;
    pixels.mBlueMask = desc.format.blueMask;
    return pixels;
}

bool DDImage::LockForDrawing(SurfacePixels& pixels) {
    if (!LockSurface()) {
        return false;
    }
    pixels = LockedPixels();
    if (!IsDrawableSurface(pixels)) {
        UnlockSurface();
        return false;
    }
    return true;
}

const NativeDisplay* DDImage::NativeLayout(const SurfacePixels& pixels) {
    const NativeDisplay* display = mDDInterface;
    if (display != nullptr && display->mRGBBits == pixels.mBitsPerPixel &&
        display->mRedMask == pixels.mRedMask && display->mGreenMask == pixels.mGreenMask &&
        display->mBlueMask == pixels.mBlueMask) {
        return display;
    }
    // A display not (yet) describing this surface: the surface's own layout.
    NativeDisplay& layout = mFallbackLayout;
    const SurfaceChannel red = ChannelOfMask(pixels.mRedMask);
    const SurfaceChannel green = ChannelOfMask(pixels.mGreenMask);
    const SurfaceChannel blue = ChannelOfMask(pixels.mBlueMask);
    layout.mRGBBits = pixels.mBitsPerPixel;
    layout.mRedMask = red.mMask;
    layout.mGreenMask = green.mMask;
    layout.mBlueMask = blue.mMask;
    layout.mRedBits = red.mBits;
    layout.mGreenBits = green.mBits;
    layout.mBlueBits = blue.mBits;
    layout.mRedShift = red.mShift;
    layout.mGreenShift = green.mShift;
    layout.mBlueShift = blue.mShift;
    return &layout;
}

// ---- Direct3D --------------------------------------------------------------

bool DDImage::Check3D() const {
    return mDDInterface != nullptr && mDDInterface->mIs3D && mSurface &&
           mSurface == mDDInterface->mDrawSurface;
}

bool DDImage::Check3DImage(const Image* image) {
    const auto* ddImage = dynamic_cast<const DDImage*>(image);
    return ddImage != nullptr && ddImage->Check3D();
}

D3DInterface* DDImage::Get3DDevice() const {
    return Check3D() ? mDDInterface->mD3DInterface.get() : nullptr;
}

bool DDImage::DisplayIs3D() const {
    return mDDInterface != nullptr && mDDInterface->mIs3D;
}

bool DDImage::WithoutDisplay() const {
    return mDDInterface == nullptr && !mSurface;
}

bool DDImage::IsCursorAreaImage() const {
    return mDDInterface != nullptr && (this == mDDInterface->mOldCursorAreaImage.get() ||
                                       this == mDDInterface->mNewCursorAreaImage.get());
}

// ---- Buffer management -----------------------------------------------------

void DDImage::CommitBits() {
    if (!mSurface) {
        MemoryImage::CommitBits();
    }
}

void DDImage::BitsChanged() {
    MemoryImage::BitsChanged();
    if (mSurfaceSet) {
        // An adopted surface stays the image's: it takes the new pixels.
        WriteBitsToSurface();
        return;
    }
    ReleaseSurface();
}

void DDImage::WriteBitsToSurface() {
    if (!mSurface || !mBits || mVideoOnly) {
        return;
    }
    SurfacePixels pixels;
    if (!LockForDrawing(pixels)) {
        return;
    }
    // Every pixel as it is: an adopted surface has no colour key.
    ConvertBitsInto(pixels, false);
    UnlockSurface();
}

void DDImage::Create(int32_t width, int32_t height) {
    if (width < 0 || height < 0) {
        throw std::invalid_argument("DDImage::Create: negative size");
    }
    mBits.reset();
    // A colour table sized for the old picture would be read past its end.
    mPalette.reset();
    mPaletteIndices.reset();
    mWidth = width;
    mHeight = height;
    BitsChanged();
}

void DDImage::DeleteNativeData() {
    if (mSurfaceSet) {
        return;
    }
    MemoryImage::DeleteNativeData();
    DeleteDDSurface();
}

void DDImage::DeleteExtraBuffers() {
    if (mSurfaceSet) {
        return;
    }
    MemoryImage::DeleteExtraBuffers();
    DeleteDDSurface();
}

void DDImage::ReInit() {
    MemoryImage::ReInit();
    if (mWantDDSurface) {
        GenerateDDSurfaceBody();
    }
}

void DDImage::PurgeBits() {
    if (mSurfaceSet) {
        return;
    }
    mPurgeWanted = true;
    CommitBits();
    ImageHost* host = mApp != nullptr ? mApp : GetImageHost();
    if (host != nullptr && host->Is3DAccelerated()) {
        if (mSurface) {
            GetBits();
            DeleteDDSurface();
        }
        MemoryImage::PurgeBits();
        return;
    }
    if (mWantDDSurface && GenerateDDSurfaceBody()) {
        if (mPalette) {
            // Native data made from the colour table means nothing without it.
            mNativeAlpha.reset();
            mAdditiveSource.reset();
            mNativeUnpacked.reset();
            mRLAdditive.reset();
        }
        mBits.reset();
        mPaletteIndices.reset();
        mPalette.reset();
        return;
    }
    MemoryImage::PurgeBits();
}

uint32_t* DDImage::GetBits() {
    if (mBits) {
        return mBits.get();
    }
    if (!mSurface) {
        return MemoryImage::GetBits();
    }
    if (mVideoOnly) {
        return nullptr;
    }
    SurfacePixels pixels;
    if (!LockForDrawing(pixels)) {
        return nullptr;
    }
    const size_t count = GetPixelCount();
    if (count > 0x3FFFFFFFu) {
        UnlockSurface();
        throw std::bad_alloc();
    }
    std::unique_ptr<uint32_t[]> bits(new uint32_t[count + 1]());
    bits[count] = kGuardWord;
    const SurfaceChannel red = ChannelOfMask(pixels.mRedMask);
    const SurfaceChannel green = ChannelOfMask(pixels.mGreenMask);
    const SurfaceChannel blue = ChannelOfMask(pixels.mBlueMask);
    // Pixels of the colour key were transparent; they read back so.
    uint32_t key = 0;
    const bool keyed = mHasTrans && platform::Succeeded(mSurface->GetColorKey(key));
    const uint32_t colorMask = pixels.mRedMask | pixels.mGreenMask | pixels.mBlueMask;
    key &= colorMask;
    const int32_t width = std::min(mWidth, pixels.mWidth);
    const int32_t height = std::min(mHeight, pixels.mHeight);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* inRow = pixels.mBits + static_cast<ptrdiff_t>(pixels.mPitch) * y;
        uint32_t* out = bits.get() + static_cast<size_t>(y) * static_cast<size_t>(mWidth);
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = pixels.mBitsPerPixel == 16
                                   ? reinterpret_cast<const uint16_t*>(inRow)[x]
                                   : reinterpret_cast<const uint32_t*>(inRow)[x];
            const uint32_t argb = ConvertFromSurface(v, red, green, blue);
            out[x] = (keyed && (v & colorMask) == key) ? (argb & 0xFFFFFF) : argb;
        }
    }
    UnlockSurface();
    mBits = std::move(bits);
    return mBits.get();
}

}  // namespace Vesk
