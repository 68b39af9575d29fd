#include "platform/PictureScaler.h"

#include <algorithm>

namespace platform {

namespace {

// (256 - weight) of a and weight of b, per channel; weight 0 to 256.
inline uint32_t Mix(uint32_t a, uint32_t b, uint32_t weight) {
    const uint32_t keep = 256 - weight;
    const uint32_t rb = ((a & 0xFF00FFu) * keep + (b & 0xFF00FFu) * weight) >> 8;
    const uint32_t g = ((a & 0x00FF00u) * keep + (b & 0x00FF00u) * weight) >> 8;
    return 0xFF000000u | (rb & 0xFF00FFu) | (g & 0x00FF00u);
}

// a * b / c rounded down, for the non-negative values of an area.
int32_t MulDiv(int64_t a, int64_t b, int64_t c) {
    return static_cast<int32_t>(a * b / c);
}

}  // namespace

void PictureScaler::MakeSamples(int32_t shown, int32_t source, std::vector<Sample>& out) {
    out.resize(static_cast<size_t>(shown));
    for (int32_t i = 0; i < shown; ++i) {
        // In 1/256 pixels: ((2i + 1) * source * 256) / (2 * shown) - 128.
        const int64_t at = (int64_t{2} * i + 1) * source * 256 / (int64_t{2} * shown) - 128;
        Sample& sample = out[static_cast<size_t>(i)];
        if (at <= 0) {
            sample = {0, 0, 0};
        } else {
            const int32_t first = static_cast<int32_t>(at >> 8);
            if (first >= source - 1) {
                sample = {source - 1, source - 1, 0};
            } else {
                sample = {first, first + 1, static_cast<uint32_t>(at & 255)};
            }
        }
    }
}

void PictureScaler::Prepare(const PictureFit& fit) {
    if (fit == mFit) {
        return;
    }
    mFit = fit;
    MakeSamples(fit.width, fit.pictureWidth, mColumns);
    MakeSamples(fit.height, fit.pictureHeight, mRows);
    mScaledRow[0] = mScaledRow[1] = -1;
}

SurfaceRect PictureScaler::AreaChangedBy(const PictureFit& fit, const SurfaceRect& changed) {
    if (fit.Empty()) {
        return {};
    }
    const int32_t left = std::max(changed.left, 0);
    const int32_t top = std::max(changed.top, 0);
    const int32_t right = std::min(changed.right, fit.pictureWidth);
    const int32_t bottom = std::min(changed.bottom, fit.pictureHeight);
    if (right <= left || bottom <= top) {
        return {};
    }
    // One area pixel more on each side: a filtered pixel also reads its neighbours.
    SurfaceRect area;
    area.left = std::max(MulDiv(left, fit.width, fit.pictureWidth) - 1, 0);
    area.top = std::max(MulDiv(top, fit.height, fit.pictureHeight) - 1, 0);
    area.right = std::min(MulDiv(right, fit.width, fit.pictureWidth) + 2, fit.width);
    area.bottom = std::min(MulDiv(bottom, fit.height, fit.pictureHeight) + 2, fit.height);
    return {area.left + fit.x, area.top + fit.y, area.right + fit.x, area.bottom + fit.y};
}

const uint32_t* PictureScaler::ScaledRow(const PixelView& picture, const PixelFormat& format,
                                         int32_t row, const SurfaceRect& area, int slot) {
    std::vector<uint32_t>& scaled = mScaled[slot];
    const int32_t width = area.Width();
    if (mScaledRow[slot] == row && scaled.size() == static_cast<size_t>(width)) {
        return scaled.data();
    }
    const Sample& firstColumn = mColumns[static_cast<size_t>(area.left)];
    const Sample& lastColumn = mColumns[static_cast<size_t>(area.right - 1)];
    const int32_t from = firstColumn.first;
    const int32_t to = lastColumn.second + 1;
    const uint32_t* source = nullptr;
    if (format == PixelFormat::Xrgb8888()) {
        source = reinterpret_cast<const uint32_t*>(picture.bits +
                                                   static_cast<ptrdiff_t>(row) * picture.pitch) +
                 from;
    } else {
        mSourceRow.resize(static_cast<size_t>(to - from));
        ConvertToArgb(picture, format, SurfaceRect{from, row, to, row + 1}, mSourceRow.data(),
                      mSourceRow.size());
        source = mSourceRow.data();
    }
    scaled.resize(static_cast<size_t>(width));
    for (int32_t x = 0; x < width; ++x) {
        const Sample& column = mColumns[static_cast<size_t>(area.left + x)];
        scaled[static_cast<size_t>(x)] =
            Mix(source[column.first - from], source[column.second - from], column.weight);
    }
    mScaledRow[slot] = row;
    return scaled.data();
}

void PictureScaler::Scale(const PictureFit& fit, const PixelView& picture,
                          const PixelFormat& format, const SurfaceRect& shownArea, uint32_t* out,
                          size_t outStride) {
    if (fit.Empty() || shownArea.Width() <= 0 || shownArea.Height() <= 0) {
        return;
    }
    Prepare(fit);
    // In the fit's own pixels from here on.
    const SurfaceRect area{shownArea.left - fit.x, shownArea.top - fit.y, shownArea.right - fit.x,
                           shownArea.bottom - fit.y};
    // Cached rows belong to one column range only.
    mScaledRow[0] = mScaledRow[1] = -1;
    const int32_t width = area.Width();
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const Sample& sample = mRows[static_cast<size_t>(y)];
        // Keep the row cached in the slot that already holds it.
        const int upperSlot = mScaledRow[1] == sample.first ? 1 : 0;
        const uint32_t* upper = ScaledRow(picture, format, sample.first, area, upperSlot);
        uint32_t* row = out + static_cast<size_t>(y - area.top) * outStride;
        if (sample.weight == 0) {
            std::copy(upper, upper + width, row);
            continue;
        }
        const uint32_t* lower = ScaledRow(picture, format, sample.second, area, 1 - upperSlot);
        for (int32_t x = 0; x < width; ++x) {
            row[x] = Mix(upper[x], lower[x], sample.weight);
        }
    }
}

}  // namespace platform
