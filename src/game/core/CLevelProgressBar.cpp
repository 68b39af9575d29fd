#include "game/core/CLevelProgressBar.h"

#include "game/core/BoardContext.h"
#include "game/core/GameMedia.h"
#include "graphics/Color.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "sound/SoundInstance.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace {

// The tube's inside reaches this far beside the axis and past both end points.
constexpr int32_t kTubeHalfWidth = 11;
constexpr int32_t kTubeOverhang = 8;
// The land's colour, darker down its right side for roundness, and a light edge at its level.
const Vesk::Color kFillLight(118, 206, 64);
const Vesk::Color kFillDark(74, 158, 42);
const Vesk::Color kFillEdge(236, 255, 200);

}  // namespace

CLevelProgressBar::CLevelProgressBar(double acceleration, double cap)
    : mAcceleration(acceleration), mCap(cap) {}

CLevelProgressBar::~CLevelProgressBar() {
    ReleaseHeartbeats();
}

int CLevelProgressBar::SetRange(Vesk::BoardContext& board, int32_t minimum, int32_t maximum,
                                int32_t value) {
    Vesk::Image* core = board.Media().GetImage(Vesk::GameImage::LevelProgressBarCore);
    x = board.GetWidth() - (core != nullptr ? core->GetWidth() : 0);
    y = 0;
    xd = x;
    yd = y;
    mBottomX = x + 43;
    mBottomY = 395;
    mTopX = x + 43;
    mTopY = 25;
    mLength = kLength;
    mMinimum = minimum;
    mMaximum = maximum;
    mValue = value;
    mPending = 0.0;
    mDrainSpeed = 0.0;
    mOwner = &board;
    mStamp = board.GameTime();
    UpdateFill();
    return 1;
}

int CLevelProgressBar::HeartbeatFor(double f) {
    if (f < 0.05) {
        return 3;
    }
    if (f < 0.15) {
        return 2;
    }
    if (f < 0.25) {
        return 1;
    }
    return 0;
}

void CLevelProgressBar::StopHeartbeats() {
    for (Vesk::SoundInstance* beat : mHeartbeats) {
        if (beat != nullptr && beat->IsPlaying()) {
            beat->Stop();
        }
    }
}

void CLevelProgressBar::ReleaseHeartbeats() {
    for (Vesk::SoundInstance*& beat : mHeartbeats) {
        if (beat != nullptr) {
            beat->Stop();
            if (!beat->IsReleased()) {
                beat->Release();
            }
            beat = nullptr;
        }
    }
}

void CLevelProgressBar::PlayHeartbeat(int level) {
    static constexpr Vesk::GameSound kSounds[3] = {
        Vesk::GameSound::Heartbeat1, Vesk::GameSound::Heartbeat2, Vesk::GameSound::Heartbeat3};
    Vesk::SoundInstance*& beat = mHeartbeats[level - 1];
    if (beat == nullptr || beat->IsReleased()) {
        beat = mOwner->GetSoundInstance(kSounds[level - 1]);
    }
    // Only the neighbouring levels can be playing.
    for (int other : {level - 1, level + 1}) {
        Vesk::SoundInstance* neighbour =
            other >= 1 && other <= 3 ? mHeartbeats[other - 1] : nullptr;
        if (neighbour != nullptr && neighbour->IsPlaying()) {
            neighbour->Stop();
        }
    }
    if (beat != nullptr && !beat->IsPlaying()) {
        beat->Play(true, false);
    }
}

int CLevelProgressBar::Update(Vesk::ObjectOwner& owner) {
    if (mOwner == nullptr) {
        return CProgressBar::Update(owner);
    }
    double now = mOwner->GameTime();
    if (!mStopped && now - mStamp > kDrainInterval) {
        Step(mDrainSpeed);
        mStamp = now;
        mDrainSpeed = mDrainSpeed >= mCap ? mCap : mDrainSpeed + mAcceleration;
    }
    CProgressBar::Update(owner);
    if (mValue == mMaximum && !mOwner->IsFieldLeaving()) {
        ReleaseHeartbeats();
        mOwner->LevelWon();
    } else if (mValue == mMinimum) {
        ReleaseHeartbeats();
        if (mOwner->GetLives() != 0) {
            mOwner->LoseLife();
        } else {
            mOwner->GameOver();
        }
    } else {
        double f = static_cast<double>(mValue) / (static_cast<double>(mMaximum) - mMinimum);
        int beat = mDrainSpeed != 0.0 ? HeartbeatFor(f) : 0;
        if (beat != 0) {
            PlayHeartbeat(beat);
        } else {
            StopHeartbeats();
        }
    }
    return 1;
}

Vesk::Rect CLevelProgressBar::Tube() const {
    const int32_t top = mTopY - kTubeOverhang;
    return {mBottomX - kTubeHalfWidth, top, 2 * kTubeHalfWidth, mBottomY + kTubeOverhang - top};
}

void CLevelProgressBar::Draw(Vesk::Graphics& g, Vesk::GameMedia& media) {
    if (Vesk::Image* core = media.GetImage(Vesk::GameImage::LevelProgressBarCore)) {
        g.DrawImage(core, x, y);
    }
    // The filled part, flat and inside the tube, so the level reads at a glance from the start.
    const Vesk::Rect tube = Tube();
    const int32_t level = mBottomY - GetFill();
    const int32_t bottom = tube.mY + tube.mHeight;
    if (GetFill() > 0 && level < bottom) {
        const int32_t light = tube.mWidth * 2 / 3;
        g.SetColor(kFillLight);
        g.FillRect(tube.mX, level, light, bottom - level);
        g.SetColor(kFillDark);
        g.FillRect(tube.mX + light, level, tube.mWidth - light, bottom - level);
        g.SetColor(kFillEdge);
        g.FillRect(tube.mX, level, tube.mWidth, 2);
    }
    if (Vesk::Image* sources = media.GetImage(Vesk::GameImage::LevelProgressBarSources)) {
        g.DrawImage(sources, x, y);
    }
}

int CLevelProgressBar::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, ObjectTypeId::LevelProgressBar);
    CObject::Save(out);
    SaveBarPart(out);
    out.WriteF64(mDrainSpeed);
    out.WriteF64(mAcceleration);
    out.WriteF64(mCap);
    out.WriteBool(mStopped);
    out.WriteI32(mBottomX);
    out.WriteI32(mBottomY);
    out.WriteI32(mTopX);
    out.WriteI32(mTopY);
    return 1;
}

int CLevelProgressBar::Load(Vesk::ByteReader& in, Vesk::BoardContext& board) {
    CObject::Load(in, board);
    LoadBarPart(in);
    mDrainSpeed = in.F64();
    mAcceleration = in.F64();
    mCap = in.F64();
    mStopped = in.Bool();
    mBottomX = in.I32();
    mBottomY = in.I32();
    mTopX = in.I32();
    mTopY = in.I32();
    if (!in.Failed() && (!InBoardRange(mBottomX) || !InBoardRange(mBottomY) ||
                         !InBoardRange(mTopX) || !InBoardRange(mTopY))) {
        in.Fail("level bar ends out of range");
    }
    if (in.Failed()) {
        return 0;
    }
    mOwner = &board;
    board.SetLevelBar(this);
    return 1;
}
