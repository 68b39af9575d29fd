#include "resources/zmParticleSystem.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/util/ByteReader.h"
#include "app/util/ByteWriter.h"
#include "app/util/MersenneTwister.h"
#include "app/util/Transform2D.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "graphics/MemoryImage.h"
#include "graphics/PixelSimd.h"
#include "graphics/SpriteAdder.h"
#include "resources/PakInterface.h"

namespace Vesk {

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr size_t kParameterBytes = 128;
constexpr uint32_t kMaxImageName = 259;
// No definition comes near this; anything larger is refused undecoded.
constexpr size_t kMaxFileBytes = 16L << 20;
constexpr float kFar = 1.0e6f;
constexpr int64_t kClipLimit = int64_t{1} << 29;
// Stretched sprites kept per system: their largest side and their number.
constexpr int32_t kMaxScaledSide = 128;
constexpr size_t kMaxScaledSprites = 256;

uint32_t gRandomState = 0;
bool gRandomSeeded = false;

// Reads count points one by one, so a huge count costs nothing before the end is reached.
bool ReadPoints(ByteReader& in, std::vector<zmParticleSystem::Point>& points) {
    const uint32_t count = in.U32();
    if (in.Failed()) {
        return false;
    }
    if (count > in.Left() / 8) {
        in.Fail(std::to_string(count) + " points past the end");
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const int32_t x = in.I32();
        const int32_t y = in.I32();
        points.push_back({x, y});
    }
    return !in.Failed();
}

// Four neighbouring floats of a particle, moved as one.
using Lanes = float __attribute__((vector_size(16)));
using Particle = zmParticleSystem::Particle;
static_assert(offsetof(Particle, scale) == offsetof(Particle, x) + 3 * sizeof(float) &&
              offsetof(Particle, scaleDelta) == offsetof(Particle, vx) + 3 * sizeof(float));

Lanes LoadLanes(const Particle& p, size_t offset) {
    Lanes lanes;
    std::memcpy(&lanes, reinterpret_cast<const char*>(&p) + offset, sizeof lanes);
    return lanes;
}

void StoreLanes(Particle& p, size_t offset, Lanes lanes) {
    std::memcpy(reinterpret_cast<char*>(&p) + offset, &lanes, sizeof lanes);
}

// The colour's four channels move by their rates in one step.
void StepColour(Particle& p, float dt) {
    StoreLanes(p, offsetof(Particle, color),
               LoadLanes(p, offsetof(Particle, color)) +
                   LoadLanes(p, offsetof(Particle, colorDelta)) * dt);
}

// Four particles in a row through the step below, lane by lane with the same operations in
// the same order, so each ends bit for bit as it would alone. False, changing nothing, when one
// of them dies in this step: the one-at-a-time loop replaces it by the last.
bool StepFour(Particle* particles, float dt, float cx, float cy) {
#if defined(VESK_PIXEL_SSE2)
    static_assert(offsetof(Particle, gravity) + 3 * sizeof(float) == offsetof(Particle, age));
    Particle& p0 = particles[0];
    Particle& p1 = particles[1];
    Particle& p2 = particles[2];
    Particle& p3 = particles[3];
    // gravity, radial, tangential, age: a row a particle, turned into a lane a particle.
    __m128 gravity = _mm_loadu_ps(&p0.gravity);
    __m128 radial = _mm_loadu_ps(&p1.gravity);
    __m128 tangential = _mm_loadu_ps(&p2.gravity);
    __m128 age = _mm_loadu_ps(&p3.gravity);
    _MM_TRANSPOSE4_PS(gravity, radial, tangential, age);
    const __m128 step = _mm_set1_ps(dt);
    age = _mm_add_ps(age, step);
    if (_mm_movemask_ps(_mm_cmpge_ps(age, _mm_setr_ps(p0.life, p1.life, p2.life, p3.life))) != 0) {
        return false;
    }
    __m128 x = _mm_loadu_ps(&p0.x);
    __m128 y = _mm_loadu_ps(&p1.x);
    __m128 spin = _mm_loadu_ps(&p2.x);
    __m128 scale = _mm_loadu_ps(&p3.x);
    _MM_TRANSPOSE4_PS(x, y, spin, scale);
    __m128 vx = _mm_loadu_ps(&p0.vx);
    __m128 vy = _mm_loadu_ps(&p1.vx);
    __m128 spinDelta = _mm_loadu_ps(&p2.vx);
    __m128 scaleDelta = _mm_loadu_ps(&p3.vx);
    _MM_TRANSPOSE4_PS(vx, vy, spinDelta, scaleDelta);

    const __m128 dx = _mm_sub_ps(x, _mm_set1_ps(cx));
    const __m128 dy = _mm_sub_ps(y, _mm_set1_ps(cy));
    const __m128 d2 = _mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy));
    // InvSqrt's one step.
    const __m128 guess = _mm_castsi128_ps(
        _mm_sub_epi32(_mm_set1_epi32(0x5F3759DF), _mm_srli_epi32(_mm_castps_si128(d2), 1)));
    const __m128 inv = _mm_mul_ps(
        guess,
        _mm_sub_ps(_mm_set1_ps(1.5f),
                   _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(d2, _mm_set1_ps(0.4999f)), guess), guess)));
    const __m128 nx = _mm_mul_ps(dx, inv);
    const __m128 ny = _mm_mul_ps(dy, inv);
    vx = _mm_add_ps(
        vx, _mm_mul_ps(step, _mm_sub_ps(_mm_mul_ps(radial, nx), _mm_mul_ps(tangential, ny))));
    vy = _mm_add_ps(
        vy, _mm_mul_ps(step, _mm_add_ps(_mm_mul_ps(radial, ny), _mm_mul_ps(tangential, nx))));
    vy = _mm_add_ps(vy, _mm_mul_ps(gravity, step));
    x = _mm_add_ps(x, _mm_mul_ps(vx, step));
    y = _mm_add_ps(y, _mm_mul_ps(vy, step));
    spin = _mm_add_ps(spin, _mm_mul_ps(spinDelta, step));
    scale = _mm_add_ps(scale, _mm_mul_ps(scaleDelta, step));

    _MM_TRANSPOSE4_PS(x, y, spin, scale);
    _mm_storeu_ps(&p0.x, x);
    _mm_storeu_ps(&p1.x, y);
    _mm_storeu_ps(&p2.x, spin);
    _mm_storeu_ps(&p3.x, scale);
    _MM_TRANSPOSE4_PS(vx, vy, spinDelta, scaleDelta);
    _mm_storeu_ps(&p0.vx, vx);
    _mm_storeu_ps(&p1.vx, vy);
    _mm_storeu_ps(&p2.vx, spinDelta);
    _mm_storeu_ps(&p3.vx, scaleDelta);
    _MM_TRANSPOSE4_PS(gravity, radial, tangential, age);
    _mm_storeu_ps(&p0.gravity, gravity);
    _mm_storeu_ps(&p1.gravity, radial);
    _mm_storeu_ps(&p2.gravity, tangential);
    _mm_storeu_ps(&p3.gravity, age);
    for (int k = 0; k < 4; ++k) {
        StepColour(particles[k], dt);
    }
    return true;
