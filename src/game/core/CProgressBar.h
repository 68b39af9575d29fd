#pragma once

#include <cstdint>

#include "game/core/CObject.h"

// A bar whose value moves toward value + pending by a fiftieth of the pending amount per update
// (at least 1), held within minimum..maximum.
class CProgressBar : public CObject {
public:
    static constexpr int32_t kLayer = 7;
    // The progress part of a saved record, after the type id and the object header.
    static constexpr int kPartBytes = 40;

    CProgressBar();

    int Update(Vesk::ObjectOwner& owner) override;
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;
    virtual int SetRange(Vesk::BoardContext& board, int32_t minimum, int32_t maximum,
                         int32_t value);

    // False (pending kept) when the bar is full.
    virtual bool AddValue(double amount);
    // False when the bar is empty.
    bool Step(double amount);
    void UpdateFill();

    double GetPending() const { return mPending; }
    int32_t GetValue() const { return mValue; }
    int32_t GetMinimum() const { return mMinimum; }
    int32_t GetMaximum() const { return mMaximum; }
    int32_t GetLength() const { return mLength; }
    int32_t GetFill() const { return mFill; }

protected:
    void SaveBarPart(Vesk::ByteWriter& out) const;
    void LoadBarPart(Vesk::ByteReader& in);

    // not owned; set by SetRange and Load.
    Vesk::BoardContext* mOwner = nullptr;
    double mPending = 0.0;
    int32_t mValue = 0;
    int32_t mMinimum = 0;
    int32_t mMaximum = 0;
    int32_t mLength = 0;
    int32_t mFill = 0;
    // Clock time of the derived bar's last timed step.
    double mStamp = 0.0;
};
