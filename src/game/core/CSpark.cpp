#include "game/core/CSpark.h"

#include "game/core/BoardContext.h"
#include "game/core/CAnimation.h"
#include "game/core/CSparkSink.h"
#include "game/core/GameMedia.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"
#include "util/GameRandom.h"

CSpark::CSpark() = default;

CSpark::~CSpark() = default;

void CSpark::CSparkAt(Vesk::ObjectOwner& owner, CSparkSink* sink, int32_t centreX,
                      int32_t centreY) {
    mSink = sink;
    mAnimation = owner.Media().MakeAnimation(Vesk::GameAnimation::MmSpark1);
    int32_t celWidth = mAnimation ? mAnimation->GetCelWidth() : 0;
    int32_t celHeight = mAnimation ? mAnimation->GetCelHeight() : 0;
    x = centreX - celWidth / 2 - 1;
    y = centreY - celHeight / 2;
    xd = x;
    yd = y;
    mDelay = owner.Random().Next() % 20000 + 10000;
    mLast = owner.TickCount();
    if (mAnimation) {
        mAnimation->Play(0, owner.GetUpdateCount(), true, 0.0);
    }
}

int CSpark::Update(Vesk::ObjectOwner& owner) {
    CObject::Update(owner);
    uint32_t now = owner.TickCount();
    if (mPlaying == 0) {
        if (int64_t{now - mLast} > mDelay) {
            if (mAnimation) {
                mAnimation->Play(0, owner.GetUpdateCount(), true, 0.0);
            }
            mPlaying = 1;
            if (mSink != nullptr) {
                mSink->SparkBegan(now);
            }
        }
    } else if (!mAnimation || mAnimation->Update(owner.GetUpdateCount())) {
        mPlaying = 0;
        mLast = now;
        mDelay = owner.Random().Next() % 20000 + 5000;
    }
    return 1;
}

void CSpark::Draw(Vesk::Graphics& g, Vesk::GameMedia&) {
    if (mPlaying != 0 && mAnimation) {
        mAnimation->Draw(g, x, y, false);
    }
}

int CSpark::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, ObjectTypeId::Spark);
    CObject::Save(out);
    out.WriteI32(mDelay);
    out.WriteU32(mLast);
    out.WriteI32(mPlaying);
    if (mAnimation) {
        mAnimation->Save(out);
    } else {
        CAnimation::SaveIdle(out);
    }
    return 1;
}

int CSpark::Load(Vesk::ByteReader& in, Vesk::BoardContext& board) {
    CObject::Load(in, board);
    mDelay = in.I32In(0, INT32_MAX, "spark delay");
    mLast = in.U32();
    mPlaying = in.I32In(0, 1, "spark playing flag");
    mAnimation = board.Media().MakeAnimation(Vesk::GameAnimation::MmSpark1);
    if (mAnimation) {
        mAnimation->Load(in);
    } else {
        CAnimation::ReadState(in);
    }
    mSink = nullptr;
    return in.Failed() ? 0 : 1;
}