#else
    (void)particles;
    (void)dt;
    (void)cx;
    (void)cy;
    return false;
#endif
}

#if defined(VESK_PIXEL_SSE2)
// Rows a particle to lanes a particle within each 128-bit half, as _MM_TRANSPOSE4_PS does.
__attribute__((target("avx2"))) inline void Transpose4(__m256& a, __m256& b, __m256& c, __m256& d) {
    const __m256 t0 = _mm256_unpacklo_ps(a, b);
    const __m256 t1 = _mm256_unpackhi_ps(a, b);
    const __m256 t2 = _mm256_unpacklo_ps(c, d);
    const __m256 t3 = _mm256_unpackhi_ps(c, d);
    a = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
    b = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
    c = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
    d = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
}

// Four floats of particle k in the low half and of particle k + 4 in the high half.
__attribute__((target("avx2"))) inline __m256 LoadPair(const Particle* particles, int k,
                                                       size_t offset) {
    const auto* base = reinterpret_cast<const char*>(particles);
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(reinterpret_cast<const float*>(
                                    base + sizeof(Particle) * static_cast<size_t>(k) + offset))),
                                _mm_loadu_ps(reinterpret_cast<const float*>(
                                    base + sizeof(Particle) * static_cast<size_t>(k + 4) + offset)),
                                1);
}

__attribute__((target("avx2"))) inline void StorePair(Particle* particles, int k, size_t offset,
                                                      __m256 v) {
    auto* base = reinterpret_cast<char*>(particles);
    _mm_storeu_ps(
        reinterpret_cast<float*>(base + sizeof(Particle) * static_cast<size_t>(k) + offset),
        _mm256_castps256_ps128(v));
    _mm_storeu_ps(
        reinterpret_cast<float*>(base + sizeof(Particle) * static_cast<size_t>(k + 4) + offset),
        _mm256_extractf128_ps(v, 1));
}

