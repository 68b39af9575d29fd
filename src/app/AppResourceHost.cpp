#include "app/AppResourceHost.h"

#include "app/VeskAppBase.h"
#include "graphics/DDImage.h"
#include "resources/ParticleRegistry.h"
#include "sound/SoundManager.h"

namespace Vesk {

SharedImageRef AppResourceHost::GetSharedImage(const std::string& path, const std::string& variant,
                                               bool* isNew) {
    return mApp.GetSharedImage(path, variant, isNew);
}

Image* AppResourceHost::GetImage(const std::string& path) {
    return mApp.GetImage(path, true);
}

bool AppResourceHost::Is3DAccelerated() {
    return mApp.Is3DAccelerated();
}

int AppResourceHost::GetFreeSoundId() {
    return mApp.mSoundManager != nullptr ? mApp.mSoundManager->GetFreeSoundId() : -1;
}

bool AppResourceHost::LoadSound(int id, const std::string& path) {
    return mApp.mSoundManager != nullptr && mApp.mSoundManager->LoadSound(id, path);
}

void AppResourceHost::ReleaseSound(int id) {
    if (mApp.mSoundManager != nullptr) {
        mApp.mSoundManager->ReleaseSound(id);
    }
}

bool AppResourceHost::SetBaseVolume(int id, double volume) {
    return mApp.mSoundManager != nullptr && mApp.mSoundManager->SetBaseVolume(id, volume);
}

bool AppResourceHost::SetBasePan(int id, int pan) {
    return mApp.mSoundManager != nullptr && mApp.mSoundManager->SetBasePan(id, pan);
}

FontHost* AppResourceHost::GetFontHost() {
    return &mApp;
}

ParticleRegistry* AppResourceHost::GetParticleRegistry() {
    return mApp.mParticleRegistry.get();
}

}  // namespace Vesk
