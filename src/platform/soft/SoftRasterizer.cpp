#include "platform/soft/SoftRasterizer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <type_traits>
#include <utility>

#include "platform/PixelOps.h"

namespace platform {

namespace {

// Pixels are shaded and written in runs of at most this many, in buffers on the stack.
constexpr int kChunk = 256;

// Fixed-point attributes stay far inside 64 bits: starts below 2^44 (2^28 texels),
// steps below 2^36, and no run is longer than a surface side (2^14).
constexpr double kStartLimit = 17592186044416.0;  // 2^44
constexpr double kStepLimit = 68719476736.0;      // 2^36

enum FormatKind { kXrgb8888, kRgb565, kRgb555, kOther16, kOther32, kFormatKinds };
enum BlendKind { kReplace, kNormal, kAdditive, kGeneral, kBlendKinds };

int64_t ToFixed(double value, double limit) {
    if (!(value == value)) {
        return 0;
    }
    return static_cast<int64_t>(std::floor(std::clamp(value, -limit, limit) + 0.5));
}

bool Finite(const TLVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y);
}

// ---------------------------------------------------------------------------------------
// Channel arithmetic on 0xAARRGGBB words. Red and blue travel together in the lanes of
// 0x00FF00FF, alpha and green in those of 0xFF00FF00 shifted down by eight.

// Rounded c * w / 255 for red, green and blue; alpha comes out zero.
inline uint32_t Scale(uint32_t c, uint32_t w) {
    uint32_t rb = (c & 0xFF00FFu) * w + 0x800080u;
    rb = ((rb + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
    uint32_t g = ((c >> 8) & 0xFFu) * w + 0x80u;
    g = ((g + (g >> 8)) >> 8) & 0xFFu;
    return rb | (g << 8);
}

// Rounded (s * a + d * (255 - a)) / 255 for red, green and blue.
inline uint32_t Mix(uint32_t s, uint32_t d, uint32_t a) {
    const uint32_t na = 255 - a;
    uint32_t rb = (s & 0xFF00FFu) * a + (d & 0xFF00FFu) * na + 0x800080u;
    rb = ((rb + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
    uint32_t g = ((s >> 8) & 0xFFu) * a + ((d >> 8) & 0xFFu) * na + 0x80u;
    g = ((g + (g >> 8)) >> 8) & 0xFFu;
    return rb | (g << 8);
}

// Red, green and blue added with saturation; alpha comes out zero.
inline uint32_t AddSaturated(uint32_t x, uint32_t y) {
    uint32_t rb = (x & 0xFF00FFu) + (y & 0xFF00FFu);
    rb |= ((rb >> 8) & 0x010001u) * 0xFFu;
    const uint32_t g = std::min(((x >> 8) & 0xFFu) + ((y >> 8) & 0xFFu), 0xFFu);
    return (rb & 0xFF00FFu) | (g << 8);
}

// (a * (256 - f) + b * f) / 256 on all four channels, f in 0..255.
inline uint32_t Lerp(uint32_t a, uint32_t b, uint32_t f) {
    const uint32_t nf = 256 - f;
    const uint32_t rb = ((((a & 0xFF00FFu) * nf) + ((b & 0xFF00FFu) * f)) >> 8) & 0xFF00FFu;
    const uint32_t ag =
        ((((a >> 8) & 0xFF00FFu) * nf) + (((b >> 8) & 0xFF00FFu) * f)) & 0xFF00FF00u;
    return rb | ag;
}

// Rounded x * y / 255 for one channel.
inline uint32_t Times(uint32_t x, uint32_t y) {
    const uint32_t m = x * y + 128;
    return (m + (m >> 8)) >> 8;
}

inline uint32_t Modulate(uint32_t t, uint32_t d) {
    return (Times(t >> 24, d >> 24) << 24) | (Times((t >> 16) & 0xFF, (d >> 16) & 0xFF) << 16) |
           (Times((t >> 8) & 0xFF, (d >> 8) & 0xFF) << 8) | Times(t & 0xFF, d & 0xFF);
}

// ---------------------------------------------------------------------------------------
// Target formats: Load widens a pixel to 0xFFRRGGBB, Store keeps the top bits of each
// channel (what the surface blitters do) and leaves bits outside the masks zero.

struct Xrgb8888 {
    using Pixel = uint32_t;
    static uint32_t Load(uint32_t p) { return p | 0xFF000000u; }
    static Pixel Store(uint32_t c) { return c & 0xFFFFFFu; }
};

struct Rgb565 {
    using Pixel = uint16_t;
    static uint32_t Load(uint32_t p) {
        const uint32_t r = (p >> 11) & 31;
        const uint32_t g = (p >> 5) & 63;
        const uint32_t b = p & 31;
        return 0xFF000000u | (((r << 3) | (r >> 2)) << 16) | (((g << 2) | (g >> 4)) << 8) |
               ((b << 3) | (b >> 2));
    }
    static Pixel Store(uint32_t c) {
        return static_cast<Pixel>(((c >> 8) & 0xF800u) | ((c >> 5) & 0x07E0u) | ((c >> 3) & 0x1Fu));
    }
};

struct Rgb555 {
    using Pixel = uint16_t;
    static uint32_t Load(uint32_t p) {
        const uint32_t r = (p >> 10) & 31;
        const uint32_t g = (p >> 5) & 31;
        const uint32_t b = p & 31;
        return 0xFF000000u | (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) |
               ((b << 3) | (b >> 2));
    }
    static Pixel Store(uint32_t c) {
        return static_cast<Pixel>(((c >> 9) & 0x7C00u) | ((c >> 6) & 0x03E0u) | ((c >> 3) & 0x1Fu));
    }
};

template <typename P>
struct OtherFormat {
    using Pixel = P;
    const SoftRasterizer::ChannelLayout& layout;

    uint32_t Load(uint32_t p) const {
        uint32_t out = 0xFF000000u;
        for (int c = 0; c < 3; ++c) {
            const uint32_t value = (p >> layout.shift[c]) & ((1u << layout.bits[c]) - 1);
            out |= uint32_t{layout.widen[c][value]} << (16 - 8 * c);
        }
        return out;
    }
    Pixel Store(uint32_t argb) const {
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            const uint32_t value = (argb >> (16 - 8 * c)) & 0xFF;
            out |= (value >> (8 - layout.bits[c])) << layout.shift[c];
        }
        return static_cast<Pixel>(out);
    }
};

struct WriteContext {
    const SoftRasterizer::ChannelLayout* layout = nullptr;
    Blend src = Blend::One;
    Blend dest = Blend::Zero;
};

template <typename Format>
Format MakeFormat(const WriteContext& context) {
    if constexpr (std::is_same_v<Format, OtherFormat<uint16_t>> ||
                  std::is_same_v<Format, OtherFormat<uint32_t>>) {
        return Format{*context.layout};
    } else {
        (void)context;
        return Format{};
    }
}

inline uint32_t Weight(Blend factor, uint32_t alpha) {
    switch (factor) {
        case Blend::Zero:
            return 0;
        case Blend::One:
            return 255;
        case Blend::SrcAlpha:
            return alpha;
        case Blend::InvSrcAlpha:
            return 255 - alpha;
    }
    return 0;
}

template <int kBlend, typename Format>
inline void WritePixel(const Format& format, const WriteContext& context,
                       typename Format::Pixel* pixel, uint32_t s) {
    if constexpr (kBlend == kReplace) {
        *pixel = format.Store(s);
    } else if constexpr (kBlend == kNormal) {
        const uint32_t a = s >> 24;
        if (a == 255) {
            *pixel = format.Store(s);
        } else if (a != 0) {
            *pixel = format.Store(Mix(s, format.Load(*pixel), a));
        }
    } else if constexpr (kBlend == kAdditive) {
        const uint32_t a = s >> 24;
        if (a != 0) {
            *pixel = format.Store(AddSaturated(format.Load(*pixel), Scale(s, a)));
        }
    } else {
        const uint32_t a = s >> 24;
        const uint32_t d = format.Load(*pixel);
        *pixel = format.Store(
            AddSaturated(Scale(s, Weight(context.src, a)), Scale(d, Weight(context.dest, a))));
    }
}

using SpanWriter = void (*)(const WriteContext&, uint8_t*, const uint32_t*, int);
using PixelWriter = void (*)(const WriteContext&, uint8_t* const*, const uint32_t*, int);

// A run of pixels side by side, starting at `at`.
template <int kBlend, typename Format>
void WriteSpan(const WriteContext& context, uint8_t* at, const uint32_t* source, int count) {
    const Format format = MakeFormat<Format>(context);
    auto* pixel = reinterpret_cast<typename Format::Pixel*>(at);
    for (int i = 0; i < count; ++i) {
        WritePixel<kBlend>(format, context, pixel + i, source[i]);
    }
}

// Pixels anywhere; a null address is a pixel left out.
template <int kBlend, typename Format>
void WritePixels(const WriteContext& context, uint8_t* const* at, const uint32_t* source,
                 int count) {
    const Format format = MakeFormat<Format>(context);
    for (int i = 0; i < count; ++i) {
        if (at[i] != nullptr) {
            WritePixel<kBlend>(format, context, reinterpret_cast<typename Format::Pixel*>(at[i]),
                               source[i]);
        }
    }
}

template <template <int, typename> class Writer, typename Fn, int kBlend>
constexpr std::array<Fn, kFormatKinds> WritersFor() {
    return {&Writer<kBlend, Xrgb8888>::Run, &Writer<kBlend, Rgb565>::Run,
            &Writer<kBlend, Rgb555>::Run, &Writer<kBlend, OtherFormat<uint16_t>>::Run,
            &Writer<kBlend, OtherFormat<uint32_t>>::Run};
}

template <int kBlend, typename Format>
struct SpanWriterOf {
    static void Run(const WriteContext& c, uint8_t* at, const uint32_t* s, int n) {
        WriteSpan<kBlend, Format>(c, at, s, n);
    }
};

template <int kBlend, typename Format>
struct PixelWriterOf {
    static void Run(const WriteContext& c, uint8_t* const* at, const uint32_t* s, int n) {
        WritePixels<kBlend, Format>(c, at, s, n);
    }
};

constexpr std::array<std::array<SpanWriter, kFormatKinds>, kBlendKinds> kSpanWriters = {
    WritersFor<SpanWriterOf, SpanWriter, kReplace>(),
    WritersFor<SpanWriterOf, SpanWriter, kNormal>(),
    WritersFor<SpanWriterOf, SpanWriter, kAdditive>(),
    WritersFor<SpanWriterOf, SpanWriter, kGeneral>()};

constexpr std::array<std::array<PixelWriter, kFormatKinds>, kBlendKinds> kPixelWriters = {
    WritersFor<PixelWriterOf, PixelWriter, kReplace>(),
    WritersFor<PixelWriterOf, PixelWriter, kNormal>(),
    WritersFor<PixelWriterOf, PixelWriter, kAdditive>(),
    WritersFor<PixelWriterOf, PixelWriter, kGeneral>()};

// ---------------------------------------------------------------------------------------
// Texture sampling. Coordinates are 16.16 texels; the texture's sides are powers of two.

template <bool kWrap>
inline int64_t Address(int64_t i, int32_t size) {
    if constexpr (kWrap) {
        return i & (size - 1);
    } else {
        return std::clamp<int64_t>(i, 0, size - 1);
    }
}

using Sampler = void (*)(const TextureView&, int64_t, int64_t, int64_t, int64_t, uint32_t*, int);

template <bool kLinear, bool kWrapU, bool kWrapV>
void Sample(const TextureView& t, int64_t u, int64_t v, int64_t du, int64_t dv, uint32_t* out,
            int count) {
    for (int i = 0; i < count; ++i, u += du, v += dv) {
        if constexpr (!kLinear) {
            const int64_t x = Address<kWrapU>(u >> 16, t.width);
            const int64_t y = Address<kWrapV>(v >> 16, t.height);
            out[i] = t.argb[y * t.pitch + x];
        } else {
            // The four texels around the sample point, half a texel up and left.
            const int64_t us = u - 0x8000;
            const int64_t vs = v - 0x8000;
            const auto fx = static_cast<uint32_t>((us >> 8) & 0xFF);
            const auto fy = static_cast<uint32_t>((vs >> 8) & 0xFF);
            const int64_t x0 = Address<kWrapU>(us >> 16, t.width);
            const int64_t x1 = Address<kWrapU>((us >> 16) + 1, t.width);
            const uint32_t* row0 = t.argb + Address<kWrapV>(vs >> 16, t.height) * t.pitch;
            const uint32_t* row1 = t.argb + Address<kWrapV>((vs >> 16) + 1, t.height) * t.pitch;
            out[i] = Lerp(Lerp(row0[x0], row0[x1], fx), Lerp(row1[x0], row1[x1], fx), fy);
        }
    }
}

constexpr std::array<Sampler, 8> kSamplers = {
    &Sample<false, false, false>, &Sample<false, false, true>, &Sample<false, true, false>,
    &Sample<false, true, true>,   &Sample<true, false, false>, &Sample<true, false, true>,
    &Sample<true, true, false>,   &Sample<true, true, true>};

// ---------------------------------------------------------------------------------------
// Shading: the texture stage and the specular colour.

// Where a channel group of the stage's result comes from.
enum class Source { Texture, Diffuse, Product };

Source SourceOf(TextureOp op) {
    switch (op) {
        case TextureOp::SelectArg1:
            return Source::Texture;
        case TextureOp::Modulate:
            return Source::Product;
        case TextureOp::SelectArg2:
        case TextureOp::Disable:
            break;
    }
    return Source::Diffuse;
}

// A colour across a run: 8.16 per channel (a, r, g, b), already biased by half a unit.
struct Gradient {
    std::array<int32_t, 4> start{};
    std::array<int32_t, 4> step{};
};

// Attributes of the pixels of one run and how they change from pixel to pixel.
struct RunAttributes {
    int64_t u = 0;
    int64_t v = 0;
    int64_t du = 0;
    int64_t dv = 0;
    Gradient diffuse;
    Gradient specular;
};

struct Shader {
    const TextureView* texture = nullptr;  // null when the texture is not read
    Sampler sample = nullptr;
    Source color = Source::Diffuse;
    Source alpha = Source::Diffuse;
    bool flatDiffuse = true;
    uint32_t diffuse = 0;
    bool addSpecular = false;
    bool flatSpecular = true;
    uint32_t specular = 0;
};

void Interpolate(Gradient& g, uint32_t* out, int count) {
    auto [a, r, gr, b] = g.start;
    const auto [da, dr, dg, db] = g.step;
    for (int i = 0; i < count; ++i) {
        out[i] = (static_cast<uint32_t>(a >> 16) << 24) | (static_cast<uint32_t>(r >> 16) << 16) |
                 (static_cast<uint32_t>(gr >> 16) << 8) | static_cast<uint32_t>(b >> 16);
        a += da;
        r += dr;
        gr += dg;
        b += db;
    }
    g.start = {a, r, gr, b};
}

template <Source kColor, Source kAlpha>
void Combine(const uint32_t* texture, const uint32_t* diffuse, uint32_t* out, int count) {
    for (int i = 0; i < count; ++i) {
        const uint32_t t = texture[i];
        const uint32_t d = diffuse[i];
        const uint32_t product =
            (kColor == Source::Product || kAlpha == Source::Product) ? Modulate(t, d) : 0;
        const uint32_t rgb = kColor == Source::Texture   ? t
                             : kColor == Source::Diffuse ? d
                                                         : product;
        const uint32_t a = kAlpha == Source::Texture ? t : kAlpha == Source::Diffuse ? d : product;
        out[i] = (a & 0xFF000000u) | (rgb & 0xFFFFFFu);
    }
}

using Combiner = void (*)(const uint32_t*, const uint32_t*, uint32_t*, int);

constexpr std::array<Combiner, 9> kCombiners = {
    &Combine<Source::Texture, Source::Texture>, &Combine<Source::Texture, Source::Diffuse>,
    &Combine<Source::Texture, Source::Product>, &Combine<Source::Diffuse, Source::Texture>,
    &Combine<Source::Diffuse, Source::Diffuse>, &Combine<Source::Diffuse, Source::Product>,
    &Combine<Source::Product, Source::Texture>, &Combine<Source::Product, Source::Diffuse>,
    &Combine<Source::Product, Source::Product>};

// Source colours of `count` pixels (at most kChunk) into out; the run moves on past them.
void Shade(const Shader& shader, RunAttributes& run, uint32_t* out, int count) {
    const bool textured = shader.texture != nullptr;
    const bool needsDiffuse =
        !textured || shader.color != Source::Texture || shader.alpha != Source::Texture;
    if (textured &&
        (!needsDiffuse || (shader.flatDiffuse && shader.diffuse == 0xFFFFFFFFu &&
                           shader.color != Source::Diffuse && shader.alpha != Source::Diffuse))) {
        // Texture alone, or times white: the texels as they are.
        shader.sample(*shader.texture, run.u, run.v, run.du, run.dv, out, count);
    } else if (!textured) {
        // An empty stage reads white: the texture's share is all ones.
        if (shader.flatDiffuse) {
            std::fill_n(out, count, shader.diffuse);
        } else {
            Interpolate(run.diffuse, out, count);
        }
        const uint32_t ones = (shader.color == Source::Texture ? 0x00FFFFFFu : 0) |
                              (shader.alpha == Source::Texture ? 0xFF000000u : 0);
        if (ones != 0) {
            for (int i = 0; i < count; ++i) {
                out[i] |= ones;
            }
        }
    } else {
        uint32_t texels[kChunk];
        uint32_t colors[kChunk];
        shader.sample(*shader.texture, run.u, run.v, run.du, run.dv, texels, count);
        if (shader.flatDiffuse) {
            std::fill_n(colors, count, shader.diffuse);
        } else {
            Interpolate(run.diffuse, colors, count);
        }
        kCombiners[static_cast<size_t>(shader.color) * 3 + static_cast<size_t>(shader.alpha)](
            texels, colors, out, count);
    }
    if (shader.addSpecular) {
        uint32_t highlight[kChunk];
        if (shader.flatSpecular) {
            std::fill_n(highlight, count, shader.specular);
        } else {
            Interpolate(run.specular, highlight, count);
        }
        for (int i = 0; i < count; ++i) {
            out[i] = (out[i] & 0xFF000000u) | AddSaturated(out[i], highlight[i]);
        }
    }
    run.u += run.du * count;
    run.v += run.dv * count;
}

// A colour's four channels at two ends of a run, clamped, as a fixed-point gradient.
Gradient MakeGradient(const std::array<double, 4>& first, const std::array<double, 4>& last,
                      int count) {
    Gradient g;
    for (size_t c = 0; c < 4; ++c) {
        auto fixed = [](double value) {
            const double clamped = value == value ? std::clamp(value, 0.0, 255.0) : 0.0;
            return static_cast<int32_t>(clamped * 65536.0 + 32768.0);
        };
        const int32_t from = fixed(first[c]);
        const int32_t to = fixed(last[c]);
        g.start[c] = from;
        g.step[c] = count > 1 ? (to - from) / (count - 1) : 0;
    }
    return g;
}

std::array<double, 4> Channels(uint32_t argb) {
    return {static_cast<double>(argb >> 24), static_cast<double>((argb >> 16) & 0xFF),
            static_cast<double>((argb >> 8) & 0xFF), static_cast<double>(argb & 0xFF)};
}

// The stage's set-up for one primitive; `minify` picks the minification filter.
Shader MakeShader(const RasterState& state, bool minify) {
    Shader shader;
    Source color = SourceOf(state.colorOp);
    Source alpha = SourceOf(state.alphaOp);
    if (state.colorOp == TextureOp::Disable) {
        // A disabled first stage passes the diffuse colour through, alpha included.
        color = Source::Diffuse;
        alpha = Source::Diffuse;
    }
    shader.color = color;
    shader.alpha = alpha;
    const bool readsTexture = color != Source::Diffuse || alpha != Source::Diffuse;
    if (state.texture != nullptr && readsTexture) {
        shader.texture = state.texture;
        const bool linear = (minify ? state.minFilter : state.magFilter) == TextureFilter::Linear;
        const size_t index = (linear ? 4 : 0) + (state.addressU == TextureAddress::Wrap ? 2 : 0) +
                             (state.addressV == TextureAddress::Wrap ? 1 : 0);
        shader.sample = kSamplers[index];
    }
    return shader;
}

// ---------------------------------------------------------------------------------------
// Triangle set-up: the attribute planes, the stage, the edges and the span of each row.

// An attribute over the screen: its value at the triangle's first corner and its change per
// pixel along x and y.
struct Plane {
    double at = 0.0;
    double dx = 0.0;
    double dy = 0.0;
};

// Fits planes through values at the three corners, measured from the first.
struct PlaneFit {
    double ax = 0.0;
    double ay = 0.0;
    double ex1 = 0.0;
    double ey1 = 0.0;
    double ex2 = 0.0;
    double ey2 = 0.0;
    double inverse = 0.0;  // of twice the signed area

    Plane Through(double fa, double fb, double fc) const {
        const double d1 = fb - fa;
        const double d2 = fc - fa;
        return Plane{fa, (d1 * ey2 - d2 * ey1) * inverse, (d2 * ex1 - d1 * ex2) * inverse};
    }
    double At(const Plane& p, double x, double y) const {
        return p.at + p.dx * (x - ax) + p.dy * (y - ay);
    }
};

// False for a triangle of no area.
bool FitPlanes(const TLVertex& a, const TLVertex& b, const TLVertex& c, PlaneFit& fit) {
    fit.ax = a.x;
    fit.ay = a.y;
    fit.ex1 = double{b.x} - a.x;
    fit.ey1 = double{b.y} - a.y;
    fit.ex2 = double{c.x} - a.x;
    fit.ey2 = double{c.y} - a.y;
    const double area = fit.ex1 * fit.ey2 - fit.ex2 * fit.ey1;
    if (area == 0.0) {
        return false;
    }
    fit.inverse = 1.0 / area;
    return true;
}

struct TrianglePlanes {
    Plane u;  // in texels
    Plane v;
    std::array<Plane, 4> diffuse{};   // a, r, g, b; only when the diffuse colour varies
    std::array<Plane, 4> specular{};  // only when a varying specular colour is added
};

// The stage for the triangle, and the planes of what it interpolates.
Shader TriangleShader(const RasterState& state, const PlaneFit& fit, const TLVertex& a,
                      const TLVertex& b, const TLVertex& c, TrianglePlanes& planes) {
    const TextureView* texture = state.texture;
    const double texW = texture != nullptr ? texture->width : 0.0;
    const double texH = texture != nullptr ? texture->height : 0.0;
    planes.u = fit.Through(a.u * texW, b.u * texW, c.u * texW);
    planes.v = fit.Through(a.v * texH, b.v * texH, c.v * texH);
    const Plane& pu = planes.u;
    const Plane& pv = planes.v;
    // More than one texel per pixel along either screen axis: minification.
    const bool minify =
        std::max(pu.dx * pu.dx + pv.dx * pv.dx, pu.dy * pu.dy + pv.dy * pv.dy) > 1.0 + 1e-6;
    Shader shader = MakeShader(state, minify);
    shader.flatDiffuse = a.diffuse == b.diffuse && a.diffuse == c.diffuse;
    shader.diffuse = a.diffuse;
    shader.addSpecular = state.specular;
    shader.flatSpecular = a.specular == b.specular && a.specular == c.specular;
    shader.specular = a.specular & 0xFFFFFFu;
    auto channelPlanes = [&fit](uint32_t ca, uint32_t cb, uint32_t cc) {
        const auto va = Channels(ca);
        const auto vb = Channels(cb);
        const auto vc = Channels(cc);
        std::array<Plane, 4> out{};
        for (size_t i = 0; i < 4; ++i) {
            out[i] = fit.Through(va[i], vb[i], vc[i]);
        }
        return out;
    };
    if (!shader.flatDiffuse) {
        planes.diffuse = channelPlanes(a.diffuse, b.diffuse, c.diffuse);
    }
    if (shader.addSpecular && !shader.flatSpecular) {
        planes.specular =
            channelPlanes(a.specular & 0xFFFFFFu, b.specular & 0xFFFFFFu, c.specular & 0xFFFFFFu);
    }
    return shader;
}

// One division per row and edge: a crossing that falls exactly on a pixel centre comes out
// exact, so the fill rule decides it rather than rounding.
struct Edge {
    double x0 = 0.0;
    double y0 = 0.0;
    double dx = 0.0;
    double dy = 1.0;
    double XAt(double y) const { return x0 + ((y - y0) * dx) / dy; }
};

Edge EdgeFrom(const TLVertex& from, const TLVertex& to) {
    const double dy = double{to.y} - from.y;
    return Edge{from.x, from.y, dy != 0.0 ? double{to.x} - from.x : 0.0, dy != 0.0 ? dy : 1.0};
}

// The edges from the top corner to the bottom one, each followed from its upper end so that
// two triangles sharing an edge find the same crossing on every row.
struct TriangleEdges {
    Edge longEdge;  // top to bottom
    Edge upperEdge;
    Edge lowerEdge;
    double topY = 0.0;
    double midY = 0.0;
    double bottomY = 0.0;
    bool midOnLeft = false;
};

// False when the corners lie on one line.
bool SortEdges(const TLVertex& a, const TLVertex& b, const TLVertex& c, TriangleEdges& edges) {
    std::array<const TLVertex*, 3> v = {&a, &b, &c};
    std::sort(v.begin(), v.end(), [](const TLVertex* p, const TLVertex* q) { return p->y < q->y; });
    const TLVertex& top = *v[0];
    const TLVertex& mid = *v[1];
    const TLVertex& bottom = *v[2];
    const double side = (double{mid.x} - top.x) * (double{bottom.y} - top.y) -
                        (double{mid.y} - top.y) * (double{bottom.x} - top.x);
    if (side == 0.0) {
        return false;
    }
    edges.longEdge = EdgeFrom(top, bottom);
    edges.upperEdge = EdgeFrom(top, mid);
    edges.lowerEdge = EdgeFrom(mid, bottom);
    edges.topY = top.y;
    edges.midY = mid.y;
    edges.bottomY = bottom.y;
    edges.midOnLeft = side < 0.0;
    return true;
}

int32_t ClampedCeil(double v, int32_t lo, int32_t hi) {
    return static_cast<int32_t>(
        std::clamp(std::ceil(v), static_cast<double>(lo), static_cast<double>(hi)));
}

// Rows whose centres lie in [top, bottom), inside the clip.
std::pair<int32_t, int32_t> RowRange(const TriangleEdges& edges, const SurfaceRect& clip) {
    return {ClampedCeil(edges.topY, clip.top, clip.bottom),
            ClampedCeil(edges.bottomY, clip.top, clip.bottom)};
}

// The columns of a row from the left edge up to, but not including, the right one, inside the
// clip; empty when the first is not below the second.
std::pair<int32_t, int32_t> RowSpan(const TriangleEdges& edges, double y, const SurfaceRect& clip) {
    const double xLong = edges.longEdge.XAt(y);
    const double xShort = y < edges.midY ? edges.upperEdge.XAt(y) : edges.lowerEdge.XAt(y);
    const double xLeft = edges.midOnLeft ? xShort : xLong;
    const double xRight = edges.midOnLeft ? xLong : xShort;
    return {ClampedCeil(xLeft, clip.left, clip.right), ClampedCeil(xRight, clip.left, clip.right)};
}

// The attributes at the start of the run [x0, x1) of row y and their steps along it.
RunAttributes RunAt(const Shader& shader, const PlaneFit& fit, const TrianglePlanes& planes,
                    int32_t x0, int32_t x1, double y) {
    RunAttributes run;
    if (shader.texture != nullptr) {
        run.u = ToFixed(fit.At(planes.u, x0, y) * 65536.0, kStartLimit);
        run.v = ToFixed(fit.At(planes.v, x0, y) * 65536.0, kStartLimit);
        run.du = ToFixed(planes.u.dx * 65536.0, kStepLimit);
        run.dv = ToFixed(planes.v.dx * 65536.0, kStepLimit);
    }
    auto gradient = [&](const std::array<Plane, 4>& channels) {
        std::array<double, 4> first{};
        std::array<double, 4> last{};
        for (size_t i = 0; i < 4; ++i) {
            first[i] = fit.At(channels[i], x0, y);
            last[i] = fit.At(channels[i], x1 - 1, y);
        }
        return MakeGradient(first, last, x1 - x0);
    };
    if (!shader.flatDiffuse) {
        run.diffuse = gradient(planes.diffuse);
    }
    if (shader.addSpecular && !shader.flatSpecular) {
        run.specular = gradient(planes.specular);
    }
    return run;
}

}  // namespace

SoftRasterizer::SoftRasterizer(const RasterTarget& target, const RasterState& state)
    : mTarget(target), mState(state) {
    const PixelFormat& f = target.format;
    mBytesPerPixel = f.BytesPerPixel();
    if (f == PixelFormat::Xrgb8888()) {
        mFormatKind = kXrgb8888;
    } else if (f == PixelFormat::Rgb565()) {
        mFormatKind = kRgb565;
    } else if (f == PixelFormat::Rgb555()) {
        mFormatKind = kRgb555;
    } else {
        mFormatKind = f.bitsPerPixel == 16 ? kOther16 : kOther32;
        const uint32_t masks[3] = {f.redMask, f.greenMask, f.blueMask};
        for (size_t c = 0; c < 3; ++c) {
            const auto shift = static_cast<uint32_t>(std::countr_zero(masks[c]));
            const auto bits = static_cast<uint32_t>(std::popcount(masks[c]));
            mLayout.shift[c] = shift;
            mLayout.bits[c] = std::clamp<uint32_t>(bits, 1, 8);
            for (uint32_t value = 0; value < (1u << mLayout.bits[c]); ++value) {
                mLayout.widen[c][value] =
                    static_cast<uint8_t>(WidenChannel(value, static_cast<int32_t>(bits)));
            }
        }
    }
    if (!state.alphaBlend || (state.srcBlend == Blend::One && state.destBlend == Blend::Zero)) {
        mBlendKind = kReplace;
    } else if (state.srcBlend == Blend::SrcAlpha && state.destBlend == Blend::InvSrcAlpha) {
        mBlendKind = kNormal;
    } else if (state.srcBlend == Blend::SrcAlpha && state.destBlend == Blend::One) {
        mBlendKind = kAdditive;
    } else {
        mBlendKind = kGeneral;
    }
}

void SoftRasterizer::Triangle(const TLVertex& a, const TLVertex& b, const TLVertex& c) {
    if (!Finite(a) || !Finite(b) || !Finite(c)) {
        return;
    }
    const SurfaceRect& clip = mTarget.clip;
    if (clip.right <= clip.left || clip.bottom <= clip.top) {
        return;
    }
    PlaneFit fit;
    if (!FitPlanes(a, b, c, fit)) {
        return;
    }
    TrianglePlanes planes;
    const Shader shader = TriangleShader(mState, fit, a, b, c, planes);
    TriangleEdges edges;
    if (!SortEdges(a, b, c, edges)) {
        return;
    }

    const auto [firstRow, endRow] = RowRange(edges, clip);
    const WriteContext context{&mLayout, mState.srcBlend, mState.destBlend};
    const SpanWriter write =
        kSpanWriters[static_cast<size_t>(mBlendKind)][static_cast<size_t>(mFormatKind)];
    uint32_t colors[kChunk];
    for (int32_t row = firstRow; row < endRow; ++row) {
        const double y = row;
        const auto [x0, x1] = RowSpan(edges, y, clip);
        if (x0 >= x1) {
            continue;
        }
        RunAttributes run = RunAt(shader, fit, planes, x0, x1, y);
        uint8_t* at = mTarget.bits + static_cast<ptrdiff_t>(mTarget.pitch) * row +
                      static_cast<ptrdiff_t>(x0) * mBytesPerPixel;
        const int count = x1 - x0;
        for (int done = 0; done < count;) {
            const int n = std::min(kChunk, count - done);
            Shade(shader, run, colors, n);
            write(context, at, colors, n);
            at += static_cast<ptrdiff_t>(n) * mBytesPerPixel;
            done += n;
        }
    }
}

void SoftRasterizer::Line(const TLVertex& a, const TLVertex& b) {
    if (!Finite(a) || !Finite(b)) {
        return;
    }
    const SurfaceRect& clip = mTarget.clip;
    if (clip.right <= clip.left || clip.bottom <= clip.top) {
        return;
    }
    const double dx = double{b.x} - a.x;
    const double dy = double{b.y} - a.y;
    if (dx == 0.0 && dy == 0.0) {
        return;
    }
    // Walk the longer axis one pixel at a time.
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const double major0 = xMajor ? a.x : a.y;
    const double minor0 = xMajor ? a.y : a.x;
    const double majorSpan = xMajor ? dx : dy;
    const double minorSpan = xMajor ? dy : dx;
    const double start = std::floor(major0 + 0.5);
    const double end = std::floor(major0 + majorSpan + 0.5);
    if (start == end) {
        return;
    }
    const double dir = end > start ? 1.0 : -1.0;
    const double lo = xMajor ? clip.left : clip.top;
    const double hi = (xMajor ? clip.right : clip.bottom) - 1.0;
    const double minorLo = xMajor ? clip.top : clip.left;
    const double minorHi = xMajor ? clip.bottom : clip.right;
    double first = start;
    double last = end - dir;
    if (dir > 0) {
        first = std::max(first, lo);
        last = std::min(last, hi);
        if (first > last) {
            return;
        }
    } else {
        first = std::min(first, hi);
        last = std::max(last, lo);
        if (first < last) {
            return;
        }
    }
    const int count = static_cast<int>(std::abs(last - first)) + 1;
    const double perPixel = dir / majorSpan;  // step of the line's parameter
    const double tFirst = (first - major0) / majorSpan;
    const double tLast = (last - major0) / majorSpan;
    const double slope = minorSpan / majorSpan;

    const TextureView* texture = mState.texture;
    const double texW = texture != nullptr ? texture->width : 0.0;
    const double texH = texture != nullptr ? texture->height : 0.0;
    const double du = (double{b.u} - a.u) * texW * perPixel;
    const double dv = (double{b.v} - a.v) * texH * perPixel;
    Shader shader = MakeShader(mState, du * du + dv * dv > 1.0 + 1e-6);
    shader.flatDiffuse = a.diffuse == b.diffuse;
    shader.diffuse = a.diffuse;
    shader.addSpecular = mState.specular;
    shader.flatSpecular = a.specular == b.specular;
    shader.specular = a.specular & 0xFFFFFFu;

    RunAttributes run;
    if (shader.texture != nullptr) {
        run.u = ToFixed((a.u + (double{b.u} - a.u) * tFirst) * texW * 65536.0, kStartLimit);
        run.v = ToFixed((a.v + (double{b.v} - a.v) * tFirst) * texH * 65536.0, kStartLimit);
        run.du = ToFixed(du * 65536.0, kStepLimit);
        run.dv = ToFixed(dv * 65536.0, kStepLimit);
    }
    auto gradient = [&](uint32_t from, uint32_t to) {
        const auto cf = Channels(from);
        const auto ct = Channels(to);
        std::array<double, 4> first4{};
        std::array<double, 4> last4{};
        const double t0 = std::clamp(tFirst, 0.0, 1.0);
        const double t1 = std::clamp(tLast, 0.0, 1.0);
        for (size_t i = 0; i < 4; ++i) {
            first4[i] = cf[i] + (ct[i] - cf[i]) * t0;
            last4[i] = cf[i] + (ct[i] - cf[i]) * t1;
        }
        return MakeGradient(first4, last4, count);
    };
    if (!shader.flatDiffuse) {
        run.diffuse = gradient(a.diffuse, b.diffuse);
    }
    if (shader.addSpecular && !shader.flatSpecular) {
        run.specular = gradient(a.specular & 0xFFFFFFu, b.specular & 0xFFFFFFu);
    }

    const WriteContext context{&mLayout, mState.srcBlend, mState.destBlend};
    const PixelWriter write =
        kPixelWriters[static_cast<size_t>(mBlendKind)][static_cast<size_t>(mFormatKind)];
    uint32_t colors[kChunk];
    uint8_t* at[kChunk];
    double major = first;
    for (int done = 0; done < count;) {
        const int n = std::min(kChunk, count - done);
        for (int i = 0; i < n; ++i, major += dir) {
            const double minor = std::floor(minor0 + (major - major0) * slope + 0.5);
            if (minor < minorLo || minor >= minorHi) {
                at[i] = nullptr;
                continue;
            }
            const auto px = static_cast<ptrdiff_t>(xMajor ? major : minor);
            const auto py = static_cast<ptrdiff_t>(xMajor ? minor : major);
            at[i] = mTarget.bits + mTarget.pitch * py + px * mBytesPerPixel;
        }
        Shade(shader, run, colors, n);
        write(context, at, colors, n);
        done += n;
    }
}

}  // namespace platform
