// The seven music tracks: composed from seeds, played through FluidSynth and stored as Ogg
// Vorbis files that loop without a seam.
#include <algorithm>
#include <cmath>
#include <exception>
#include <stdexcept>
#include <thread>

#include "make_data/DataSet.h"
#include "make_data/audio/AudioFiles.h"
#include "make_data/audio/AudioParts.h"
#include "make_data/audio/Composer.h"
#include "make_data/audio/MusicRenderer.h"

namespace make_data {

namespace {

using audio::BassStyle;
using audio::ChordStyle;
using audio::DrumStyle;
using audio::Mode;
using audio::TrackStyle;

struct Track {
    const char* file;
    TrackStyle style;
};

// General MIDI programs, 0-based.
enum Program : int {
    kPiano = 0,
    kCelesta = 8,
    kVibraphone = 11,
    kMarimba = 12,
    kNylonGuitar = 24,
    kAcousticBass = 32,
    kFingerBass = 33,
    kCello = 42,
    kContrabass = 43,
    kPizzicato = 45,
    kHarp = 46,
    kStrings = 48,
    kSlowStrings = 49,
    kTrumpet = 56,
    kTuba = 58,
    kFrenchHorn = 60,
    kBrass = 61,
    kOboe = 68,
    kBassoon = 70,
    kClarinet = 71,
    kFlute = 73,
    kWarmPad = 89,
};

Track MakeTrack(int index) {
    TrackStyle s;
    switch (index) {
        case 0:  // levels 76-100, lakes and rivers: a pastoral flute
            s.seed = 0xF1017;
            s.tempo = 100;
            s.tonic = 67;
            s.melodyA = kFlute;
            s.melodyB = kOboe;
            s.chordProgram = kNylonGuitar;
            s.chords = ChordStyle::Arpeggio;
            s.padProgram = kSlowStrings;
            s.padVolume = 55;
            s.bassProgram = kAcousticBass;
            s.bass = BassStyle::RootFifth;
            s.drums = DrumStyle::Shaker;
            s.drumVolume = 115;
            s.harmonyB = true;
            return {"data/music/fluit.ogg", s};
        case 1:  // levels 26-50, the deep forest: slow pads and harp
            s.seed = 0xD4EA35;
            s.tempo = 72;
            s.beatsPerBar = 3;
            s.barsPerChord = 2;
            s.tonic = 63;
            s.density = 0;
            s.melodyA = kVibraphone;
            s.melodyB = kFlute;
            s.melodyVolume = 115;
            s.chordProgram = kHarp;
            s.chords = ChordStyle::Arpeggio;
            s.chordVolume = 90;
            s.padProgram = kWarmPad;
            s.padVolume = 80;
            s.bassProgram = kCello;
            s.bass = BassStyle::Held;
            s.bassVolume = 70;
            return {"data/music/dreams.ogg", s};
        case 2:  // levels 51-75, open grassland at dusk: mysterious woodwinds
            s.seed = 0x3A61C;
            s.tempo = 88;
            s.tonic = 62;
            s.mode = Mode::Dorian;
            s.melodyLow = 69;
            s.melodyA = kOboe;
            s.melodyB = kClarinet;
            s.melodyVolume = 100;
            s.chordProgram = kCelesta;
            s.chords = ChordStyle::Arpeggio;
            s.chordVolume = 120;
            s.padProgram = kStrings;
            s.padVolume = 85;
            s.bassProgram = kBassoon;
            s.bass = BassStyle::RootFifth;
            return {"data/music/magic-wood.ogg", s};
        case 3:  // title and menus: upbeat, with clear beats
            s.seed = 0x3A1E7;
            s.tempo = 112;
            s.tonic = 60;
            s.density = 2;
            s.melodyA = kFlute;
            s.melodyB = kVibraphone;
            s.chordProgram = kPiano;
            s.chords = ChordStyle::Comp;
            s.chordVolume = 105;
            s.padProgram = kStrings;
            s.padVolume = 65;
            s.bassProgram = kFingerBass;
            s.bass = BassStyle::Pulse;
            s.drums = DrumStyle::Pop;
            s.drumVolume = 110;
            s.harmonyB = true;
            return {"data/music/main-theme.ogg", s};
        case 4:  // levels 1-25, the flower meadow: bouncy and light
            s.seed = 0xF0DA7CE;
            s.tempo = 128;
            s.form = "AABAB";
            s.tonic = 65;
            s.density = 2;
            s.melodyLow = 70;
            s.melodyA = kClarinet;
            s.melodyB = kMarimba;
            s.melodyBVolume = 127;
            s.chordProgram = kPizzicato;
            s.chords = ChordStyle::Offbeat;
            s.bassProgram = kTuba;
            s.bass = BassStyle::RootFifth;
            s.drums = DrumStyle::Dance;
            s.drumVolume = 80;
            return {"data/music/funny-dance.ogg", s};
        case 5:  // the story pages: a playful cue
            s.seed = 0xC0A1C5;
            s.tempo = 104;
            s.form = "ABAC";
            s.tonic = 62;
            s.mode = Mode::Mixolydian;
            s.melodyLow = 65;
            s.melodyA = kBassoon;
            s.melodyB = kClarinet;
            s.chordProgram = kPizzicato;
            s.chords = ChordStyle::Comp;
            s.bassProgram = kAcousticBass;
            s.bass = BassStyle::Walking;
            s.drums = DrumStyle::Light;
            s.drumVolume = 85;
            return {"data/music/comics.ogg", s};
        default:  // the story's end: a warm, triumphant finale
            s.seed = 0xE4D;
            s.tempo = 92;
            s.tonic = 58;
            s.melodyLow = 65;
            s.melodyA = kFrenchHorn;
            s.melodyB = kTrumpet;
            s.melodyBVolume = 125;
            s.chordProgram = kBrass;
            s.chords = ChordStyle::Pad;
            s.chordVolume = 115;
            s.padProgram = kStrings;
            s.padVolume = 100;
            s.bassProgram = kContrabass;
            s.bass = BassStyle::Held;
            s.drums = DrumStyle::March;
            s.drumVolume = 90;
            s.harmonyB = true;
            return {"data/music/comics-end.ogg", s};
    }
}

audio::Score TrackScore(int track, int bars) {
    if (track < 0 || track >= kMusicTrackCount) {
        throw std::out_of_range("no music track " + std::to_string(track));
    }
    audio::Score score = audio::Compose(MakeTrack(track).style);
    return bars > 0 ? audio::FirstBars(score, bars) : score;
}

// Every track is brought to the same loudness (RMS of the whole loop), peaks above the knee
// rounded off so nothing clips.
constexpr double kLoudnessDb = -17.0;
constexpr double kKnee = 0.7;
// Vorbis adds a little to peaks, so the ceiling stays under full scale.
constexpr double kCeiling = 0.9;

float Limit(double value) {
    const double magnitude = std::abs(value);
    if (magnitude <= kKnee) {
        return static_cast<float>(value);
    }
    const double room = kCeiling - kKnee;
    const double limited = kKnee + room * std::tanh((magnitude - kKnee) / room);
    return static_cast<float>(value < 0 ? -limited : limited);
}

// Takes out the little DC the sound font leaves (a high pass near 10 Hz). A first pass round
// the loop only settles the filter, so it enters the loop in the state it leaves it and the
// seam stays clean.
void RemoveDc(std::vector<float>& samples) {
    constexpr double kPole = 0.9986;
    double lastIn = 0;
    double lastOut = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (float& sample : samples) {
            const double in = sample;
            lastOut = in - lastIn + kPole * lastOut;
            lastIn = in;
            if (pass == 1) {
                sample = static_cast<float>(lastOut);
            }
        }
    }
}

}  // namespace