// StepFour's arithmetic for eight particles in a row.
__attribute__((target("avx2"))) bool StepEight(Particle* particles, float dt, float cx, float cy) {
    __m256 gravity = LoadPair(particles, 0, offsetof(Particle, gravity));
    __m256 radial = LoadPair(particles, 1, offsetof(Particle, gravity));
    __m256 tangential = LoadPair(particles, 2, offsetof(Particle, gravity));
    __m256 age = LoadPair(particles, 3, offsetof(Particle, gravity));
    Transpose4(gravity, radial, tangential, age);
    const __m256 step = _mm256_set1_ps(dt);
    age = _mm256_add_ps(age, step);
    const __m256 life =
        _mm256_setr_ps(particles[0].life, particles[1].life, particles[2].life, particles[3].life,
                       particles[4].life, particles[5].life, particles[6].life, particles[7].life);
    if (_mm256_movemask_ps(_mm256_cmp_ps(age, life, _CMP_GE_OQ)) != 0) {
        return false;
    }
    __m256 x = LoadPair(particles, 0, offsetof(Particle, x));
    __m256 y = LoadPair(particles, 1, offsetof(Particle, x));
    __m256 spin = LoadPair(particles, 2, offsetof(Particle, x));
    __m256 scale = LoadPair(particles, 3, offsetof(Particle, x));
    Transpose4(x, y, spin, scale);
    __m256 vx = LoadPair(particles, 0, offsetof(Particle, vx));
    __m256 vy = LoadPair(particles, 1, offsetof(Particle, vx));
    __m256 spinDelta = LoadPair(particles, 2, offsetof(Particle, vx));
    __m256 scaleDelta = LoadPair(particles, 3, offsetof(Particle, vx));
    Transpose4(vx, vy, spinDelta, scaleDelta);

    const __m256 dx = _mm256_sub_ps(x, _mm256_set1_ps(cx));
    const __m256 dy = _mm256_sub_ps(y, _mm256_set1_ps(cy));
    const __m256 d2 = _mm256_add_ps(_mm256_mul_ps(dx, dx), _mm256_mul_ps(dy, dy));
    const __m256 guess = _mm256_castsi256_ps(_mm256_sub_epi32(
        _mm256_set1_epi32(0x5F3759DF), _mm256_srli_epi32(_mm256_castps_si256(d2), 1)));
    const __m256 inv = _mm256_mul_ps(
        guess, _mm256_sub_ps(
                   _mm256_set1_ps(1.5f),
                   _mm256_mul_ps(_mm256_mul_ps(_mm256_mul_ps(d2, _mm256_set1_ps(0.4999f)), guess),
                                 guess)));
    const __m256 nx = _mm256_mul_ps(dx, inv);
    const __m256 ny = _mm256_mul_ps(dy, inv);
    vx = _mm256_add_ps(vx, _mm256_mul_ps(step, _mm256_sub_ps(_mm256_mul_ps(radial, nx),
                                                             _mm256_mul_ps(tangential, ny))));
    vy = _mm256_add_ps(vy, _mm256_mul_ps(step, _mm256_add_ps(_mm256_mul_ps(radial, ny),
                                                             _mm256_mul_ps(tangential, nx))));
    vy = _mm256_add_ps(vy, _mm256_mul_ps(gravity, step));
    x = _mm256_add_ps(x, _mm256_mul_ps(vx, step));
    y = _mm256_add_ps(y, _mm256_mul_ps(vy, step));
    spin = _mm256_add_ps(spin, _mm256_mul_ps(spinDelta, step));
    scale = _mm256_add_ps(scale, _mm256_mul_ps(scaleDelta, step));

    Transpose4(x, y, spin, scale);
    StorePair(particles, 0, offsetof(Particle, x), x);
    StorePair(particles, 1, offsetof(Particle, x), y);
    StorePair(particles, 2, offsetof(Particle, x), spin);
    StorePair(particles, 3, offsetof(Particle, x), scale);
    Transpose4(vx, vy, spinDelta, scaleDelta);
    StorePair(particles, 0, offsetof(Particle, vx), vx);
    StorePair(particles, 1, offsetof(Particle, vx), vy);
    StorePair(particles, 2, offsetof(Particle, vx), spinDelta);
    StorePair(particles, 3, offsetof(Particle, vx), scaleDelta);
    Transpose4(gravity, radial, tangential, age);
    StorePair(particles, 0, offsetof(Particle, gravity), gravity);
    StorePair(particles, 1, offsetof(Particle, gravity), radial);
    StorePair(particles, 2, offsetof(Particle, gravity), tangential);
    StorePair(particles, 3, offsetof(Particle, gravity), age);
    for (int k = 0; k < 8; ++k) {
        StepColour(particles[k], dt);
    }
    return true;
}
#endif

// Truncation toward zero that stays defined for any float.
int32_t Trunc(float v) {
    if (!(v > -2147483520.0f)) {
        return std::isnan(v) ? 0 : INT32_MIN;
    }
    if (v > 2147483520.0f) {
        return INT32_MAX;
    }
    return static_cast<int32_t>(v);
}

// Runaway numbers from a wild definition are not drawn: far off the screen, or so large that
// the blit's integer arithmetic would overflow. Within these bounds every conversion of a place
// or a size to an integer is an exact truncation.
bool Drawable(float x, float y, float size, float turn) {
    return std::abs(x) < kFar && std::abs(y) < kFar && size < kFar && std::isfinite(turn);
}

// Trunc then clamped to 0..255, without branches: NaN and anything below 0 give 0.
int32_t ChannelByte(float v) {
    float c = 255.0f * v;
    c = c > 0.0f ? c : 0.0f;
    c = c < 255.0f ? c : 255.0f;
    return static_cast<int32_t>(c);
}

}  // namespace

