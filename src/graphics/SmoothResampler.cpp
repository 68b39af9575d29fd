#include "graphics/SmoothResampler.h"

#include <algorithm>
#include <cmath>

#include "graphics/MemoryImage.h"
#include "graphics/TransformMapping.h"

namespace Vesk {

namespace {

constexpr uint32_t kRB = 0x00FF00FF;
// Far beyond any picture; keeps the doubles' conversions defined.
constexpr double kMaxCoordinate = 1.0e9;
constexpr int32_t kMaxSide = 1 << 16;

// Two 16-bit lanes (high, low) spread into two 32-bit lanes.
inline uint64_t Spread(uint32_t lanes) {
    return (static_cast<uint64_t>(lanes >> 16) << 32) | (lanes & 0xFFFF);
}

inline int32_t ClampIndex(int64_t value, int32_t lo, int32_t hi) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, lo, hi));
}

}  // namespace

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
    const int64_t right = std::min<int64_t>(
        static_cast<int64_t>(std::ceil(area.mX + area.mWidth)), int64_t{limit.mX} + limit.mWidth);
    const int64_t bottom =
        std::min<int64_t>(static_cast<int64_t>(std::ceil(area.mY + area.mHeight)),
                          int64_t{limit.mY} + limit.mHeight);
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
    } else {
        PlanMinify(area.mX, area.mWidth, width, mLeft, mLeft + mColumns, 257, mTapsX);
        mAccRB.assign(static_cast<size_t>(width) + 4, 0);
        mAccAG.assign(static_cast<size_t>(width) + 4, 0);
    }
    if (mMagnifyY) {
        PlanMagnify(area.mY, area.mHeight, height, mTop, mTop + mRows, 256, mTapsY);
    } else {
        PlanMinify(area.mY, area.mHeight, height, mTop, mTop + mRows, 256, mTapsY);
    }

    const size_t cells = static_cast<size_t>(width) + 4;
    mRowPixels.resize(mPalette != nullptr ? static_cast<size_t>(mColumns) : 0);
    for (auto& cache : mCache) {
        cache.assign(cells, Cell{});
    }
    mCachedRow[0] = -1;
    mCachedRow[1] = -1;
    mSum.assign(cells, Cell{});
    mCarry.assign(cells, Cell{});
    mHasCarry = false;
    mNextSourceTap = 0;
    mOut.assign(static_cast<size_t>(width), 0);
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
    for (int32_t i = 0; i < mColumns; ++i) {
        mRowPixels[static_cast<size_t>(i)] = mPalette[indices[i]];
    }
    return mRowPixels.data();
}

const SmoothResampler::Cell* SmoothResampler::FilterRow(int32_t row, std::vector<Cell>& cells) {
    const uint32_t* src = SourceRow(row);
    Cell* out = cells.data();
    if (mMagnifyX) {
        for (int32_t i = 0; i < mWidth; ++i) {
            const Tap& tap = mTapsX[static_cast<size_t>(i)];
            const uint32_t p0 = src[tap.mIndex];
            const uint32_t p1 = src[tap.mNext];
            // Weights sum to 257, so each 16-bit lane stays within 255 * 257.
            const uint32_t rb = (p0 & kRB) * tap.mWeight + (p1 & kRB) * tap.mWeightNext;
            const uint32_t ag =
                ((p0 >> 8) & kRB) * tap.mWeight + ((p1 >> 8) & kRB) * tap.mWeightNext;
            out[i].mRB = Spread(rb);
            out[i].mAG = Spread(ag);
        }
        return out;
    }
    std::fill(mAccRB.begin(), mAccRB.end(), 0u);
    std::fill(mAccAG.begin(), mAccAG.end(), 0u);
    uint32_t* accRB = mAccRB.data();
    uint32_t* accAG = mAccAG.data();
    for (int32_t k = 0; k < mColumns; ++k) {
        const Tap& tap = mTapsX[static_cast<size_t>(k)];
        const uint32_t p = src[k];
        const uint32_t rb = p & kRB;
        const uint32_t ag = (p >> 8) & kRB;
        accRB[tap.mIndex] += rb * tap.mWeight;
        accAG[tap.mIndex] += ag * tap.mWeight;
        accRB[tap.mIndex + 1] += rb * tap.mWeightNext;
        accAG[tap.mIndex + 1] += ag * tap.mWeightNext;
    }
    for (int32_t i = 0; i < mWidth; ++i) {
        out[i].mRB = Spread(accRB[i + 1]);
        out[i].mAG = Spread(accAG[i + 1]);
    }
    return out;
}

void SmoothResampler::Emit(const Cell* cells) {
    for (int32_t i = 0; i < mWidth; ++i) {
        const uint64_t rb = cells[i].mRB;
        const uint64_t ag = cells[i].mAG;
        // Each lane holds channel * 257 * 256 at most: its bits 16..23 are F.
        mOut[static_cast<size_t>(i)] = (static_cast<uint32_t>((ag >> 48) & 0xFF) << 24) |
                                       (static_cast<uint32_t>((rb >> 48) & 0xFF) << 16) |
                                       (static_cast<uint32_t>((ag >> 16) & 0xFF) << 8) |
                                       static_cast<uint32_t>((rb >> 16) & 0xFF);
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
    const Cell* upper = mCache[slot0].data();
    const Cell* lower = mCache[slot1].data();
    const uint64_t w0 = tap.mWeight;
    const uint64_t w1 = tap.mWeightNext;
    Cell* sum = mSum.data();
    for (int32_t i = 0; i < mWidth; ++i) {
        sum[i].mRB = upper[i].mRB * w0 + lower[i].mRB * w1;
        sum[i].mAG = upper[i].mAG * w0 + lower[i].mAG * w1;
    }
}

void SmoothResampler::MinifiedRow() {
    // Destination row r is cell r + 1. It gathers the source rows that start
    // in it and the far part of the one row that started in the cell above.
    const int32_t cell = mRow + 1;
    Cell* sum = mSum.data();
    if (mHasCarry) {
        std::copy_n(mCarry.data(), mWidth, sum);
    } else {
        std::fill_n(sum, mWidth, Cell{});
    }
    std::fill_n(mCarry.data(), mWidth, Cell{});
    mHasCarry = false;
    while (mNextSourceTap < mTapsY.size() && mTapsY[mNextSourceTap].mIndex <= cell) {
        const int32_t row = static_cast<int32_t>(mNextSourceTap);
        const Tap& tap = mTapsY[mNextSourceTap];
        ++mNextSourceTap;
        if (tap.mIndex < cell) {
            if (tap.mIndex == cell - 1 && tap.mWeightNext > 0) {
                const Cell* h = FilterRow(row, mCache[0]);
                const uint64_t w = tap.mWeightNext;
                for (int32_t i = 0; i < mWidth; ++i) {
                    sum[i].mRB += h[i].mRB * w;
                    sum[i].mAG += h[i].mAG * w;
                }
            }
            continue;
        }
        const Cell* h = FilterRow(row, mCache[0]);
        const uint64_t w0 = tap.mWeight;
        const uint64_t w1 = tap.mWeightNext;
        for (int32_t i = 0; i < mWidth; ++i) {
            sum[i].mRB += h[i].mRB * w0;
            sum[i].mAG += h[i].mAG * w0;
        }
        if (w1 > 0) {
            Cell* carry = mCarry.data();
            for (int32_t i = 0; i < mWidth; ++i) {
                carry[i].mRB += h[i].mRB * w1;
                carry[i].mAG += h[i].mAG * w1;
            }
            mHasCarry = true;
        }
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
    Emit(mSum.data());
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
