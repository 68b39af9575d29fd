#pragma once

#include <functional>
#include <string>

#include "sound/BassApi.h"
#include "sound/MusicLibrary.h"

namespace Vesk {

// The stream and module music library with its entry points, one per process and shared by
// reference count.
struct BASS_INSTANCE {
    // Takes a reference; the first one loads the library (null: the library is missing) and
    // gives it the output to play through. A missing library or entry point shows its
    // message through showError and ends the process with exit code 1.
    static BASS_INSTANCE* Acquire(const MusicLibrary* library, platform::AudioDevice* output,
                                  const std::function<void(const std::string&)>& showError);
    // Drops a reference; the last one unloads the library.
    static void Release();

    const MusicLibrary* mLibrary = nullptr;
    bool mVersion2 = false;

    bass::InitFn BASS_Init = nullptr;        // version 2 form
    bass::InitOldFn BASS_InitOld = nullptr;  // older form
    bass::VoidFn BASS_Free = nullptr;
    bass::VoidFn BASS_Stop = nullptr;
    bass::VoidFn BASS_Start = nullptr;
    bass::SetGlobalVolumesFn BASS_SetGlobalVolumes = nullptr;
    bass::SetVolumeFn BASS_SetVolume = nullptr;
    bass::SetConfigFn BASS_SetConfig = nullptr;
    bass::GetConfigFn BASS_GetConfig = nullptr;
    bass::GetVolumeFn BASS_GetVolume = nullptr;
    void (*BASS_GetInfo)() = nullptr;
    void (*BASS_GetVersion)() = nullptr;
    bass::ChannelFn BASS_ChannelStop = nullptr;
    bass::ChannelPlayFn BASS_ChannelPlay = nullptr;
    bass::ChannelFn BASS_ChannelPause = nullptr;
    bass::ChannelSetAttributesFn BASS_ChannelSetAttributes = nullptr;
    bass::ChannelGetAttributesFn BASS_ChannelGetAttributes = nullptr;
    bass::ChannelSetPositionFn BASS_ChannelSetPosition = nullptr;
    bass::ChannelGetPositionFn BASS_ChannelGetPosition = nullptr;
    bass::ChannelIsActiveFn BASS_ChannelIsActive = nullptr;
    bass::ChannelSetFlagsFn BASS_ChannelSetFlags = nullptr;
    void (*BASS_ChannelSlideAttributes)() = nullptr;
    void (*BASS_ChannelIsSliding)() = nullptr;
    bass::ChannelGetLevelFn BASS_ChannelGetLevel = nullptr;
    void (*BASS_ChannelSetSync)() = nullptr;
    void (*BASS_ChannelRemoveSync)() = nullptr;
    void (*BASS_ChannelGetData)() = nullptr;
    void (*BASS_FXSetParameters)() = nullptr;
    void (*BASS_FXGetParameters)() = nullptr;
    void (*BASS_ChannelSetFX)() = nullptr;
    void (*BASS_ChannelRemoveFX)() = nullptr;
    bass::MusicLoadFn BASS_MusicLoad = nullptr;        // version 2 form
    bass::MusicLoadOldFn BASS_MusicLoadOld = nullptr;  // older form
    bass::ChannelFn BASS_MusicFree = nullptr;
    void (*BASS_MusicGetAttribute)() = nullptr;
    bass::MusicSetAttributeFn BASS_MusicSetAttribute = nullptr;
    bass::StreamCreateFileFn BASS_StreamCreateFile = nullptr;
    bass::ChannelFn BASS_StreamFree = nullptr;
    void (*BASS_MusicGetOrders)() = nullptr;
    void (*BASS_MusicGetOrderPosition)() = nullptr;
    void (*BASS_SampleLoad)() = nullptr;
    void (*BASS_SampleFree)() = nullptr;
    void (*BASS_SampleSetInfo)() = nullptr;
    void (*BASS_SampleGetInfo)() = nullptr;
    void (*BASS_SampleGetChannel)() = nullptr;
    void (*BASS_SampleStop)() = nullptr;
    bass::ErrorGetCodeFn BASS_ErrorGetCode = nullptr;
    void (*BASS_PluginLoad)() = nullptr;
    void (*BASS_ChannelGetLength)() = nullptr;
    void (*BASS_ChannelPreBuf)() = nullptr;
};

}  // namespace Vesk
