#include "sound/DSoundInstance.h"

#include "platform/SoundFormulas.h"
#include "sound/DSoundManager.h"

namespace Vesk {

DSoundInstance::DSoundInstance(DSoundManager& manager, std::unique_ptr<platform::AudioBuffer> own)
    : mManager(manager), mOwnBuffer(std::move(own)) {
    if (mOwnBuffer != nullptr) {
        mBaseFrequency = mOwnBuffer->Frequency();
    }
    ApplyVolume();
}

void DSoundInstance::Release() {
    Stop();
    mReleased = true;
}

void DSoundInstance::SetBaseVolume(double volume) {
    mBaseVolume = volume;
    ApplyVolume();
}

void DSoundInstance::SetBasePan(int pan) {
    mBasePan = pan;
    SetPan(mPan);
}

void DSoundInstance::AdjustPitch(double semitones) {
    if (mOwnBuffer != nullptr) {
        mOwnBuffer->SetFrequency(platform::sound::PitchedFrequency(mBaseFrequency, semitones));
    }
}

void DSoundInstance::SetVolume(double volume) {
    mVolume = volume;
    ApplyVolume();
}

void DSoundInstance::SetPan(int pan) {
    mPan = pan;
    if (mOwnBuffer != nullptr) {
        mOwnBuffer->SetPan(mPan + mBasePan);
    }
}

void DSoundInstance::ApplyVolume() {
    if (mOwnBuffer != nullptr) {
        mOwnBuffer->SetVolume(
            platform::sound::VolumeToAttenuation(mVolume * mBaseVolume * mManager.mVolume));
    }
}

bool DSoundInstance::Play(bool looping, bool autoRelease) {
    Stop();
    mHasPlayed = true;
    mAutoRelease = autoRelease;
    if (mOwnBuffer == nullptr) {
        return false;
    }
    return mOwnBuffer->Play(looping);
}

void DSoundInstance::Stop() {
    if (mOwnBuffer != nullptr) {
        mOwnBuffer->Stop();
        mOwnBuffer->SetPosition(0);
    }
    mAutoRelease = false;
}

bool DSoundInstance::IsPlaying() {
    if (!mHasPlayed || mOwnBuffer == nullptr) {
        return false;
    }
    return mOwnBuffer->IsPlaying();
}

bool DSoundInstance::IsReleased() {
    if (!mReleased && mAutoRelease && mHasPlayed && !IsPlaying()) {
        Release();
    }
    return mReleased;
}

}  // namespace Vesk
