// One music track at a time, chosen by the screen or the level, and fire-and-forget sounds.
#include "game/app/GameApp.h"
#include "sound/MusicInterface.h"
#include "sound/SoundInstance.h"
#include "sound/SoundManager.h"

namespace Vesk {

namespace {

constexpr double kFadeInSpeed = 0.1;
constexpr double kFadeOutSpeed = 0.004;
constexpr double kSlowedSemitones = -13.0;

}  // namespace

void GameApp::SwitchMusic(int track) {
    if (track == mCurrentTrack) {
        return;
    }
    FadeOutMusic();
    if (mMusicInterface != nullptr) {
        mMusicInterface->FadeIn(track, 0, kFadeInSpeed, false);
    }
    mCurrentTrack = track;
}

void GameApp::FadeOutMusic() {
    if (mCurrentTrack < 0) {
        return;
    }
    if (mMusicInterface != nullptr) {
        mMusicInterface->FadeOut(mCurrentTrack, true, kFadeOutSpeed);
    }
    mCurrentTrack = kNoTrack;
}

int GameApp::LevelMusicTrack(int level) {
    static constexpr int kTracks[] = {4, 1, 2, 0};
    const int quarter = (level - 1) / 25;
    if (quarter < 0 || quarter > 3) {
        return kNoTrack;
    }
    return kTracks[quarter];
}

void GameApp::PlayLevelMusic() {
    const int track = LevelMusicTrack(BoardLevel());
    if (track != kNoTrack) {
        SwitchMusic(track);
    }
}

void GameApp::PlaySoundById(int soundId, bool looping, bool slowed) {
    if (mSoundManager == nullptr) {
        return;
    }
    SoundInstance* instance = mSoundManager->GetSoundInstance(soundId);
    if (instance == nullptr) {
        return;
    }
    if (slowed && BoardSlowMotion()) {
        instance->AdjustPitch(kSlowedSemitones);
    }
    instance->Play(looping, true);
}

}  // namespace Vesk
