#include "graphics/SmoothResampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/MemoryImage.h"
#include "graphics/PixelBlend.h"
#include "graphics/PixelSimd.h"
#include "graphics/TransformMapping.h"

namespace Vesk {

namespace {

using PixelBlend::kRB;
// Far beyond any picture; keeps the doubles' conversions defined.
constexpr double kMaxCoordinate = 1.0e9;
constexpr int32_t kMaxSide = 1 << 16;

inline int32_t ClampIndex(int64_t value, int32_t lo, int32_t hi) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, lo, hi));
}

constexpr size_t kGroup = 4;

#if defined(VESK_PIXEL_SSE2)
// Two rows of 16-bit channel lanes weighted by w0 and w1 (packed in each 32-bit lane of weights)
// into 32-bit sums, whose upper halves come back as 8-bit values in 16-bit lanes. The lanes are
// taken as signed for the multiply-add, which offset (32768 * (w0 + w1)) undoes.
inline __m128i MixRows(__m128i upper, __m128i lower, __m128i weights, __m128i offset) {
    const __m128i bias = _mm_set1_epi16(INT16_MIN);
    upper = _mm_xor_si128(upper, bias);
    lower = _mm_xor_si128(lower, bias);
    const __m128i lo = _mm_srli_epi32(
        _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(upper, lower), weights), offset), 16);
    const __m128i hi = _mm_srli_epi32(
        _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(upper, lower), weights), offset), 16);
    return _mm_packs_epi32(lo, hi);
}

// MixRows over whole rows of cells, eight at a time in 256-bit vectors (each 128-bit half unpacks
// and packs back in place, so the cells keep their order): out gets the mixed red and blue with the
// mixed green and alpha as 0xAARRGGBB. Returns how many cells it did, a multiple of 8.
__attribute__((target("avx2"))) inline __m256i MixRowsAvx2(const uint32_t* upperRow,
                                                           const uint32_t* lowerRow,
                                                           __m256i weights, __m256i offset) {
    const __m256i bias = _mm256_set1_epi16(INT16_MIN);
    const __m256i upper =
        _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(upperRow)), bias);
    const __m256i lower =
        _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(lowerRow)), bias);
    const __m256i lo = _mm256_srli_epi32(
        _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(upper, lower), weights), offset),
        16);
    const __m256i hi = _mm256_srli_epi32(
        _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(upper, lower), weights), offset),
        16);
    return _mm256_packs_epi32(lo, hi);
}

__attribute__((target("avx2"))) size_t MixRowPairAvx2(uint32_t* out, const uint32_t* upperRB,
                                                      const uint32_t* lowerRB,
                                                      const uint32_t* upperAG,
                                                      const uint32_t* lowerAG, uint32_t weightPair,
                                                      uint32_t offset, size_t count) {
    const __m256i weights = _mm256_set1_epi32(static_cast<int32_t>(weightPair));
    const __m256i add = _mm256_set1_epi32(static_cast<int32_t>(offset));
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i rb = MixRowsAvx2(upperRB + i, lowerRB + i, weights, add);
        const __m256i ag = MixRowsAvx2(upperAG + i, lowerAG + i, weights, add);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_or_si256(rb, _mm256_slli_epi16(ag, 8)));
    }
    return i;
}

// Eight 32-bit sums, their upper halves as 8-bit values in 16-bit lanes.
inline __m128i UpperHalves(const uint32_t* sums) {
    using namespace PixelSimd;
    return _mm_packs_epi32(_mm_srli_epi32(Load4(sums), 16), _mm_srli_epi32(Load4(sums + 4), 16));
}
#else
// One 32-bit word of two 16-bit lanes weighted by w0 and w1 with the next row's word; each
// lane's sum keeps its upper 16 bits.
inline uint32_t MixWords(uint32_t upper, uint32_t lower, uint32_t w0, uint32_t w1) {
    const uint32_t low = ((upper & 0xFFFF) * w0 + (lower & 0xFFFF) * w1) >> 16;
    const uint32_t high = ((upper >> 16) * w0 + (lower >> 16) * w1) >> 16;
    return low | (high << 16);
}
#endif

