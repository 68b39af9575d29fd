#pragma once

#include <cstdint>

// The calling conventions of the sample and module music library the FMOD back end uses:
// the types of its entry points and the values that pass through them.
namespace Vesk::fmod {

struct Sample;  // a sample in the library
struct Song;    // module music in the library

using SetBufferSizeFn = int (*)(int milliseconds);
using SetHwndFn = int (*)(void* window);
using InitFn = int (*)(int mixRate, int maxChannels, unsigned flags);
using CloseFn = void (*)();
using SampleLoadFn = Sample* (*)(int index, const char* name, unsigned mode, int memoryLength);
using SampleAllocFn = Sample* (*)(int index, int length, unsigned mode, int frequency, int volume,
                                  int pan, int priority);
using SampleFreeFn = void (*)(Sample* sample);
using SampleLockFn = int (*)(Sample* sample, int offset, int length, void** part1, void** part2,
                             unsigned* length1, unsigned* length2);
using SampleUnlockFn = int (*)(Sample* sample, void* part1, void* part2, unsigned length1,
                               unsigned length2);
using SampleSetLoopPointsFn = int (*)(Sample* sample, int start, int end);
using SampleGetLengthFn = unsigned (*)(Sample* sample);
using SampleGetDefaultsFn = int (*)(Sample* sample, int* frequency, int* volume, int* pan,
                                    int* priority);
using SampleGetModeFn = unsigned (*)(Sample* sample);
using PlaySoundFn = int (*)(int channel, Sample* sample);
using StopSoundFn = int (*)(int channel);
using SetVolumeFn = int (*)(int channel, int volume);
using SetPausedFn = int (*)(int channel, signed char paused);
using SetLoopModeFn = int (*)(int channel, unsigned mode);
using IsPlayingFn = signed char (*)(int channel);
using StreamOpenFileFn = void* (*)(const char* name, unsigned mode, int memoryLength);
using StreamCloseFn = signed char (*)(void* stream);
using StreamPlayFn = int (*)(int channel, void* stream);
using LoadSongFn = Song* (*)(const char* name);
using SongFn = signed char (*)(Song* song);
using SongSetFn = signed char (*)(Song* song, int value);

inline constexpr unsigned kModeLoopOff = 1;
inline constexpr unsigned kModeLoopNormal = 2;
inline constexpr unsigned kMode8Bits = 0x08;
inline constexpr unsigned kModeMono = 0x20;
inline constexpr unsigned kModeStereo = 0x40;
inline constexpr int kSongNoLoop = 1;
inline constexpr int kSongLoop = 2;
// Volumes run 0 (silent) to 100 (full); more is full.
inline constexpr int kFullVolume = 100;

}  // namespace Vesk::fmod
