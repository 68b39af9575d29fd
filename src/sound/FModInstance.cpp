#include "sound/FModInstance.h"

#include <memory>
#include <mutex>

#include "platform/Debug.h"
#include "platform/Process.h"

namespace Vesk {

namespace {

FMOD_INSTANCE* gFMod = nullptr;  // guarded by gFModLock
int gFModReferences = 0;         // guarded by gFModLock
std::mutex gFModLock;

// Looks every entry point up in order by its decorated name; the first one missing, or empty.
std::string LookUp(FMOD_INSTANCE& f, const MusicLibrary& library) {
    std::string missing;
    auto find = [&](auto& slot, std::string_view name) {
        using Slot = std::remove_reference_t<decltype(slot)>;
        slot = library.Find<Slot>(name);
        if (slot == nullptr && missing.empty()) {
            missing = name;
        }
    };
    find(f.FSOUND_SetBufferSize, "_FSOUND_SetBufferSize@4");
    find(f.FSOUND_SetHWND, "_FSOUND_SetHWND@4");
    find(f.FSOUND_Init, "_FSOUND_Init@12");
    find(f.FSOUND_Close, "_FSOUND_Close@0");
    find(f.FSOUND_Sample_Load, "_FSOUND_Sample_Load@16");
    find(f.FSOUND_Sample_Alloc, "_FSOUND_Sample_Alloc@28");
    find(f.FSOUND_Sample_Free, "_FSOUND_Sample_Free@4");
    find(f.FSOUND_Sample_Lock, "_FSOUND_Sample_Lock@28");
    find(f.FSOUND_Sample_Unlock, "_FSOUND_Sample_Unlock@20");
    find(f.FSOUND_Sample_SetLoopPoints, "_FSOUND_Sample_SetLoopPoints@12");
    find(f.FSOUND_Sample_GetLength, "_FSOUND_Sample_GetLength@4");
    find(f.FSOUND_Sample_GetDefaults, "_FSOUND_Sample_GetDefaults@20");
    find(f.FSOUND_Sample_GetMode, "_FSOUND_Sample_GetMode@4");
    find(f.FSOUND_PlaySound, "_FSOUND_PlaySound@8");
    find(f.FSOUND_StopSound, "_FSOUND_StopSound@4");
    find(f.FSOUND_SetVolume, "_FSOUND_SetVolume@8");
    find(f.FSOUND_SetPaused, "_FSOUND_SetPaused@8");
    find(f.FSOUND_SetLoopMode, "_FSOUND_SetLoopMode@8");
    find(f.FSOUND_IsPlaying, "_FSOUND_IsPlaying@4");
    find(f.FSOUND_Stream_OpenFile, "_FSOUND_Stream_OpenFile@12");
    find(f.FSOUND_Stream_Close, "_FSOUND_Stream_Close@4");
    find(f.FSOUND_Stream_Play, "_FSOUND_Stream_Play@8");
    find(f.FMUSIC_LoadSong, "_FMUSIC_LoadSong@4");
    find(f.FMUSIC_PlaySong, "_FMUSIC_PlaySong@4");
    find(f.FMUSIC_StopSong, "_FMUSIC_StopSong@4");
    find(f.FMUSIC_SetLooping, "_FMUSIC_SetLooping@8");
    find(f.FMUSIC_SetOrder, "_FMUSIC_SetOrder@8");
    find(f.FMUSIC_SetPaused, "_FMUSIC_SetPaused@8");
    find(f.FMUSIC_SetMasterVolume, "_FMUSIC_SetMasterVolume@8");
    find(f.FMUSIC_IsPlaying, "_FMUSIC_IsPlaying@4");
    return missing;
}

}  // namespace

FMOD_INSTANCE* FMOD_INSTANCE::Acquire(const MusicLibrary* library, platform::AudioDevice* output,
                                      const std::function<void(const std::string&)>& showError) {
    std::unique_lock<std::mutex> lock(gFModLock);
    if (gFMod != nullptr) {
        ++gFModReferences;
        return gFMod;
    }
    if (library == nullptr) {
        lock.unlock();
        MusicLibraryFatal(showError, "Can't find fmod.dll.");
    }
    auto fmod = std::make_unique<FMOD_INSTANCE>();
    fmod->mLibrary = library;
    const std::string missing = LookUp(*fmod, *library);
    if (!missing.empty()) {
        lock.unlock();
        MusicLibraryFatal(showError, "\"" + missing + "\" function not found in fmod.dll");
    }
    if (library->useOutput != nullptr) {
        library->useOutput(output);
    }
    gFMod = fmod.release();
    gFModReferences = 1;
    return gFMod;
}

void FMOD_INSTANCE::Release() {
    std::lock_guard<std::mutex> lock(gFModLock);
    if (gFModReferences > 0 && --gFModReferences == 0) {
        if (gFMod->mLibrary->useOutput != nullptr) {
            gFMod->mLibrary->useOutput(nullptr);
        }
        delete gFMod;
        gFMod = nullptr;
    }
}

}  // namespace Vesk
