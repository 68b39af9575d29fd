#pragma once

#include <string>

#include "platform/Message.h"

namespace Vesk {

class SoundInstance;

// The store of sound effects, ids 0 to 255.
class SoundManager {
public:
    SoundManager() = default;
    virtual ~SoundManager() = default;
    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    virtual bool Initialized() = 0;
    virtual int LoadSoundByName(const std::string& fileName) = 0;
    [[nodiscard]] virtual bool LoadSound(int id, const std::string& fileName) = 0;
    virtual void ReleaseSound(int id) = 0;
    virtual void SetVolume(double volume) = 0;
    virtual bool SetBaseVolume(int id, double volume) = 0;
    virtual bool SetBasePan(int id, int pan) = 0;
    virtual SoundInstance* GetSoundInstance(int id) = 0;
    virtual void ReleaseSounds() = 0;
    virtual void ReleaseChannels() = 0;
    virtual double GetMasterVolume() = 0;
    virtual void SetMasterVolume(double volume) = 0;
    virtual void SetCooperativeWindow(platform::WindowId window, bool isWindowed) = 0;
    virtual void StopAllSounds() = 0;
    virtual int GetFreeSoundId() = 0;
    virtual int GetNumSounds() = 0;
};

}  // namespace Vesk