size_t Padded(int32_t cells) {
    return (static_cast<size_t>(cells) + kGroup - 1) / kGroup * kGroup;
}

}  // namespace

void SmoothResampler::Lanes::Reset(size_t cells) {
    mRB.assign(cells, 0);
    mAG.assign(cells, 0);
}

void SmoothResampler::PlanMagnify(double start, double extent, int32_t count, int32_t from,
                                  int32_t first, int32_t end, uint32_t unit,
                                  std::vector<Tap>& taps) {
    const double step = count > 1 ? (extent - 1.0) / (count - 1) : extent;
    const auto n = static_cast<int32_t>(taps.size());
    for (int32_t i = 0; i < n; ++i) {
        const double p = start + (from + i) * step;
        const double whole = std::trunc(p);
        const uint32_t weight =
            std::min(unit, static_cast<uint32_t>(std::max(0.0, (1.0 - (p - whole)) * unit)));
        const int64_t index = static_cast<int64_t>(whole);
        Tap& tap = taps[static_cast<size_t>(i)];
        tap.mIndex = ClampIndex(index, first, end - 1) - first;
        tap.mNext = ClampIndex(index + 1, first, end - 1) - first;
        tap.mWeight = weight;
        tap.mWeightNext = unit - weight;
    }
}

void SmoothResampler::PlanMinify(double start, double extent, int32_t count, int32_t first,
                                 int32_t end, uint32_t unit, std::vector<Tap>& taps) {
    // Source pixel k covers the destination positions [k - start, + 1) * scale,
    // moved one cell right so that a partly covered first cell has room.
    const double scale = count / extent;
    taps.resize(static_cast<size_t>(end - first));
    for (int32_t k = first; k < end; ++k) {
        const double from = (k - start) * scale + 1.0;
        const double to = from + scale;
        const double cell = std::floor(from);
        Tap& tap = taps[static_cast<size_t>(k - first)];
        tap.mIndex = ClampIndex(static_cast<int64_t>(cell), 0, count + 2);
        if (to <= cell + 1.0) {
            tap.mWeight = static_cast<uint32_t>(scale * unit);
            tap.mWeightNext = 0;
        } else {
            tap.mWeight = static_cast<uint32_t>((cell + 1.0 - from) * unit);
            tap.mWeightNext = static_cast<uint32_t>((to - (cell + 1.0)) * unit);
        }
    }
}

bool SmoothResampler::Begin(MemoryImage& source, const Rect& bounds, const FRect& area,
                            int32_t width, int32_t height) {
    return Begin(source, bounds, area, width, height, Rect(0, 0, width, height));
}

