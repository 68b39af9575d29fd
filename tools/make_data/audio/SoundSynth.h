#pragma once

#include <cstddef>
#include <initializer_list>
#include <vector>

#include "make_data/audio/AudioRandom.h"

namespace make_data::audio {

inline constexpr int kSoundRate = 44100;

// Harmonic amplitudes of an additive tone, the fundamental first.
using Harmonics = std::vector<double>;

// A mono effect being built from a few voices, in seconds and hertz. A looping buffer wraps what
// runs past its end round to its start, so the file loops without a seam.
class SoundSynth {
public:
    SoundSynth(double seconds, bool looping);

    // A struck note: inharmonic partials (frequency ratio, amplitude, decay time in seconds)
    // over the fundamental, with a 2 ms attack.
    struct Partial {
        double ratio;
        double amplitude;
        double decay;
    };
    void AddStruck(double start, double frequency, double gain,
                   std::initializer_list<Partial> partials);
    // Marimba-like and bell-like notes; decay is the fundamental's time constant in seconds.
    void AddMarimba(double start, double frequency, double decay, double gain);
    void AddBell(double start, double frequency, double decay, double gain);

    // A held tone gliding exponentially from one frequency to another, with a linear attack, an
    // exponential decay (0 for none) and a linear release over its last `release` seconds.
    struct Tone {
        double start = 0;
        double length = 0.2;
        double from = 440;
        double to = 440;
        double attack = 0.005;
        double decay = 0;
        double release = 0.02;
        double gain = 0.5;
        double vibratoRate = 0;
        double vibratoDepth = 0;  // in semitones
        Harmonics harmonics{1.0};
    };
    void AddTone(const Tone& tone);

    // Band-passed noise whose centre glides from one frequency to another, with a shape like a
    // tone's: linear attack, exponential decay (0 for none), linear release.
    struct Noise {
        double start = 0;
        double length = 0.2;
        double from = 1000;
        double to = 1000;
        double q = 1.0;
        double attack = 0.005;
        double decay = 0;
        double release = 0.02;
        double gain = 0.5;
    };
    void AddNoise(const Noise& noise, AudioRandom& random);

    // Random high bell pings between two frequencies over a time span.
    void AddSparkle(double start, double length, int count, double low, double high, double gain,
                    AudioRandom& random);

    // The finished samples: high-passed below about 180 Hz, faded at both ends unless looping,
    // and scaled so the loudest fifth of a second has the RMS given (dB below full scale), with
    // peaks kept under -1 dB.
    [[nodiscard]] std::vector<float> Finish(double loudnessDb);

private:
    void Put(long index, double value);
    long Index(double seconds) const;

    std::vector<double> mSamples;
    bool mLooping;
};

}  // namespace make_data::audio