std::string MusicTrackPath(int track) {
    if (track < 0 || track >= kMusicTrackCount) {
        throw std::out_of_range("no music track " + std::to_string(track));
    }
    return MakeTrack(track).file;
}

size_t MusicTrackFrames(int track, int bars) {
    const audio::Score score = TrackScore(track, bars);
    return static_cast<size_t>(audio::TickToFrame(score, score.LoopTicks(), kMusicRate));
}

std::vector<uint8_t> MakeMusicTrack(int track, int bars) {
    const audio::Score score = TrackScore(track, bars);
    const size_t loop =
        static_cast<size_t>(audio::TickToFrame(score, score.LoopTicks(), kMusicRate));
    const size_t tail = std::min<size_t>(loop, kMusicRate * 4);
    audio::StereoSamples samples = audio::RenderScore(score, kMusicRate, tail);
    // What rings on past the loop's end is heard again at its start when the track repeats.
    for (size_t i = 0; i < tail; ++i) {
        samples.left[i] += samples.left[loop + i];
        samples.right[i] += samples.right[loop + i];
    }
    samples.left.resize(loop);
    samples.right.resize(loop);
    RemoveDc(samples.left);
    RemoveDc(samples.right);

    double sum = 0;
    for (size_t i = 0; i < loop; ++i) {
        sum +=
            double{samples.left[i]} * samples.left[i] + double{samples.right[i]} * samples.right[i];
    }
    const double rms = std::sqrt(sum / static_cast<double>(2 * loop));
    const double gain = rms > 0 ? std::pow(10.0, kLoudnessDb / 20.0) / rms : 1.0;
    for (size_t i = 0; i < loop; ++i) {
        samples.left[i] = Limit(samples.left[i] * gain);
        samples.right[i] = Limit(samples.right[i] * gain);
    }
    return audio::EncodeOggVorbis(samples.left, samples.right, kMusicRate, 0x566F7200 + track,
                                  0.3f);
}

DataPart MakeMusic() {
    // The tracks are independent; each renders on a thread of its own.
    std::vector<std::vector<uint8_t>> files(kMusicTrackCount);
    std::vector<std::exception_ptr> errors(kMusicTrackCount);
    {
        std::vector<std::jthread> threads;
        for (int track = 0; track < kMusicTrackCount; ++track) {
            threads.emplace_back([track, &files, &errors] {
                try {
                    files[static_cast<size_t>(track)] = MakeMusicTrack(track);
                } catch (...) {
                    errors[static_cast<size_t>(track)] = std::current_exception();
                }
            });
        }
    }
    DataPart part;
    for (int track = 0; track < kMusicTrackCount; ++track) {
        if (errors[static_cast<size_t>(track)]) {
            std::rethrow_exception(errors[static_cast<size_t>(track)]);
        }
        part.files.push_back({MusicTrackPath(track), std::move(files[static_cast<size_t>(track)])});
    }
    return part;
}

}  // namespace make_data