bool SmoothResampler::Begin(MemoryImage& source, const Rect& bounds, const FRect& area,
                            int32_t width, int32_t height, const Rect& window) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || window.mWidth <= 0 ||
        window.mHeight <= 0 || window.mX < 0 || window.mY < 0 ||
        window.mX > width - window.mWidth || window.mY > height - window.mHeight) {
        return false;
    }
    if (!std::isfinite(area.mX) || !std::isfinite(area.mY) || !std::isfinite(area.mWidth) ||
        !std::isfinite(area.mHeight) || !(area.mWidth > 0.0) || !(area.mHeight > 0.0) ||
        std::fabs(area.mX) > kMaxCoordinate || std::fabs(area.mY) > kMaxCoordinate ||
        area.mWidth > kMaxCoordinate || area.mHeight > kMaxCoordinate) {
        return false;
    }
    const Rect limit = SafeIntersection(bounds, Rect(0, 0, source.mWidth, source.mHeight));
    const int64_t left = std::max<int64_t>(static_cast<int64_t>(std::floor(area.mX)), limit.mX);
    const int64_t top = std::max<int64_t>(static_cast<int64_t>(std::floor(area.mY)), limit.mY);
    const int64_t right = std::min<int64_t>(static_cast<int64_t>(std::ceil(area.mX + area.mWidth)),
                                            int64_t{limit.mX} + limit.mWidth);
    const int64_t bottom = std::min<int64_t>(
        static_cast<int64_t>(std::ceil(area.mY + area.mHeight)), int64_t{limit.mY} + limit.mHeight);
    if (right <= left || bottom <= top) {
        return false;
    }
    mLeft = static_cast<int32_t>(left);
    mTop = static_cast<int32_t>(top);
    mColumns = static_cast<int32_t>(right - left);
    mRows = static_cast<int32_t>(bottom - top);
    mWidth = window.mWidth;
    mHeight = window.mHeight;

    mBits = nullptr;
    mIndices = nullptr;
    mPalette = nullptr;
    if (source.mPalette && source.mPaletteIndices) {
        mIndices = source.mPaletteIndices.get();
        mPalette = source.mPalette.get();
    } else {
        mBits = source.GetBits();
        if (mBits == nullptr) {
            return false;
        }
    }
    mStride = source.mWidth;

    // An axis whose destination is no smaller than its source interpolates;
    // a smaller one averages (each source pixel then covers less than a cell).
    mMagnifyX = width >= mColumns || width >= area.mWidth;
    mMagnifyY = height >= mRows || height >= area.mHeight;
    if (mMagnifyX) {
        mTapsX.resize(static_cast<size_t>(mWidth));
        PlanMagnify(area.mX, area.mWidth, width, window.mX, mLeft, mLeft + mColumns, 257, mTapsX);
#if defined(VESK_PIXEL_SSE2)
        // Per group of four cells: the first and second weights of cells 0
        // and 1, then of cells 2 and 3, each repeated over a cell's 4 lanes.
        mPairWeights.assign(Padded(mWidth) * 8, 0);
        for (size_t i = 0; i < static_cast<size_t>(mWidth); ++i) {
            uint16_t* group = mPairWeights.data() + (i / kGroup) * 32 + (i % kGroup / 2) * 16;
            const size_t lane = (i % 2) * 4;
            for (size_t k = 0; k < 4; ++k) {
                group[lane + k] = static_cast<uint16_t>(mTapsX[i].mWeight);
                group[8 + lane + k] = static_cast<uint16_t>(mTapsX[i].mWeightNext);
            }
        }
#endif
    } else {
        PlanMinify(area.mX, area.mWidth, width, mLeft, mLeft + mColumns, 257, mTapsX);
        // Only the source columns reaching the window's cells (window x + 1 on) are read; the
        // cells are counted from the window's.
        size_t firstTap = 0;
        while (firstTap < mTapsX.size() && mTapsX[firstTap].mIndex < window.mX) {
            ++firstTap;
        }
        size_t endTap = firstTap;
        while (endTap < mTapsX.size() && mTapsX[endTap].mIndex <= window.mX + mWidth) {
            mTapsX[endTap++].mIndex -= window.mX;
        }
        mTapsX.erase(mTapsX.begin() + static_cast<ptrdiff_t>(endTap), mTapsX.end());
        mTapsX.erase(mTapsX.begin(), mTapsX.begin() + static_cast<ptrdiff_t>(firstTap));
        mLeft += static_cast<int32_t>(firstTap);
        mColumns = static_cast<int32_t>(mTapsX.size());
#if defined(VESK_PIXEL_SSE2)
        // Per source column: its first weight over 4 lanes, then its second.
        mPairWeights.assign(static_cast<size_t>(mColumns) * 8, 0);
        for (size_t k = 0; k < static_cast<size_t>(mColumns); ++k) {
            for (size_t lane = 0; lane < 4; ++lane) {
                mPairWeights[k * 8 + lane] = static_cast<uint16_t>(mTapsX[k].mWeight);
                mPairWeights[k * 8 + 4 + lane] = static_cast<uint16_t>(mTapsX[k].mWeightNext);
            }
        }
#else
        mAccRB.assign(static_cast<size_t>(mWidth) + 4, 0);
        mAccAG.assign(static_cast<size_t>(mWidth) + 4, 0);
#endif
    }
    if (mMagnifyY) {
        mTapsY.resize(static_cast<size_t>(mHeight));
        PlanMagnify(area.mY, area.mHeight, height, window.mY, mTop, mTop + mRows, 256, mTapsY);
    } else {
        // Cells counted from the window's; rows whose cells lie above it are passed over.
        PlanMinify(area.mY, area.mHeight, height, mTop, mTop + mRows, 256, mTapsY);
        for (Tap& tap : mTapsY) {
            tap.mIndex -= window.mY;
        }
    }

    mPadded = Padded(mWidth);
    mRowPixels.resize(mPalette != nullptr ? static_cast<size_t>(mColumns) : 0);
    for (Lanes& cache : mCache) {
        cache.Reset(mPadded);
    }
    mCachedRow[0] = -1;
    mCachedRow[1] = -1;
    mSum.Reset(2 * mPadded);
    mCarry.Reset(2 * mPadded);
    mHasCarry = false;
    mNextSourceTap = 0;
    mOut.assign(mPadded, 0);
    mRow = 0;
    return true;
}

