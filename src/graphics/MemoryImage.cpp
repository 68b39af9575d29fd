#include "graphics/MemoryImage.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "graphics/D3DInterface.h"
#include "graphics/ImageHost.h"
#include "graphics/NativeDisplay.h"
#include "graphics/TextureData.h"

namespace Vesk {

namespace {

struct ChannelLayout {
    uint32_t mask;
    int32_t bits;
    int32_t shift;
};

struct PixelLayout {
    ChannelLayout red;
    ChannelLayout green;
    ChannelLayout blue;
};

// A display not yet initialised (or none) is taken as 8-8-8 at 16, 8, 0.
PixelLayout LayoutOf(const NativeDisplay* display) {
    if (display == nullptr || display->mRedBits <= 0 || display->mGreenBits <= 0 ||
        display->mBlueBits <= 0) {
        return PixelLayout{{0xFF0000, 8, 16}, {0xFF00, 8, 8}, {0xFF, 8, 0}};
    }
    auto channel = [](uint32_t mask, int32_t bits, int32_t shift) {
        return ChannelLayout{mask, std::clamp(bits, 1, 8), std::clamp(shift, 0, 23)};
    };
    return PixelLayout{channel(display->mRedMask, display->mRedBits, display->mRedShift),
                       channel(display->mGreenMask, display->mGreenBits, display->mGreenShift),
                       channel(display->mBlueMask, display->mBlueBits, display->mBlueShift)};
}

inline uint32_t Premultiply(uint32_t c, uint32_t alphaPlusOne, const ChannelLayout& ch) {
    return (((c * alphaPlusOne) >> (16 - ch.bits)) << ch.shift) & ch.mask;
}

inline uint32_t Unpremultiply(uint32_t pixel, uint32_t alphaPlusOne, const ChannelLayout& ch) {
    const uint32_t v = (((pixel & ch.mask) << 8) / alphaPlusOne) & ch.mask;
    return ((v << 8) >> (ch.shift + ch.bits)) & 0xFF;
}

// Each byte: pixels from this one to the end of its run (runs end with the
// row), at most 255.
template <typename ClassOf>
void EncodeRuns(uint8_t* out, int32_t width, int32_t height, ClassOf classOf) {
    for (int32_t y = 0; y < height; ++y) {
        const size_t row = static_cast<size_t>(y) * static_cast<size_t>(width);
        uint32_t count = 0;
        int previous = -1;
        for (int32_t x = width - 1; x >= 0; --x) {
            const int cls = classOf(row + static_cast<size_t>(x));
            count = (cls == previous) ? count + 1 : 1;
            previous = cls;
            out[row + static_cast<size_t>(x)] = static_cast<uint8_t>(count < 255 ? count : 255);
        }
    }
}

inline int AlphaClass(uint32_t alpha) {
    return alpha == 0 ? 0 : (alpha == 255 ? 1 : 2);
}

}  // namespace

MemoryImage::MemoryImage() : MemoryImage(GetImageHost()) {}

MemoryImage::MemoryImage(ImageHost* app) : mApp(app) {
    Init();
}

void MemoryImage::Init() {
    mBits.reset();
    mChangeCount = 0;
    mTextureData = nullptr;
    mTextureFlags = 0;
    mPalette.reset();
    mPaletteIndices.reset();
    mForced = false;
    mHasTrans = false;
    mHasAlpha = false;
    mVolatile = false;
    mPurgeWanted = false;
    mPalettizeWanted = false;
    mNativeAlpha.reset();
    mRLAlpha.reset();
    mRLAdditive.reset();
    mAnalysisStale = false;
    if (mApp != nullptr) {
        mApp->AddMemoryImage(this);
    }
}

MemoryImage::MemoryImage(const MemoryImage& other)
    : Image(other),
      mChangeCount(other.mChangeCount),
      mTextureFlags(other.mTextureFlags),
      mForced(other.mForced),
      mHasTrans(other.mHasTrans),
      mHasAlpha(other.mHasAlpha),
      mVolatile(other.mVolatile),
      mPurgeWanted(other.mPurgeWanted),
      mPalettizeWanted(other.mPalettizeWanted),
      mAnalysisStale(other.mAnalysisStale),
      mApp(other.mApp) {
    const size_t count = other.GetPixelCount();
    // The other's pixels are brought back for the copy and dropped again, so
    // the other is left in the form it was in.
    MemoryImage& source = const_cast<MemoryImage&>(other);
    const bool madeBits = !source.mBits && !source.mPalette;
    if (madeBits) {
        source.GetBits();
    }
    if (source.mBits) {
        mBits = AllocateBits();
        std::copy_n(source.mBits.get(), count, mBits.get());
    }
    if (madeBits) {
        source.mBits.reset();
    }
    if (source.mPalette) {
        mPalette = std::make_unique<uint32_t[]>(256);
        std::copy_n(source.mPalette.get(), 256, mPalette.get());
    }
    if (source.mPaletteIndices) {
        mPaletteIndices = std::make_unique<uint8_t[]>(count);
        std::copy_n(source.mPaletteIndices.get(), count, mPaletteIndices.get());
    }
    if (source.mNativeAlpha) {
        const size_t nativeCount = source.mPalette ? 256 : count;
        mNativeAlpha = std::make_unique<uint32_t[]>(nativeCount);
        std::copy_n(source.mNativeAlpha.get(), nativeCount, mNativeAlpha.get());
    }
    if (source.mRLAlpha) {
        mRLAlpha = std::make_unique<uint8_t[]>(count);
        std::copy_n(source.mRLAlpha.get(), count, mRLAlpha.get());
    }
    if (source.mRLAdditive) {
        mRLAdditive = std::make_unique<uint8_t[]>(count);
        std::copy_n(source.mRLAdditive.get(), count, mRLAdditive.get());
    }
    if (mApp != nullptr) {
        mApp->AddMemoryImage(this);
    }
}

MemoryImage::~MemoryImage() {
    if (mApp != nullptr) {
        mApp->RemoveMemoryImage(this);
    }
    // Texture data that no application took back (an image made without one) goes with
    // the image, so that its device never keeps a dangling image.
    if (mTextureData != nullptr && mTextureData->mOwner != nullptr) {
        mTextureData->mOwner->RemoveImageTextureData(this);
    }
}

size_t MemoryImage::GetPixelCount() const {
    if (mWidth <= 0 || mHeight <= 0) {
        return 0;
    }
    return static_cast<size_t>(mWidth) * static_cast<size_t>(mHeight);
}

std::unique_ptr<uint32_t[]> MemoryImage::AllocateBits() const {
    const size_t count = GetPixelCount();
    // The pixel bytes must fit 32 bits; anything larger fails like an
    // allocation rather than wrapping to a short buffer.
    if (count > 0x3FFFFFFFu) {
        throw std::bad_alloc();
    }
    std::unique_ptr<uint32_t[]> bits(new uint32_t[count + 1]);
    bits[count] = kGuardWord;
    return bits;
}

uint32_t* MemoryImage::GetBits() {
    if (mBits) {
        return mBits.get();
    }
    std::unique_ptr<uint32_t[]> bits = AllocateBits();
    const size_t count = GetPixelCount();
    uint32_t* out = bits.get();
    if (mPalette && mPaletteIndices) {
        const uint32_t* palette = mPalette.get();
        const uint8_t* indices = mPaletteIndices.get();
        for (size_t i = 0; i < count; ++i) {
            out[i] = palette[indices[i]];
        }
        // Back to plain pixels; mPalettizeWanted stays, so ReInit reduces again.
        mPaletteIndices.reset();
        mPalette.reset();
        mNativeAlpha.reset();
    } else if (mNativeAlpha) {
        ImageHost* host = mApp != nullptr ? mApp : GetImageHost();
        const PixelLayout layout = LayoutOf(host != nullptr ? host->GetNativeDisplay() : nullptr);
        const uint32_t* native = mNativeAlpha.get();
        for (size_t i = 0; i < count; ++i) {
            const uint32_t p = native[i];
            const uint32_t a = p >> 24;
            out[i] = (a << 24) | (Unpremultiply(p, a + 1, layout.red) << 16) |
                     (Unpremultiply(p, a + 1, layout.green) << 8) |
                     Unpremultiply(p, a + 1, layout.blue);
        }
    } else {
        bool read = false;
        if (mTextureData != nullptr && mApp != nullptr) {
            read = mApp->ReadTextureBits(*this, out);
        }
        if (!read) {
            std::fill_n(out, count, 0u);
        }
    }
    mBits = std::move(bits);
    return mBits.get();
}

void MemoryImage::SetBits(const uint32_t* bits, int32_t width, int32_t height, bool commitBits) {
    if (bits != nullptr && bits == mBits.get()) {
        return;
    }
    if (width < 0 || height < 0) {
        throw std::invalid_argument("MemoryImage::SetBits: negative size");
    }
    mPalette.reset();
    mPaletteIndices.reset();
    if (width != mWidth || height != mHeight || !mBits) {
        mBits.reset();
        mWidth = width;
        mHeight = height;
        mBits = AllocateBits();
    }
    const size_t count = GetPixelCount();
    if (bits != nullptr) {
        std::copy_n(bits, count, mBits.get());
    } else {
        std::fill_n(mBits.get(), count, 0u);
    }
    mBits[count] = kGuardWord;
    BitsChanged();
    if (commitBits) {
        CommitBits();
    }
}

void MemoryImage::Create(int32_t width, int32_t height) {
    if (width < 0 || height < 0) {
        throw std::invalid_argument("MemoryImage::Create: negative size");
    }
    mBits.reset();
    // A colour table sized for the old picture would be read past its end by
    // the next GetBits.
    mPalette.reset();
    mPaletteIndices.reset();
    mHasTrans = true;
    mHasAlpha = true;
    mWidth = width;
    mHeight = height;
    BitsChanged();
}

void MemoryImage::Clear() {
    uint32_t* bits = GetBits();
    if (bits != nullptr) {
        std::fill_n(bits, GetPixelCount(), 0u);
    }
    BitsChanged();
}

void MemoryImage::ClearRect(const Rect& rect) {
    uint32_t* bits = GetBits();
    const Rect area = rect.Intersection(Rect(0, 0, mWidth, mHeight));
    if (area.mWidth > 0 && area.mHeight > 0) {
        for (int32_t y = area.mY; y < area.mY + area.mHeight; ++y) {
            std::fill_n(bits + static_cast<size_t>(y) * static_cast<size_t>(mWidth) +
                            static_cast<size_t>(area.mX),
                        static_cast<size_t>(area.mWidth), 0u);
        }
    }
    BitsChanged();
}

void MemoryImage::BitsChanged() {
    ++mChangeCount;
    mAnalysisStale = true;
    mNativeAlpha.reset();
    mRLAlpha.reset();
    mRLAdditive.reset();
}

void MemoryImage::CommitBits() {
    if (!mAnalysisStale || mForced) {
        return;
    }
    mHasAlpha = false;
    if (mBits) {
        mHasTrans = false;
        bool hasTrans = false;
        bool hasAlpha = false;
        const uint32_t* bits = mBits.get();
        const size_t count = GetPixelCount();
        for (size_t i = 0; i < count && !(hasTrans && hasAlpha); ++i) {
            const uint32_t a = bits[i] >> 24;
            hasTrans |= (a == 0);
            hasAlpha |= (a != 0 && a != 255);
        }
        mHasTrans = hasTrans;
        mHasAlpha = hasAlpha;
    } else if (mPalette) {
        mHasTrans = false;
        for (int i = 0; i < 256; ++i) {
            const uint32_t a = mPalette[static_cast<size_t>(i)] >> 24;
            mHasTrans = mHasTrans || a == 0;
            mHasAlpha = mHasAlpha || (a != 0 && a != 255);
        }
    } else {
        mHasTrans = true;
    }
    mAnalysisStale = false;
}

void MemoryImage::SetImageMode(bool hasTrans, bool hasAlpha) {
    mForced = true;
    mHasTrans = hasTrans;
    mHasAlpha = hasAlpha;
}

void MemoryImage::SetVolatile(bool isVolatile) {
    mVolatile = isVolatile;
}

uint32_t* MemoryImage::GetNativeAlphaData(const NativeDisplay* display) {
    if (mNativeAlpha) {
        return mNativeAlpha.get();
    }
    CommitBits();
    const PixelLayout layout = LayoutOf(display);
    const uint32_t* source = nullptr;
    size_t count = 0;
    if (mPalette) {
        source = mPalette.get();
        count = 256;
    } else {
        source = GetBits();
        count = GetPixelCount();
    }
    auto native = std::make_unique<uint32_t[]>(count == 0 ? 1 : count);
    uint32_t* out = native.get();
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = source[i];
        const uint32_t a = p >> 24;
        out[i] = (a << 24) | Premultiply((p >> 16) & 0xFF, a + 1, layout.red) |
                 Premultiply((p >> 8) & 0xFF, a + 1, layout.green) |
                 Premultiply(p & 0xFF, a + 1, layout.blue);
    }
    mNativeAlpha = std::move(native);
    return mNativeAlpha.get();
}

