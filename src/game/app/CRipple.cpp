#include "game/app/CRipple.h"

#include <algorithm>
#include <cstring>

namespace Vesk {

CRipple::CRipple() {
    for (auto& map : mMaps) {
        map.assign(kCells, 0);
    }
}

void CRipple::Drop() {
    for (auto& map : mMaps) {
        std::fill(map.begin(), map.end(), 0);
    }
    const int centre = kSize / 2;
    std::vector<int32_t>& map = mMaps[static_cast<size_t>(mPage)];
    for (int y = std::max(1, centre - kDropRadius); y < std::min(kSize - 1, centre + kDropRadius);
         ++y) {
        for (int x = std::max(1, centre - kDropRadius);
             x < std::min(kSize - 1, centre + kDropRadius); ++x) {
            const int dx = x - centre;
            const int dy = y - centre;
            if (dx * dx + dy * dy < kDropRadius * kDropRadius) {
                map[static_cast<size_t>(y * kSize + x)] += kDropDepth;
            }
        }
    }
    mIdle = false;
}

void CRipple::Step() {
    if (mIdle) {
        return;
    }
    mPage ^= 1;
    std::vector<int32_t>& next = mMaps[static_cast<size_t>(mPage)];
    const std::vector<int32_t>& last = mMaps[static_cast<size_t>(mPage ^ 1)];
    for (int y = 1; y < kSize - 1; ++y) {
        for (int x = 1; x < kSize - 1; ++x) {
            const size_t i = static_cast<size_t>(y * kSize + x);
            const int32_t sum = last[i - 1] + last[i + 1] + last[i - kSize] + last[i + kSize] +
                                last[i - kSize - 1] + last[i - kSize + 1] + last[i + kSize - 1] +
                                last[i + kSize + 1];
            int32_t value = (sum >> 2) - next[i];
            value -= value >> 5;
            next[i] = value;
        }
    }
}

int CRipple::Render(const uint32_t* source, uint32_t* patch) {
    // Every pixel starts undistorted, so no square of an earlier ripple stays behind.
    std::memcpy(patch, source, sizeof(uint32_t) * kCells);
    // The first page, whichever is current: the picture lags the wave by a step at times.
    const std::vector<int32_t>& h = mMaps[0];
    int displaced = 0;
    for (int y = 1; y < kSize - 1; ++y) {
        for (int x = 1; x < kSize - 1; ++x) {
            const int i = y * kSize + x;
            const int32_t dx = h[static_cast<size_t>(i)] - h[static_cast<size_t>(i + 1)];
            const int32_t dy = h[static_cast<size_t>(i)] - h[static_cast<size_t>(i + kSize)];
            const int src = i + (dy >> 3) * kSize + (dx >> 3);
            if (src <= 0 || src >= kCells) {
                continue;
            }
            if (dx != 0) {
                ++displaced;
            }
            if (x == 1) {
                continue;
            }
            const uint32_t pixel = source[src];
            uint32_t out = pixel & 0xFF000000u;
            for (int shift = 0; shift <= 16; shift += 8) {
                const int32_t channel =
                    std::clamp(static_cast<int32_t>((pixel >> shift) & 0xFF) - dx, 0, 255);
                out |= static_cast<uint32_t>(channel) << shift;
            }
            patch[i] = out;
        }
    }
    if (displaced < kMinDisplaced) {
        mIdle = true;
    }
    return displaced;
}

}  // namespace Vesk