const uint32_t* SmoothResampler::SourceRow(int32_t row) {
    const size_t offset =
        static_cast<size_t>(mTop + row) * static_cast<size_t>(mStride) + static_cast<size_t>(mLeft);
    if (mPalette == nullptr) {
        return mBits + offset;
    }
    const uint8_t* indices = mIndices + offset;
    const uint32_t* palette = mPalette;
    uint32_t* pixels = mRowPixels.data();
    const int32_t columns = mColumns;
    for (int32_t i = 0; i < columns; ++i) {
        pixels[i] = palette[indices[i]];
    }
    return pixels;
}

void SmoothResampler::FilterRow(int32_t row, Lanes& out) {
    const uint32_t* src = SourceRow(row);
    uint32_t* outRB = out.mRB.data();
    uint32_t* outAG = out.mAG.data();
    const int32_t width = mWidth;
    const Tap* taps = mTapsX.data();
    if (mMagnifyX) {
        int32_t i = 0;
#if defined(VESK_PIXEL_SSE2)
        // Four cells at a time: each 16-bit lane c0 * w + c1 * (257 - w)
        // stays within 255 * 257, as in the pairs below.
        const __m128i* weights = reinterpret_cast<const __m128i*>(mPairWeights.data());
        for (; i + 3 < width; i += 4, weights += 4) {
            using namespace PixelSimd;
            const __m128i p0 = Gather4(src[taps[i].mIndex], src[taps[i + 1].mIndex],
                                       src[taps[i + 2].mIndex], src[taps[i + 3].mIndex]);
            const __m128i p1 = Gather4(src[taps[i].mNext], src[taps[i + 1].mNext],
                                       src[taps[i + 2].mNext], src[taps[i + 3].mNext]);
            const __m128i low =
                _mm_add_epi16(_mm_mullo_epi16(WidenLow(p0), _mm_loadu_si128(weights)),
                              _mm_mullo_epi16(WidenLow(p1), _mm_loadu_si128(weights + 1)));
            const __m128i high =
                _mm_add_epi16(_mm_mullo_epi16(WidenHigh(p0), _mm_loadu_si128(weights + 2)),
                              _mm_mullo_epi16(WidenHigh(p1), _mm_loadu_si128(weights + 3)));
            // Lanes blue, green, red, alpha become the pairs (blue, red) and
            // (green, alpha).
            const auto order = [](__m128i v) {
                return _mm_castsi128_ps(_mm_shufflehi_epi16(
                    _mm_shufflelo_epi16(v, _MM_SHUFFLE(3, 1, 2, 0)), _MM_SHUFFLE(3, 1, 2, 0)));
            };
            const __m128 lo = order(low);
            const __m128 hi = order(high);
            Store4(outRB + i, _mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0))));
            Store4(outAG + i, _mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1))));
        }
