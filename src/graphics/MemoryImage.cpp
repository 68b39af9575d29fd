#include "graphics/MemoryImage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <stdexcept>

#include "graphics/D3DInterface.h"
#include "graphics/ImageHost.h"
#include "graphics/NativeDisplay.h"
#include "graphics/PixelSimd.h"
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

// kDescending[i] = 255 - i: the tail of every run's bytes.
constexpr auto kDescending = [] {
    std::array<uint8_t, 255> table{};
    for (size_t i = 0; i < table.size(); ++i) {
        table[i] = static_cast<uint8_t>(255 - i);
    }
    return table;
}();

// The bytes of one run of n pixels: the count to the run's end, at most 255.
inline void WriteRun(uint8_t* out, int32_t n) {
    const int32_t tail = std::min(n, 255);
    std::memset(out, 255, static_cast<size_t>(n - tail));
    std::memcpy(out + (n - tail), kDescending.data() + (255 - tail), static_cast<size_t>(tail));
}

// Each byte: pixels from this one to the end of its run (runs end with the
// row), at most 255. runEnd(row, x, width) gives the end of the run that
// starts at x.
template <typename RunEnd>
void EncodeRunsBy(uint8_t* out, int32_t width, int32_t height, RunEnd runEnd) {
    for (int32_t y = 0; y < height; ++y) {
        const size_t row = static_cast<size_t>(y) * static_cast<size_t>(width);
        int32_t x = 0;
        while (x < width) {
            const int32_t end = runEnd(row, x, width);
            WriteRun(out + row + static_cast<size_t>(x), end - x);
            x = end;
        }
    }
}

template <typename ClassOf>
void EncodeRuns(uint8_t* out, int32_t width, int32_t height, ClassOf classOf) {
    EncodeRunsBy(out, width, height, [&](size_t row, int32_t x, int32_t w) {
        const int cls = classOf(row + static_cast<size_t>(x));
        int32_t end = x + 1;
        while (end < w && classOf(row + static_cast<size_t>(end)) == cls) {
            ++end;
        }
        return end;
    });
}

inline int AlphaClass(uint32_t alpha) {
    return alpha == 0 ? 0 : (alpha == 255 ? 1 : 2);
}

// End of the run of pixels of one alpha class starting at x; four at a time
// through the transparent and opaque runs that make up most pictures.
inline int32_t AlphaRunEnd(const uint32_t* row, int32_t x, int32_t width) {
    const int cls = AlphaClass(row[x] >> 24);
    int32_t end = x + 1;
#if defined(VESK_PIXEL_SSE2)
    // Lanes of four pixels all true while they stay in the class.
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi32(255);
    auto same4 = [&](int32_t at) {
        const __m128i a = _mm_srli_epi32(PixelSimd::Load4(row + at), 24);
        if (cls == 0) {
            return _mm_cmpeq_epi32(a, zero);
        }
        if (cls == 1) {
            return _mm_cmpeq_epi32(a, full);
        }
        return _mm_cmpeq_epi32(_mm_or_si128(_mm_cmpeq_epi32(a, zero), _mm_cmpeq_epi32(a, full)),
                               zero);
    };
    while (end + 16 <= width) {
        const __m128i all = _mm_and_si128(_mm_and_si128(same4(end), same4(end + 4)),
                                          _mm_and_si128(same4(end + 8), same4(end + 12)));
        if (_mm_movemask_ps(_mm_castsi128_ps(all)) != 0xF) {
            break;
        }
        end += 16;
    }
    while (end + 4 <= width) {
        const int same = _mm_movemask_ps(_mm_castsi128_ps(same4(end)));
        if (same != 0xF) {
            return end + __builtin_ctz(static_cast<unsigned>(~same));
        }
        end += 4;
    }
#endif
    while (end < width && AlphaClass(row[end] >> 24) == cls) {
        ++end;
    }
    return end;
}

