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

// Four cells at a time as eight 16-bit lanes; the compiler maps these onto
// the machine's vector unit (plain 16-bit multiplies, adds and shifts).
using Vec16 = uint16_t __attribute__((vector_size(16)));
constexpr size_t kGroup = 4;

inline Vec16 Load(const uint32_t* p) {
    Vec16 v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}

inline void Store(uint32_t* p, Vec16 v) {
    std::memcpy(p, &v, sizeof(v));
}

inline Vec16 Splat(uint32_t value) {
    const auto w = static_cast<uint16_t>(value);
    return Vec16{w, w, w, w, w, w, w, w};
}

// Lanes of 8-bit values weighted by weights adding up to 256 at most, taken
// back to 8 bits and packed as 0xAARRGGBB: red and blue are the high bytes of
// their lanes moved down, alpha and green the high bytes in place.
inline Vec16 Pack(Vec16 rb, Vec16 ag) {
    return (rb >> 8) | (ag & Splat(0xFF00));
}

size_t Padded(int32_t cells) {
    return (static_cast<size_t>(cells) + kGroup - 1) / kGroup * kGroup;
}

}  // namespace

void SmoothResampler::Lanes::Reset(size_t cells) {
    mRB.assign(cells, 0);
    mAG.assign(cells, 0);
}

void SmoothResampler::PlanMagnify(double start, double extent, int32_t count, int32_t first,
                                  int32_t end, uint32_t unit, std::vector<Tap>& taps) {
    const double step = count > 1 ? (extent - 1.0) / (count - 1) : extent;
    taps.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const double p = start + i * step;
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
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
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
    mWidth = width;
    mHeight = height;

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
        PlanMagnify(area.mX, area.mWidth, width, mLeft, mLeft + mColumns, 257, mTapsX);
#if defined(VESK_PIXEL_SSE2)
        // Per group of four cells: the first and second weights of cells 0
        // and 1, then of cells 2 and 3, each repeated over a cell's 4 lanes.
        mPairWeights.assign(Padded(width) * 8, 0);
        for (size_t i = 0; i < static_cast<size_t>(width); ++i) {
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
        mAccRB.assign(static_cast<size_t>(width) + 4, 0);
        mAccAG.assign(static_cast<size_t>(width) + 4, 0);
#endif
    }
    if (mMagnifyY) {
        PlanMagnify(area.mY, area.mHeight, height, mTop, mTop + mRows, 256, mTapsY);
    } else {
        PlanMinify(area.mY, area.mHeight, height, mTop, mTop + mRows, 256, mTapsY);
    }

    mPadded = Padded(width);
    mRowPixels.resize(mPalette != nullptr ? static_cast<size_t>(mColumns) : 0);
    for (Lanes& cache : mCache) {
        cache.Reset(mPadded);
    }
    mCachedRow[0] = -1;
    mCachedRow[1] = -1;
    mSum.Reset(mPadded);
    mCarry.Reset(mPadded);
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
            const __m128i low = _mm_srli_epi16(
                _mm_add_epi16(_mm_mullo_epi16(WidenLow(p0), _mm_loadu_si128(weights)),
                              _mm_mullo_epi16(WidenLow(p1), _mm_loadu_si128(weights + 1))),
                8);
            const __m128i high = _mm_srli_epi16(
                _mm_add_epi16(_mm_mullo_epi16(WidenHigh(p0), _mm_loadu_si128(weights + 2)),
                              _mm_mullo_epi16(WidenHigh(p1), _mm_loadu_si128(weights + 3))),
                8);
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
            // Weights sum to 257, so each 16-bit lane stays within 255 * 257.
            const uint32_t rb = (p0 & kRB) * tap.mWeight + (p1 & kRB) * tap.mWeightNext;
            const uint32_t ag =
                ((p0 >> 8) & kRB) * tap.mWeight + ((p1 >> 8) & kRB) * tap.mWeightNext;
            outRB[i] = (rb >> 8) & kRB;
            outAG[i] = (ag >> 8) & kRB;
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
                // (blue, red) and (green, alpha) pairs of the cell's 8-bit values.
                const auto pairs = static_cast<uint64_t>(_mm_cvtsi128_si64(
                    _mm_shufflelo_epi16(_mm_srli_epi16(lanes, 8), _MM_SHUFFLE(3, 1, 2, 0))));
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
        outRB[i] = (accRB[i + 1] >> 8) & kRB;
        outAG[i] = (accAG[i + 1] >> 8) & kRB;
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
    const Vec16 w0 = Splat(tap.mWeight);
    const Vec16 w1 = Splat(tap.mWeightNext);
    uint32_t* out = mOut.data();
    for (size_t i = 0; i < mPadded; i += kGroup) {
        const Vec16 rb = Load(upperRB + i) * w0 + Load(lowerRB + i) * w1;
        const Vec16 ag = Load(upperAG + i) * w0 + Load(lowerAG + i) * w1;
        Store(out + i, Pack(rb, ag));
    }
}

namespace {

// sum += row * weight, four cells at a time.
void AddWeighted(uint32_t* sum, const uint32_t* row, uint32_t weight, size_t count) {
    const Vec16 w = Splat(weight);
    for (size_t i = 0; i < count; i += kGroup) {
        Store(sum + i, Load(sum + i) + Load(row + i) * w);
    }
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
    for (size_t i = 0; i < count; i += kGroup) {
        Store(out + i, Pack(Load(rb + i), Load(ag + i)));
    }
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