void zmParticleSystem::SeedRandom(uint32_t seed) {
    gRandomState = seed;
    gRandomSeeded = true;
}

float zmParticleSystem::Random(float lo, float hi) {
    gRandomState = gRandomState * 214013u + 2531011u;
    const float r = static_cast<float>((gRandomState >> 16) & 0xFFFF) * (1.0f / 65535.0f);
    return lo + (hi - lo) * r;
}

float zmParticleSystem::InvSqrt(float v) {
    const float y = std::bit_cast<float>(0x5F3759DFu - (std::bit_cast<uint32_t>(v) >> 1));
    return y * (1.5f - v * 0.4999f * y * y);
}

bool zmParticleSystem::InsidePolygon(std::span<const Point> closed, int32_t px, int32_t py) {
    // Coordinates this far out mean nothing on screen; bounding them keeps the products in
    // 64 bits.
    auto bound = [](int32_t v) { return std::clamp<int64_t>(v, -kClipLimit, kClipLimit); };
    const int64_t x = bound(px);
    const int64_t y = bound(py);
    int winding = 0;
    for (size_t i = 0; i + 1 < closed.size(); ++i) {
        const int64_t ax = bound(closed[i].x);
        const int64_t ay = bound(closed[i].y);
        const int64_t bx = bound(closed[i + 1].x);
        const int64_t by = bound(closed[i + 1].y);
        const int64_t isLeft = (bx - ax) * (y - ay) - (x - ax) * (by - ay);
        if (ay <= y && y < by && isLeft > 0) {
            ++winding;
        } else if (by <= y && y < ay && isLeft < 0) {
            --winding;
        }
    }
    return winding != 0;
}

bool zmParticleSystem::ReadDefinition(std::span<const uint8_t> bytes, DefinitionFile& out,
                                      std::string& error) {
    out = DefinitionFile();
    if (bytes.size() < kParameterBytes) {
        error = "parameter block of " + std::to_string(bytes.size()) + " bytes, not 128";
        return false;
    }
    ByteReader in(bytes);
    Definition& d = out.mDefinition;
    in.Skip(4);
    d.mRate = in.I32();
    for (float* f : {&d.mDuration, &d.mLifeMin, &d.mLifeMax, &d.mDirection, &d.mSpread}) {
        *f = in.F32();
    }
    d.mRelative = in.U8();
    in.Skip(3);
    for (float* f :
         {&d.mSpeedMin, &d.mSpeedMax, &d.mGravityMin, &d.mGravityMax, &d.mRadialMin, &d.mRadialMax,
          &d.mTangentialMin, &d.mTangentialMax, &d.mScaleStart, &d.mScaleEnd, &d.mScaleVariance,
          &d.mSpinStart, &d.mSpinEnd, &d.mSpinVariance}) {
        *f = in.F32();
    }
    for (float& f : d.mColorStart) {
        f = in.F32();
    }
    for (float& f : d.mColorEnd) {
        f = in.F32();
    }
    d.mColorVariance = in.F32();
    d.mAlphaVariance = in.F32();

    if (in.Failed()) {
        error = in.Error() + " in the parameter block";
        return false;
    }

    while (!in.AtEnd()) {
        const std::string at = std::to_string(in.Position());
        const uint8_t tag = in.U8();
        switch (tag) {
            case 0:
                out.mAdditive = in.U8();
                break;
            case 1:
                out.mX = in.F32();
                out.mY = in.F32();
                out.mHasPosition = true;
                break;
            case 2: {
                const uint32_t length = in.U32();
                if (!in.Failed() && length > kMaxImageName) {
                    error = "image name of " + std::to_string(length) + " bytes at byte " + at;
                    return false;
                }
                const std::span<const uint8_t> name = in.Take(length);
                const auto zero = std::find(name.begin(), name.end(), uint8_t{0});
                out.mImageName.assign(name.begin(), zero);
                break;
            }
            case 3:
                ReadPoints(in, out.mClip);
                break;
            case 4:
                ReadPoints(in, out.mPath);
                break;
            case 5:
                out.mPathValue = in.F32();
                out.mPathMode = in.I32();
                break;
            default:
                error = "unknown tag " + std::to_string(tag) + " at byte " + at;
                return false;
        }
        if (in.Failed()) {
            error = in.Error() + " in the record of tag " + std::to_string(tag) + " at byte " + at;
            return false;
        }
    }
    return true;
}

zmParticleSystem::zmParticleSystem() {
    if (!gRandomSeeded) {
        SeedRandom(gMersenneTwister.Next());
    }
}

