#include "game/core/CTimeObject.h"

#include "game/core/BoardContext.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

CTimeObject::CTimeObject() {
    layer = kLayer;
}

CTimeObject::CTimeObject(Vesk::BoardContext& board) : mOwner(&board) {
    layer = kLayer;
    mLastTick = board.TickCount();
}

void CTimeObject::ReBase() {
    if (mOwner != nullptr) {
        mLastTick = mOwner->TickCount();
    }
}

int CTimeObject::Update(Vesk::ObjectOwner& owner) {
    CObject::Update(owner);
    if (mOwner == nullptr || mOwner->IsPaused()) {
        return 0;
    }
    if (mTargetRate > mRate) {
        mRate += kRateStep;
    } else if (mTargetRate < mRate) {
        mRate -= kRateStep;
    }
    uint32_t now = mOwner->TickCount();
    // Unsigned difference, so the 2^32 wrap of the tick count is one small step.
    uint32_t elapsed = now - static_cast<uint32_t>(mLastTick);
    mGameTime += elapsed * mRate;
    mLastTick = now;
    return 1;
}

int CTimeObject::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, ObjectTypeId::TimeObject);
    CObject::Save(out);
    out.WriteF64(mGameTime);
    out.WriteF64(mLastTick);
    out.WriteF64(mRate);
    out.WriteF64(mTargetRate);
    return 1;
}

int CTimeObject::Load(Vesk::ByteReader& in, Vesk::BoardContext& board) {
    CObject::Load(in, board);
    mGameTime = in.F64();
    in.F64();  // the saving session's tick count means nothing now
    mRate = in.F64();
    mTargetRate = in.F64();
    if (!in.Failed() && (mRate < 0.0 || mRate > 10.0 || mTargetRate < 0.0 || mTargetRate > 10.0)) {
        in.Fail("clock rate out of range");
    }
    if (in.Failed()) {
        return 0;
    }
    mOwner = &board;
    mLastTick = board.TickCount();
    board.SetClock(this);
    return 1;
}
