// The game's sound effects, synthesised: no recorded samples.
#include <cctype>
#include <cmath>
#include <string>
#include <string_view>

#include "make_data/DataSet.h"
#include "make_data/audio/AudioFiles.h"
#include "make_data/audio/AudioParts.h"
#include "make_data/audio/SoundSynth.h"

namespace make_data {

namespace {

using audio::AudioRandom;
using audio::SoundSynth;

double Note(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

constexpr int kC5 = 72;

// Harmonic recipes for held tones.
const audio::Harmonics kSine{1.0};
const audio::Harmonics kSoft{1.0, 0.25, 0.1, 0.04};
const audio::Harmonics kReed{1.0, 0.1, 0.4, 0.05, 0.2, 0.03, 0.1};
const audio::Harmonics kBrass{1.0, 0.7, 0.5, 0.35, 0.22, 0.14, 0.08, 0.05};

SoundSynth::Tone MakeTone(double start, double length, double from, double to, double gain,
                          const audio::Harmonics& harmonics) {
    SoundSynth::Tone tone;
    tone.start = start;
    tone.length = length;
    tone.from = from;
    tone.to = to;
    tone.gain = gain;
    tone.harmonics = harmonics;
    return tone;
}

// A match: a marimba note with a bell an octave up, higher for longer lines; five and more add
// the chord above it.
SoundSynth MatchSound(int length, AudioRandom& random) {
    static constexpr int kSteps[] = {0, 4, 7, 12, 16};
    const int root = kC5 + kSteps[length - 3];
    SoundSynth s(1.0, false);
    s.AddMarimba(0, Note(root), 0.35, 0.8);
    s.AddBell(0.005, Note(root + 12), 0.3, 0.25);
    for (int i = 5; i <= length; ++i) {
        const int step = i - 5;
        s.AddMarimba(0.06 * (step + 1),
                     Note(root + (step == 0   ? 4
                                  : step == 1 ? 7
                                              : 12)),
                     0.3, 0.5);
    }
    if (length >= 6) {
        s.AddSparkle(0.05, 0.4, 4 * (length - 5), 2500, 6000, 0.12, random);
    }
    return s;
}

// A heartbeat: a double thump ("lub-dub") in a loop one beat long.
SoundSynth Heartbeat(double period) {
    SoundSynth s(period, true);
    const auto thump = [&](double at, double gain) {
        auto body = MakeTone(at, 0.18, 420, 250, gain, {1.0, 0.5, 0.2});
        body.attack = 0.004;
        body.decay = 0.045;
        body.release = 0.05;
        s.AddTone(body);
    };
    thump(0.003, 1.0);
    thump(0.003 + std::min(0.22, period * 0.32), 0.7);
    return s;
}

// A bonus gained: a rising motif over a sparkle.
SoundSynth BonusSound(int root, std::initializer_list<int> steps, bool cloud, AudioRandom& random) {
    SoundSynth s(1.0, false);
    double at = 0;
    for (int step : steps) {
        s.AddBell(at, Note(root + step), 0.25, 0.5);
        at += 0.07;
    }
    s.AddSparkle(0.02, 0.6, 14, 2200, 7000, 0.18, random);
    if (cloud) {
        SoundSynth::Noise air;
        air.length = 0.7;
        air.from = 900;
        air.to = 4000;
        air.q = 0.8;
        air.attack = 0.25;
        air.release = 0.4;
        air.gain = 0.35;
        s.AddNoise(air, random);
    }
    return s;
}

SoundSynth SwapBlocks(AudioRandom& random) {
    SoundSynth s(0.3, false);
    SoundSynth::Noise whoosh;
    whoosh.length = 0.28;
    whoosh.from = 700;
    whoosh.to = 2600;
    whoosh.q = 1.2;
    whoosh.attack = 0.1;
    whoosh.release = 0.17;
    s.AddNoise(whoosh, random);
    return s;
}

SoundSynth ButtonDown(AudioRandom& random) {
    SoundSynth s(0.09, false);
    SoundSynth::Noise click;
    click.length = 0.02;
    click.from = 2200;
    click.to = 1800;
    click.q = 2.0;
    click.attack = 0.001;
    click.decay = 0.006;
    click.release = 0.005;
    s.AddNoise(click, random);
    s.AddStruck(0.001, 1200, 0.5, {{1.0, 1.0, 0.015}, {2.3, 0.3, 0.008}});
    return s;
}

SoundSynth ButtonOver(AudioRandom&) {
    SoundSynth s(0.06, false);
    s.AddStruck(0.001, 2800, 1.0, {{1.0, 1.0, 0.008}, {1.5, 0.3, 0.005}});
    return s;
}

SoundSynth Beep(AudioRandom&) {
    SoundSynth s(0.25, false);
    auto beep = MakeTone(0, 0.22, Note(81), Note(81), 0.6, kSoft);
    beep.attack = 0.01;
    beep.release = 0.05;
    s.AddTone(beep);
    return s;
}

SoundSynth Counting(AudioRandom&) {
    // Four ticks a loop, the first a little higher, like a counter turning over.
    SoundSynth s(0.32, true);
    for (int i = 0; i < 4; ++i) {
        s.AddStruck(0.002 + 0.08 * i, i == 0 ? 2400 : 2000, 1.0,
                    {{1.0, 1.0, 0.01}, {2.1, 0.4, 0.006}});
    }
    return s;
}

SoundSynth CountingEnd(AudioRandom&) {
    SoundSynth s(0.8, false);
    s.AddBell(0, Note(91), 0.35, 0.8);
    s.AddBell(0.004, Note(84), 0.3, 0.3);
    return s;
}

SoundSynth ScFwFull(AudioRandom& random) {
    // Fireworks: soft booms and a crackle, spread round a two-second loop.
    SoundSynth s(2.0, true);
    for (double at : {0.1, 1.15}) {
        SoundSynth::Noise boom;
        boom.start = at;
        boom.length = 0.6;
        boom.from = 500;
        boom.to = 260;
        boom.q = 0.9;
        boom.attack = 0.004;
        boom.decay = 0.16;
        boom.release = 0.2;
        boom.gain = 1.0;
        s.AddNoise(boom, random);
    }
    for (int i = 0; i < 90; ++i) {
        SoundSynth::Noise crack;
        crack.start = random.Range(0, 2.0);
        crack.length = 0.012;
        crack.from = crack.to = random.Range(2500, 7000);
        crack.q = 1.5;
        crack.attack = 0.0005;
        crack.decay = 0.003;
        crack.release = 0.003;
        crack.gain = random.Range(0.2, 0.6);
        s.AddNoise(crack, random);
    }
    return s;
}

SoundSynth ScBegin(AudioRandom& random) {
    SoundSynth s(1.4, false);
    const int notes[] = {kC5, kC5 + 4, kC5 + 7, kC5 + 12};
    for (int i = 0; i < 4; ++i) {
        auto note =
            MakeTone(0.12 * i, i == 3 ? 0.9 : 0.14, Note(notes[i]), Note(notes[i]), 0.4, kBrass);
        note.attack = 0.015;
        note.release = i == 3 ? 0.4 : 0.04;
        note.vibratoRate = 5.5;
        note.vibratoDepth = i == 3 ? 0.12 : 0;
        s.AddTone(note);
    }
    s.AddSparkle(0.36, 0.7, 10, 2500, 6500, 0.12, random);
    return s;
}

SoundSynth Gameover(AudioRandom&) {
    SoundSynth s(2.0, false);
    const int notes[] = {kC5 + 7, kC5 + 3, kC5, kC5 - 5};
    for (int i = 0; i < 4; ++i) {
        const bool last = i == 3;
        auto note = MakeTone(0.3 * i, last ? 1.1 : 0.32, Note(notes[i]),
                             Note(notes[i]) * (last ? 0.94 : 1.0), 0.5, kReed);
        note.attack = 0.02;
        note.release = last ? 0.6 : 0.08;
        s.AddTone(note);
    }
    return s;
}

SoundSynth LostLife(AudioRandom&) {
    SoundSynth s(0.8, false);
    auto first = MakeTone(0, 0.2, Note(kC5 + 4), Note(kC5 + 4), 0.5, kSoft);
    first.release = 0.05;
    s.AddTone(first);
    auto second = MakeTone(0.2, 0.55, Note(kC5), Note(kC5 - 2), 0.5, kSoft);
    second.release = 0.3;
    s.AddTone(second);
    return s;
}

SoundSynth AddLive(AudioRandom& random) {
    SoundSynth s(1.0, false);
    const int notes[] = {kC5 + 12, kC5 + 16, kC5 + 19, kC5 + 24};
    for (int i = 0; i < 4; ++i) {
        s.AddMarimba(0.07 * i, Note(notes[i]), 0.3, 0.6);
    }
    s.AddSparkle(0.25, 0.5, 12, 3000, 8000, 0.15, random);
    return s;
}

SoundSynth Knockdown(AudioRandom& random) {
    SoundSynth s(0.9, false);
    SoundSynth::Noise hit;
    hit.length = 0.3;
    hit.from = 1500;
    hit.to = 350;
    hit.q = 0.8;
    hit.attack = 0.002;
    hit.decay = 0.07;
    hit.gain = 0.9;
    s.AddNoise(hit, random);
    auto drop = MakeTone(0, 0.45, 640, 240, 0.7, kSoft);
    drop.attack = 0.003;
    drop.decay = 0.15;
    s.AddTone(drop);
    s.AddBell(0.02, Note(kC5 + 7), 0.3, 0.3);
    return s;
}

SoundSynth Showlevel(AudioRandom& random) {
    SoundSynth s(1.2, false);
    SoundSynth::Noise rise;
    rise.length = 0.45;
    rise.from = 500;
    rise.to = 3000;
    rise.q = 1.5;
    rise.attack = 0.35;
    rise.release = 0.1;
    rise.gain = 0.5;
    s.AddNoise(rise, random);
    s.AddBell(0.4, Note(kC5 + 7), 0.4, 0.6);
    s.AddBell(0.4, Note(kC5 + 12), 0.4, 0.4);
    return s;
}

SoundSynth SlomoUse(AudioRandom&) {
    SoundSynth s(1.3, false);
    auto glide = MakeTone(0, 1.25, 1300, 380, 0.5, kSoft);
    glide.attack = 0.05;
    glide.release = 0.4;
    glide.vibratoRate = 7;
    glide.vibratoDepth = 0.4;
    s.AddTone(glide);
    auto under = glide;
    under.from = 1950;
    under.to = 570;
    under.gain = 0.2;
    s.AddTone(under);
    return s;
}

SoundSynth BubbleUse(AudioRandom& random) {
    SoundSynth s(0.7, false);
    for (int i = 0; i < 5; ++i) {
        const double base = random.Range(350, 700);
        auto blip = MakeTone(0.1 * i + random.Range(0, 0.03), 0.07, base, base * 2.5, 0.6, kSine);
        blip.attack = 0.003;
        blip.release = 0.03;
        s.AddTone(blip);
    }
    return s;
}

SoundSynth BuxpbUse(AudioRandom& random) {
    // The whirlwind: a swirling wind rising.
    SoundSynth s(1.2, false);
    for (int i = 0; i < 3; ++i) {
        SoundSynth::Noise wind;
        wind.start = 0.05 * i;
        wind.length = 1.1;
        wind.from = 400 + 150 * i;
        wind.to = 2400 + 600 * i;
        wind.q = 4.0;
        wind.attack = 0.3;
        wind.release = 0.5;
        wind.gain = 0.5;
        s.AddNoise(wind, random);
    }
    return s;
}

SoundSynth InitForces(AudioRandom&) {
    SoundSynth s(1.2, false);
    for (int step : {0, 7, 12}) {
        auto pad =
            MakeTone(0, 1.15, Note(kC5 - 5 + step) * 0.997, Note(kC5 - 5 + step), 0.3, kSoft);
        pad.attack = 0.4;
        pad.release = 0.5;
        pad.vibratoRate = 4.5;
        pad.vibratoDepth = 0.08;
        s.AddTone(pad);
    }
    return s;
}

SoundSynth BlocksInit(AudioRandom& random) {
    // Blocks dropping into place: a quick patter of soft notes.
    SoundSynth s(0.8, false);
    for (int i = 0; i < 8; ++i) {
        s.AddMarimba(0.06 * i + random.Range(0, 0.02), Note(kC5 + 12 + random.Below(8)), 0.06, 0.5);
    }
    return s;
}

SoundSynth TableInit(AudioRandom&) {
    SoundSynth s(0.8, false);
    s.AddBell(0, Note(kC5 + 7), 0.3, 0.6);
    s.AddBell(0.12, Note(kC5 + 12), 0.35, 0.6);
    return s;
}

SoundSynth EffectivityX10(AudioRandom& random) {
    SoundSynth s(1.4, false);
    const int notes[] = {kC5, kC5 + 4, kC5 + 7, kC5 + 12, kC5 + 16, kC5 + 19};
    for (int i = 0; i < 6; ++i) {
        s.AddBell(0.06 * i, Note(notes[i]), 0.3, 0.45);
    }
    s.AddSparkle(0.2, 0.9, 30, 2500, 8000, 0.15, random);
    return s;
}

SoundSynth Rosa(AudioRandom& random) {
    SoundSynth s(1.1, false);
    s.AddSparkle(0, 0.7, 24, 2000, 7500, 0.3, random);
    s.AddBell(0.02, Note(kC5 + 19), 0.4, 0.25);
    return s;
}

// The effectivity coefficient going up or down: two quick notes that way.
SoundSynth Coefficient(bool up) {
    SoundSynth s(0.4, false);
    s.AddMarimba(0, Note(up ? kC5 + 16 : kC5 + 9), 0.12, 0.6);
    s.AddMarimba(0.08, Note(up ? kC5 + 21 : kC5 + 4), 0.15, 0.6);
    return s;
}

// The guide: a chirpy voice of two syllables, or three rising ones when it cheers the player on.
SoundSynth Guide(bool support) {
    SoundSynth s(support ? 0.7 : 0.5, false);
    const int syllables = support ? 3 : 2;
    for (int i = 0; i < syllables; ++i) {
        const double base = Note(kC5 + 7 + (support ? 3 * i : (i == 0 ? 2 : -3)));
        auto chirp = MakeTone(0.16 * i, 0.14, base * 0.9, base * 1.12, 0.5, kReed);
        chirp.attack = 0.015;
        chirp.release = 0.05;
        chirp.vibratoRate = 18;
        chirp.vibratoDepth = 0.5;
        s.AddTone(chirp);
    }
    return s;
}

// One sound: its id, its loudness (dB, the RMS of its loudest fifth of a second) and how it is
// made. The order is the game's id list; each sound's noise is seeded by its id, so a sound
// added anywhere leaves the others as they were.
struct Recipe {
    const char* id;
    double loudness;
    SoundSynth (*make)(AudioRandom& random);
};

constexpr double kEffect = -18;
constexpr double kHeartbeat = -21;
constexpr double kQuiet = -24;  // heard often: the click and the counting
constexpr double kHover = -30;

const Recipe kRecipes[] = {
    {"SOUND_ADD_BUBBLE", kEffect,
     [](AudioRandom& r) {
         return BonusSound(kC5 + 4, {0, 3, 8}, false, r);
     }},
    {"SOUND_ADD_BUBBLE_CLOUD", kEffect,
     [](AudioRandom& r) {
         return BonusSound(kC5 + 4, {0, 3, 8}, true, r);
     }},
    {"SOUND_ADD_BUXPB", kEffect,
     [](AudioRandom& r) {
         return BonusSound(kC5 + 7, {0, 5, 12}, false, r);
     }},
    {"SOUND_ADD_BUXPB_CLOUD", kEffect,
     [](AudioRandom& r) {
         return BonusSound(kC5 + 7, {0, 5, 12}, true, r);
     }},
    {"SOUND_ADD_LIVE", kEffect, AddLive},
    {"SOUND_ADD_SLOMO", kEffect,
     [](AudioRandom& r) {
         return BonusSound(kC5, {0, 7, 4}, false, r);
     }},
    {"SOUND_ADD_SLOMO_CLOUD", kEffect,
     [](AudioRandom& r) {
         return BonusSound(kC5, {0, 7, 4}, true, r);
     }},
    {"SOUND_BEEP", kEffect, Beep},
    {"SOUND_BLOCKS_INIT", kEffect, BlocksInit},
    {"SOUND_BUBBLE_USE", kEffect, BubbleUse},
    {"SOUND_BUTTON_DOWN", kQuiet, ButtonDown},
    {"SOUND_BUTTON_OVER", kHover, ButtonOver},
    {"SOUND_BUXPB_USE", kEffect, BuxpbUse},
    {"SOUND_COUNTING", kQuiet, Counting},
    {"SOUND_EFF_COEF_MINUS", kEffect, [](AudioRandom&) { return Coefficient(false); }},
    {"SOUND_EFF_COEF_PLUS", kEffect, [](AudioRandom&) { return Coefficient(true); }},
    {"SOUND_EFFECTIVITY_X10", kEffect, EffectivityX10},
    {"SOUND_GAMEOVER", kEffect, Gameover},
    {"SOUND_INIT_FORCES", kEffect, InitForces},
    {"SOUND_KNOCKDOWN", kEffect, Knockdown},
    {"SOUND_LOST_LIFE", kEffect, LostLife},
    {"SOUND_LUCHEG", kEffect, [](AudioRandom&) { return Guide(false); }},
    {"SOUND_LUCHEG_SUPPORT", kEffect, [](AudioRandom&) { return Guide(true); }},
    {"SOUND_MATCH3", kEffect, [](AudioRandom& r) { return MatchSound(3, r); }},
    {"SOUND_MATCH4", kEffect, [](AudioRandom& r) { return MatchSound(4, r); }},
    {"SOUND_MATCH5", kEffect, [](AudioRandom& r) { return MatchSound(5, r); }},
    {"SOUND_MATCH6", kEffect, [](AudioRandom& r) { return MatchSound(6, r); }},
    {"SOUND_MATCH7", kEffect, [](AudioRandom& r) { return MatchSound(7, r); }},
    {"SOUND_SC_BEGIN", kEffect, ScBegin},
    {"SOUND_SC_FW_FULL", kEffect, ScFwFull},
    {"SOUND_SHOWLEVEL", kEffect, Showlevel},
    {"SOUND_SLOMO_USE", kEffect, SlomoUse},
    {"SOUND_SWAP_BLOCKS", kEffect, SwapBlocks},
    {"SOUND_TABLE_INIT", kEffect, TableInit},
    {"SOUND_ROSA", kEffect, Rosa},
    {"SOUND_HEARTBEAT1", kHeartbeat, [](AudioRandom&) { return Heartbeat(0.9); }},
    {"SOUND_HEARTBEAT2", kHeartbeat, [](AudioRandom&) { return Heartbeat(0.65); }},
    {"SOUND_HEARTBEAT3", kHeartbeat, [](AudioRandom&) { return Heartbeat(0.45); }},
    {"SOUND_COUNTING_END", kEffect, CountingEnd},
};

// FNV-1a of the id: stable on every machine and library.
uint64_t SeedOf(std::string_view id) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (const char c : id) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    }
    return hash;
}

}  // namespace

const std::vector<std::string>& SoundIds() {
    static const std::vector<std::string> ids = [] {
        std::vector<std::string> all;
        for (const Recipe& recipe : kRecipes) {
            all.emplace_back(recipe.id);
        }
        return all;
    }();
    return ids;
}

DataPart MakeSounds() {
    DataPart part;
    for (const Recipe& recipe : kRecipes) {
        const std::string id = recipe.id;
        std::string name = id.substr(6);
        for (char& c : name) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        AudioRandom random(SeedOf(id));
        SoundSynth synth = recipe.make(random);
        const std::vector<float> samples = synth.Finish(recipe.loudness);
        part.files.push_back(
            {"sounds/" + name + ".wav", audio::MakeWav16(samples, audio::kSoundRate)});
        part.entries.push_back({"Game", "<Sound id=\"" + id + "\" path=\"sounds/" + name + "\"/>"});
    }
    return part;
}

}  // namespace make_data
