#pragma once

namespace Vesk {

// One playing sound. The manager owns it; callers Release it or play it with auto-release.
class SoundInstance {
public:
    SoundInstance() = default;
    virtual ~SoundInstance() = default;
    SoundInstance(const SoundInstance&) = delete;
    SoundInstance& operator=(const SoundInstance&) = delete;

    virtual void Release() = 0;
    virtual void SetBaseVolume(double volume) = 0;
    virtual void SetBasePan(int pan) = 0;
    virtual void AdjustPitch(double semitones) = 0;
    virtual void SetVolume(double volume) = 0;
    // -10000 (left) to 10000 (right), hundredths of a decibel.
    virtual void SetPan(int pan) = 0;
    virtual bool Play(bool looping, bool autoRelease) = 0;
    virtual void Stop() = 0;
    virtual bool IsPlaying() = 0;
    virtual bool IsReleased() = 0;
    virtual double GetVolume() = 0;
};

}  // namespace Vesk
