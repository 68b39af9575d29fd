#include "sound/FModMusicInterface.h"

#include <cstring>
#include <vector>

#include "platform/FileSystem.h"
#include "sound/FModInstance.h"
#include "util/ByteWriter.h"
#include "util/CommonPath.h"
#include "util/CommonSystem.h"

namespace Vesk {

namespace {

struct SampleShape {
    int channels = 2;
    int bytesPerChannel = 2;
    int frequency = 0;
    unsigned mode = 0;
    unsigned length = 0;  // frames

    size_t Bytes() const { return size_t{length} * channels * bytesPerChannel; }
};

SampleShape ShapeOf(FMOD_INSTANCE& f, fmod::Sample* sample) {
    SampleShape shape;
    shape.mode = f.FSOUND_Sample_GetMode(sample);
    shape.channels = (shape.mode & fmod::kModeMono) != 0 ? 1 : 2;
    shape.bytesPerChannel = (shape.mode & fmod::kMode8Bits) != 0 ? 1 : 2;
    f.FSOUND_Sample_GetDefaults(sample, &shape.frequency, nullptr, nullptr, nullptr);
    shape.length = f.FSOUND_Sample_GetLength(sample);
    return shape;
}

// A plain WAV of the sample's bytes.
std::vector<uint8_t> PlainWav(const SampleShape& shape, const uint8_t* data, size_t bytes) {
    const auto blockAlign = static_cast<uint16_t>(shape.channels * shape.bytesPerChannel);
    ByteWriter out;
    out.WriteBytes("RIFF", 4);
    out.WriteU32(static_cast<uint32_t>(bytes + 36));
    out.WriteBytes("WAVEfmt ", 8);
    out.WriteU32(16);
    out.WriteU16(1);
    out.WriteU16(static_cast<uint16_t>(shape.channels));
    out.WriteU32(static_cast<uint32_t>(shape.frequency));
    out.WriteU32(static_cast<uint32_t>(shape.frequency) * blockAlign);
    out.WriteU16(blockAlign);
    out.WriteU16(static_cast<uint16_t>(shape.bytesPerChannel * 8));
    out.WriteBytes("data", 4);
    out.WriteU32(static_cast<uint32_t>(bytes));
    out.WriteBytes(data, bytes);
    return out.Bytes();
}

}  // namespace

FModMusicInterface::FModMusicInterface(platform::AudioDevice* output,
                                       std::function<void(const std::string&)> showError,
                                       const MusicLibrary* library) {
    mFMod = FMOD_INSTANCE::Acquire(library, output, showError);
}

FModMusicInterface::~FModMusicInterface() {
    mMusicMap.clear();
    FMOD_INSTANCE::Release();
}

FModMusicInfo* FModMusicInterface::Find(int songId) {
    const auto found = mMusicMap.find(songId);
    return found == mMusicMap.end() ? nullptr : &found->second;
}

void FModMusicInterface::ApplyVolume(int songId, const FModMusicInfo& info) {
    if (info.mHMusic != nullptr) {
        mFMod->FMUSIC_SetMasterVolume(
            info.mHMusic, static_cast<int>(info.mVolume * mMusicVolume * mMaxMusicVolume));
    } else {
        mFMod->FSOUND_SetVolume(songId,
                                static_cast<int>(info.mVolume * mMusicVolume * mMaxSampleVolume));
    }
}

void FModMusicInterface::StartSample(int songId, const FModMusicInfo& info) {
    mFMod->FSOUND_PlaySound(songId, info.mHSample);
    mFMod->FSOUND_SetLoopMode(songId, info.mRepeats ? fmod::kModeLoopNormal : fmod::kModeLoopOff);
}

bool FModMusicInterface::LoadMusic(int songId, const std::string& fileName) {
    fmod::Song* song = mFMod->FMUSIC_LoadSong(fileName.c_str());
    if (song == nullptr) {
        return false;
    }
    FModMusicInfo info;
    info.mHMusic = song;
    mMusicMap.emplace(songId, info);
    return true;
}

void FModMusicInterface::PlayMusic(int songId, int offset, bool noLoop) {
    FModMusicInfo* info = Find(songId);
    if (info == nullptr) {
        return;
    }
    info->mVolume = info->mVolumeCap;
    info->mVolumeAdd = 0.0;
    if (info->mHMusic != nullptr) {
        ApplyVolume(songId, *info);
        mFMod->FMUSIC_SetLooping(info->mHMusic, noLoop ? fmod::kSongNoLoop : fmod::kSongLoop);
        mFMod->FMUSIC_PlaySong(info->mHMusic);
        mFMod->FMUSIC_SetOrder(info->mHMusic, offset);
    } else {
        StartSample(songId, *info);
        ApplyVolume(songId, *info);
    }
}

void FModMusicInterface::StopMusic(int songId) {
    FModMusicInfo* info = Find(songId);
    if (info == nullptr) {
        return;
    }
    info->mVolume = 0.0;
    if (info->mHMusic != nullptr) {
        mFMod->FMUSIC_StopSong(info->mHMusic);
    } else {
        mFMod->FSOUND_StopSound(songId);
    }
}

void FModMusicInterface::PauseMusic(int songId) {
    if (FModMusicInfo* info = Find(songId)) {
        if (info->mHMusic != nullptr) {
            mFMod->FMUSIC_SetPaused(info->mHMusic, 1);
        } else {
            mFMod->FSOUND_SetPaused(songId, 1);
        }
    }
}

void FModMusicInterface::ResumeMusic(int songId) {
    if (FModMusicInfo* info = Find(songId)) {
        if (info->mHMusic != nullptr) {
            mFMod->FMUSIC_SetPaused(info->mHMusic, 0);
        } else {
            mFMod->FSOUND_SetPaused(songId, 0);
        }
    }
}

void FModMusicInterface::StopAllMusic() {
    for (auto& [songId, info] : mMusicMap) {
        (void)info;
        StopMusic(songId);
    }
}

void FModMusicInterface::FadeIn(int songId, int offset, double speed, bool noLoop) {
    FModMusicInfo* info = Find(songId);
    if (info == nullptr) {
        return;
    }
    info->mVolumeAdd = speed;
    if (info->mHMusic != nullptr) {
        ApplyVolume(songId, *info);
        mFMod->FMUSIC_SetLooping(info->mHMusic, noLoop ? fmod::kSongNoLoop : fmod::kSongLoop);
        if (mFMod->FMUSIC_IsPlaying(info->mHMusic) == 0) {
            mFMod->FMUSIC_PlaySong(info->mHMusic);
        }
        if (offset != -1) {
            mFMod->FMUSIC_SetOrder(info->mHMusic, offset);
        }
    } else {
        if (mFMod->FSOUND_IsPlaying(songId) == 0) {
            StartSample(songId, *info);
        }
        ApplyVolume(songId, *info);
    }
}

void FModMusicInterface::FadeOut(int songId, bool stopWhenFaded, double speed) {
    if (FModMusicInfo* info = Find(songId)) {
        info->mVolumeAdd = -speed;
        info->mStopOnFade = stopWhenFaded;
    }
}

void FModMusicInterface::FadeOutAll(bool stopWhenFaded, double speed) {
    for (auto& [songId, info] : mMusicMap) {
        (void)songId;
        info.mVolumeAdd = -speed;
        info.mStopOnFade = stopWhenFaded;
    }
}

void FModMusicInterface::SetSongVolume(int songId, double volume) {
    if (FModMusicInfo* info = Find(songId)) {
        info->mVolume = volume;
        ApplyVolume(songId, *info);
    }
}

bool FModMusicInterface::IsPlaying(int songId) {
    FModMusicInfo* info = Find(songId);
    if (info == nullptr) {
        return false;
    }
    // A sample song plays on its channel; it has no module to ask.
    if (info->mHMusic == nullptr) {
        return mFMod->FSOUND_IsPlaying(songId) != 0;
    }
    return mFMod->FMUSIC_IsPlaying(info->mHMusic) != 0;
}

void FModMusicInterface::SetVolume(double volume) {
    mMusicVolume = volume;
    for (const auto& [songId, info] : mMusicMap) {
        ApplyVolume(songId, info);
    }
}

void FModMusicInterface::Update() {
    for (auto& [songId, info] : mMusicMap) {
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
                if (info.mHMusic != nullptr) {
                    mFMod->FMUSIC_StopSong(info.mHMusic);
                } else {
                    mFMod->FSOUND_StopSound(songId);
                }
            }
        }
        ApplyVolume(songId, info);
    }
}

