#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "game/core/CObject.h"
#include "game/core/Vec2.h"

class CAnimation;
class CParticleEffect;
class BlockField;

// One coloured piece on the field. Its state decides how it moves each update; arrivals run the
// field's match search at the block's cell.
class CBlock : public CObject {
public:
    enum State : int32_t {
        kResting = 0,
        kSwapping = 1,
        kSwappingBack = 2,
        kSelected = 3,
        kDying = 4,
        kFalling = 5,
        kFlyingIn = 6,
        kFlyingOff = 7,
        kSpiralling = 8,
        kShaking = 9,
        kInBubble = 10,
        kSettledInBubble = 11,
        kGone = 12,
    };
    static constexpr int32_t kSize = 43;
    static constexpr int32_t kRestLayer = 3;
    static constexpr int32_t kMovingLayer = 4;
    static constexpr int32_t kFlightLayer = 10;
    static constexpr int32_t kSpiralLayer = 11;
    static constexpr double kFlightStep = 0.008;
    // Lands a re-targeted flight within one update even at a clock rate of 0.001.
    static constexpr double kMaxFlightStep = 1000.0;

    // For the factory.
    CBlock();
    CBlock(Vesk::BoardContext& board, BlockField& field);
    ~CBlock() override;

    void Draw(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    int Update(Vesk::ObjectOwner& owner) override;
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;

    // Rebuilds the image from the colour's animation, keeping its playing state.
    void SetColour(int32_t colour);
    // Starts from a random point just outside the board and flies into the cell.
    void PlaceAt(int32_t column, int32_t row, int32_t colour);
    void PlanFlight();
    void Select();
    void Deselect();
    void StartFall(int32_t column, int32_t row);
    void SendOff();
    // 0 when the block is not resting, selected or shaking.
    int ThrowOut(int32_t centreColumn, int32_t centreRow, int32_t angle);
    bool IsOffBoard() const;
    // Re-links a loaded block to its field.
    void Attach(Vesk::BoardContext& board, BlockField& field);
    // Animation queued with a random first-frame delay, so resting blocks do not animate in step.
    void QueueRest();
    void PlayNow(int32_t animation) { PlayAt(animation, true); }
    // On the game clock's time, without delay.
    void PlayAt(int32_t animation, bool immediate);

    // Whether a block in this state belongs to the cell it names: dying, spiralling and
    // captured blocks have left theirs.
    static bool InCell(int32_t state) {
        return state != kDying && state != kSpiralling && state != kInBubble &&
               state != kSettledInBubble;
    }

    CAnimation* GetImage() const { return mImage.get(); }
    CParticleEffect* GetParticles() const { return mParticles.get(); }
    BlockField* GetField() const { return mField; }

    int32_t width = kSize;
    int32_t height = kSize;
    int32_t cellA = -1;
    int32_t cellB = -1;
    int32_t prevA = -1;
    int32_t prevB = -1;
    int32_t targetX = 0;
    int32_t targetY = 0;
    int32_t colour = 0;
    int32_t exitAtBottom = 0;
    int32_t state = kResting;
    int32_t lock = 0;
    double t = 0.0;
    double dt = kFlightStep;
    std::array<double, 4> curveX{};
    std::array<double, 4> curveY{};
    double spare = 0.0;
    int32_t alpha = 0;
    Vec2 offset;

    // Shared by every block: they count swap-backs and updates between them.
    static int32_t swapBackCount;
    static int32_t updateCount;

private:
    // Moves each axis toward the target by step; true when both arrived.
    bool StepToTarget(double step);
    void FollowCurve();
    void OnArrival(int32_t layerAfter);
    void UpdateSpiral(double rate);
    // The next real cell below this block's cell, or -1.
    int32_t FreeCellBelow() const;
    void RandomEdgePoint(int32_t& px, int32_t& py);

    std::unique_ptr<CAnimation> mImage;
    // The whirlwind trail: owned here, never the colour resource's own system.
    std::unique_ptr<CParticleEffect> mParticles;
    // not owned; null until placed or re-linked.
    Vesk::BoardContext* mBoard = nullptr;
    BlockField* mField = nullptr;
};
