#include "resources/zmImageEx.h"

#include <algorithm>

#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "resources/zmParticleSystem.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace Vesk {

zmImageEx* zmImageEx::Assign(const zmImageEx& other) {
    if (this == &other) {
        return this;
    }
    mImage = other.mImage;
    // Entries copy whole; an empty one stays empty.
    mAnimations = other.mAnimations;
    mPendingAnim = other.mPendingAnim;
    mCurrentAnim = other.mCurrentAnim;
    mParticleSystem = other.mParticleSystem;
    mFrame = other.mFrame;
    CheckState();
    return this;
}

void zmImageEx::CheckState() {
    const auto count = static_cast<int32_t>(mAnimations.size());
    if (mCurrentAnim < 0 || mCurrentAnim >= count) {
        mCurrentAnim = -1;
    }
    if (mPendingAnim < 0 || mPendingAnim >= count) {
        mPendingAnim = -1;
    }
    const int32_t frames =
        mCurrentAnim < 0
            ? 1
            : static_cast<int32_t>(mAnimations[static_cast<size_t>(mCurrentAnim)].mFrames.size());
    mFrame = std::clamp(mFrame, 0, std::max(frames - 1, 0));
}

const zmImageEx::Frame* zmImageEx::CurrentFrame() const {
    if (mCurrentAnim < 0) {
        return nullptr;
    }
    const std::vector<Frame>& frames = mAnimations[static_cast<size_t>(mCurrentAnim)].mFrames;
    return frames.empty() ? nullptr : &frames[static_cast<size_t>(mFrame)];
}

void zmImageEx::Play(int32_t index, double time, bool immediate, double firstFrameDelay) {
    mFirstFrameDelay = firstFrameDelay;
    if (immediate) {
        mPendingAnim = -1;
        mFrameStartTime = time;
        mCurrentAnim = index;
        mFrame = 0;
    } else {
        mPendingAnim = index;
    }
    CheckState();
}

bool zmImageEx::Update(double time) {
    if (mCurrentAnim < 0 || mAnimations[static_cast<size_t>(mCurrentAnim)].mFrames.empty()) {
        mFrame = 0;
        return false;
    }
    const std::vector<Frame>& frames = mAnimations[static_cast<size_t>(mCurrentAnim)].mFrames;
    const double elapsed = time - mFrameStartTime;
    const double delay = frames[static_cast<size_t>(mFrame)].mDelay;
    if (mFrame == 0 && elapsed < delay + mFirstFrameDelay) {
        return false;
    }
    if (elapsed < delay) {
        return false;
    }
    ++mFrame;
    if (mFrame != static_cast<int32_t>(frames.size())) {
        mFrameStartTime = time;
        return false;
    }
    if (mPendingAnim > -1) {
        mCurrentAnim = mPendingAnim;
        mPendingAnim = -1;
    }
    mFrameStartTime = time;
    mFrame = 0;
    return true;
}

void zmImageEx::MoveParticles(float x, float y, bool drag) {
    // A frame may be drawn more than once; moving again to where the emitter stands would lose
    // the path it travelled since its last step.
    if (x == mParticleSystem->mCurX && y == mParticleSystem->mCurY) {
        return;
    }
    mParticleSystem->MoveTo(x, y, drag);
}

void zmImageEx::Draw(Graphics* g, int32_t x, int32_t y, bool drag) {
    const int32_t celWidth = mImage != nullptr ? mImage->GetCelWidth() : 0;
    const int32_t celHeight = mImage != nullptr ? mImage->GetCelHeight() : 0;
    if (mParticleSystem != nullptr) {
        MoveParticles(static_cast<float>(x + celWidth / 2), static_cast<float>(y + celHeight / 2),
                      drag);
        mParticleSystem->Draw(g);
    }
    if (mImage == nullptr) {
        return;
    }
    if (const Frame* frame = CurrentFrame()) {
        g->DrawImageCelColRow(mImage, x, y, frame->mColumn, frame->mRow);
    } else if (mCurrentAnim < 0) {
        g->DrawImageCel(mImage, x, y, mFrame);
    }
}

void zmImageEx::DrawStretched(Graphics* g, const Rect& rect) {
    const int32_t celWidth = mImage != nullptr ? mImage->GetCelWidth() : 0;
    const int32_t celHeight = mImage != nullptr ? mImage->GetCelHeight() : 0;
    if (mParticleSystem != nullptr) {
        MoveParticles(static_cast<float>(rect.mX + celWidth / 2),
                      static_cast<float>(rect.mY + celHeight / 2), false);
        mParticleSystem->Draw(g);
    }
    if (mImage == nullptr) {
        return;
    }
    if (const Frame* frame = CurrentFrame()) {
        g->DrawImageCelColRowStretched(mImage, rect, frame->mColumn, frame->mRow);
    } else if (mCurrentAnim < 0) {
        g->DrawImageCelStretched(mImage, rect, mFrame);
    }
}

Rect zmImageEx::GetCelRect() const {
    const Frame* frame = CurrentFrame();
    if (frame == nullptr || mImage == nullptr) {
        return Rect(0, 0, 0, 0);
    }
    return mImage->GetCelRect(frame->mColumn, frame->mRow);
}

int32_t zmImageEx::GetHeight() const {
    return mImage != nullptr ? mImage->GetHeight() : 0;
}

void zmImageEx::Save(ByteWriter& out) const {
    out.WriteI32(mPendingAnim);
    out.WriteI32(mCurrentAnim);
    out.WriteI32(mFrame);
    out.WriteF64(mFirstFrameDelay);
    out.WriteF64(mFrameStartTime);
}

void zmImageEx::Load(ByteReader& in) {
    const int32_t pending = in.I32();
    const int32_t current = in.I32();
    const int32_t frame = in.I32();
    const double firstFrameDelay = in.F64();
    const double frameStart = in.F64();
    if (in.Failed()) {
        return;
    }
    mPendingAnim = pending;
    mCurrentAnim = current;
    mFrame = frame;
    mFirstFrameDelay = firstFrameDelay;
    mFrameStartTime = frameStart;
    CheckState();
}

}  // namespace Vesk
