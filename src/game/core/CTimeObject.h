#pragma once

#include <cstdint>

#include "game/core/CObject.h"

// The level clock: game milliseconds that stand still while the board is paused and run at a
// rate that slow motion lowers. Every timer and movement on the board reads it.
class CTimeObject : public CObject {
public:
    static constexpr int32_t kLayer = 12;
    static constexpr double kRateStep = 0.01;

    // For the factory; Load fills in the rest.
    CTimeObject();
    // not owned: the board outlives its objects.
    explicit CTimeObject(Vesk::BoardContext& board);

    // Answers 0 while the board is paused.
    int Update(Vesk::ObjectOwner& owner) override;
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;

    double GetTime() const { return mGameTime; }
    double GetRate() const { return mRate; }
    double GetTargetRate() const { return mTargetRate; }
    // The rate moves toward it by kRateStep per update.
    void SetTargetRate(double rate) { mTargetRate = rate; }
    // Forgets the real time since the last update (after a pause).
    void ReBase();

private:
    Vesk::BoardContext* mOwner = nullptr;
    double mGameTime = 0.0;
    // A 32-bit tick count, kept in a double as the saved record has it.
    double mLastTick = 0.0;
    double mRate = 1.0;
    double mTargetRate = 1.0;
};
