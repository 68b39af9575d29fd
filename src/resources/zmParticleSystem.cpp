#include "resources/zmParticleSystem.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>

#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "graphics/MemoryImage.h"
#include "graphics/SpriteAdder.h"
#include "resources/PakInterface.h"
#include "resources/ParticleLanes.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"
#include "util/MersenneTwister.h"
#include "util/Transform2D.h"

namespace Vesk {

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr size_t kParameterBytes = 128;
constexpr uint32_t kMaxImageName = 259;
// No definition comes near this; anything larger is refused undecoded.
constexpr size_t kMaxFileBytes = 16L << 20;
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

using Particle = zmParticleSystem::Particle;
using namespace ParticleLanes;
static_assert(sizeof(Particle) == 21 * sizeof(float));

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

    static_assert(kLanes == kBlock);
    const float cx = mCurX;
    const float cy = mCurY;
    for (int32_t i = 0; i < mLiveCount;) {
        const int32_t start = i - i % kLanes;
        const int32_t n = std::min(kLanes, mLiveCount - start);
        const auto next = static_cast<size_t>(start / kLanes + 1);
        if (i == start && n == kLanes && next < mBlocks.size()) {
            // The next block, fetched while this one steps: a block's rows are read out of
            // order, which the processor's own fetching ahead does not follow.
            for (size_t k = 0; k < kValues; ++k) {
                __builtin_prefetch(mBlocks[next].mValue[k], 1);
            }
        }
        const int32_t stop = StepBlock(mBlocks[static_cast<size_t>(start / kLanes)].mValue[0],
                                       i - start, n, dt, cx, cy);
        i = start + stop;
        if (stop < n) {
            // Dead: the last live particle takes its slot and is stepped there.
            --mLiveCount;
            SetParticle(i, GetParticle(mLiveCount));
        }
    }

    if (mClock != kUnplaced) {
        Emit(dt);
    }
    mPrevX = mCurX;
    mPrevY = mCurY;
}

zmParticleSystem::Particle zmParticleSystem::GetParticle(int32_t i) const {
    const Block& block = mBlocks[static_cast<size_t>(i / kLanes)];
    const auto lane = static_cast<size_t>(i % kLanes);
    float values[kValues];
    for (size_t k = 0; k < kValues; ++k) {
        values[k] = block.mValue[k][lane];
    }
    Particle p;
    std::memcpy(&p, values, sizeof p);
    return p;
}

void zmParticleSystem::SetParticle(int32_t i, const Particle& p) {
    Block& block = mBlocks[static_cast<size_t>(i / kLanes)];
    const auto lane = static_cast<size_t>(i % kLanes);
    float values[kValues];
    std::memcpy(values, &p, sizeof values);
    for (size_t k = 0; k < kValues; ++k) {
        block.mValue[k][lane] = values[k];
    }
}

