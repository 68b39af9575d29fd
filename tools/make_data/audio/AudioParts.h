#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the audio parts of the data tool offer beyond the part functions, for the tests.
namespace make_data {

// The sound ids the sounds part makes, in the order of the game's id list.
const std::vector<std::string>& SoundIds();

inline constexpr int kMusicTrackCount = 7;
inline constexpr int kMusicRate = 44100;

// The file of a music track 0..6 inside the pak, "data/music/..." with its extension.
std::string MusicTrackPath(int track);
// The frames per channel of a track's loop, or of its first `bars` bars when bars > 0.
size_t MusicTrackFrames(int track, int bars = 0);
// One track as an Ogg Vorbis file whose end runs on into its start; bars > 0 makes only that
// many bars (for quick checks). Safe from any thread.
std::vector<uint8_t> MakeMusicTrack(int track, int bars = 0);

}  // namespace make_data