zmParticleSystem::zmParticleSystem(const std::string& fileName, float stepRate,
                                   const ImageLookup& images)
    : zmParticleSystem() {
    // A rate below 0 would make the fixed-step loop endless; it counts as variable steps.
    mStepLength = stepRate > 0.0f ? 1.0f / stepRate : 0.0f;

    std::string error;
    const std::optional<std::vector<uint8_t>> bytes = PakReadWholeFile(fileName, error);
    if (!bytes && error.empty()) {
        return;
    }
    if (bytes && bytes->size() > kMaxFileBytes) {
        error = "file too large";
    }
    DefinitionFile file;
    if (!error.empty() || !ReadDefinition(*bytes, file, error)) {
        mLoadError = "Bad particle definition " + fileName + ": " + error;
        return;
    }
    Apply(file, images);
}

zmParticleSystem::zmParticleSystem(const DefinitionFile& file, float stepRate,
                                   const ImageLookup& images)
    : zmParticleSystem() {
    mStepLength = stepRate > 0.0f ? 1.0f / stepRate : 0.0f;
    Apply(file, images);
}

void zmParticleSystem::Apply(const DefinitionFile& file, const ImageLookup& images) {
    mDefinition = file.mDefinition;
    mDefinition.mImage = nullptr;
    mAdditive = file.mAdditive;
    if (file.mHasPosition) {
        mPrevX = mCurX = file.mX;
        mPrevY = mCurY = file.mY;
    }
    mImageName = file.mImageName;
    mClip = file.mClip;
    mPath = file.mPath;
    mPathValue = file.mPathValue;
    mPathMode = file.mPathMode;
    if (!mImageName.empty() && images) {
        mDefinition.mImage = images(mImageName);
    }
}

zmParticleSystem::~zmParticleSystem() = default;

std::unique_ptr<zmParticleSystem> zmParticleSystem::zmParticleSystemCopy(
    const zmParticleSystem& other) {
    std::unique_ptr<zmParticleSystem> copy(new zmParticleSystem());
    copy->mDefinition = other.mDefinition;
    copy->mAdditive = other.mAdditive;
    copy->mClip = other.mClip;
    copy->mPath = other.mPath;
    copy->mPathValue = other.mPathValue;
    copy->mPathMode = other.mPathMode;
    copy->mImageName = other.mImageName;
    copy->mAccelerated = other.mAccelerated;
    copy->mCurX = other.mPrevX;
    copy->mCurY = other.mPrevY;
    return copy;
}

void zmParticleSystem::Update(float elapsed) {
    if (mStepLength == 0.0f) {
        Step(elapsed);
        return;
    }
    mStepAccumulator += elapsed;
    if (!(mStepAccumulator >= mStepLength)) {
        if (!std::isfinite(mStepAccumulator)) {
            mStepAccumulator = 0.0f;
        }
        return;
    }
    Step(mStepLength);
    mStepAccumulator -= mStepLength;
    if (mStepAccumulator >= mStepLength) {
        // Long pauses drop their whole steps at once rather than one subtraction at a time.
        mStepAccumulator =
            std::isfinite(mStepAccumulator) ? std::fmod(mStepAccumulator, mStepLength) : 0.0f;
    }
}

void zmParticleSystem::Step(float dt) {
    if (mClock >= 0.0f) {
        mClock += dt;
        if (mClock >= mDefinition.mDuration) {
            mClock = kUnplaced;
        }
    }

    const float cx = mCurX;
    const float cy = mCurY;
#if defined(VESK_PIXEL_SSE2)
    const bool eight = PixelSimd::HasAvx2();
#else
    const bool eight = false;
#endif
    for (int32_t i = 0; i < mLiveCount;) {
#if defined(VESK_PIXEL_SSE2)
        if (eight && i + 8 <= mLiveCount && StepEight(&mParticles[i], dt, cx, cy)) {
            i += 8;
            continue;
        }
#endif
        if (i + 4 <= mLiveCount && StepFour(&mParticles[i], dt, cx, cy)) {
            i += 4;
            continue;
        }
        Particle& p = mParticles[i];
        p.age += dt;
        if (p.age >= p.life) {
            --mLiveCount;
            p = mParticles[mLiveCount];
            continue;
        }
        const float dx = p.x - cx;
        const float dy = p.y - cy;
        const float inv = InvSqrt(dx * dx + dy * dy);
        const float nx = dx * inv;
        const float ny = dy * inv;
        p.vx += dt * (p.radial * nx - p.tangential * ny);
        p.vy += dt * (p.radial * ny + p.tangential * nx);
        p.vy += p.gravity * dt;
        // value + rate * step, lane by lane: x, y, spin and scale, then the colour.
        StoreLanes(p, offsetof(Particle, x),
                   LoadLanes(p, offsetof(Particle, x)) + LoadLanes(p, offsetof(Particle, vx)) * dt);
        StepColour(p, dt);
        ++i;
    }

    if (mClock != kUnplaced) {
        Emit(dt);
    }
    mPrevX = mCurX;
    mPrevY = mCurY;
}

