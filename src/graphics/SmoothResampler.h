#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/Rect.h"

namespace Vesk {

class MemoryImage;

// The smooth stretch's separable filter: a source area (doubles, whole-image
// coordinates) resampled to width x height, one row at a time. Magnifying
// axes interpolate linearly between neighbours, minifying ones average with a
// box filter; horizontal weights are 257ths, vertical ones 256ths. The
// horizontal sums (16 bits a channel) go whole into the vertical pass, whose
// 32-bit sums keep their upper 16 bits: nothing is rounded between the passes.
// Channels are
// filtered straight (not alpha-weighted), so each output pixel is the filtered
// colour F with the filtered alpha A, 0xAARRGGBB. A source holding a colour
// table is read through its table.
class SmoothResampler {
public:
    // bounds limits the pixels read (the source rectangle within the image);
    // the area is cut to its whole pixels inside it. False when nothing is
    // left to draw or the sizes are out of range. The source's pixels must not
    // change form (GetBits, SetBits) until the last row has been taken.
    bool Begin(MemoryImage& source, const Rect& bounds, const FRect& area, int32_t width,
               int32_t height);
    // Only the window's part of the width x height result, bit for bit as the whole result
    // has it there: the rows then hold window width pixels, and there are window height of
    // them. False also when the window is empty or not inside the result.
    bool Begin(MemoryImage& source, const Rect& bounds, const FRect& area, int32_t width,
               int32_t height, const Rect& window);

    // The next of the height rows: width pixels, valid until the next call.
    const uint32_t* NextRow();

    // Fills width x height pixels of out (rows outStride pixels apart) with the
    // resampled area; false (out untouched) when there is nothing to draw.
    static bool Resample(MemoryImage& source, const Rect& bounds, const FRect& area, uint32_t* out,
                         int32_t outStride, int32_t width, int32_t height);

private:
    // A row of cells with the channels in 16-bit lanes, red and blue in one
    // array, alpha and green in the other; between the passes each lane holds
    // a channel's horizontal sum. Padded with zeros to whole groups of four
    // cells. The vertical sums (mSum, mCarry) hold two 32-bit lanes a cell in
    // each array instead.
    struct Lanes {
        std::vector<uint32_t> mRB;
        std::vector<uint32_t> mAG;
        void Reset(size_t cells);
    };
    // Per destination position when magnifying (two neighbours, first weight),
    // per source position when minifying (first cell, two weights).
    struct Tap {
        int32_t mIndex = 0;
        int32_t mNext = 0;
        uint32_t mWeight = 0;
        uint32_t mWeightNext = 0;
    };

    // Taps of the count destination positions from..from + taps.size() - 1.
    static void PlanMagnify(double start, double extent, int32_t count, int32_t from, int32_t first,
                            int32_t end, uint32_t unit, std::vector<Tap>& taps);
    static void PlanMinify(double start, double extent, int32_t count, int32_t first, int32_t end,
                           uint32_t unit, std::vector<Tap>& taps);

    const uint32_t* SourceRow(int32_t row);
    // Horizontal pass of one area row, indexed by destination column.
    void FilterRow(int32_t row, Lanes& out);
    void MagnifiedRow();
    void MinifiedRow();

    const uint32_t* mBits = nullptr;
    const uint8_t* mIndices = nullptr;
    const uint32_t* mPalette = nullptr;
    int32_t mStride = 0;
    int32_t mLeft = 0;  // first column and row of the area
    int32_t mTop = 0;
    int32_t mColumns = 0;
    int32_t mRows = 0;
    int32_t mWidth = 0;  // of the window
    int32_t mHeight = 0;
    size_t mPadded = 0;  // mWidth rounded up to whole groups
    bool mMagnifyX = false;
    bool mMagnifyY = false;
    std::vector<Tap> mTapsX;
    // The horizontal taps' weights as 16-bit lanes for the vector pass of
    // FilterRow: per group of four cells when magnifying, per source column
    // when minifying.
    std::vector<uint16_t> mPairWeights;
    std::vector<Tap> mTapsY;
    std::vector<uint32_t> mRowPixels;
    std::vector<uint32_t> mAccRB;
    std::vector<uint32_t> mAccAG;
    Lanes mCache[2];
    int32_t mCachedRow[2] = {-1, -1};
    Lanes mSum;
    Lanes mCarry;
    bool mHasCarry = false;
    size_t mNextSourceTap = 0;
    std::vector<uint32_t> mOut;
    int32_t mRow = 0;
};

}  // namespace Vesk