fmod::Sample* FModMusicInterface::DecodeMusicSample(const std::string& fileName) {
    const std::string cacheName = GetAppDataFolder() + "cached\\" + GetFileName(fileName) + ".wav";
    MakeDirectories(GetFileDir(cacheName));
    if (fmod::Sample* cached = mFMod->FSOUND_Sample_Load(-1, cacheName.c_str(), 0, 0)) {
        return cached;
    }
    fmod::Sample* sample = mFMod->FSOUND_Sample_Load(-1, (fileName + ".ogg").c_str(), 0, 0);
    if (sample == nullptr) {
        return nullptr;
    }
    const SampleShape shape = ShapeOf(*mFMod, sample);
    void* part1 = nullptr;
    void* part2 = nullptr;
    unsigned length1 = 0;
    unsigned length2 = 0;
    if (shape.Bytes() > 0 && mFMod->FSOUND_Sample_Lock(sample, 0, static_cast<int>(shape.Bytes()),
                                                       &part1, &part2, &length1, &length2) != 0) {
        // Written whole or not at all: a cut copy would be taken for the music next time.
        const std::vector<uint8_t> wav =
            PlainWav(shape, static_cast<const uint8_t*>(part1), length1);
        platform::fs::WriteWholeFileAtomic(cacheName, wav.data(), wav.size());
        mFMod->FSOUND_Sample_Unlock(sample, part1, part2, length1, length2);
    }
    return sample;
}