// 8-8-8 words at shifts 16, 8, 0 (the layout without a display and of
// X8R8G8B8) scaled by alpha: (c * (a + kPlus)) >> 8 per channel, alpha kept.
// Returns how many it did, a multiple of 4.
#if defined(VESK_PIXEL_SSE2)
template <uint32_t kPlus>
__attribute__((target("avx2"))) size_t PremultiplyRow888Avx2(uint32_t* out, const uint32_t* in,
                                                             size_t count) {
    const __m256i rbMask = _mm256_set1_epi32(0x00FF00FF);
    const __m256i gMask = _mm256_set1_epi32(0x0000FF00);
    const __m256i alphaMask = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m256i plus = _mm256_set1_epi32(kPlus);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
        const __m256i a1 = _mm256_add_epi32(_mm256_srli_epi32(p, 24), plus);
        const __m256i k = _mm256_or_si256(a1, _mm256_slli_epi32(a1, 16));
        const __m256i rb = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_and_si256(p, rbMask), k), 8);
        const __m256i g = _mm256_and_si256(_mm256_mullo_epi16(_mm256_srli_epi16(p, 8), k), gMask);
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(out + i),
            _mm256_or_si256(_mm256_or_si256(rb, g), _mm256_and_si256(p, alphaMask)));
    }
    return i;
}
#endif

template <uint32_t kPlus>
inline size_t PremultiplyRow888(uint32_t* out, const uint32_t* in, size_t count) {
    size_t i = 0;
#if defined(VESK_PIXEL_SSE2)
    if (PixelSimd::HasAvx2()) {
        i = PremultiplyRow888Avx2<kPlus>(out, in, count);
    }
    const __m128i rbMask = _mm_set1_epi32(0x00FF00FF);
    const __m128i gMask = _mm_set1_epi32(0x0000FF00);
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m128i plus = _mm_set1_epi32(kPlus);
    for (; i + 4 <= count; i += 4) {
        const __m128i p = PixelSimd::Load4(in + i);
        const __m128i a1 = _mm_add_epi32(_mm_srli_epi32(p, 24), plus);
        const __m128i k = _mm_or_si128(a1, _mm_slli_epi32(a1, 16));
        const __m128i rb = _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(p, rbMask), k), 8);
        const __m128i g = _mm_and_si128(_mm_mullo_epi16(_mm_srli_epi16(p, 8), k), gMask);
        PixelSimd::Store4(out + i, _mm_or_si128(_mm_or_si128(rb, g), _mm_and_si128(p, alphaMask)));
    }
#else
    (void)out;
    (void)in;
    (void)count;
#endif
    return i;
}

// Any other layout (r5g6b5 and the like), as Premultiply: each channel's product c * (a + 1)
// goes to the top of a 32-bit lane and down by 32 - bits - shift to its place, where only its
// kept bits survive the mask. Returns how many it did, a multiple of 4.
#if defined(VESK_PIXEL_SSE2)
struct ChannelPlace {
    int32_t down;   // 32 - bits - shift
    uint32_t mask;  // the channel's mask, cut to its bits
};

ChannelPlace PlaceOf(const ChannelLayout& ch) {
    const uint32_t bits = ((1u << ch.bits) - 1) << ch.shift;
    return ChannelPlace{32 - ch.bits - ch.shift, ch.mask & bits};
}