#endif
        for (; i < width; ++i) {
            const Tap& tap = taps[i];
            const uint32_t p0 = src[tap.mIndex];
            const uint32_t p1 = src[tap.mNext];
            // Weights sum to 257, so each 16-bit lane stays within 255 * 257 = 65535.
            const uint32_t rb = (p0 & kRB) * tap.mWeight + (p1 & kRB) * tap.mWeightNext;
            const uint32_t ag =
                ((p0 >> 8) & kRB) * tap.mWeight + ((p1 >> 8) & kRB) * tap.mWeightNext;
            outRB[i] = rb;
            outAG[i] = ag;
        }
        return;
    }
#if defined(VESK_PIXEL_SSE2)
    {
        // The cells are visited left to right (a source pixel starts in the
        // cell of its predecessor or the next one), so the two cells being
        // gathered stay in one register, [cell | cell + 1], 16-bit lanes blue,
        // green, red, alpha; a finished cell is written out once. Cells 1 to
        // width are the row; cells no pixel reaches stay 0.
        using namespace PixelSimd;
        std::fill_n(outRB, width, 0u);
        std::fill_n(outAG, width, 0u);
        const auto flush = [&](int32_t cell, __m128i lanes) {
            if (cell >= 1 && cell <= width) {
                // (blue, red) and (green, alpha) pairs of the cell's 16-bit sums.
                const auto pairs = static_cast<uint64_t>(
                    _mm_cvtsi128_si64(_mm_shufflelo_epi16(lanes, _MM_SHUFFLE(3, 1, 2, 0))));
                outRB[cell - 1] = static_cast<uint32_t>(pairs);
                outAG[cell - 1] = static_cast<uint32_t>(pairs >> 32);
            }
        };
        const __m128i* weights = reinterpret_cast<const __m128i*>(mPairWeights.data());
        const int32_t columns = mColumns;
        int32_t cell = columns > 0 ? taps[0].mIndex : 0;
        __m128i acc = _mm_setzero_si128();
        for (int32_t k = 0; k < columns; ++k) {
            const int32_t index = taps[k].mIndex;
            if (index != cell) {
                flush(cell, acc);
                if (index == cell + 1) {
                    acc = _mm_srli_si128(acc, 8);
                } else {
                    flush(cell + 1, _mm_srli_si128(acc, 8));
                    acc = _mm_setzero_si128();
                }
                cell = index;
            }
            const __m128i p = WidenLow(_mm_cvtsi32_si128(static_cast<int32_t>(src[k])));
            // Weights reaching a cell add up to 257 at most: 16-bit lanes hold.
            acc = _mm_add_epi16(
                acc, _mm_mullo_epi16(_mm_unpacklo_epi64(p, p), _mm_loadu_si128(weights + k)));
        }
        flush(cell, acc);
        flush(cell + 1, _mm_srli_si128(acc, 8));
        return;
    }
#endif
    std::fill(mAccRB.begin(), mAccRB.end(), 0u);
    std::fill(mAccAG.begin(), mAccAG.end(), 0u);
    uint32_t* accRB = mAccRB.data();
    uint32_t* accAG = mAccAG.data();
    const int32_t columns = mColumns;
    for (int32_t k = 0; k < columns; ++k) {
        const Tap& tap = taps[k];
        const uint32_t p = src[k];
        const uint32_t rb = p & kRB;
        const uint32_t ag = (p >> 8) & kRB;
        // A cell's weights add up to 257 at most: its lanes stay in 16 bits.
        accRB[tap.mIndex] += rb * tap.mWeight;
        accAG[tap.mIndex] += ag * tap.mWeight;
        accRB[tap.mIndex + 1] += rb * tap.mWeightNext;
        accAG[tap.mIndex + 1] += ag * tap.mWeightNext;
    }
    for (int32_t i = 0; i < width; ++i) {
        outRB[i] = accRB[i + 1];
        outAG[i] = accAG[i + 1];
    }
}