bool FModMusicInterface::LoadDecodedMusic(int songId, const std::string& introFile,
                                          const std::string& loopFile, bool loop) {
    fmod::Sample* intro = DecodeMusicSample(introFile);
    fmod::Sample* body = DecodeMusicSample(loopFile);
    auto freeParts = [&] {
        if (intro != nullptr) {
            mFMod->FSOUND_Sample_Free(intro);
        }
        if (body != nullptr) {
            mFMod->FSOUND_Sample_Free(body);
        }
    };
    if (intro == nullptr || body == nullptr) {
        freeParts();
        return false;
    }
    const SampleShape a = ShapeOf(*mFMod, intro);
    const SampleShape b = ShapeOf(*mFMod, body);
    if (a.frequency != b.frequency || a.mode != b.mode) {
        freeParts();
        return false;
    }
    fmod::Sample* joined =
        mFMod->FSOUND_Sample_Alloc(-1, static_cast<int>(a.length + b.length),
                                   a.mode | fmod::kModeLoopNormal, a.frequency, 255, 128, 0);
    if (joined == nullptr) {
        freeParts();
        return false;
    }
    void* target = nullptr;
    void* target2 = nullptr;
    unsigned targetLength = 0;
    unsigned targetLength2 = 0;
    if (mFMod->FSOUND_Sample_Lock(joined, 0, static_cast<int>(a.Bytes() + b.Bytes()), &target,
                                  &target2, &targetLength, &targetLength2) != 0) {
        size_t at = 0;
        for (const auto& [part, shape] : {std::pair{intro, a}, std::pair{body, b}}) {
            void* from = nullptr;
            void* from2 = nullptr;
            unsigned fromLength = 0;
            unsigned fromLength2 = 0;
            if (mFMod->FSOUND_Sample_Lock(part, 0, static_cast<int>(shape.Bytes()), &from, &from2,
                                          &fromLength, &fromLength2) != 0) {
                const size_t count = std::min<size_t>(fromLength, targetLength - at);
                std::memcpy(static_cast<uint8_t*>(target) + at, from, count);
                mFMod->FSOUND_Sample_Unlock(part, from, from2, fromLength, fromLength2);
            }
            at += shape.Bytes();
        }
        mFMod->FSOUND_Sample_Unlock(joined, target, target2, targetLength, targetLength2);
    }
    freeParts();
    mFMod->FSOUND_Sample_SetLoopPoints(joined, static_cast<int>(a.length),
                                       static_cast<int>(b.length));
    FModMusicInfo info;
    info.mHSample = joined;
    info.mRepeats = loop;
    mMusicMap.emplace(songId, info);
    return true;
}

bool FModMusicInterface::LoadSampleMusic(int songId, const std::string& fileName, bool loop) {
    fmod::Sample* sample = DecodeMusicSample(fileName);
    if (sample == nullptr) {
        return false;
    }
    FModMusicInfo info;
    info.mHSample = sample;
    info.mRepeats = loop;
    mMusicMap.emplace(songId, info);
    return true;
}

}  // namespace Vesk
