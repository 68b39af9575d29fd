#include "resources/ParticleLanes.h"

#include <bit>
#include <cstring>
#include <utility>

#include "graphics/PixelSimd.h"
#include "graphics/SpriteAdder.h"

namespace Vesk::ParticleLanes {

namespace {

// The lane kernels below are written once over vectors of N floats and built for each
// instruction set: N = 8 where AVX2 runs, else 4 (the compiler turns wider vectors into scalar
// code there). They are always inlined into the built copies, so the vectors never cross a call
// and the warning on how a call would pass them does not apply (it comes at the file's end).
#pragma GCC diagnostic ignored "-Wpsabi"

template <int32_t N>
struct Lanes;
template <>
struct Lanes<4> {
    using Floats = float __attribute__((vector_size(16)));
    using Ints = int32_t __attribute__((vector_size(16)));
    using Words = uint32_t __attribute__((vector_size(16)));
    using Octets = int8_t __attribute__((vector_size(16)));
};
template <>
struct Lanes<8> {
    using Floats = float __attribute__((vector_size(32)));
    using Ints = int32_t __attribute__((vector_size(32)));
    using Words = uint32_t __attribute__((vector_size(32)));
    using Octets = int8_t __attribute__((vector_size(32)));
};

// N values k from a block's row, from the lane values points at.
template <int32_t N>
[[gnu::always_inline]] inline typename Lanes<N>::Floats Row(const float* values, size_t k) {
    typename Lanes<N>::Floats v;
    std::memcpy(&v, values + k * kBlock, sizeof v);
    return v;
}

// The first lane set in mask, or N for none.
template <int32_t N>
[[gnu::always_inline]] inline int32_t FirstLane(typename Lanes<N>::Ints mask) {
    // A byte a lane, shuffled together: a conversion to bytes would go lane by lane.
    const auto octets = reinterpret_cast<typename Lanes<N>::Octets>(mask);
    uint64_t bits = 0;
    if constexpr (N == 8) {
        const auto bytes = __builtin_shufflevector(octets, octets, 0, 4, 8, 12, 16, 20, 24, 28);
        std::memcpy(&bits, &bytes, sizeof bytes);
    } else {
        const auto bytes = __builtin_shufflevector(octets, octets, 0, 4, 8, 12);
        std::memcpy(&bits, &bytes, sizeof bytes);
    }
    return bits == 0 ? N : std::countr_zero(bits) / 8;
}

// Row k becomes next in the lanes set in keep.
template <int32_t N>
[[gnu::always_inline]] inline void KeepRow(float* values, size_t k, typename Lanes<N>::Ints keep,
                                           typename Lanes<N>::Floats next) {
    const typename Lanes<N>::Floats row = keep != 0 ? next : Row<N>(values, k);
    std::memcpy(values + k * kBlock, &row, sizeof row);
}

template <int32_t N>
[[gnu::always_inline]] inline typename Lanes<N>::Ints LanesBelow(int32_t n) {
    using Ints = typename Lanes<N>::Ints;
    constexpr int32_t kFirst[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    Ints lane;
    std::memcpy(&lane, kFirst, sizeof lane);
    return lane < (Ints{} + n);
}

template <int32_t N>
[[gnu::always_inline]] inline typename Lanes<N>::Floats Abs(typename Lanes<N>::Floats v) {
    using L = Lanes<N>;
    return reinterpret_cast<typename L::Floats>(reinterpret_cast<typename L::Words>(v) &
                                                0x7FFFFFFFu);
}

// The particles of the lanes set in live through one step, each on its own.
template <int32_t N>
[[gnu::always_inline]] inline void StepLanes(float* values, typename Lanes<N>::Ints live, float dt,
                                             float cx, float cy) {
    using Floats = typename Lanes<N>::Floats;
    using Words = typename Lanes<N>::Words;
    const Floats x = Row<N>(values, kX);
    const Floats y = Row<N>(values, kY);
    const Floats dx = x - cx;
    const Floats dy = y - cy;
    const Floats d2 = dx * dx + dy * dy;
    // InvSqrt's one step.
    const auto guess = reinterpret_cast<Floats>(0x5F3759DFu - (reinterpret_cast<Words>(d2) >> 1));
    const Floats inv = guess * (1.5f - d2 * 0.4999f * guess * guess);
    const Floats nx = dx * inv;
    const Floats ny = dy * inv;
    const Floats radial = Row<N>(values, kRadial);
    const Floats tangential = Row<N>(values, kTangential);
    const Floats vx = Row<N>(values, kVx) + dt * (radial * nx - tangential * ny);
    Floats vy = Row<N>(values, kVy) + dt * (radial * ny + tangential * nx);
    vy = vy + Row<N>(values, kGravity) * dt;
    KeepRow<N>(values, kVx, live, vx);
    KeepRow<N>(values, kVy, live, vy);
    KeepRow<N>(values, kX, live, x + vx * dt);
    KeepRow<N>(values, kY, live, y + vy * dt);
    for (const auto& [value, rate] :
         {std::pair{kSpin, kSpinDelta}, std::pair{kScale, kScaleDelta},
          std::pair{kColor, kColorDelta}, std::pair{kColor + 1, kColorDelta + 1},
          std::pair{kColor + 2, kColorDelta + 2}, std::pair{kColor + 3, kColorDelta + 3}}) {
        KeepRow<N>(values, value, live, Row<N>(values, value) + Row<N>(values, rate) * dt);
    }
    KeepRow<N>(values, kAge, live, Row<N>(values, kAge) + dt);
}

// StepBlock in steps of N lanes.
template <int32_t N>
[[gnu::always_inline]] inline int32_t StepLanesOf(float* values, int32_t from, int32_t n, float dt,
                                                  float cx, float cy) {
    for (int32_t first = from - from % N; first < n; first += N) {
        float* lanes = values + first;
        const auto after = ~LanesBelow<N>(from - first);
        const auto live = LanesBelow<N>(n - first) & after;
        const int32_t dies =
            FirstLane<N>((Row<N>(lanes, kAge) + dt >= Row<N>(lanes, kLife)) & live);
        StepLanes<N>(lanes, LanesBelow<N>(dies) & live, dt, cx, cy);
        if (dies < N) {
            return first + dies;
        }
    }
    return n;
}

// A colour channel as the byte trunc(255 * v) clamped to 0..255, NaN as 0.
template <int32_t N>
[[gnu::always_inline]] inline typename Lanes<N>::Words ChannelBytes(typename Lanes<N>::Floats v) {
    using Floats = typename Lanes<N>::Floats;
    Floats c = 255.0f * v;
    c = c > 0.0f ? c : Floats{};
    c = c < 255.0f ? c : Floats{} + 255.0f;
    return __builtin_convertvector(c, typename Lanes<N>::Words);
}

// PixelBlend::Div255's x / 255, the same for every x up to 255 * 255, without its multiply.
template <int32_t N>
[[gnu::always_inline]] inline typename Lanes<N>::Words Div255(typename Lanes<N>::Words x) {
    return (x + 1 + (x >> 8)) >> 8;
}

// N particles from lane first of a block (n of them live) placed as a system places one alone:
// the stretched sprite's place and size, its additive tint, whether it is drawn at all, and
// whether it is quick.
template <int32_t N>
[[gnu::always_inline]] inline void PlaceLanes(const float* values, int32_t first, int32_t n,
                                              const PlaceFrame& frame, Places& out) {
    using L = Lanes<N>;
    using Floats = typename L::Floats;
    using Ints = typename L::Ints;
    using Words = typename L::Words;
    values += first;
    Floats x = frame.offsetX + Row<N>(values, kX);
    Floats y = frame.offsetY + Row<N>(values, kY);
    Floats scale = Row<N>(values, kScale);
    const Floats turn = Row<N>(values, kSpin) * Row<N>(values, kAge);
    // Drawable's bounds: within them every conversion below is an exact truncation.
    const Ints drawn = LanesBelow<N>(n - first) & (Abs<N>(x) < kFar) & (Abs<N>(y) < kFar) &
                       (Abs<N>(scale) * frame.side < kFar) & ((turn - turn) == 0.0f);
    x = drawn != 0 ? x : Floats{};
    y = drawn != 0 ? y : Floats{};
    scale = drawn != 0 ? scale : Floats{};
    const Floats width = frame.imageW * scale;
    const Floats height = frame.imageH * scale;
    const Ints left = __builtin_convertvector(x - width * 0.5f, Ints);
    const Ints top = __builtin_convertvector(y - height * 0.5f, Ints);
    const Ints w = __builtin_convertvector(width, Ints);
    const Ints h = __builtin_convertvector(height, Ints);

    const Words r = ChannelBytes<N>(Row<N>(values, kColor));
    const Words g = ChannelBytes<N>(Row<N>(values, kColor + 1));
    const Words b = ChannelBytes<N>(Row<N>(values, kColor + 2));
    const Words a = ChannelBytes<N>(Row<N>(values, kColor + 3));
    const Words tint = (Div255<N>(r * a) << 16) | (Div255<N>(g * a) << 8) | Div255<N>(b * a);
    const Words tints = (r & g & b & a) == 255u ? Words{} + SpriteAdder::kUntinted : tint;

    const Ints small = (reinterpret_cast<Words>(w - 1) < kTableSide) &
                       (reinterpret_cast<Words>(h - 1) < kTableSide);
    const Ints inside = (left >= frame.minX) & (top >= frame.minY) & (left + w <= frame.maxX) &
                        (top + h <= frame.maxY);
    const Ints quick = drawn & small & inside;
    const Ints entry = (h - 1) * kTableSide + (w - 1);
    // Words wrap: lanes far outside get a meaningless offset, never used.
    const Words offset =
        (reinterpret_cast<Words>(top) + static_cast<uint32_t>(frame.shiftY)) * frame.stride +
        reinterpret_cast<Words>(left) + static_cast<uint32_t>(frame.shiftX);

    std::memcpy(out.drawn + first, &drawn, sizeof drawn);
    std::memcpy(out.quick + first, &quick, sizeof quick);
    std::memcpy(out.entry + first, &entry, sizeof entry);
    std::memcpy(out.offset + first, &offset, sizeof offset);
    std::memcpy(out.left + first, &left, sizeof left);
    std::memcpy(out.top + first, &top, sizeof top);
    std::memcpy(out.w + first, &w, sizeof w);
    std::memcpy(out.h + first, &h, sizeof h);
    std::memcpy(out.tint + first, &tints, sizeof tints);
}

// PlaceBlock in steps of N lanes.
template <int32_t N>
[[gnu::always_inline]] inline void PlaceLanesOf(const float* values, int32_t n,
                                                const PlaceFrame& frame, Places& out) {
    for (int32_t first = 0; first < n; first += N) {
        PlaceLanes<N>(values, first, n, frame, out);
    }
}

int32_t StepBlockPlain(float* values, int32_t from, int32_t n, float dt, float cx, float cy) {
    return StepLanesOf<4>(values, from, n, dt, cx, cy);
}
void PlaceBlockPlain(const float* values, int32_t n, const PlaceFrame& frame, Places& out) {
    PlaceLanesOf<4>(values, n, frame, out);
}

#if defined(VESK_PIXEL_SSE2)
__attribute__((target("avx2"))) int32_t StepBlockAvx2(float* values, int32_t from, int32_t n,
                                                      float dt, float cx, float cy) {
    return StepLanesOf<8>(values, from, n, dt, cx, cy);
}
__attribute__((target("avx2"))) void PlaceBlockAvx2(const float* values, int32_t n,
                                                    const PlaceFrame& frame, Places& out) {
    PlaceLanesOf<8>(values, n, frame, out);
}
#endif

}  // namespace

int32_t StepBlock(float* values, int32_t from, int32_t n, float dt, float cx, float cy) {
#if defined(VESK_PIXEL_SSE2)
    static const auto step = PixelSimd::HasAvx2() ? &StepBlockAvx2 : &StepBlockPlain;
#else
    static const auto step = &StepBlockPlain;
#endif
    return step(values, from, n, dt, cx, cy);
}

void PlaceBlock(const float* values, int32_t n, const PlaceFrame& frame, Places& out) {
#if defined(VESK_PIXEL_SSE2)
    static const auto place = PixelSimd::HasAvx2() ? &PlaceBlockAvx2 : &PlaceBlockPlain;
#else
    static const auto place = &PlaceBlockPlain;
#endif
    place(values, n, frame, out);
}

}  // namespace Vesk::ParticleLanes
