#pragma once

#include <array>
#include <cstdint>

#include "game/core/CProgressBar.h"
#include "graphics/Rect.h"

namespace Vesk {
class SoundInstance;
}

// The level's life line at the right edge: matches fill it, a drain that speeds up empties it.
// Full wins the level, empty costs a life; low fills start looping heartbeats.
class CLevelProgressBar : public CProgressBar {
public:
    static constexpr int32_t kLength = 370;
    // Clock milliseconds between drain steps.
    static constexpr double kDrainInterval = 30.0;

    // For the factory.
    CLevelProgressBar() : CLevelProgressBar(0.0, 0.0) {}
    // acceleration: the drain speed's growth per step; cap: its limit.
    CLevelProgressBar(double acceleration, double cap);
    // Stops and releases the heartbeats, so a board left mid-level keeps its sound channels.
    ~CLevelProgressBar() override;

    void Draw(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    int Update(Vesk::ObjectOwner& owner) override;
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;
    int SetRange(Vesk::BoardContext& board, int32_t minimum, int32_t maximum,
                 int32_t value) override;

    // The field clears it at the level's first press.
    void SetStopped(bool stopped) { mStopped = stopped; }
    bool IsStopped() const { return mStopped; }
    double GetDrainSpeed() const { return mDrainSpeed; }
    // A knockdown slows the drain.
    void ScaleDrainSpeed(double factor) { mDrainSpeed *= factor; }
    int32_t GetBottomX() const { return mBottomX; }
    int32_t GetBottomY() const { return mBottomY; }
    int32_t GetTopX() const { return mTopX; }
    int32_t GetTopY() const { return mTopY; }
    // The inside of the glass tube around the line from the top point to the bottom point: the
    // fill and the forces stay in it.
    Vesk::Rect Tube() const;

    // The heartbeat for fill fraction f: 0 none, 1 below 0.25, 2 below 0.15, 3 below 0.05.
    static int HeartbeatFor(double f);

private:
    void PlayHeartbeat(int level);
    void StopHeartbeats();
    void ReleaseHeartbeats();

    int32_t mBottomX = 0;
    int32_t mBottomY = 0;
    int32_t mTopX = 0;
    int32_t mTopY = 0;
    bool mStopped = true;
    double mDrainSpeed = 0.0;
    double mAcceleration;
    double mCap;
    // Owned by the sound manager until released.
    std::array<Vesk::SoundInstance*, 3> mHeartbeats{};
};