void zmParticleSystem::Emit(float dt) {
    const Definition& d = mDefinition;
    const float amount = dt * static_cast<float>(d.mRate) + mCarry;
    // Counted in floats: a wild rate must not overflow an integer.
    const float count = std::trunc(amount);
    mCarry = amount - count;
    for (float made = 0.0f; made < count && mLiveCount < kMaxParticles; made += 1.0f) {
        Particle& p = mParticles[mLiveCount++];
        p.age = 0.0f;
        p.life = Random(d.mLifeMin, d.mLifeMax);
        const float t = Random(0.0f, 1.0f);
        p.x = mPrevX + t * (mCurX - mPrevX);
        p.y = mPrevY + t * (mCurY - mPrevY);
        p.x += Random(-2.0f, 2.0f);
        p.y += Random(-2.0f, 2.0f);

        float angle = Random(0.0f, d.mSpread) + (d.mDirection - kHalfPi) - d.mSpread * 0.5f;
        if (d.mRelative != 0) {
            angle += std::atan2(mPrevY - mCurY, mPrevX - mCurX) + kHalfPi;
        }
        const float speed = Random(d.mSpeedMin, d.mSpeedMax);
        p.vx = std::cos(angle) * speed;
        p.vy = std::sin(angle) * speed;

        p.gravity = Random(d.mGravityMin, d.mGravityMax);
        p.radial = Random(d.mRadialMin, d.mRadialMax);
        p.tangential = Random(d.mTangentialMin, d.mTangentialMax);

        p.scale =
            Random(d.mScaleStart, d.mScaleStart + (d.mScaleEnd - d.mScaleStart) * d.mScaleVariance);
        p.scaleDelta = (d.mScaleEnd - p.scale) / p.life;
        p.spin = Random(d.mSpinStart, d.mSpinStart + (d.mSpinEnd - d.mSpinStart) * d.mSpinVariance);
        p.spinDelta = (d.mSpinEnd - p.spin) / p.life;
        for (int c = 0; c < 4; ++c) {
            const float variance = c < 3 ? d.mColorVariance : d.mAlphaVariance;
            const float start = d.mColorStart[c];
            p.color[c] = Random(start, start + (d.mColorEnd[c] - start) * variance);
            p.colorDelta[c] = (d.mColorEnd[c] - p.color[c]) / p.life;
        }
    }
}

void zmParticleSystem::MoveTo(float x, float y, bool drag) {
    if (!drag) {
        if (mClock == kUnplaced) {
            mPrevX = x;
            mPrevY = y;
        } else {
            mPrevX = mCurX;
            mPrevY = mCurY;
        }
        mCurX = x;
        mCurY = y;
        return;
    }
    const float dx = x - mCurX;
    const float dy = y - mCurY;
    for (int32_t i = 0; i < mLiveCount; ++i) {
        mParticles[i].x += dx;
        mParticles[i].y += dy;
    }
    mPrevX += dx;
    mPrevY += dy;
    mCurX = x;
    mCurY = y;
}

void zmParticleSystem::FlagUnplaced() {
    mClock = kUnplaced;
}

void zmParticleSystem::RestartClock() {
    mClock = mDefinition.mDuration == kUnlimited ? kUnlimited : 0.0f;
    mStepAccumulator = 0.0f;
}

void zmParticleSystem::ResetAt(float x, float y) {
    FlagUnplaced();
    MoveTo(x, y, false);
    RestartClock();
}

struct zmParticleSystem::StampBatch {
    static constexpr size_t kSize = 64;
    std::array<Graphics::ImageStamp, kSize> mStamps;
    size_t mCount = 0;
    // Stamps inside the clip may go straight to the target, skipping the context's placing.
    MemoryImage* mTarget = nullptr;
    int32_t mShiftX = 0;
    int32_t mShiftY = 0;
    Rect mClip;

    void Flush(Graphics* g) {
        if (mCount != 0) {
            g->DrawImageStamps(std::span(mStamps.data(), mCount));
            mCount = 0;
        }
    }
    void Add(Graphics* g, MemoryImage* sprite, int32_t x, int32_t y, const Color& color) {
        mStamps[mCount++] = {sprite, x, y, color};
        if (mCount == kSize) {
            Flush(g);
        }
    }
};

struct zmParticleSystem::Placement {
    float x;
    float y;
    // The stretched image's place and size.
    int32_t left;
    int32_t top;
    int32_t w;
    int32_t h;
    Color color;
};

bool zmParticleSystem::Place(const Particle& p, Placement& out) const {
    out.x = mDrawOffsetX + p.x;
    out.y = mDrawOffsetY + p.y;
    const Image* image = mDefinition.mImage;
    const float size =
        std::abs(p.scale) * static_cast<float>(std::max(image->mWidth, image->mHeight));
    if (!Drawable(out.x, out.y, size, p.spin * p.age)) {
        return false;
    }
    const float width = static_cast<float>(image->mWidth) * p.scale;
    const float height = static_cast<float>(image->mHeight) * p.scale;
    out.left = static_cast<int32_t>(out.x - width * 0.5f);
    out.top = static_cast<int32_t>(out.y - height * 0.5f);
    out.w = static_cast<int32_t>(width);
    out.h = static_cast<int32_t>(height);
    out.color = Color(ChannelByte(p.color[0]), ChannelByte(p.color[1]), ChannelByte(p.color[2]),
                      ChannelByte(p.color[3]));
    return true;
}

