#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Vesk {

class DSoundManager;

// The loaders that fill one slot of the manager from a sound file read through the archive
// layer. Each is true once the slot holds the sound; a file that is there but bad also
// leaves a line in the manager's error log. Run on the thread that loads sounds.

// The chain of LoadSound for a name without extension: the cached copy, N.wav, N.mp3 (with
// the MP3 flag only), N.ogg, N.au; a converted sound is written to the cache.
bool LoadSoundChain(DSoundManager& manager, int id, const std::string& name);
bool LoadWavSound(DSoundManager& manager, int id, const std::string& fileName);
bool LoadMp3Sound(DSoundManager& manager, int id, const std::string& fileName);
bool LoadOggSound(DSoundManager& manager, int id, const std::string& fileName);
bool LoadAuSound(DSoundManager& manager, int id, const std::string& fileName);

// Writes the slot's sound as a cached copy whole or not at all. False when the name is empty,
// the slot empty or the file cannot be written.
bool WriteCachedWav(DSoundManager& manager, int id, const std::string& cacheName,
                    const std::string& sourceName);

// The cache file for a sound name: data folder + "cached\" + name + ".wav"; empty (no cache)
// for names of 2 characters or fewer, absolute names and names with a drive.
std::string CachedSoundName(std::string_view name);

// The last-write time of the file on disk (archives are not looked in) as a Windows FILETIME;
// 0 when it cannot be read.
uint64_t GetFileWriteTime(const std::string& fileName);

}  // namespace Vesk
