#pragma once

#include <functional>
#include <map>
#include <string>

#include "sound/FModApi.h"
#include "sound/FModLayer.h"
#include "sound/MusicInterface.h"

namespace platform {
class AudioDevice;
}

namespace Vesk {

struct FMOD_INSTANCE;

// One loaded song of the FMOD back end: module music or a sample.
struct FModMusicInfo {
    fmod::Sample* mHSample = nullptr;
    fmod::Song* mHMusic = nullptr;
    double mVolume = 0.0;
    double mVolumeAdd = 0.0;  // per update; 0 when no fade runs
    double mVolumeCap = 1.0;
    bool mStopOnFade = false;
    bool mRepeats = false;  // sample songs only
};

// Music through the sample and module music library: LoadMusic loads module music; the two
// extra loaders make sample songs, played on the channel numbered by the song id. Songs are
// never unloaded and their maximum volume stays 1.
// Threads: the main thread, and the loading thread for the loaders.
class FModMusicInterface : public MusicInterface {
public:
    // As for BassMusicInterface.
    explicit FModMusicInterface(platform::AudioDevice* output = nullptr,
                                std::function<void(const std::string&)> showError = {},
                                const MusicLibrary* library = &FModLayerLibrary());
    ~FModMusicInterface() override;

    [[nodiscard]] bool LoadMusic(int songId, const std::string& fileName) override;
    void PlayMusic(int songId, int offset, bool noLoop) override;
    void StopMusic(int songId) override;
    void PauseMusic(int songId) override;
    void ResumeMusic(int songId) override;
    void StopAllMusic() override;
    void FadeIn(int songId, int offset, double speed, bool noLoop) override;
    void FadeOut(int songId, bool stopWhenFaded, double speed) override;
    void FadeOutAll(bool stopWhenFaded, double speed) override;
    void SetSongVolume(int songId, double volume) override;
    bool IsPlaying(int songId) override;
    void SetVolume(double volume) override;
    void Update() override;

    // Joins an intro and a loop part (both without extension, see DecodeMusicSample) into one
    // sample that plays the intro once and then loops the loop part.
    virtual bool LoadDecodedMusic(int songId, const std::string& introFile,
                                  const std::string& loopFile, bool loop);
    virtual bool LoadSampleMusic(int songId, const std::string& fileName, bool loop);

    // The decoded copy in the cache folder, else the file + ".ogg" (then written to the cache
    // whole or not at all); null when neither loads.
    fmod::Sample* DecodeMusicSample(const std::string& fileName);

    FMOD_INSTANCE* mFMod = nullptr;
    std::map<int, FModMusicInfo> mMusicMap;
    double mMusicVolume = 1.0;
    int mMaxMusicVolume = 100;
    int mMaxSampleVolume = 100;

private:
    FModMusicInfo* Find(int songId);
    void ApplyVolume(int songId, const FModMusicInfo& info);
    void StartSample(int songId, const FModMusicInfo& info);
};

}  // namespace Vesk