void zmParticleSystem::Draw(Graphics* g) {
    Image* image = mDefinition.mImage;
    if (image == nullptr || g == nullptr) {
        return;
    }
    if (mScaledFrom != image) {
        mLastScaled = nullptr;
        mSmallSprites.reset();
    }
    const DrawMode savedMode = g->GetDrawMode();
    if (mAdditive != 0 && savedMode == kDrawModeNormal) {
        g->SetDrawMode(kDrawModeAdditive);
    } else if (mAdditive == 0 && savedMode == kDrawModeAdditive) {
        g->SetDrawMode(kDrawModeNormal);
    }
    const bool savedColorize = g->GetColorizeImages();
    g->SetColorizeImages(true);
    const Color savedColor = g->GetColor();

    const bool clipped = mClip.size() >= 3;
    if (clipped) {
        mClip.push_back(mClip.front());
    }
    StampBatch batch;
    batch.mTarget = g->SpriteTarget(batch.mShiftX, batch.mShiftY, batch.mClip);
    if (batch.mTarget != nullptr && !mAccelerated && mAdditive != 0) {
        DrawAdded(g, batch, clipped);
    } else {
        for (int32_t i = 0; i < mLiveCount; ++i) {
            const Particle& p = mParticles[i];
            if (clipped &&
                !InsidePolygon(mClip, Trunc(p.x + mDrawOffsetX), Trunc(p.y + mDrawOffsetY))) {
                continue;
            }
            DrawParticle(g, p, batch);
        }
    }
    batch.Flush(g);
    if (clipped) {
        mClip.pop_back();
    }

    g->SetColor(savedColor);
    g->SetColorizeImages(savedColorize);
    g->SetDrawMode(savedMode);
}

void zmParticleSystem::DrawAdded(Graphics* g, StampBatch& batch, bool clipped) {
    const SpriteAdder adder(*batch.mTarget);
    if (!mSmallSprites) {
        mSmallSprites = std::make_unique<const uint32_t*[]>(kSmallSide * kSmallSide);
    }
    // Where a sprite may lie, in the particles' frame, to be wholly inside the clip.
    const Rect& clip = batch.mClip;
    const int64_t minX = int64_t{clip.mX} - batch.mShiftX;
    const int64_t minY = int64_t{clip.mY} - batch.mShiftY;
    const int64_t maxX = minX + clip.mWidth;
    const int64_t maxY = minY + clip.mHeight;
    // Placed a batch at a time: the adder's loop over them is its own.
    constexpr size_t kBatch = 64;
    std::array<SpriteAdder::Placed, kBatch> placed;
    size_t count = 0;
    const Image* image = mDefinition.mImage;
    const auto imageW = static_cast<float>(image->mWidth);
    const auto imageH = static_cast<float>(image->mHeight);
    const auto side = static_cast<float>(std::max(image->mWidth, image->mHeight));
    for (int32_t i = 0; i < mLiveCount; ++i) {
        const Particle& p = mParticles[i];
        // The records come from far caches: a system's 500 fill 42 KB.
        __builtin_prefetch(&p + 16);
        if (clipped &&
            !InsidePolygon(mClip, Trunc(p.x + mDrawOffsetX), Trunc(p.y + mDrawOffsetY))) {
            continue;
        }
        // Place's steps, kept in registers: most particles take only these.
        const float x = mDrawOffsetX + p.x;
        const float y = mDrawOffsetY + p.y;
        if (!Drawable(x, y, std::abs(p.scale) * side, p.spin * p.age)) {
            continue;
        }
        const float width = imageW * p.scale;
        const float height = imageH * p.scale;
        const auto left = static_cast<int32_t>(x - width * 0.5f);
        const auto top = static_cast<int32_t>(y - height * 0.5f);
        const auto w = static_cast<int32_t>(width);
        const auto h = static_cast<int32_t>(height);
        // Unsigned, a side below 1 is out of range too.
        const auto column = static_cast<uint32_t>(w - 1);
        const auto row = static_cast<uint32_t>(h - 1);
        const uint32_t* sprite = nullptr;
        if (column < kSmallSide && row < kSmallSide) {
            sprite = mSmallSprites[row * kSmallSide + column];
            if (sprite == nullptr) {
                sprite = NewSmallSprite(w, h, adder);
            }
        }
        if (sprite == nullptr) {
            // The rest keep their order.
            adder.Add(std::span(placed.data(), count));
            count = 0;
            DrawParticle(g, p, batch);
            continue;
        }
        // Cut to the clip as the context cuts a stamp; wholly outside, nothing is drawn.
        const int64_t cutLeft = std::max<int64_t>(left, minX);
        const int64_t cutTop = std::max<int64_t>(top, minY);
        const int64_t cutRight = std::min<int64_t>(int64_t{left} + w, maxX);
        const int64_t cutBottom = std::min<int64_t>(int64_t{top} + h, maxY);
        if (cutLeft >= cutRight || cutTop >= cutBottom) {
            continue;
        }
        batch.Flush(g);
        placed[count++] = {sprite + static_cast<size_t>(cutTop - top) * static_cast<size_t>(w) +
                               static_cast<size_t>(cutLeft - left),
                           adder.At(static_cast<int32_t>(cutLeft + batch.mShiftX),
                                    static_cast<int32_t>(cutTop + batch.mShiftY)),
                           static_cast<size_t>(w),
                           static_cast<int32_t>(cutRight - cutLeft),
                           static_cast<int32_t>(cutBottom - cutTop),
                           SpriteAdder::TintOf(p.color)};
        if (count == kBatch) {
            adder.Add(placed);
            count = 0;
        }
    }
    adder.Add(std::span(placed.data(), count));
}