__attribute__((target("avx2"))) size_t PremultiplyRowAnyAvx2(uint32_t* out, const uint32_t* in,
                                                             size_t count,
                                                             const ChannelPlace* place) {
    const __m256i rbMask = _mm256_set1_epi32(0x00FF00FF);
    const __m256i byteMask = _mm256_set1_epi32(0xFF);
    const __m256i alphaMask = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m256i one = _mm256_set1_epi32(1);
    const __m128i downR = _mm_cvtsi32_si128(place[0].down);
    const __m128i downG = _mm_cvtsi32_si128(place[1].down);
    const __m128i downB = _mm_cvtsi32_si128(place[2].down);
    const __m256i maskR = _mm256_set1_epi32(static_cast<int32_t>(place[0].mask));
    const __m256i maskG = _mm256_set1_epi32(static_cast<int32_t>(place[1].mask));
    const __m256i maskB = _mm256_set1_epi32(static_cast<int32_t>(place[2].mask));
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
        const __m256i a1 = _mm256_add_epi32(_mm256_srli_epi32(p, 24), one);
        const __m256i k = _mm256_or_si256(a1, _mm256_slli_epi32(a1, 16));
        const __m256i rb = _mm256_mullo_epi16(_mm256_and_si256(p, rbMask), k);
        const __m256i g =
            _mm256_mullo_epi16(_mm256_and_si256(_mm256_srli_epi32(p, 8), byteMask), k);
        const __m256i red = _mm256_and_si256(_mm256_srl_epi32(rb, downR), maskR);
        const __m256i green =
            _mm256_and_si256(_mm256_srl_epi32(_mm256_slli_epi32(g, 16), downG), maskG);
        const __m256i blue =
            _mm256_and_si256(_mm256_srl_epi32(_mm256_slli_epi32(rb, 16), downB), maskB);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_or_si256(_mm256_or_si256(red, green),
                                            _mm256_or_si256(blue, _mm256_and_si256(p, alphaMask))));
    }
    return i;
}

size_t PremultiplyRowAny(uint32_t* out, const uint32_t* in, size_t count,
                         const PixelLayout& layout) {
    const ChannelPlace place[3] = {PlaceOf(layout.red), PlaceOf(layout.green),
                                   PlaceOf(layout.blue)};
    size_t i = 0;
    if (PixelSimd::HasAvx2()) {
        i = PremultiplyRowAnyAvx2(out, in, count, place);
    }
    const __m128i rbMask = _mm_set1_epi32(0x00FF00FF);
    const __m128i byteMask = _mm_set1_epi32(0xFF);
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m128i one = _mm_set1_epi32(1);
    const __m128i downR = _mm_cvtsi32_si128(place[0].down);
    const __m128i downG = _mm_cvtsi32_si128(place[1].down);
    const __m128i downB = _mm_cvtsi32_si128(place[2].down);
    const __m128i maskR = _mm_set1_epi32(static_cast<int32_t>(place[0].mask));
    const __m128i maskG = _mm_set1_epi32(static_cast<int32_t>(place[1].mask));
    const __m128i maskB = _mm_set1_epi32(static_cast<int32_t>(place[2].mask));
    for (; i + 4 <= count; i += 4) {
        const __m128i p = PixelSimd::Load4(in + i);
        const __m128i a1 = _mm_add_epi32(_mm_srli_epi32(p, 24), one);
        const __m128i k = _mm_or_si128(a1, _mm_slli_epi32(a1, 16));
        const __m128i rb = _mm_mullo_epi16(_mm_and_si128(p, rbMask), k);
        const __m128i g = _mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(p, 8), byteMask), k);
        const __m128i red = _mm_and_si128(_mm_srl_epi32(rb, downR), maskR);
        const __m128i green = _mm_and_si128(_mm_srl_epi32(_mm_slli_epi32(g, 16), downG), maskG);
        const __m128i blue = _mm_and_si128(_mm_srl_epi32(_mm_slli_epi32(rb, 16), downB), maskB);
        PixelSimd::Store4(out + i, _mm_or_si128(_mm_or_si128(red, green),
                                                _mm_or_si128(blue, _mm_and_si128(p, alphaMask))));
    }
    return i;
}
#endif

inline bool Is888(const PixelLayout& layout) {
    return layout.red.mask == 0xFF0000 && layout.red.bits == 8 && layout.red.shift == 16 &&
           layout.green.mask == 0xFF00 && layout.green.bits == 8 && layout.green.shift == 8 &&
           layout.blue.mask == 0xFF && layout.blue.bits == 8 && layout.blue.shift == 0;
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
    mAdditiveSource.reset();
    mNativeUnpacked.reset();
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
        if (source.mRLAlphaSpansFor == source.mRLAlpha.get()) {
            const size_t spanCount = 2 * static_cast<size_t>(std::max(source.mHeight, 1));
            mRLAlphaSpans = std::make_unique<int32_t[]>(spanCount);
            std::copy_n(source.mRLAlphaSpans.get(), spanCount, mRLAlphaSpans.get());
            mRLAlphaSpansFor = mRLAlpha.get();
        }
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
        mAdditiveSource.reset();
        mNativeUnpacked.reset();
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
    mAdditiveSource.reset();
    mNativeUnpacked.reset();
    mRLAlpha.reset();
    mRLAdditive.reset();
}

