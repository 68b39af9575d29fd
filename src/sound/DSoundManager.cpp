#include "sound/DSoundManager.h"

namespace Vesk {

DSoundManager::DSoundManager(platform::WindowId window, bool mp3ThroughCodec)
    : mWindow(window), mMp3ThroughCodec(mp3ThroughCodec) {}

int DSoundManager::LoadSoundByName(const std::string& fileName) {
    (void)fileName;
    return -1;
}

bool DSoundManager::LoadSound(int id, const std::string& fileName) {
    (void)fileName;
    // Without a device a load succeeds without loading anything.
    return id >= 0 && id < MAX_SOURCE_SOUNDS;
}

void DSoundManager::ReleaseSound(int id) {
    (void)id;
}

bool DSoundManager::SetBaseVolume(int id, double volume) {
    (void)volume;
    return id >= 0 && id < MAX_SOURCE_SOUNDS;
}

bool DSoundManager::SetBasePan(int id, int pan) {
    (void)pan;
    return id >= 0 && id < MAX_SOURCE_SOUNDS;
}

SoundInstance* DSoundManager::GetSoundInstance(int id) {
    (void)id;
    return nullptr;
}

void DSoundManager::SetCooperativeWindow(platform::WindowId window, bool isWindowed) {
    (void)isWindowed;
    mWindow = window;
}

}  // namespace Vesk