void zmParticleSystem::DrawParticle(Graphics* g, const Particle& p, StampBatch& batch) {
    Placement at;
    if (!Place(p, at)) {
        return;
    }
    Image* image = mDefinition.mImage;
    if (!mAccelerated && mAdditive != 0) {
        // Neighbouring particles are mostly of one size.
        MemoryImage* scaled = at.w == mLastScaledW && at.h == mLastScaledH ? mLastScaled : nullptr;
        if (scaled == nullptr) {
            scaled = ScaledSprite(at.w, at.h);
            mLastScaled = scaled;
            mLastScaledW = at.w;
            mLastScaledH = at.h;
        }
        if (scaled != nullptr) {
            // Batched: the sprite of its size added unstretched, as most particles are drawn.
            batch.Add(g, scaled, at.left, at.top, at.color);
            return;
        }
        batch.Flush(g);
        g->SetColor(at.color);
        g->DrawImageStretched(image, at.left, at.top, at.w, at.h);
        return;
    }
    batch.Flush(g);
    g->SetColor(at.color);
    Transform2D transform;
    transform.Rotate(p.spin * p.age);
    transform.Scale(p.scale, p.scale);
    if (mAccelerated) {
        g->DrawImageTransformF(image, transform, at.x, at.y);
    } else {
        g->DrawImageTransform(image, transform, at.x, at.y);
    }
}

const uint32_t* zmParticleSystem::NewSmallSprite(int32_t w, int32_t h, const SpriteAdder& adder) {
    MemoryImage* sprite = ScaledSprite(w, h);
    if (sprite == nullptr || !adder.Takes(*sprite)) {
        return nullptr;
    }
    return mSmallSprites[static_cast<size_t>((h - 1) * kSmallSide + (w - 1))] = sprite->mBits.get();
}

MemoryImage* zmParticleSystem::ScaledSprite(int32_t w, int32_t h) {
    if (mScaledFrom != mDefinition.mImage) {
        mScaled.clear();
        mScaledCount = 0;
        mScaledFrom = mDefinition.mImage;
    }
    if (w < 1 || h < 1 || w > kMaxScaledSide || h > kMaxScaledSide) {
        return nullptr;
    }
    if (mScaled.empty()) {
        mScaled.resize(kMaxScaledSide + 1);
    }
    auto& column = mScaled[static_cast<size_t>(w)];
    for (const auto& [height, sprite] : column) {
        if (height == h) {
            return sprite.get();
        }
    }
    if (mScaledCount >= kMaxScaledSprites) {
        return nullptr;
    }
    // Stretched onto opaque black by addition: what a stretched additive draw of the sprite
    // would add, so adding this unstretched gives the same picture.
    auto sprite = std::make_unique<MemoryImage>();
    sprite->Create(w, h);
    std::fill_n(sprite->GetBits(), static_cast<size_t>(w) * static_cast<size_t>(h), 0xFF000000u);
    sprite->BitsChanged();
    Graphics g(sprite.get());
    g.SetDrawMode(kDrawModeAdditive);
    g.DrawImageStretched(mDefinition.mImage, 0, 0, w, h);
    sprite->CommitBits();
    ++mScaledCount;
    return column.emplace_back(h, std::move(sprite)).second.get();
}

void zmParticleSystem::Save(ByteWriter& out) const {
    out.WriteF32(mClock);
    out.WriteF32(mCurX);
    out.WriteF32(mCurY);
}

void zmParticleSystem::Load(ByteReader& in) {
    const float clock = in.F32();
    const float x = in.F32();
    const float y = in.F32();
    if (!in.Failed() && clock > kUnplaced) {
        ResetAt(x, y);
    }
}

}  // namespace Vesk
