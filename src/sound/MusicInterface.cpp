#include "sound/MusicInterface.h"

namespace Vesk {

bool MusicInterface::LoadMusic(int, const std::string&) {
    return false;
}

void MusicInterface::PlayMusic(int, int, bool) {}
void MusicInterface::StopMusic(int) {}
void MusicInterface::PauseMusic(int) {}
void MusicInterface::ResumeMusic(int) {}
void MusicInterface::StopAllMusic() {}
void MusicInterface::UnloadMusic(int) {}
void MusicInterface::UnloadAllMusic() {}
void MusicInterface::PauseAllMusic() {}
void MusicInterface::ResumeAllMusic() {}
void MusicInterface::FadeIn(int, int, double, bool) {}
void MusicInterface::FadeOut(int, bool, double) {}
void MusicInterface::FadeOutAll(bool, double) {}
void MusicInterface::SetSongVolume(int, double) {}
void MusicInterface::SetSongMaxVolume(int, double) {}

bool MusicInterface::IsPlaying(int) {
    return false;
}

void MusicInterface::SetVolume(double) {}
void MusicInterface::SetMusicAmplify(int, double) {}
void MusicInterface::Update() {}

uint32_t MusicInterface::GetSongLevel(int) {
    return 0xFFFFFFFF;
}

}  // namespace Vesk
