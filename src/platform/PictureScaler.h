#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/PictureFit.h"
#include "platform/PixelOps.h"

namespace platform {

// Shows a picture at another size with bilinear filtering, a changed rectangle at a time.
// The sample positions of every row and column are worked out once per fit, so no pixel
// costs a division. Not thread-safe: one owner at a time.
class PictureScaler {
public:
    // The part of the fitted picture, in area pixels, that a change of `changed` (picture
    // pixels) alters; empty when the change lies outside the picture.
    [[nodiscard]] SurfaceRect AreaChangedBy(const PictureFit& fit, const SurfaceRect& changed);

    // Writes `area` (from AreaChangedBy, in area pixels inside the fit) as 0xFFRRGGBB rows of
    // area.Width() pixels, outStride pixels apart. The picture is fit.pictureWidth by
    // fit.pictureHeight pixels of `format`.
    void Scale(const PictureFit& fit, const PixelView& picture, const PixelFormat& format,
               const SurfaceRect& area, uint32_t* out, size_t outStride);

private:
    struct Sample {
        int32_t first = 0;    // the left (upper) source pixel
        int32_t second = 0;   // the right (lower) one, the same at the edge
        uint32_t weight = 0;  // of the second, 0 to 256
    };

    void Prepare(const PictureFit& fit);
    // Area pixel i of `shown` samples the source at (i + 0.5) * source / shown - 0.5.
    static void MakeSamples(int32_t shown, int32_t source, std::vector<Sample>& out);
    // Source row `row` filtered across the columns of `area`, cached for the next area row.
    const uint32_t* ScaledRow(const PixelView& picture, const PixelFormat& format, int32_t row,
                              const SurfaceRect& area, int slot);

    PictureFit mFit;
    std::vector<Sample> mColumns;  // per area column of the fit
    std::vector<Sample> mRows;     // per area row of the fit
    std::vector<uint32_t> mSourceRow;
    std::vector<uint32_t> mScaled[2];
    int32_t mScaledRow[2] = {-1, -1};
};

}  // namespace platform
