#pragma once

#include <cstdint>

#include "platform/Message.h"

// The calling conventions of the stream and module music library the BASS back end uses:
// the types of its entry points and the values that pass through them.
namespace Vesk::bass {

using Bool = int;
using Handle = uint32_t;  // a stream or module music channel; 0 is none

using InitFn = Bool (*)(int device, uint32_t frequency, uint32_t flags, platform::WindowId window,
                        const void* classId);
using InitOldFn = Bool (*)(int device, uint32_t frequency, uint32_t flags,
                           platform::WindowId window);
using VoidFn = Bool (*)();
using SetGlobalVolumesFn = Bool (*)(int music, int sample, int stream);
using SetVolumeFn = Bool (*)(uint32_t volume);
using GetVolumeFn = int (*)();
using SetConfigFn = uint32_t (*)(uint32_t option, uint32_t value);
using GetConfigFn = uint32_t (*)(uint32_t option);
using ChannelFn = Bool (*)(Handle channel);
using ChannelPlayFn = Bool (*)(Handle channel, Bool restart);
using ChannelSetAttributesFn = Bool (*)(Handle channel, int frequency, int volume, int pan);
using ChannelGetAttributesFn = Bool (*)(Handle channel, uint32_t* frequency, uint32_t* volume,
                                        int* pan);
using ChannelSetPositionFn = Bool (*)(Handle channel, uint64_t position);
using ChannelGetPositionFn = uint64_t (*)(Handle channel);
using ChannelIsActiveFn = uint32_t (*)(Handle channel);
using ChannelSetFlagsFn = Bool (*)(Handle channel, uint32_t flags);
using ChannelGetLevelFn = uint32_t (*)(Handle channel);
using MusicLoadFn = Handle (*)(Bool inMemory, const void* file, uint32_t offset, uint32_t length,
                               uint32_t flags, uint32_t frequency);
using MusicLoadOldFn = Handle (*)(Bool inMemory, const void* file, uint32_t offset, uint32_t length,
                                  uint32_t flags);
using MusicSetAttributeFn = Bool (*)(Handle channel, uint32_t attribute, uint32_t value);
using StreamCreateFileFn = Handle (*)(Bool inMemory, const void* file, uint64_t offset,
                                      uint64_t length, uint32_t flags);
using ErrorGetCodeFn = int (*)();

inline constexpr uint32_t kLoop = 4;
inline constexpr uint32_t kMusicRamp = 0x200;
inline constexpr uint32_t kMusicPositionReset = 0x8000;
inline constexpr uint32_t kConfigBuffer = 0;
inline constexpr uint32_t kConfigStreamVolume = 5;
inline constexpr uint32_t kConfigMusicVolume = 6;
inline constexpr uint32_t kMusicAttributeAmplify = 0;
inline constexpr uint32_t kStopped = 0;
inline constexpr uint32_t kPlaying = 1;
inline constexpr uint32_t kPaused = 3;
inline constexpr uint32_t kNoLevel = 0xFFFFFFFF;
// A position whose upper 32 bits are all set names a module order (low word) and row.
inline constexpr uint64_t kOrderPosition = 0xFFFFFFFF00000000ull;

inline constexpr int kErrorMemory = 1;
inline constexpr int kErrorHandle = 5;
inline constexpr int kErrorInit = 8;
inline constexpr int kErrorParameter = 20;
inline constexpr int kErrorFormat = 41;

}  // namespace Vesk::bass
