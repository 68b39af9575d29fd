#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Message.h"
#include "sound/BassLayer.h"
#include "sound/MusicInterface.h"

namespace platform {
class AudioDevice;
}

namespace Vesk {

struct BASS_INSTANCE;

// One loaded song of the BASS back end.
struct BassMusicInfo {
    uint32_t mHMusic = 0;   // module music, or 0
    uint32_t mHStream = 0;  // stream, or 0
    double mVolume = 0.0;
    double mVolumeAdd = 0.0;  // per update; 0 when no fade runs
    double mVolumeCap = 1.0;
    bool mStopOnFade = false;
    std::vector<uint8_t> mFileData;  // a stream plays from these bytes, so they live with it

    uint32_t GetHandle() const { return mHMusic != 0 ? mHMusic : mHStream; }
};

// Music through the stream and module music library: ".wav", ".ogg" and ".mp3" files are
// streams played from memory, anything else module music. Fades advance in Update.
// Threads: the main thread, and the loading thread for LoadMusic: the song map is locked,
// since tracks load while another one plays and fades.
class BassMusicInterface : public MusicInterface {
public:
    // output: where the music plays (not owned; null plays nothing). showError: the message
    // box for a missing library (null: the debug channel). library: the entry points (null:
    // the library is missing).
    explicit BassMusicInterface(platform::WindowId window, platform::AudioDevice* output = nullptr,
                                std::function<void(const std::string&)> showError = {},
                                const MusicLibrary* library = &BassLayerLibrary());
    ~BassMusicInterface() override;

    [[nodiscard]] bool LoadMusic(int songId, const std::string& fileName) override;
    void PlayMusic(int songId, int offset, bool noLoop) override;
    void StopMusic(int songId) override;
    void PauseMusic(int songId) override;
    void ResumeMusic(int songId) override;
    void StopAllMusic() override;
    void UnloadMusic(int songId) override;
    void UnloadAllMusic() override;
    void PauseAllMusic() override;
    void ResumeAllMusic() override;
    void FadeIn(int songId, int offset, double speed, bool noLoop) override;
    void FadeOut(int songId, bool stopWhenFaded, double speed) override;
    void FadeOutAll(bool stopWhenFaded, double speed) override;
    void SetSongVolume(int songId, double volume) override;
    void SetSongMaxVolume(int songId, double volume) override;
    bool IsPlaying(int songId) override;
    void SetVolume(double volume) override;
    void SetMusicAmplify(int songId, double amplification) override;
    void Update() override;

    uint32_t GetSongLevel(int songId) override;

    platform::WindowId mWindow = platform::kNoWindow;
    BASS_INSTANCE* mBass = nullptr;
    std::recursive_mutex mMapLock;  // guards mMusicMap
    std::map<int, BassMusicInfo> mMusicMap;
    int mMaxMusicVolume = 40;
    uint32_t mMusicLoadFlags = 0;
    // Where files that fail to load are reported; the debug channel until the application
    // sets it.
    std::function<void(const std::string&)> mErrorLog;

private:
    BassMusicInfo* Find(int songId);
    void SetChannelVolume(const BassMusicInfo& info);
    void StartSong(BassMusicInfo& info, int offset, bool noLoop, bool fading);
    void FreeSong(BassMusicInfo& info);
    void LogError(const std::string& text) const;
};

}  // namespace Vesk
