#include "sound/BassInstance.h"

#include <memory>
#include <mutex>

#include "platform/Debug.h"
#include "platform/Process.h"

namespace Vesk {

namespace {

BASS_INSTANCE* gBass = nullptr;  // guarded by gBassLock
int gBassReferences = 0;         // guarded by gBassLock
std::mutex gBassLock;

// Looks every entry point up in order; the name of the first required one missing, or
// empty.
std::string LookUp(BASS_INSTANCE& bass, const MusicLibrary& library) {
    std::string missing;
    auto find = [&](auto& slot, std::string_view name, bool required = true) {
        using Slot = std::remove_reference_t<decltype(slot)>;
        slot = library.Find<Slot>(name);
        if (slot == nullptr && required && missing.empty()) {
            missing = name;
        }
    };
    bass.mVersion2 = library.Find<bass::SetConfigFn>("BASS_SetConfig") != nullptr;
    if (bass.mVersion2) {
        find(bass.BASS_Init, "BASS_Init");
    } else {
        find(bass.BASS_InitOld, "BASS_Init");
    }
    find(bass.BASS_Free, "BASS_Free");
    find(bass.BASS_Stop, "BASS_Stop");
    find(bass.BASS_Start, "BASS_Start");
    find(bass.BASS_SetGlobalVolumes, "BASS_SetGlobalVolumes", false);
    find(bass.BASS_SetVolume, "BASS_SetVolume", false);
    find(bass.BASS_SetConfig, "BASS_SetConfig", false);
    find(bass.BASS_GetConfig, "BASS_GetConfig", false);
    find(bass.BASS_GetVolume, "BASS_GetVolume");
    find(bass.BASS_GetInfo, "BASS_GetInfo");
    find(bass.BASS_GetVersion, "BASS_GetVersion");
    find(bass.BASS_ChannelStop, "BASS_ChannelStop");
    find(bass.BASS_ChannelPlay, "BASS_ChannelPlay");
    find(bass.BASS_ChannelPause, "BASS_ChannelPause");
    find(bass.BASS_ChannelSetAttributes, "BASS_ChannelSetAttributes");
    find(bass.BASS_ChannelGetAttributes, "BASS_ChannelGetAttributes");
    find(bass.BASS_ChannelSetPosition, "BASS_ChannelSetPosition");
    find(bass.BASS_ChannelGetPosition, "BASS_ChannelGetPosition");
    find(bass.BASS_ChannelIsActive, "BASS_ChannelIsActive");
    find(bass.BASS_ChannelSetFlags, "BASS_ChannelSetFlags");
    find(bass.BASS_ChannelSlideAttributes, "BASS_ChannelSlideAttributes");
    find(bass.BASS_ChannelIsSliding, "BASS_ChannelIsSliding");
    find(bass.BASS_ChannelGetLevel, "BASS_ChannelGetLevel");
    find(bass.BASS_ChannelSetSync, "BASS_ChannelSetSync");
    find(bass.BASS_ChannelRemoveSync, "BASS_ChannelRemoveSync");
    find(bass.BASS_ChannelGetData, "BASS_ChannelGetData");
    find(bass.BASS_FXSetParameters, "BASS_FXSetParameters");
    find(bass.BASS_FXGetParameters, "BASS_FXGetParameters");
    find(bass.BASS_ChannelSetFX, "BASS_ChannelSetFX");
    find(bass.BASS_ChannelRemoveFX, "BASS_ChannelRemoveFX");
    if (bass.mVersion2) {
        find(bass.BASS_MusicLoad, "BASS_MusicLoad");
    } else {
        find(bass.BASS_MusicLoadOld, "BASS_MusicLoad");
    }
    find(bass.BASS_MusicFree, "BASS_MusicFree");
    find(bass.BASS_MusicGetAttribute, "BASS_MusicGetAttribute");
    find(bass.BASS_MusicSetAttribute, "BASS_MusicSetAttribute");
    find(bass.BASS_StreamCreateFile, "BASS_StreamCreateFile");
    find(bass.BASS_StreamFree, "BASS_StreamFree");
    find(bass.BASS_MusicGetOrders, "BASS_MusicGetOrders");
    find(bass.BASS_MusicGetOrderPosition, "BASS_MusicGetOrderPosition");
    find(bass.BASS_SampleLoad, "BASS_SampleLoad");
    find(bass.BASS_SampleFree, "BASS_SampleFree");
    find(bass.BASS_SampleSetInfo, "BASS_SampleSetInfo");
    find(bass.BASS_SampleGetInfo, "BASS_SampleGetInfo");
    find(bass.BASS_SampleGetChannel, "BASS_SampleGetChannel");
    find(bass.BASS_SampleStop, "BASS_SampleStop");
    find(bass.BASS_ErrorGetCode, "BASS_ErrorGetCode");
    if (bass.mVersion2) {
        find(bass.BASS_PluginLoad, "BASS_PluginLoad", false);
        find(bass.BASS_ChannelGetLength, "BASS_ChannelGetLength", false);
        find(bass.BASS_ChannelPreBuf, "BASS_ChannelPreBuf", false);
    }
    return missing;
}

}  // namespace

BASS_INSTANCE* BASS_INSTANCE::Acquire(const MusicLibrary* library, platform::AudioDevice* output,
                                      const std::function<void(const std::string&)>& showError) {
    std::unique_lock<std::mutex> lock(gBassLock);
    if (gBass != nullptr) {
        ++gBassReferences;
        return gBass;
    }
    if (library == nullptr) {
        lock.unlock();
        MusicLibraryFatal(showError, "Can't find bass.dll.");
    }
    auto bass = std::make_unique<BASS_INSTANCE>();
    bass->mLibrary = library;
    const std::string missing = LookUp(*bass, *library);
    if (!missing.empty()) {
        lock.unlock();
        MusicLibraryFatal(showError, missing + " function not found in bass.dll");
    }
    if (bass->BASS_SetGlobalVolumes == nullptr && bass->BASS_SetVolume == nullptr) {
        lock.unlock();
        MusicLibraryFatal(showError,
                          "Neither BASS_SetGlobalVolumes or BASS_SetVolume found in bass.dll");
    }
    if (library->useOutput != nullptr) {
        library->useOutput(output);
    }
    gBass = bass.release();
    gBassReferences = 1;
    return gBass;
}

void BASS_INSTANCE::Release() {
    std::lock_guard<std::mutex> lock(gBassLock);
    if (gBassReferences > 0 && --gBassReferences == 0) {
        if (gBass->mLibrary->useOutput != nullptr) {
            gBass->mLibrary->useOutput(nullptr);
        }
        delete gBass;
        gBass = nullptr;
    }
}

}  // namespace Vesk
