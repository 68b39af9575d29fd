#include "make_data/audio/SoundSynth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace make_data::audio {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kHighestPartial = 18000.0;

double Shape(double t, double length, double attack, double decay, double release) {
    double gain = attack > 0 ? std::min(1.0, t / attack) : 1.0;
    if (decay > 0) {
        gain *= std::exp(-t / decay);
    }
    if (release > 0 && t > length - release) {
        gain *= std::max(0.0, (length - t) / release);
    }
    return gain;
}

// A second-order filter section (direct form I).
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;

    static Biquad HighPass(double frequency, double q) {
        const double w = kTwoPi * frequency / kSoundRate;
        const double alpha = std::sin(w) / (2 * q);
        const double a0 = 1 + alpha;
        Biquad f;
        f.b0 = (1 + std::cos(w)) / 2 / a0;
        f.b1 = -(1 + std::cos(w)) / a0;
        f.b2 = f.b0;
        f.a1 = -2 * std::cos(w) / a0;
        f.a2 = (1 - alpha) / a0;
        return f;
    }
    double Run(double x) {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

}  // namespace

SoundSynth::SoundSynth(double seconds, bool looping)
    : mSamples(static_cast<size_t>(std::lround(seconds * kSoundRate))), mLooping(looping) {}

long SoundSynth::Index(double seconds) const {
    return std::lround(seconds * kSoundRate);
}

void SoundSynth::Put(long index, double value) {
    const long size = static_cast<long>(mSamples.size());
    if (mLooping) {
        index %= size;
        if (index < 0) {
            index += size;
        }
    } else if (index < 0 || index >= size) {
        return;
    }
    mSamples[static_cast<size_t>(index)] += value;
}

void SoundSynth::AddStruck(double start, double frequency, double gain,
                           std::initializer_list<Partial> partials) {
    double longest = 0;
    for (const Partial& p : partials) {
        longest = std::max(longest, p.decay);
    }
    const long first = Index(start);
    const long count = std::min(Index(longest * 7), static_cast<long>(mSamples.size()));
    for (long i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kSoundRate;
        double value = 0;
        for (const Partial& p : partials) {
            const double f = frequency * p.ratio;
            if (f < kHighestPartial) {
                value += p.amplitude * std::exp(-t / p.decay) * std::sin(kTwoPi * f * t);
            }
        }
        Put(first + i, gain * std::min(1.0, t / 0.002) * value);
    }
}

void SoundSynth::AddMarimba(double start, double frequency, double decay, double gain) {
    AddStruck(start, frequency, gain,
              {{1.0, 1.0, decay}, {3.93, 0.3, decay * 0.22}, {9.2, 0.1, decay * 0.08}});
}

void SoundSynth::AddBell(double start, double frequency, double decay, double gain) {
    AddStruck(start, frequency, gain,
              {{1.0, 1.0, decay},
               {2.0, 0.45, decay * 0.7},
               {2.76, 0.35, decay * 0.5},
               {5.4, 0.18, decay * 0.25},
               {8.93, 0.08, decay * 0.15}});
}

void SoundSynth::AddTone(const Tone& tone) {
    const long first = Index(tone.start);
    const long count = Index(tone.length);
    double phase = 0;
    for (long i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kSoundRate;
        double frequency = tone.from * std::pow(tone.to / tone.from, t / tone.length);
        if (tone.vibratoDepth != 0) {
            frequency *=
                std::pow(2.0, tone.vibratoDepth * std::sin(kTwoPi * tone.vibratoRate * t) / 12.0);
        }
        phase += kTwoPi * frequency / kSoundRate;
        double value = 0;
        for (size_t k = 0; k < tone.harmonics.size(); ++k) {
            const double n = static_cast<double>(k + 1);
            if (frequency * n < kHighestPartial) {
                value += tone.harmonics[k] * std::sin(n * phase);
            }
        }
        Put(first + i,
            tone.gain * Shape(t, tone.length, tone.attack, tone.decay, tone.release) * value);
    }
}

void SoundSynth::AddNoise(const Noise& noise, AudioRandom& random) {
    const long first = Index(noise.start);
    const long count = Index(noise.length);
    // A state-variable band pass; its peak gain is 1 whatever the Q.
    const double k = 1.0 / noise.q;
    double ic1 = 0;
    double ic2 = 0;
    for (long i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kSoundRate;
        const double centre = noise.from * std::pow(noise.to / noise.from, t / noise.length);
        const double g = std::tan(std::numbers::pi * std::min(centre, 18000.0) / kSoundRate);
        const double a1 = 1.0 / (1.0 + g * (g + k));
        const double a2 = g * a1;
        const double a3 = g * a2;
        const double input = random.Range(-1.0, 1.0);
        const double v3 = input - ic2;
        const double v1 = a1 * ic1 + a2 * v3;
        const double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        Put(first + i,
            noise.gain * Shape(t, noise.length, noise.attack, noise.decay, noise.release) * k * v1);
    }
}

void SoundSynth::AddSparkle(double start, double length, int count, double low, double high,
                            double gain, AudioRandom& random) {
    for (int i = 0; i < count; ++i) {
        const double at = start + length * random.Unit();
        const double frequency = low * std::pow(high / low, random.Unit());
        AddStruck(at, frequency, gain * random.Range(0.4, 1.0),
                  {{1.0, 1.0, 0.09}, {2.76, 0.3, 0.04}});
    }
}

std::vector<float> SoundSynth::Finish(double loudnessDb) {
    const size_t size = mSamples.size();
    std::vector<double> out(size);
    Biquad filter = Biquad::HighPass(180.0, 0.707);
    // A loop is filtered twice round so the filter's state at its start is the state it has at
    // its end.
    const int passes = mLooping ? 2 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        for (size_t i = 0; i < size; ++i) {
            out[i] = filter.Run(mSamples[i]);
        }
    }
    if (!mLooping) {
        const size_t fadeIn = std::min(size, size_t{88});
        const size_t fadeOut = std::min(size, size_t{441});
        for (size_t i = 0; i < fadeIn; ++i) {
            out[i] *= static_cast<double>(i) / static_cast<double>(fadeIn);
        }
        for (size_t i = 0; i < fadeOut; ++i) {
            out[size - 1 - i] *= static_cast<double>(i) / static_cast<double>(fadeOut);
        }
    }

    const size_t window = std::min(size, size_t{kSoundRate / 5});
    double loudest = 0;
    for (size_t begin = 0; window > 0 && begin + window <= size; begin += kSoundRate / 100) {
        double sum = 0;
        for (size_t i = begin; i < begin + window; ++i) {
            sum += out[i] * out[i];
        }
        loudest = std::max(loudest, sum / static_cast<double>(window));
    }
    double peak = 0;
    for (double v : out) {
        peak = std::max(peak, std::abs(v));
    }
    double gain = 1.0;
    if (loudest > 0 && peak > 0) {
        gain = std::min(std::pow(10.0, loudnessDb / 20.0) / std::sqrt(loudest), 0.89 / peak);
    }
    std::vector<float> result(size);
    for (size_t i = 0; i < size; ++i) {
        result[i] = static_cast<float>(out[i] * gain);
    }
    return result;
}

}  // namespace make_data::audio
