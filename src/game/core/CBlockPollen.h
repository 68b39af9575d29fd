#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "game/core/CObject.h"

class CParticleEffect;

// The glowing trail a dying block sends along a curve into the level bar's fill point; the end
// of the curve follows the fill while the pollen flies.
class CBlockPollen : public CObject {
public:
    static constexpr int32_t kLayer = 10;
    static constexpr double kStep = 0.016;

    // For the factory: a loaded pollen has no curve and removes itself at once.
    CBlockPollen();
    // blockX, blockY: the dying block's exact position.
    CBlockPollen(Vesk::BoardContext& board, double blockX, double blockY);
    ~CBlockPollen() override;

    void Draw(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    int Update(Vesk::ObjectOwner& owner) override;
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;

    int32_t GetPhase() const { return mPhase; }
    double GetT() const { return mT; }
    // Control points P0 to P3.
    const std::array<double, 4>& GetCurveX() const { return mCurveX; }
    const std::array<double, 4>& GetCurveY() const { return mCurveY; }

private:
    // P3 = the level bar's fill point, or P0 without a bar.
    void FollowBar();

    int32_t mPhase = 0;
    double mT = 0.0;
    double mStep = kStep;
    std::array<double, 4> mCurveX{};
    std::array<double, 4> mCurveY{};
    std::unique_ptr<CParticleEffect> mParticles;
    // not owned; null for a loaded pollen.
    Vesk::BoardContext* mBoard = nullptr;
};
