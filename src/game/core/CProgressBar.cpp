#include "game/core/CProgressBar.h"

#include <algorithm>
#include <cmath>

#include "util/ByteReader.h"
#include "util/ByteWriter.h"

CProgressBar::CProgressBar() {
    layer = kLayer;
}

int CProgressBar::SetRange(Vesk::BoardContext&, int32_t, int32_t, int32_t) {
    return 1;
}

bool CProgressBar::AddValue(double amount) {
    if (mValue == mMaximum) {
        return false;
    }
    mPending += amount;
    return true;
}

bool CProgressBar::Step(double amount) {
    if (mValue == mMinimum) {
        return false;
    }
    mPending -= amount;
    return true;
}

void CProgressBar::UpdateFill() {
    int64_t range = int64_t{mMaximum} - mMinimum;
    mFill = range == 0 ? 0 : static_cast<int32_t>((int64_t{mValue} - mMinimum) * mLength / range);
}

int CProgressBar::Update(Vesk::ObjectOwner& owner) {
    CObject::Update(owner);
    double step = 0.0;
    if (mPending > 1.0) {
        step = std::max(mPending / 50.0, 1.0);
    } else if (mPending < -1.0) {
        step = std::min(mPending / 50.0, -1.0);
    } else {
        return 1;
    }
    // In doubles first, so that a huge pending amount cannot overflow the value.
    double value = std::clamp(mValue + std::trunc(step), static_cast<double>(mMinimum),
                              static_cast<double>(mMaximum));
    mValue = static_cast<int32_t>(value);
    mPending -= step;
    UpdateFill();
    return 1;
}

void CProgressBar::SaveBarPart(Vesk::ByteWriter& out) const {
    out.WriteF64(mPending);
    out.WriteI32(mValue);
    out.WriteI32(mMinimum);
    out.WriteI32(mMaximum);
    out.WriteI32(mLength);
    out.WriteI32(mFill);
    out.WriteI32(0);
    out.WriteF64(mStamp);
}

void CProgressBar::LoadBarPart(Vesk::ByteReader& in) {
    mPending = in.F64();
    mValue = in.I32();
    mMinimum = in.I32();
    mMaximum = in.I32();
    mLength = in.I32();
    mFill = in.I32();
    in.I32();
    mStamp = in.F64();
    if (!in.Failed() && (mMinimum > mMaximum || mValue < mMinimum || mValue > mMaximum ||
                         mLength < 0 || mLength > 100000)) {
        in.Fail("progress bar range out of order");
    }
    if (!in.Failed()) {
        UpdateFill();
    }
}

int CProgressBar::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, ObjectTypeId::ProgressBar);
    CObject::Save(out);
    SaveBarPart(out);
    return 1;
}

int CProgressBar::Load(Vesk::ByteReader& in, Vesk::BoardContext& board) {
    CObject::Load(in, board);
    LoadBarPart(in);
    if (in.Failed()) {
        return 0;
    }
    mOwner = &board;
    return 1;
}
