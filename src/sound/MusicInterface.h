#pragma once

#include <cstdint>
#include <string>

namespace Vesk {

// Background music by song id. This base is a complete, silent player: every operation does
// nothing and every query answers false, so the program runs without any sound library.
class MusicInterface {
public:
    MusicInterface() = default;
    virtual ~MusicInterface() = default;
    MusicInterface(const MusicInterface&) = delete;
    MusicInterface& operator=(const MusicInterface&) = delete;

    [[nodiscard]] virtual bool LoadMusic(int songId, const std::string& fileName);
    virtual void PlayMusic(int songId, int offset, bool noLoop);
    virtual void StopMusic(int songId);
    virtual void PauseMusic(int songId);
    virtual void ResumeMusic(int songId);
    virtual void StopAllMusic();
    virtual void UnloadMusic(int songId);
    virtual void UnloadAllMusic();
    virtual void PauseAllMusic();
    virtual void ResumeAllMusic();
    virtual void FadeIn(int songId, int offset, double speed, bool noLoop);
    virtual void FadeOut(int songId, bool stopWhenFaded, double speed);
    virtual void FadeOutAll(bool stopWhenFaded, double speed);
    virtual void SetSongVolume(int songId, double volume);
    virtual void SetSongMaxVolume(int songId, double volume);
    virtual bool IsPlaying(int songId);
    virtual void SetVolume(double volume);
    virtual void SetMusicAmplify(int songId, double amplification);
    // Called once per logical update; fades advance only here.
    virtual void Update();
    // The song's output level: left peak in the low 16 bits, right in the high, each
    // 0..32768; 0xFFFFFFFF when the back end cannot tell or the song is not loaded.
    virtual uint32_t GetSongLevel(int songId);
};

}  // namespace Vesk