uint8_t* MemoryImage::GetRLAlphaData() {
    CommitBits();
    if (mRLAlpha) {
        return mRLAlpha.get();
    }
    const size_t count = GetPixelCount();
    auto runs = std::make_unique<uint8_t[]>(count == 0 ? 1 : count);
    if (mPalette && mPaletteIndices) {
        const uint32_t* palette = mPalette.get();
        const uint8_t* indices = mPaletteIndices.get();
        EncodeRuns(runs.get(), mWidth, mHeight,
                   [&](size_t i) { return AlphaClass(palette[indices[i]] >> 24); });
    } else {
        const uint32_t* pixels = mNativeAlpha ? mNativeAlpha.get() : GetBits();
        EncodeRuns(runs.get(), mWidth, mHeight,
                   [&](size_t i) { return AlphaClass(pixels[i] >> 24); });
    }
    mRLAlpha = std::move(runs);
    return mRLAlpha.get();
}

uint8_t* MemoryImage::GetRLAdditiveData(const NativeDisplay* display) {
    if (mRLAdditive) {
        return mRLAdditive.get();
    }
    const uint32_t* native = GetNativeAlphaData(display);
    const size_t count = GetPixelCount();
    auto runs = std::make_unique<uint8_t[]>(count == 0 ? 1 : count);
    if (mPalette && mPaletteIndices) {
        const uint8_t* indices = mPaletteIndices.get();
        EncodeRuns(runs.get(), mWidth, mHeight,
                   [&](size_t i) { return (native[indices[i]] & 0xFFFFFF) != 0 ? 1 : 0; });
    } else {
        EncodeRuns(runs.get(), mWidth, mHeight,
                   [&](size_t i) { return (native[i] & 0xFFFFFF) != 0 ? 1 : 0; });
    }
    mRLAdditive = std::move(runs);
    return mRLAdditive.get();
}

