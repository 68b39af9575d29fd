#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace Vesk {

class ByteReader;
class ByteWriter;
class Graphics;
class Image;
class MemoryImage;
class SpriteAdder;

// A 2-D particle emitter described by a definition file: a 128-byte parameter block, then
// tagged records. It emits along the path its emitter moved since the last step and draws every
// particle with one image. Times are in the caller's unit (the frame steps in seconds).
// Threads: one thread at a time; the shared random state is the main thread's once systems run.
class zmParticleSystem {
public:
    static constexpr int kMaxParticles = 500;
    // Emission clock values besides a running time.
    static constexpr float kUnplaced = -2.0f;
    static constexpr float kUnlimited = -1.0f;

    struct Point {
        int32_t x = 0;
        int32_t y = 0;
        bool operator==(const Point&) const = default;
    };

    // The parameter block, field for field.
    struct Definition {
        Image* mImage = nullptr;  // not owned; copies share it
        int32_t mRate = 0;
        float mDuration = 0.0f;
        float mLifeMin = 0.0f;
        float mLifeMax = 0.0f;
        float mDirection = 0.0f;
        float mSpread = 0.0f;
        uint8_t mRelative = 0;
        float mSpeedMin = 0.0f;
        float mSpeedMax = 0.0f;
        float mGravityMin = 0.0f;
        float mGravityMax = 0.0f;
        float mRadialMin = 0.0f;
        float mRadialMax = 0.0f;
        float mTangentialMin = 0.0f;
        float mTangentialMax = 0.0f;
        float mScaleStart = 0.0f;
        float mScaleEnd = 0.0f;
        float mScaleVariance = 0.0f;
        float mSpinStart = 0.0f;
        float mSpinEnd = 0.0f;
        float mSpinVariance = 0.0f;
        float mColorStart[4] = {};  // red, green, blue, alpha
        float mColorEnd[4] = {};
        float mColorVariance = 0.0f;
        float mAlphaVariance = 0.0f;
    };

    // Everything a definition file holds.
    struct DefinitionFile {
        Definition mDefinition;
        uint8_t mAdditive = 0;
        bool mHasPosition = false;
        float mX = 0.0f;
        float mY = 0.0f;
        std::string mImageName;
        std::vector<Point> mClip;
        std::vector<Point> mPath;
        float mPathValue = 0.0f;
        int32_t mPathMode = 0;
    };

    // One particle's values, as GetParticle gives them. Those drawing reads come first: they
    // are kept side by side.
    struct Particle {
        float x, y, spin, scale, age;
        float color[4];
        float vx, vy, spinDelta, scaleDelta;
        float colorDelta[4];
        float gravity, radial, tangential;
        float life;
    };

    // Answers the image of a definition by file name, or null. The answerer owns the image
    // and keeps it while any system may draw it.
    using ImageLookup = std::function<Image*(const std::string& name)>;

    // Parses a definition. False with a reason for a short parameter block, an unknown tag, a
    // record running past the end, an image name over 259 bytes or a number that is not finite.
    [[nodiscard]] static bool ReadDefinition(std::span<const uint8_t> bytes, DefinitionFile& out,
                                             std::string& error);

    // A missing file gives an empty system (no image, rate 0); so does a corrupt one, which also
    // leaves its reason in GetLoadError. A step rate above 0 runs fixed steps of 1 / rate.
    zmParticleSystem(const std::string& fileName, float stepRate, const ImageLookup& images = {});
    // The same from a definition already read.
    zmParticleSystem(const DefinitionFile& file, float stepRate, const ImageLookup& images = {});
    // A fresh unplaced system with other's definition, clip polygon and path; no particles.
    static std::unique_ptr<zmParticleSystem> zmParticleSystemCopy(const zmParticleSystem& other);
    zmParticleSystem(const zmParticleSystem&) = delete;
    zmParticleSystem& operator=(const zmParticleSystem&) = delete;
    ~zmParticleSystem();

    // With fixed steps, at most one step per call; whole steps beyond it are dropped.
    void Update(float elapsed);
    void Step(float dt);
    // Without drag the next step emits along the motion; with drag live particles move along.
    void MoveTo(float x, float y, bool drag);
    void ResetAt(float x, float y);
    void RestartClock();
    void FlagUnplaced();
    void Draw(Graphics* g);

