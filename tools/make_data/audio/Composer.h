#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The music generator: a seeded song form of chords, melody, bass and drums, as notes on a
// General MIDI instrument set.
namespace make_data::audio {

inline constexpr int kTicksPerBeat = 480;
inline constexpr int kDrumChannel = 9;

enum class Mode { Major, Minor, Dorian, Mixolydian };
enum class ChordStyle { Pad, Arpeggio, Comp, Offbeat };
enum class BassStyle { Held, RootFifth, Pulse, Walking };
enum class DrumStyle { None, Pop, Dance, Light, March, Shaker };

// What a track sounds like; everything else comes from the seed.
struct TrackStyle {
    uint64_t seed = 1;
    int tempo = 120;  // beats a minute
    int beatsPerBar = 4;
    std::string form = "AABA";  // one letter a section; equal letters share their music
    int sectionBars = 8;
    int barsPerChord = 1;
    int tonic = 60;  // MIDI key
    Mode mode = Mode::Major;
    int melodyLow = 72;     // lowest MIDI key of the melody
    int density = 1;        // melody rhythm: 0 sparse, 1 moderate, 2 busy
    int melodyA = 73;       // General MIDI programs, 0-based
    int melodyB = 73;       // the melody's instrument in sections other than A
    bool harmonyB = false;  // sections other than A add a third below the melody
    int chordProgram = 0;   // -1 for none
    ChordStyle chords = ChordStyle::Pad;
    int padProgram = -1;  // a held layer under the chords; -1 for none
    int bassProgram = 32;
    BassStyle bass = BassStyle::Held;
    DrumStyle drums = DrumStyle::None;
    int melodyVolume = 110;  // channel volumes, 0..127
    int melodyBVolume = -1;  // -1: as melodyVolume
    int chordVolume = 80;
    int padVolume = 70;
    int bassVolume = 95;
    int drumVolume = 95;
};

struct NoteEvent {
    int64_t tick = 0;
    int64_t length = 0;
    int channel = 0;
    int key = 60;
    int velocity = 90;
};

struct ChannelSetup {
    int channel = 0;
    int program = 0;
    int volume = 100;
    int pan = 64;
    int reverb = 40;
};

struct Score {
    int tempo = 120;
    int beatsPerBar = 4;
    int bars = 0;
    std::vector<ChannelSetup> channels;
    std::vector<NoteEvent> notes;

    int64_t TicksPerBar() const { return int64_t{kTicksPerBeat} * beatsPerBar; }
    int64_t LoopTicks() const { return TicksPerBar() * bars; }
};

// The whole song of a style, its length the form's bars; every note ends by the loop's end.
[[nodiscard]] Score Compose(const TrackStyle& style);
// The first bars of a score, notes cut at the new end.
[[nodiscard]] Score FirstBars(const Score& score, int bars);

}  // namespace make_data::audio