void MemoryImage::PurgeBits() {
    mPurgeWanted = true;
    ImageHost* host = mApp != nullptr ? mApp : GetImageHost();
    if (host != nullptr && host->Is3DAccelerated()) {
        // Only a texture that still matches the pixels may become their only
        // copy; otherwise the pixels stay.
        if (mTextureData == nullptr || !host->IsTextureDataCurrent(*this)) {
            return;
        }
        mBits.reset();
        if (mPalette) {
            // The 256-word native table means nothing without the indices.
            mNativeAlpha.reset();
            mRLAdditive.reset();
        }
        mPaletteIndices.reset();
        mPalette.reset();
        return;
    }
    if (!mBits && !mPaletteIndices) {
        return;
    }
    // The colour table stays: its native form is drawn through the indices.
    GetNativeAlphaData(host != nullptr ? host->GetNativeDisplay() : nullptr);
    mBits.reset();
}

void MemoryImage::BringBitsBack() {
    if (!mBits && !mPaletteIndices) {
        GetBits();
    }
}

void MemoryImage::DeleteSWBuffers() {
    BringBitsBack();
    mNativeAlpha.reset();
    mRLAdditive.reset();
    mRLAlpha.reset();
}

void MemoryImage::DeleteNativeData() {
    BringBitsBack();
    mNativeAlpha.reset();
    mRLAdditive.reset();
}

