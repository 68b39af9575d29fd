#include "game/app/CImageExAnimation.h"

#include "graphics/Image.h"

namespace Vesk {

CImageExAnimation::CImageExAnimation(const zmImageEx& resource) {
    mImage.Assign(resource);
}

void CImageExAnimation::Play(int32_t index, double time, bool immediate, double firstFrameDelay) {
    mImage.Play(index, time, immediate, firstFrameDelay);
}

bool CImageExAnimation::Update(double time) {
    return mImage.Update(time);
}

void CImageExAnimation::Draw(Graphics& g, int32_t x, int32_t y, bool drag) {
    mImage.Draw(&g, x, y, drag);
}

int32_t CImageExAnimation::GetCelWidth() const {
    return mImage.mImage != nullptr ? mImage.mImage->GetCelWidth() : 0;
}

int32_t CImageExAnimation::GetCelHeight() const {
    return mImage.mImage != nullptr ? mImage.mImage->GetCelHeight() : 0;
}

int32_t CImageExAnimation::AnimationCount() const {
    return static_cast<int32_t>(mImage.mAnimations.size());
}

int32_t CImageExAnimation::FrameCount(int32_t animation) const {
    if (animation < 0 || animation >= AnimationCount()) {
        return 0;
    }
    return static_cast<int32_t>(mImage.mAnimations[static_cast<size_t>(animation)].mFrames.size());
}

CAnimation::PlayState CImageExAnimation::GetPlayState() const {
    return {mImage.mPendingAnim, mImage.mCurrentAnim, mImage.mFrame, mImage.mFirstFrameDelay,
            mImage.mFrameStartTime};
}

void CImageExAnimation::SetPlayState(const PlayState& state) {
    mImage.mPendingAnim = state.pending;
    mImage.mCurrentAnim = state.current;
    mImage.mFrame = state.frame;
    mImage.mFirstFrameDelay = state.firstFrameDelay;
    mImage.mFrameStartTime = state.frameStart;
}

}  // namespace Vesk
