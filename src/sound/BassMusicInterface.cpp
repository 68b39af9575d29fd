#include "sound/BassMusicInterface.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "platform/AudioDevice.h"
#include "platform/Debug.h"
#include "resources/PakInterface.h"
#include "sound/BassInstance.h"

namespace Vesk {

namespace {

std::string LowerExtension(const std::string& fileName) {
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos) {
        return {};
    }
    std::string extension = fileName.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// The library's whole volume units: truncation of volume x 100.
int Units(double volume, double scale = 100.0) {
    return static_cast<int>(volume * scale);
}

}  // namespace

BassMusicInterface::BassMusicInterface(platform::WindowId window, platform::AudioDevice* output,
                                       std::function<void(const std::string&)> showError,
                                       const MusicLibrary* library)
    : mWindow(window) {
    mBass = BASS_INSTANCE::Acquire(library, output, showError);
    // Starting the library must leave the user's wave-out volume as it was.
    const uint16_t waveOut = platform::GetWaveOutVolume();
    if (mBass->mVersion2) {
        mBass->BASS_Init(1, 44100, 0, window, nullptr);
        mBass->BASS_SetConfig(bass::kConfigBuffer, 2000);
    } else {
        mBass->BASS_InitOld(-1, 44100, 0, window);
    }
    platform::SetWaveOutVolume(waveOut);
    mBass->BASS_Start();
    mMaxMusicVolume = 40;
    mMusicLoadFlags = mBass->mVersion2 ? bass::kMusicRamp | bass::kLoop : bass::kLoop;
}

BassMusicInterface::~BassMusicInterface() {
    mBass->BASS_Stop();
    // Freeing the library frees every stream; the bytes they play from go after them.
    mBass->BASS_Free();
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    mMusicMap.clear();
    BASS_INSTANCE::Release();
}

void BassMusicInterface::LogError(const std::string& text) const {
    if (mErrorLog) {
        mErrorLog(text);
    } else {
        platform::DebugOutput(text + "\n");
    }
}

BassMusicInfo* BassMusicInterface::Find(int songId) {
    const auto found = mMusicMap.find(songId);
    return found == mMusicMap.end() ? nullptr : &found->second;
}

bool BassMusicInterface::LoadMusic(int songId, const std::string& fileName) {
    const std::string extension = LowerExtension(fileName);
    const bool stream = extension == "wav" || extension == "ogg" || extension == "mp3";
    std::string readError;
    std::optional<std::vector<uint8_t>> bytes = PakReadWholeFile(fileName, readError);
    if (!bytes) {
        LogError(readError.empty() ? fileName + ": not found" : readError);
        return false;
    }
    BassMusicInfo info;
    if (stream) {
        info.mHStream = mBass->BASS_StreamCreateFile(1, bytes->data(), 0, bytes->size(), 0);
        info.mFileData = std::move(*bytes);
    } else {
        // The length is passed: the library cannot tell where a block in memory ends.
        const auto length = static_cast<uint32_t>(bytes->size());
        info.mHMusic = mBass->mVersion2
                           ? mBass->BASS_MusicLoad(1, bytes->data(), 0, length, mMusicLoadFlags, 0)
                           : mBass->BASS_MusicLoadOld(1, bytes->data(), 0, length, mMusicLoadFlags);
    }
    if (info.GetHandle() == 0) {
        // Without an output the library plays nothing; that is no fault of the file.
        const int error = mBass->BASS_ErrorGetCode();
        if (error != bass::kErrorInit) {
            LogError("Music file " + fileName + ": the music library refused it (error " +
                     std::to_string(error) + ")");
        }
        return false;
    }
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    // A loaded id keeps its song; the new channel is not kept either.
    if (mMusicMap.contains(songId)) {
        FreeSong(info);
        return true;
    }
    mMusicMap.emplace(songId, std::move(info));
    return true;
}

void BassMusicInterface::FreeSong(BassMusicInfo& info) {
    if (info.mHStream != 0) {
        mBass->BASS_StreamFree(info.mHStream);
    } else if (info.mHMusic != 0) {
        mBass->BASS_MusicFree(info.mHMusic);
    }
    info.mFileData.clear();
}

void BassMusicInterface::SetChannelVolume(const BassMusicInfo& info) {
    mBass->BASS_ChannelSetAttributes(info.GetHandle(), -1, Units(info.mVolume), -101);
}

void BassMusicInterface::StartSong(BassMusicInfo& info, int offset, bool noLoop, bool fading) {
    const uint32_t loop = noLoop ? 0 : bass::kLoop;
    const uint32_t channel = info.GetHandle();
    if (info.mHMusic != 0) {
        if (fading && offset == -1) {
            mBass->BASS_ChannelPlay(channel, 1);
            return;
        }
        const uint32_t versionFlags =
            mBass->mVersion2
                ? (fading ? bass::kMusicRamp : bass::kMusicPositionReset | bass::kMusicRamp)
                : 0;
        mBass->BASS_ChannelStop(channel);
        const uint64_t position = bass::kOrderPosition | (uint64_t{0x8000} << 16) |
                                  (static_cast<uint64_t>(offset) & 0xFFFF);
        mBass->BASS_ChannelSetPosition(channel, position);
        mBass->BASS_ChannelSetFlags(channel, loop | versionFlags);
        mBass->BASS_ChannelPlay(channel, 0);
        return;
    }
    mBass->BASS_ChannelSetFlags(channel, loop);
    mBass->BASS_ChannelPlay(channel, offset != -1 ? 1 : 0);
    if (offset > 0) {
        mBass->BASS_ChannelSetPosition(channel, static_cast<uint64_t>(offset));
    }
}

void BassMusicInterface::PlayMusic(int songId, int offset, bool noLoop) {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    BassMusicInfo* info = Find(songId);
    if (info == nullptr) {
        return;
    }
    info->mVolume = info->mVolumeCap;
    info->mVolumeAdd = 0.0;
    SetChannelVolume(*info);
    mBass->BASS_ChannelStop(info->GetHandle());
    StartSong(*info, offset, noLoop, false);
}

void BassMusicInterface::StopMusic(int songId) {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    if (BassMusicInfo* info = Find(songId)) {
        info->mVolume = 0.0;
        mBass->BASS_ChannelStop(info->GetHandle());
    }
}

void BassMusicInterface::PauseMusic(int songId) {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    if (BassMusicInfo* info = Find(songId)) {
        mBass->BASS_ChannelPause(info->GetHandle());
    }
}

void BassMusicInterface::ResumeMusic(int songId) {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    if (BassMusicInfo* info = Find(songId)) {
        mBass->BASS_ChannelPlay(info->GetHandle(), 0);
    }
}

void BassMusicInterface::StopAllMusic() {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    for (auto& [songId, info] : mMusicMap) {
        (void)songId;
        info.mVolume = 0.0;
        mBass->BASS_ChannelStop(info.GetHandle());
    }
}

void BassMusicInterface::UnloadMusic(int songId) {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    const auto found = mMusicMap.find(songId);
    if (found == mMusicMap.end()) {
        return;
    }
    StopMusic(songId);
    FreeSong(found->second);
    mMusicMap.erase(found);
}

void BassMusicInterface::UnloadAllMusic() {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    StopAllMusic();
    for (auto& [songId, info] : mMusicMap) {
        (void)songId;
        FreeSong(info);
    }
    mMusicMap.clear();
}

void BassMusicInterface::PauseAllMusic() {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    for (auto& [songId, info] : mMusicMap) {
        (void)songId;
        if (mBass->BASS_ChannelIsActive(info.GetHandle()) == bass::kPlaying) {
            mBass->BASS_ChannelPause(info.GetHandle());
        }
    }
}

void BassMusicInterface::ResumeAllMusic() {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    for (auto& [songId, info] : mMusicMap) {
        (void)songId;
        if (mBass->BASS_ChannelIsActive(info.GetHandle()) == bass::kPaused) {
            mBass->BASS_ChannelPlay(info.GetHandle(), 0);
        }
    }
}

void BassMusicInterface::FadeIn(int songId, int offset, double speed, bool noLoop) {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    BassMusicInfo* info = Find(songId);
    if (info == nullptr) {
        return;
    }
    info->mVolumeAdd = speed;
    mBass->BASS_ChannelStop(info->GetHandle());
    SetChannelVolume(*info);
    StartSong(*info, offset, noLoop, true);
}

void BassMusicInterface::FadeOut(int songId, bool stopWhenFaded, double speed) {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    BassMusicInfo* info = Find(songId);
    if (info == nullptr) {
        return;
    }
    if (info->mVolume != 0.0) {
        info->mVolumeAdd = -speed;
    }
    info->mStopOnFade = stopWhenFaded;
}

void BassMusicInterface::FadeOutAll(bool stopWhenFaded, double speed) {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    for (auto& [songId, info] : mMusicMap) {
        (void)songId;
        info.mVolumeAdd = -speed;
        info.mStopOnFade = stopWhenFaded;
    }
}

void BassMusicInterface::SetSongVolume(int songId, double volume) {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    if (BassMusicInfo* info = Find(songId)) {
        info->mVolume = volume;
        SetChannelVolume(*info);
    }
}

void BassMusicInterface::SetSongMaxVolume(int songId, double volume) {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    if (BassMusicInfo* info = Find(songId)) {
        info->mVolumeCap = volume;
        info->mVolume = std::min(volume, info->mVolume);
        SetChannelVolume(*info);
    }
}

bool BassMusicInterface::IsPlaying(int songId) {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    BassMusicInfo* info = Find(songId);
    return info != nullptr && mBass->BASS_ChannelIsActive(info->GetHandle()) == bass::kPlaying;
}

void BassMusicInterface::SetVolume(double volume) {
    if (mBass->mVersion2) {
        const auto units = static_cast<uint32_t>(std::max(0, Units(volume)));
        mBass->BASS_SetConfig(bass::kConfigMusicVolume, units);
        mBass->BASS_SetConfig(bass::kConfigStreamVolume, units);
    } else {
        const int units = Units(volume, mMaxMusicVolume);
        mBass->BASS_SetGlobalVolumes(units, units, units);
    }
}

void BassMusicInterface::SetMusicAmplify(int songId, double amplification) {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    if (BassMusicInfo* info = Find(songId)) {
        mBass->BASS_MusicSetAttribute(info->GetHandle(), bass::kMusicAttributeAmplify,
                                      static_cast<uint32_t>(std::max(0, Units(amplification))));
    }
}

void BassMusicInterface::Update() {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    for (auto& [songId, info] : mMusicMap) {
        (void)songId;
        if (info.mVolumeAdd == 0.0) {
            continue;
        }
        info.mVolume += info.mVolumeAdd;
        if (info.mVolume > info.mVolumeCap) {
            info.mVolume = info.mVolumeCap;
            info.mVolumeAdd = 0.0;
        } else if (info.mVolume < 0.0) {
            info.mVolume = 0.0;
            info.mVolumeAdd = 0.0;
            if (info.mStopOnFade) {
                mBass->BASS_ChannelStop(info.GetHandle());
            }
        }
        SetChannelVolume(info);
    }
}

uint32_t BassMusicInterface::GetSongLevel(int songId) {
    std::lock_guard<std::recursive_mutex> lock(mMapLock);
    BassMusicInfo* info = Find(songId);
    return info != nullptr ? mBass->BASS_ChannelGetLevel(info->GetHandle()) : bass::kNoLevel;
}

}  // namespace Vesk