namespace {

// Whether any pixel is fully transparent (alpha 0) and whether any is partly so. Every picture
// loaded passes here once, most of them opaque to the end: the pixels are read a block at a time
// without a branch, and the scan stops once both answers are known.
void ScanAlpha(const uint32_t* bits, size_t count, bool& hasTrans, bool& hasAlpha) {
    constexpr size_t kBlock = 256;
    hasTrans = false;
    hasAlpha = false;
    size_t i = 0;
#if defined(VESK_PIXEL_SSE2)
    using namespace PixelSimd;
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(255);
    while (i + kBlock <= count && !(hasTrans && hasAlpha)) {
        __m128i transparent = zero;
        __m128i partial = zero;
        for (const size_t end = i + kBlock; i < end; i += 4) {
            const __m128i a = _mm_srli_epi32(Load4(bits + i), 24);
            const __m128i isZero = _mm_cmpeq_epi32(a, zero);
            transparent = _mm_or_si128(transparent, isZero);
            partial = _mm_or_si128(
                partial, _mm_andnot_si128(_mm_or_si128(isZero, _mm_cmpeq_epi32(a, opaque)),
                                          _mm_set1_epi32(-1)));
        }
        hasTrans |= _mm_movemask_epi8(transparent) != 0;
        hasAlpha |= _mm_movemask_epi8(partial) != 0;
    }
#endif
    for (; i < count && !(hasTrans && hasAlpha); ++i) {
        const uint32_t a = bits[i] >> 24;
        hasTrans |= (a == 0);
        hasAlpha |= (a != 0 && a != 255);
    }
}

}  // namespace

