#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace Vesk {

// A water ripple over a square patch of pixels: two pages of integer heights, a drop at the
// centre, and a distortion of a copied patch by the slopes of the heights.
class CRipple {
public:
    static constexpr int kSize = 200;
    static constexpr int kCells = kSize * kSize;
    static constexpr int kDropRadius = 25;
    static constexpr int32_t kDropDepth = 500;
    // Fewer displaced cells than this end the ripple.
    static constexpr int kMinDisplaced = 20;

    CRipple();

    // Clears both pages and drops at the centre; the ripple runs from here.
    void Drop();
    // One step of the wave equation; nothing while idle.
    void Step();
    // Writes the distorted patch from the source patch (both kSize x kSize ARGB pixels, rows
    // top to bottom). Unless displaced, a pixel keeps the source's. Ends the ripple when it
    // has calmed; answers the displaced cells.
    int Render(const uint32_t* source, uint32_t* patch);

    bool IsIdle() const { return mIdle; }
    int32_t Height(int page, int x, int y) const { return mMaps[page][y * kSize + x]; }
    int Page() const { return mPage; }

private:
    std::array<std::vector<int32_t>, 2> mMaps;
    int mPage = 0;
    bool mIdle = true;
};

}  // namespace Vesk
