#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/AudioDevice.h"
#include "sound/DSoundInstance.h"
#include "sound/SoundManager.h"

namespace Vesk {

struct PcmSound;

// The sound store over the audio device: 256 sound slots and at most 32 live instances,
// finished ones recycled. Without a window or a device it runs silent: loads succeed without
// loading and instances play nothing.
// Threads: the main thread, and the loading thread for LoadSound and GetFreeSoundId; the
// manager takes no lock (the device locks its voices itself).
class DSoundManager : public SoundManager {
public:
    // device is not owned and must outlive the manager; null runs silent.
    DSoundManager(platform::WindowId window, bool mp3ThroughCodec,
                  platform::AudioDevice* device = nullptr);
    ~DSoundManager() override;

    bool Initialized() override { return mDevice != nullptr; }
    int LoadSoundByName(const std::string& fileName) override;
    [[nodiscard]] bool LoadSound(int id, const std::string& fileName) override;
    void ReleaseSound(int id) override;
    void SetVolume(double volume) override;
    bool SetBaseVolume(int id, double volume) override;
    bool SetBasePan(int id, int pan) override;
    // Owned by the manager; the caller plays it with auto-release or calls Release.
    SoundInstance* GetSoundInstance(int id) override;
    void ReleaseSounds() override;
    void ReleaseChannels() override;
    // The process-wide wave-out volume, 0..1.
    double GetMasterVolume() override;
    void SetMasterVolume(double volume) override;
    void SetCooperativeWindow(platform::WindowId window, bool isWindowed) override;
    void StopAllSounds() override;
    int GetFreeSoundId() override;
    int GetNumSounds() override;

    // For the loaders: puts the sound into the slot's new buffer; false (and a log line)
    // when the device refuses it.
    bool FillSlot(int id, const PcmSound& sound, const std::string& fileName = {});
    // Null when the slot is empty or the id is out of range.
    platform::AudioBuffer* SlotBuffer(int id) const;
    void LogError(const std::string& text) const;

    static constexpr int MAX_SOURCE_SOUNDS = 256;
    static constexpr int MAX_CHANNELS = 32;
    static constexpr uint32_t kHousekeepingMs = 1000;

    platform::WindowId mWindow = platform::kNoWindow;
    bool mMp3ThroughCodec = false;
    platform::AudioDevice* mDevice = nullptr;  // null = silent
    std::array<std::unique_ptr<platform::AudioBuffer>, MAX_SOURCE_SOUNDS> mSourceSounds;
    std::array<std::string, MAX_SOURCE_SOUNDS> mSourceFileNames;
    std::array<uint32_t, MAX_SOURCE_SOUNDS> mSourceDataSizes{};
    std::array<double, MAX_SOURCE_SOUNDS> mBaseVolumes;
    std::array<int, MAX_SOURCE_SOUNDS> mBasePans{};
    std::array<std::unique_ptr<DSoundInstance>, MAX_CHANNELS> mPlayingSounds;
    double mVolume = 1.0;
    uint32_t mLastReleaseTick = 0;
    // Where bad sound files are reported; the debug channel until the application sets it.
    std::function<void(const std::string&)> mErrorLog;

private:
    static bool ValidId(int id) { return id >= 0 && id < MAX_SOURCE_SOUNDS; }
    int FindFreeChannel();
};

}  // namespace Vesk