void SmoothResampler::MagnifiedRow() {
    const Tap& tap = mTapsY[static_cast<size_t>(mRow)];
    // Two cached rows; rows only move downwards, so each is filtered once.
    int slot0 = mCachedRow[0] == tap.mIndex ? 0 : (mCachedRow[1] == tap.mIndex ? 1 : -1);
    int slot1 = mCachedRow[0] == tap.mNext ? 0 : (mCachedRow[1] == tap.mNext ? 1 : -1);
    if (slot0 < 0) {
        slot0 = slot1 == 0 ? 1 : 0;
        FilterRow(tap.mIndex, mCache[slot0]);
        mCachedRow[slot0] = tap.mIndex;
        if (tap.mNext == tap.mIndex) {
            slot1 = slot0;
        }
    }
    if (slot1 < 0) {
        slot1 = 1 - slot0;
        FilterRow(tap.mNext, mCache[slot1]);
        mCachedRow[slot1] = tap.mNext;
    }
    const uint32_t* upperRB = mCache[slot0].mRB.data();
    const uint32_t* upperAG = mCache[slot0].mAG.data();
    const uint32_t* lowerRB = mCache[slot1].mRB.data();
    const uint32_t* lowerAG = mCache[slot1].mAG.data();
    uint32_t* out = mOut.data();
    // The sums reach 65535 * 256, past 16 bits: each channel takes a 32-bit lane here.
#if defined(VESK_PIXEL_SSE2)
    using namespace PixelSimd;
    const uint32_t weightPair = tap.mWeight | tap.mWeightNext << 16;
    const uint32_t bias = 32768 * (tap.mWeight + tap.mWeightNext);
    size_t i = 0;
    if (HasAvx2()) {
        i = MixRowPairAvx2(out, upperRB, lowerRB, upperAG, lowerAG, weightPair, bias, mPadded);
    }
    const __m128i weights = _mm_set1_epi32(static_cast<int32_t>(weightPair));
    const __m128i offset = _mm_set1_epi32(static_cast<int32_t>(bias));
    for (; i < mPadded; i += kGroup) {
        const __m128i rb = MixRows(Load4(upperRB + i), Load4(lowerRB + i), weights, offset);
        const __m128i ag = MixRows(Load4(upperAG + i), Load4(lowerAG + i), weights, offset);
        Store4(out + i, _mm_or_si128(rb, _mm_slli_epi16(ag, 8)));
    }
#else
    for (size_t i = 0; i < mPadded; ++i) {
        out[i] = MixWords(upperRB[i], lowerRB[i], tap.mWeight, tap.mWeightNext) |
                 MixWords(upperAG[i], lowerAG[i], tap.mWeight, tap.mWeightNext) << 8;
    }
#endif
}

namespace {

// sum += row * weight over count cells: each 16-bit lane of the row adds to its own 32-bit
// lane of the sum (two per cell, in the row's order).
void AddWeighted(uint32_t* sum, const uint32_t* row, uint32_t weight, size_t count) {
#if defined(VESK_PIXEL_SSE2)
    using namespace PixelSimd;
    const __m128i w = _mm_set1_epi16(static_cast<int16_t>(weight));
    for (size_t i = 0; i < count; i += kGroup) {
        const __m128i v = Load4(row + i);
        const __m128i low = _mm_mullo_epi16(v, w);
        const __m128i high = _mm_mulhi_epu16(v, w);
        Store4(sum + 2 * i, _mm_add_epi32(Load4(sum + 2 * i), _mm_unpacklo_epi16(low, high)));
        Store4(sum + 2 * i + 4,
               _mm_add_epi32(Load4(sum + 2 * i + 4), _mm_unpackhi_epi16(low, high)));
    }
#else
    for (size_t i = 0; i < count; ++i) {
        sum[2 * i] += (row[i] & 0xFFFF) * weight;
        sum[2 * i + 1] += (row[i] >> 16) * weight;
    }
#endif
}

}  // namespace

