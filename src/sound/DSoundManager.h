#pragma once

#include "sound/SoundManager.h"

namespace Vesk {

// The sound manager. The audio device arrives with the sound layer; until then it runs as
// a manager without a device: silent, loads nothing and hands out no instances.
class DSoundManager : public SoundManager {
public:
    DSoundManager(platform::WindowId window, bool mp3ThroughCodec);
    ~DSoundManager() override = default;

    bool Initialized() override { return false; }
    int LoadSoundByName(const std::string& fileName) override;
    bool LoadSound(int id, const std::string& fileName) override;
    void ReleaseSound(int id) override;
    void SetVolume(double volume) override { mVolume = volume; }
    bool SetBaseVolume(int id, double volume) override;
    bool SetBasePan(int id, int pan) override;
    SoundInstance* GetSoundInstance(int id) override;
    void ReleaseSounds() override {}
    void ReleaseChannels() override {}
    double GetMasterVolume() override { return mMasterVolume; }
    void SetMasterVolume(double volume) override { mMasterVolume = volume; }
    void SetCooperativeWindow(platform::WindowId window, bool isWindowed) override;
    void StopAllSounds() override {}
    int GetFreeSoundId() override { return 0; }
    int GetNumSounds() override { return 0; }

    static constexpr int MAX_SOURCE_SOUNDS = 256;

    platform::WindowId mWindow = platform::kNoWindow;
    bool mMp3ThroughCodec = false;
    double mVolume = 1.0;
    // The system mixer is never touched; the master volume is a gain of the program's own.
    double mMasterVolume = 1.0;
};

}  // namespace Vesk
