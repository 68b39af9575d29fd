#pragma once

#include <functional>
#include <string>

#include "sound/FModApi.h"
#include "sound/MusicLibrary.h"

namespace Vesk {

// The sample and module music library with its entry points, one per process and shared by
// reference count.
struct FMOD_INSTANCE {
    // Takes a reference; the first one loads the library (null: the library is missing) and
    // gives it the output to play through. A missing library or entry point shows its
    // message through showError and ends the process with exit code 1.
    static FMOD_INSTANCE* Acquire(const MusicLibrary* library, platform::AudioDevice* output,
                                  const std::function<void(const std::string&)>& showError);
    // Drops a reference; the last one unloads the library.
    static void Release();

    const MusicLibrary* mLibrary = nullptr;

    fmod::SetBufferSizeFn FSOUND_SetBufferSize = nullptr;
    fmod::SetHwndFn FSOUND_SetHWND = nullptr;
    fmod::InitFn FSOUND_Init = nullptr;
    fmod::CloseFn FSOUND_Close = nullptr;
    fmod::SampleLoadFn FSOUND_Sample_Load = nullptr;
    fmod::SampleAllocFn FSOUND_Sample_Alloc = nullptr;
    fmod::SampleFreeFn FSOUND_Sample_Free = nullptr;
    fmod::SampleLockFn FSOUND_Sample_Lock = nullptr;
    fmod::SampleUnlockFn FSOUND_Sample_Unlock = nullptr;
    fmod::SampleSetLoopPointsFn FSOUND_Sample_SetLoopPoints = nullptr;
    fmod::SampleGetLengthFn FSOUND_Sample_GetLength = nullptr;
    fmod::SampleGetDefaultsFn FSOUND_Sample_GetDefaults = nullptr;
    fmod::SampleGetModeFn FSOUND_Sample_GetMode = nullptr;
    fmod::PlaySoundFn FSOUND_PlaySound = nullptr;
    fmod::StopSoundFn FSOUND_StopSound = nullptr;
    fmod::SetVolumeFn FSOUND_SetVolume = nullptr;
    fmod::SetPausedFn FSOUND_SetPaused = nullptr;
    fmod::SetLoopModeFn FSOUND_SetLoopMode = nullptr;
    fmod::IsPlayingFn FSOUND_IsPlaying = nullptr;
    fmod::StreamOpenFileFn FSOUND_Stream_OpenFile = nullptr;
    fmod::StreamCloseFn FSOUND_Stream_Close = nullptr;
    fmod::StreamPlayFn FSOUND_Stream_Play = nullptr;
    fmod::LoadSongFn FMUSIC_LoadSong = nullptr;
    fmod::SongFn FMUSIC_PlaySong = nullptr;
    fmod::SongFn FMUSIC_StopSong = nullptr;
    fmod::SongSetFn FMUSIC_SetLooping = nullptr;
    fmod::SongSetFn FMUSIC_SetOrder = nullptr;
    fmod::SongSetFn FMUSIC_SetPaused = nullptr;
    fmod::SongSetFn FMUSIC_SetMasterVolume = nullptr;
    fmod::SongFn FMUSIC_IsPlaying = nullptr;
};

}  // namespace Vesk
