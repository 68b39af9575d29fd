#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "game/core/CObject.h"
#include "game/core/Vec2.h"

class CAnimation;
class CBlock;

// The bubble bonus: follows the cursor while aimed, swallows blocks when launched and floats
// off the board with them. It owns and draws the blocks it holds.
class CBubble : public CObject {
public:
    enum State : int32_t { Following = 0, Flying = 1, Finished = 2 };
    static constexpr int32_t kLayer = 11;
    static constexpr int32_t kMaxCaptured = 12;
    static constexpr uint32_t kDriftPeriod = 1000;

    CBubble();
    explicit CBubble(Vesk::BoardContext& board);
    ~CBubble() override;

    void Draw(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    int Update(Vesk::ObjectOwner& owner) override;
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;

    // Starts the flight from the current centre.
    void Launch();
    void Finish() { state = Finished; }
    // Takes a resting, selected or shaking block off the field; false for any other block.
    bool CaptureBlock(CBlock& block);
    int32_t CapturedCount() const { return static_cast<int32_t>(mCaptured.size()); }
    // Null outside 0..count - 1.
    CBlock* Captured(int32_t index) const;

    int32_t fullWidth = 0;
    int32_t fullHeight = 0;
    int32_t drawnWidth = 0;
    int32_t drawnHeight = 0;
    int32_t state = Following;
    int32_t phase = 0;
    int32_t spacing = 10;
    int32_t innerRadius = 0;
    Vec2 pull{0.0, 0.0, 0.1};
    Vec2 drift{0.0, 0.0, 0.05};
    Vec2 velocity;
    uint32_t lastDrift = 0;
    uint32_t driftPeriod = kDriftPeriod;
    std::array<int32_t, 3> channels{};
    std::array<int32_t, 3> steps{};
    double scale = 0.0;
    int32_t centerX = 0;
    int32_t centerY = 0;

private:
    void NewDrift(Vesk::ObjectOwner& owner);
    void Grow(double rate, double limit);
    void StepChannels();
    // Pulls the captured blocks inside; sets the phase flag once all are.
    void MoveCaptured(Vesk::BoardContext& board, double rate);

    Vesk::BoardContext* mBoard = nullptr;
    std::unique_ptr<CAnimation> mAnimation;
    std::vector<std::unique_ptr<CBlock>> mCaptured;
};
