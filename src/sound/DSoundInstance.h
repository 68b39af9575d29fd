#pragma once

#include <cstdint>
#include <memory>

#include "platform/AudioDevice.h"
#include "sound/SoundInstance.h"

namespace Vesk {

class DSoundManager;

// One playing copy of a loaded sound: a duplicate of the slot's buffer with its own volume,
// pan and pitch. Without a device it has no buffer and plays nothing. Main thread.
class DSoundInstance : public SoundInstance {
public:
    // own is the duplicate this instance plays (may be null: silent).
    DSoundInstance(DSoundManager& manager, std::unique_ptr<platform::AudioBuffer> own);
    ~DSoundInstance() override = default;

    void Release() override;
    void SetBaseVolume(double volume) override;
    void SetBasePan(int pan) override;
    void AdjustPitch(double semitones) override;
    void SetVolume(double volume) override;
    void SetPan(int pan) override;
    bool Play(bool looping, bool autoRelease) override;
    void Stop() override;
    bool IsPlaying() override;
    bool IsReleased() override;
    double GetVolume() override { return mVolume; }

    // Applies volume x base volume x the manager's volume to the buffer.
    void ApplyVolume();
    bool AutoRelease() const { return mAutoRelease; }
    void SetAutoRelease(bool autoRelease) { mAutoRelease = autoRelease; }
    // Null without a device.
    platform::AudioBuffer* Buffer() const { return mOwnBuffer.get(); }

private:
    DSoundManager& mManager;
    std::unique_ptr<platform::AudioBuffer> mOwnBuffer;
    bool mAutoRelease = false;
    bool mHasPlayed = false;
    bool mReleased = false;
    int mBasePan = 0;
    double mBaseVolume = 1.0;
    int mPan = 0;
    double mVolume = 1.0;
    uint32_t mBaseFrequency = 44100;
};

}  // namespace Vesk
