#include "sound/DSoundManager.h"

#include <algorithm>

#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/SoundFormulas.h"
#include "sound/PcmSound.h"
#include "sound/SoundLoaders.h"

namespace Vesk {

DSoundManager::DSoundManager(platform::WindowId window, bool mp3ThroughCodec,
                             platform::AudioDevice* device)
    : mWindow(window), mMp3ThroughCodec(mp3ThroughCodec) {
    mBaseVolumes.fill(1.0);
    if (window != platform::kNoWindow) {
        mDevice = device;
    }
}

DSoundManager::~DSoundManager() {
    ReleaseChannels();
    ReleaseSounds();
}

void DSoundManager::LogError(const std::string& text) const {
    if (mErrorLog) {
        mErrorLog(text);
    } else {
        platform::DebugOutput(text + "\n");
    }
}

int DSoundManager::LoadSoundByName(const std::string& fileName) {
    // Only loaded slots count: a name whose load failed is tried again.
    for (int id = 0; id < MAX_SOURCE_SOUNDS; ++id) {
        if (mSourceSounds[id] != nullptr && mSourceFileNames[id] == fileName) {
            return id;
        }
    }
    for (int id = MAX_SOURCE_SOUNDS - 1; id >= 0; --id) {
        if (mSourceSounds[id] == nullptr) {
            return LoadSound(id, fileName) ? id : -1;
        }
    }
    return -1;
}

bool DSoundManager::LoadSound(int id, const std::string& fileName) {
    if (!ValidId(id)) {
        return false;
    }
    ReleaseSound(id);
    if (mDevice == nullptr) {
        return true;
    }
    mSourceFileNames[id] = fileName;
    if (!LoadSoundChain(*this, id, fileName)) {
        mSourceFileNames[id].clear();
        return false;
    }
    return true;
}

void DSoundManager::ReleaseSound(int id) {
    if (!ValidId(id) || mSourceSounds[id] == nullptr) {
        return;
    }
    // Playing duplicates keep the shared bytes alive until they go.
    mSourceSounds[id].reset();
    mSourceFileNames[id].clear();
    mSourceDataSizes[id] = 0;
}

void DSoundManager::SetVolume(double volume) {
    mVolume = volume;
    for (auto& instance : mPlayingSounds) {
        if (instance != nullptr) {
            instance->ApplyVolume();
        }
    }
}

bool DSoundManager::SetBaseVolume(int id, double volume) {
    if (!ValidId(id)) {
        return false;
    }
    mBaseVolumes[id] = volume;
    return true;
}

bool DSoundManager::SetBasePan(int id, int pan) {
    if (!ValidId(id)) {
        return false;
    }
    mBasePans[id] = pan;
    return true;
}

int DSoundManager::FindFreeChannel() {
    const uint32_t now = platform::GetClock().TickMs();
    if (now - mLastReleaseTick > kHousekeepingMs) {
        for (auto& instance : mPlayingSounds) {
            if (instance != nullptr && instance->IsReleased()) {
                instance.reset();
            }
        }
        mLastReleaseTick = now;
    }
    for (int i = 0; i < MAX_CHANNELS; ++i) {
        if (mPlayingSounds[i] == nullptr) {
            return i;
        }
        if (mPlayingSounds[i]->IsReleased()) {
            mPlayingSounds[i].reset();
            return i;
        }
    }
    return -1;
}

SoundInstance* DSoundManager::GetSoundInstance(int id) {
    if (!ValidId(id)) {
        return nullptr;
    }
    const int channel = FindFreeChannel();
    if (channel < 0) {
        return nullptr;
    }
    std::unique_ptr<platform::AudioBuffer> own;
    if (mDevice != nullptr) {
        if (mSourceSounds[id] == nullptr) {
            return nullptr;
        }
        own = mSourceSounds[id]->Duplicate();
        // A failed copy skips the sound; it never ends the program.
        if (own == nullptr) {
            LogError("Sound " + std::to_string(id) + ": the buffer could not be duplicated");
            return nullptr;
        }
    }
    mPlayingSounds[channel] = std::make_unique<DSoundInstance>(*this, std::move(own));
    DSoundInstance* instance = mPlayingSounds[channel].get();
    instance->SetBasePan(mBasePans[id]);
    instance->SetBaseVolume(mBaseVolumes[id]);
    return instance;
}

void DSoundManager::ReleaseSounds() {
    for (auto& buffer : mSourceSounds) {
        buffer.reset();
    }
    mSourceDataSizes.fill(0);
}

void DSoundManager::ReleaseChannels() {
    for (auto& instance : mPlayingSounds) {
        instance.reset();
    }
}

double DSoundManager::GetMasterVolume() {
    return platform::GetWaveOutVolume() / double{platform::sound::kMaxWaveOutVolume};
}

void DSoundManager::SetMasterVolume(double volume) {
    const double clamped = std::clamp(volume, 0.0, 1.0);
    platform::SetWaveOutVolume(static_cast<uint16_t>(clamped * platform::sound::kMaxWaveOutVolume));
}

void DSoundManager::SetCooperativeWindow(platform::WindowId window, bool isWindowed) {
    (void)isWindowed;
    if (mDevice != nullptr) {
        mWindow = window;
    }
}

void DSoundManager::StopAllSounds() {
    for (auto& instance : mPlayingSounds) {
        if (instance != nullptr) {
            const bool autoRelease = instance->AutoRelease();
            instance->Stop();
            instance->SetAutoRelease(autoRelease);
        }
    }
}

int DSoundManager::GetFreeSoundId() {
    for (int id = 0; id < MAX_SOURCE_SOUNDS; ++id) {
        if (mSourceSounds[id] == nullptr) {
            return id;
        }
    }
    return -1;
}

int DSoundManager::GetNumSounds() {
    return static_cast<int>(std::count_if(mSourceSounds.begin(), mSourceSounds.end(),
                                          [](const auto& buffer) { return buffer != nullptr; }));
}

bool DSoundManager::FillSlot(int id, const PcmSound& sound, const std::string& fileName) {
    if (!ValidId(id) || mDevice == nullptr) {
        return false;
    }
    std::unique_ptr<platform::AudioBuffer> buffer =
        mDevice->CreateBuffer(sound.format, sound.data.size());
    if (buffer == nullptr) {
        LogError("Sound file " + fileName + ": the device refused its format");
        return false;
    }
    const std::span<uint8_t> bytes = buffer->Lock(0, sound.data.size());
    std::copy(sound.data.begin(), sound.data.begin() + static_cast<ptrdiff_t>(bytes.size()),
              bytes.begin());
    if (!buffer->Unlock()) {
        return false;
    }
    mSourceDataSizes[id] = static_cast<uint32_t>(sound.data.size());
    mSourceSounds[id] = std::move(buffer);
    return true;
}

platform::AudioBuffer* DSoundManager::SlotBuffer(int id) const {
    return ValidId(id) ? mSourceSounds[id].get() : nullptr;
}

}  // namespace Vesk