    // Clock, current x, current y: 12 bytes.
    void Save(ByteWriter& out) const;
    // A clock above -2 starts a burst at the saved position; a short record changes nothing.
    void Load(ByteReader& in);

    int GetLiveCount() const { return mLiveCount; }
    // Slot i's values (0 <= i < kMaxParticles); slots from the live count on hold no particle.
    Particle GetParticle(int32_t i) const;
    void SetParticle(int32_t i, const Particle& p);
    const std::string& GetLoadError() const { return mLoadError; }

    // The one random sequence every system draws from: seeded once by the first system made
    // from the application's Mersenne twister, unless seeded before.
    static void SeedRandom(uint32_t seed);
    static float Random(float lo, float hi);
    // One-step fast inverse square root.
    static float InvSqrt(float v);
    // Nonzero winding number of the closed polygon (last point equal to the first).
    static bool InsidePolygon(std::span<const Point> closed, int32_t px, int32_t py);

    Definition mDefinition;
    std::vector<Point> mClip;
    std::vector<Point> mPath;
    uint8_t mAdditive = 0;
    std::string mImageName;
    int32_t mPathMode = 0;
    float mPathValue = 0.0f;
    float mStepLength = 0.0f;  // 0: variable steps
    float mStepAccumulator = 0.0f;
    float mClock = kUnplaced;
    float mCarry = 0.0f;
    float mPrevX = 0.0f;
    float mPrevY = 0.0f;
    float mCurX = 0.0f;
    float mCurY = 0.0f;
    float mDrawOffsetX = 0.0f;
    float mDrawOffsetY = 0.0f;
    // Draws through rotated float placement, as on a 3-D device.
    bool mAccelerated = false;
    int32_t mLiveCount = 0;

private:
    // Particles are kept a value at a time for kLanes of them: a step or a placing loads one
    // value of eight particles at once, and drawing reads only the values it needs.
    static constexpr int32_t kLanes = 16;
    static constexpr size_t kValues = sizeof(Particle) / sizeof(float);
    struct alignas(64) Block {
        float mValue[kValues][kLanes];
    };

    zmParticleSystem();
    void Apply(const DefinitionFile& file, const ImageLookup& images);
    void Emit(float dt);
    // Particles drawn as stamps, handed to the context some at a time.
    struct StampBatch;
    // Where a particle is drawn; false for one that must not be.
    struct Placement;
    bool Place(const Particle& p, Placement& out) const;
    // Additive particles added straight into the image the context draws on.
    void DrawAdded(Graphics* g, StampBatch& batch, bool clipped);
    struct AddedSprites;
    // One particle placed at left, top, w x h with its tint, as DrawAdded adds it.
    void AddPlaced(Graphics* g, StampBatch& batch, AddedSprites& added, int32_t i, int32_t left,
                   int32_t top, int32_t w, int32_t h, uint32_t tint);
    void DrawParticle(Graphics* g, const Particle& p, StampBatch& batch);
    // The pixels of a small size's sprite not looked up yet, kept when the adder takes it; else
    // null.
    const uint32_t* NewSmallSprite(int32_t w, int32_t h, const SpriteAdder& adder);
    // The image stretched to w x h and weighted by its alpha, opaque, ready to be added; null
    // for sizes not kept.
    MemoryImage* ScaledSprite(int32_t w, int32_t h);

    std::string mLoadError;
    // Additive sprites by size: one stretch per size instead of one per particle.
    // Indexed by width, then searched by height: square sprites find theirs at once.
    std::vector<std::vector<std::pair<int32_t, std::unique_ptr<MemoryImage>>>> mScaled;
    size_t mScaledCount = 0;
    Image* mScaledFrom = nullptr;
    // The pixels of sprites of sides up to kSmallSide the adder takes, by size: the common
    // particle sizes found without a search. They live in mScaled.
    static constexpr uint32_t kSmallSide = 16;
    std::unique_ptr<const uint32_t*[]> mSmallSprites;
    // The last size looked up and its sprite, null when none.
    MemoryImage* mLastScaled = nullptr;
    int32_t mLastScaledW = 0;
    int32_t mLastScaledH = 0;
    std::array<Block, (kMaxParticles + kLanes - 1) / kLanes> mBlocks = {};
};

}  // namespace Vesk