void zmParticleSystem::Emit(float dt) {
    const Definition& d = mDefinition;
    const float amount = dt * static_cast<float>(d.mRate) + mCarry;
    // Counted in floats: a wild rate must not overflow an integer.
    const float count = std::trunc(amount);
    mCarry = amount - count;
    for (float made = 0.0f; made < count && mLiveCount < kMaxParticles; made += 1.0f) {
        Particle p;
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
        SetParticle(mLiveCount++, p);
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
        Block& block = mBlocks[static_cast<size_t>(i / kLanes)];
        block.mValue[kX][i % kLanes] += dx;
        block.mValue[kY][i % kLanes] += dy;
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
            const Particle p = GetParticle(i);
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

struct zmParticleSystem::AddedSprites {
    AddedSprites(MemoryImage& target, const StampBatch& batch)
        : adder(target),
          shiftX(batch.mShiftX),
          shiftY(batch.mShiftY),
          minX(int64_t{batch.mClip.mX} - batch.mShiftX),
          minY(int64_t{batch.mClip.mY} - batch.mShiftY),
          maxX(minX + batch.mClip.mWidth),
          maxY(minY + batch.mClip.mHeight) {}
    void Flush() {
        adder.Add(std::span(placed.data(), count));
        count = 0;
    }

    const SpriteAdder adder;
    int32_t shiftX;
    int32_t shiftY;
    // Where a sprite may lie, in the particles' frame, to be wholly inside the clip.
    int64_t minX;
    int64_t minY;
    int64_t maxX;
    int64_t maxY;
    // Placed a batch at a time: the adder's loop over them is its own.
    std::array<SpriteAdder::Placed, 64> placed;
    size_t count = 0;
};

void zmParticleSystem::DrawAdded(Graphics* g, StampBatch& batch, bool clipped) {
    AddedSprites added(*batch.mTarget, batch);
    if (!mSmallSprites) {
        mSmallSprites = std::make_unique<const uint32_t*[]>(kSmallSide * kSmallSide);
    }
    static_assert(kSmallSide == kTableSide);
    // Bounds far outside every place a particle may be drawn keep the sums below in range.
    static constexpr int64_t kBound = int64_t{1} << 30;
    const auto bound = [](int64_t v) {
        return static_cast<int32_t>(std::clamp(v, -kBound, kBound));
    };
    const Image* image = mDefinition.mImage;
    const PlaceFrame frame{mDrawOffsetX,
                           mDrawOffsetY,
                           static_cast<float>(image->mWidth),
                           static_cast<float>(image->mHeight),
                           static_cast<float>(std::max(image->mWidth, image->mHeight)),
                           bound(added.minX),
                           bound(added.minY),
                           bound(added.maxX),
                           bound(added.maxY),
                           added.shiftX,
                           added.shiftY,
                           static_cast<uint32_t>(added.adder.Stride())};
    uint32_t* const bits = added.adder.Bits();
    for (int32_t start = 0; start < mLiveCount; start += kLanes) {
        const Block& block = mBlocks[static_cast<size_t>(start / kLanes)];
        const int32_t n = std::min(kLanes, mLiveCount - start);
        // The next block's values drawing reads, fetched while this one is drawn: the step
        // before went through every system, and these are in far caches by now.
        const auto next = static_cast<size_t>(start / kLanes + 1);
        if (n == kLanes && next < mBlocks.size()) {
            for (size_t k = 0; k < kDrawnValues; ++k) {
                __builtin_prefetch(mBlocks[next].mValue[k], 0, 0);
            }
        }
        Places at;
        PlaceBlock(block.mValue[0], n, frame, at);
        for (int32_t lane = 0; lane < n; ++lane) {
            if (at.drawn[lane] == 0) {
                continue;
            }
            if (!clipped && at.quick[lane] != 0) {
                const uint32_t* sprite = mSmallSprites[static_cast<size_t>(at.entry[lane])];
                if (sprite != nullptr) {
                    batch.Flush(g);
                    added.placed[added.count++] = {sprite,
                                                   bits + at.offset[lane],
                                                   static_cast<size_t>(at.w[lane]),
                                                   at.w[lane],
                                                   at.h[lane],
                                                   at.tint[lane]};
                    if (added.count == added.placed.size()) {
                        added.Flush();
                    }
                    continue;
                }
            }
            if (clipped && !InsidePolygon(mClip, Trunc(block.mValue[kX][lane] + mDrawOffsetX),
                                          Trunc(block.mValue[kY][lane] + mDrawOffsetY))) {
                continue;
            }
            AddPlaced(g, batch, added, start + lane, at.left[lane], at.top[lane], at.w[lane],
                      at.h[lane], at.tint[lane]);
        }
    }
    added.Flush();
}

void zmParticleSystem::AddPlaced(Graphics* g, StampBatch& batch, AddedSprites& added, int32_t i,
                                 int32_t left, int32_t top, int32_t w, int32_t h, uint32_t tint) {
    // Unsigned, a side below 1 is out of range too.
    const auto column = static_cast<uint32_t>(w - 1);
    const auto row = static_cast<uint32_t>(h - 1);
    const uint32_t* sprite = nullptr;
    if (column < kSmallSide && row < kSmallSide) {
        sprite = mSmallSprites[row * kSmallSide + column];
        if (sprite == nullptr) {
            sprite = NewSmallSprite(w, h, added.adder);
        }
    }
    if (sprite == nullptr) {
        // The rest keep their order.
        added.Flush();
        DrawParticle(g, GetParticle(i), batch);
        return;
    }
    // Cut to the clip as the context cuts a stamp; wholly outside, nothing is drawn.
    const int64_t cutLeft = std::max<int64_t>(left, added.minX);
    const int64_t cutTop = std::max<int64_t>(top, added.minY);
    const int64_t cutRight = std::min<int64_t>(int64_t{left} + w, added.maxX);
    const int64_t cutBottom = std::min<int64_t>(int64_t{top} + h, added.maxY);
    if (cutLeft >= cutRight || cutTop >= cutBottom) {
        return;
    }
    batch.Flush(g);
    added.placed[added.count++] = {sprite +
                                       static_cast<size_t>(cutTop - top) * static_cast<size_t>(w) +
                                       static_cast<size_t>(cutLeft - left),
                                   added.adder.At(static_cast<int32_t>(cutLeft + added.shiftX),
                                                  static_cast<int32_t>(cutTop + added.shiftY)),
                                   static_cast<size_t>(w),
                                   static_cast<int32_t>(cutRight - cutLeft),
                                   static_cast<int32_t>(cutBottom - cutTop),
                                   tint};
    if (added.count == added.placed.size()) {
        added.Flush();
    }
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