void MemoryImage::CommitBits() {
    if (!mAnalysisStale || mForced) {
        return;
    }
    mHasAlpha = false;
    if (mBits) {
        mHasTrans = false;
        ScanAlpha(mBits.get(), GetPixelCount(), mHasTrans, mHasAlpha);
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
    auto native = std::make_unique_for_overwrite<uint32_t[]>(count == 0 ? 1 : count);
    uint32_t* out = native.get();
    size_t done = 0;
    if (Is888(layout)) {
        done = PremultiplyRow888<1>(out, source, count);
    } else {
#if defined(VESK_PIXEL_SSE2)
        done = PremultiplyRowAny(out, source, count, layout);
#endif
    }
    for (size_t i = done; i < count; ++i) {
        const uint32_t p = source[i];
        const uint32_t a = p >> 24;
        out[i] = (a << 24) | Premultiply((p >> 16) & 0xFF, a + 1, layout.red) |
                 Premultiply((p >> 8) & 0xFF, a + 1, layout.green) |
                 Premultiply(p & 0xFF, a + 1, layout.blue);
    }
    mNativeAlpha = std::move(native);
    return mNativeAlpha.get();
}

uint32_t* MemoryImage::GetAdditiveSourceData() {
    if (mAdditiveSource) {
        return mAdditiveSource.get();
    }
    if (mPalette && mPaletteIndices) {
        return nullptr;
    }
    const uint32_t* bits = GetBits();
    const size_t count = GetPixelCount();
    if (bits == nullptr || count == 0) {
        return nullptr;
    }
    auto scaled = std::make_unique_for_overwrite<uint32_t[]>(count);
    uint32_t* out = scaled.get();
    for (size_t i = PremultiplyRow888<0>(out, bits, count); i < count; ++i) {
        const uint32_t p = bits[i];
        const uint32_t a = p >> 24;
        out[i] = (p & 0xFF000000u) | ((((p & 0xFF00FF) * a) >> 8) & 0xFF00FF) |
                 ((((p & 0xFF00) * a) >> 8) & 0xFF00);
    }
    mAdditiveSource = std::move(scaled);
    return mAdditiveSource.get();
}

uint8_t* MemoryImage::GetRLAlphaData() {
    CommitBits();
    if (mRLAlpha) {
        return mRLAlpha.get();
    }
    auto runs = std::make_unique_for_overwrite<uint8_t[]>(std::max<size_t>(GetPixelCount(), 1));
    auto spans =
        std::make_unique_for_overwrite<int32_t[]>(2 * static_cast<size_t>(std::max(mHeight, 1)));
    const auto walk = [&](auto clear) {
        // Each row's first pixel that is not clear and one past its last.
        for (int32_t y = 0; y < mHeight; ++y) {
            const size_t row = static_cast<size_t>(y) * static_cast<size_t>(mWidth);
            int32_t first = mWidth;
            int32_t end = 0;
            for (int32_t x = 0; x < mWidth; x += runs[row + static_cast<size_t>(x)]) {
                if (!clear(row + static_cast<size_t>(x))) {
                    first = std::min(first, x);
                    end = x + runs[row + static_cast<size_t>(x)];
                }
            }
            spans[2 * y] = std::min(first, end);
            spans[2 * y + 1] = end;
        }
    };
    if (mPalette && mPaletteIndices) {
        const uint32_t* palette = mPalette.get();
        const uint8_t* indices = mPaletteIndices.get();
        EncodeRuns(runs.get(), mWidth, mHeight,
                   [&](size_t i) { return AlphaClass(palette[indices[i]] >> 24); });
        walk([&](size_t i) { return (palette[indices[i]] >> 24) == 0; });
    } else {
        const uint32_t* pixels = mNativeAlpha ? mNativeAlpha.get() : GetBits();
        EncodeRunsBy(runs.get(), mWidth, mHeight, [pixels](size_t row, int32_t x, int32_t width) {
            return AlphaRunEnd(pixels + row, x, width);
        });
        walk([pixels](size_t i) { return (pixels[i] >> 24) == 0; });
    }
    mRLAlpha = std::move(runs);
    mRLAlphaSpans = std::move(spans);
    mRLAlphaSpansFor = mRLAlpha.get();
    return mRLAlpha.get();
}

const int32_t* MemoryImage::GetRLAlphaSpans() {
    const uint8_t* runs = GetRLAlphaData();
    return runs == mRLAlphaSpansFor ? mRLAlphaSpans.get() : nullptr;
}

const uint32_t* MemoryImage::GetUnpackedNativeData(const NativeDisplay* display) {
    if (mNativeUnpacked) {
        return mNativeUnpacked.get();
    }
    const size_t count = GetPixelCount();
    if (!mPalette || !mPaletteIndices || count == 0 || count > kMaxUnpackedPixels) {
        return nullptr;
    }
    const uint32_t* native = GetNativeAlphaData(display);
    const uint8_t* indices = mPaletteIndices.get();
    if (native == nullptr || indices == nullptr) {
        return nullptr;
    }
    auto unpacked = std::make_unique_for_overwrite<uint32_t[]>(count);
    for (size_t i = 0; i < count; ++i) {
        unpacked[i] = native[indices[i]];
    }
    mNativeUnpacked = std::move(unpacked);
    return mNativeUnpacked.get();
}

uint8_t* MemoryImage::GetRLAdditiveData(const NativeDisplay* display) {
    if (mRLAdditive) {
        return mRLAdditive.get();
    }
    const uint32_t* native = GetNativeAlphaData(display);
    const size_t count = GetPixelCount();
    auto runs = std::make_unique_for_overwrite<uint8_t[]>(count == 0 ? 1 : count);
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
            mAdditiveSource.reset();
            mNativeUnpacked.reset();
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
    mAdditiveSource.reset();
    mNativeUnpacked.reset();
    mRLAdditive.reset();
    mRLAlpha.reset();
}

void MemoryImage::DeleteNativeData() {
    BringBitsBack();
    mNativeAlpha.reset();
    mAdditiveSource.reset();
    mNativeUnpacked.reset();
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
    mAdditiveSource.reset();
    mNativeUnpacked.reset();
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
