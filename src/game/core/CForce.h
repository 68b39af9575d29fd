#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "game/core/CObject.h"
#include "game/core/MediaIds.h"
#include "graphics/Color.h"
#include "graphics/Graphics.h"

namespace Vesk {
class GameRandom;
}

// A stream of glowing particles along a wandering cubic curve between an end of the level bar
// and its fill boundary. Purely visual; the good and evil forces differ in where the curve
// starts, what drives it, and their colour.
class CForce : public CObject {
public:
    static constexpr int32_t kLayer = 8;
    static constexpr int32_t kMaxParticles = 10000;
    static constexpr int32_t kMaxStrands = 3;
    static constexpr double kElapsed = 0.04;
    static constexpr double kWarmUpSpeed = 0.02275;
    static constexpr double kWarmUpMs = 500.0;
    // A wandering control point closer than this to its target has reached it.
    static constexpr double kReachDistance = 2.0;

    struct Particle {
        int32_t alpha = 0;
        int32_t alphaStep = 0;
        int32_t offsetX = 0;
        int32_t offsetY = 0;
        double x = 0.0;
        double y = 0.0;
        double t = 0.0;
    };
    struct Spark {
        int32_t alpha = 0;
        double driftX = 0.0;
        double driftY = 0.0;
        double x = 0.0;
        double y = 0.0;
        double scale = 1.0;
    };
    struct Point2 {
        double x = 0.0;
        double y = 0.0;
    };
    // Fixed arrays so that play never allocates; removal swaps the last record in.
    struct Strand {
        bool started = false;
        int32_t startTime = 0;
        int32_t emissionRate = 30;
        double remainder = 0.0;
        int32_t particleCount = 0;
        int32_t sparkCount = 0;
        int32_t spread = 6;
        double speed = 0.001;
        double elapsed = kElapsed;
        std::array<Point2, 4> p{};
        std::array<Point2, 2> target{};
        std::array<Point2, 2> velocity{};
        std::array<Particle, kMaxParticles> particles{};
        std::array<Spark, kMaxParticles> sparks{};
    };

    ~CForce() override;

    void Draw(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    int Update(Vesk::ObjectOwner& owner) override;
    // Only the type id: a loaded force starts afresh from the bar.
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;
    int AfterLoad(Vesk::ObjectOwner& owner) override;

    // Drops the strands and makes one from the level bar's current state.
    void SetUp(Vesk::BoardContext& board);
    int32_t StrandCount() const { return mStrandCount; }
    Strand& GetStrand(int32_t index) { return *mStrands[index]; }

protected:
    CForce() { layer = kLayer; }

    // The end of the bar the stream starts from.
    virtual Point2 StartPoint(Vesk::BoardContext& board) const = 0;
    // How strongly it runs (0..1) and the share of the bar it fills (0..1).
    virtual double Intensity(Vesk::BoardContext& board) const = 0;
    virtual double Share(Vesk::BoardContext& board) const = 0;
    virtual ObjectTypeId TypeId() const = 0;
    virtual Vesk::Color Tint() const = 0;
    virtual Vesk::GameImage ParticleImage() const = 0;

private:
    void SetUpStrand(Vesk::BoardContext& board, Strand& strand);
    void UpdateStrand(Vesk::BoardContext& board, Strand& strand);
    void DrawStrand(Vesk::Graphics& g, Vesk::GameMedia& media, const Strand& strand);
    // The boundary of the fill, straight above or below the start.
    Point2 EndPoint(Vesk::BoardContext& board, const Point2& start) const;
    // Half the height between the ends, truncated (D).
    static int32_t HalfSpan(const Strand& strand);
    static double RandomSign(Vesk::GameRandom& random);
    // Draws new targets for both wandering points, with offset 0 toward the other end when the
    // ends meet, and velocities of the given size toward them.
    void NewTargets(Vesk::BoardContext& board, Strand& strand, double s, double step);
    static bool DrainRunning(Vesk::BoardContext* board);

    Vesk::BoardContext* mBoard = nullptr;
    int32_t mStrandCount = 0;
    std::array<std::unique_ptr<Strand>, kMaxStrands> mStrands;
    // A strand's stamps, kept between passes: thousands a frame, too many to allocate afresh.
    std::vector<Vesk::Graphics::ImageStamp> mStamps;
};