void SmoothResampler::MinifiedRow() {
    // Destination row r is cell r + 1. It gathers the source rows that start
    // in it and the far part of the one row that started in the cell above;
    // the weights reaching one cell add up to 256 at most.
    const int32_t cell = mRow + 1;
    const size_t count = mPadded;
    if (mHasCarry) {
        std::swap(mSum, mCarry);
    } else {
        std::fill(mSum.mRB.begin(), mSum.mRB.end(), 0u);
        std::fill(mSum.mAG.begin(), mSum.mAG.end(), 0u);
    }
    std::fill(mCarry.mRB.begin(), mCarry.mRB.end(), 0u);
    std::fill(mCarry.mAG.begin(), mCarry.mAG.end(), 0u);
    mHasCarry = false;
    Lanes& row = mCache[0];
    while (mNextSourceTap < mTapsY.size() && mTapsY[mNextSourceTap].mIndex <= cell) {
        const int32_t source = static_cast<int32_t>(mNextSourceTap);
        const Tap& tap = mTapsY[mNextSourceTap];
        ++mNextSourceTap;
        if (tap.mIndex < cell) {
            if (tap.mIndex == cell - 1 && tap.mWeightNext > 0) {
                FilterRow(source, row);
                AddWeighted(mSum.mRB.data(), row.mRB.data(), tap.mWeightNext, count);
                AddWeighted(mSum.mAG.data(), row.mAG.data(), tap.mWeightNext, count);
            }
            continue;
        }
        FilterRow(source, row);
        AddWeighted(mSum.mRB.data(), row.mRB.data(), tap.mWeight, count);
        AddWeighted(mSum.mAG.data(), row.mAG.data(), tap.mWeight, count);
        if (tap.mWeightNext > 0) {
            AddWeighted(mCarry.mRB.data(), row.mRB.data(), tap.mWeightNext, count);
            AddWeighted(mCarry.mAG.data(), row.mAG.data(), tap.mWeightNext, count);
            mHasCarry = true;
        }
    }
    const uint32_t* rb = mSum.mRB.data();
    const uint32_t* ag = mSum.mAG.data();
    uint32_t* out = mOut.data();
#if defined(VESK_PIXEL_SSE2)
    using namespace PixelSimd;
    for (size_t i = 0; i < count; i += kGroup) {
        Store4(out + i,
               _mm_or_si128(UpperHalves(rb + 2 * i), _mm_slli_epi16(UpperHalves(ag + 2 * i), 8)));
    }
#else
    for (size_t i = 0; i < count; ++i) {
        out[i] = (rb[2 * i] >> 16) | (ag[2 * i] >> 16) << 8 | (rb[2 * i + 1] >> 16) << 16 |
                 (ag[2 * i + 1] >> 16) << 24;
    }
#endif
}

const uint32_t* SmoothResampler::NextRow() {
    if (mRow >= mHeight) {
        return nullptr;
    }
    if (mMagnifyY) {
        MagnifiedRow();
    } else {
        MinifiedRow();
    }
    ++mRow;
    return mOut.data();
}

bool SmoothResampler::Resample(MemoryImage& source, const Rect& bounds, const FRect& area,
                               uint32_t* out, int32_t outStride, int32_t width, int32_t height) {
    if (out == nullptr || outStride < width) {
        return false;
    }
    SmoothResampler resampler;
    if (!resampler.Begin(source, bounds, area, width, height)) {
        return false;
    }
    for (int32_t y = 0; y < height; ++y) {
        std::copy_n(resampler.NextRow(), width,
                    out + static_cast<size_t>(y) * static_cast<size_t>(outStride));
    }
    return true;
}

}  // namespace Vesk