void MemoryImage::Delete3DBuffers() {
    if (mApp != nullptr) {
        mApp->Remove3DData(this);
    }
}

void MemoryImage::DeleteExtraBuffers() {
    DeleteSWBuffers();
    Delete3DBuffers();
}

void MemoryImage::ReInit() {
    if (mPalettizeWanted) {
        Palletize();
    }
    if (mPurgeWanted) {
        PurgeBits();
    }
}

bool MemoryImage::Palletize() {
    CommitBits();
    if (mPalette) {
        return true;
    }
    const uint32_t* bits = GetBits();
    const size_t count = GetPixelCount();
    if (bits == nullptr || count == 0) {
        return false;
    }
    auto indices = std::make_unique<uint8_t[]>(count);
    auto palette = std::make_unique<uint32_t[]>(256);
    if (!BuildPalette(bits, count, indices.get(), palette.get())) {
        mPalettizeWanted = false;
        return false;
    }
    mPaletteIndices = std::move(indices);
    mPalette = std::move(palette);
    mBits.reset();
    mNativeAlpha.reset();
    mPalettizeWanted = true;
    return true;
}

bool MemoryImage::BuildPalette(const uint32_t* bits, size_t pixelCount, uint8_t* indices,
                               uint32_t* palette) {
    // Sorted values beside the index each was given.
    uint32_t sorted[256];
    uint8_t sortedIndex[256];
    int known = 0;
    uint32_t lastValue = 0;
    uint8_t lastIndex = 0;
    bool haveLast = false;
    for (size_t i = 0; i < pixelCount; ++i) {
        const uint32_t value = bits[i];
        if (haveLast && value == lastValue) {
            indices[i] = lastIndex;
            continue;
        }
        uint32_t* end = sorted + known;
        uint32_t* at = std::lower_bound(sorted, end, value);
        const int pos = static_cast<int>(at - sorted);
        uint8_t index = 0;
        if (at != end && *at == value) {
            index = sortedIndex[pos];
        } else {
            if (known == 256) {
                return false;
            }
            std::memmove(sorted + pos + 1, sorted + pos,
                         static_cast<size_t>(known - pos) * sizeof(uint32_t));
            std::memmove(sortedIndex + pos + 1, sortedIndex + pos,
                         static_cast<size_t>(known - pos));
            index = static_cast<uint8_t>(known);
            sorted[pos] = value;
            sortedIndex[pos] = index;
            palette[known] = value;
            ++known;
        }
        indices[i] = index;
        lastValue = value;
        lastIndex = index;
        haveLast = true;
    }
    return true;
}

}  // namespace Vesk
