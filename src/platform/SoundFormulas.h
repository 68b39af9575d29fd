#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Every sound formula of the program, in one place: the mixer and the sound manager use
// only these.
namespace platform::sound {

inline constexpr int kSilence = -10000;      // hundredths of a decibel
inline constexpr int kPanLeftOnly = -10000;  // the right side is silent
inline constexpr int kPanRightOnly = 10000;  // the left side is silent
inline constexpr uint32_t kMinFrequency = 100;
inline constexpr uint32_t kMaxFrequency = 100000;
inline constexpr uint32_t kOutputRate = 44100;
inline constexpr uint32_t kMaxWaveOutVolume = 65535;

// Hundredths of a decibel (0 = full, -10000 or less = silence) as a linear gain.
inline float AttenuationToGain(int hundredthsDb) {
    if (hundredthsDb <= kSilence) {
        return 0.0f;
    }
    return static_cast<float>(std::pow(10.0, std::min(hundredthsDb, 0) / 2000.0));
}

struct PanGains {
    float left = 1.0f;
    float right = 1.0f;
};

// A positive pan attenuates the left side by pan / 100 dB, a negative one the right side.
inline PanGains PanToGains(int pan) {
    pan = std::clamp(pan, kPanLeftOnly, kPanRightOnly);
    PanGains gains;
    if (pan > 0) {
        gains.left = AttenuationToGain(-pan);
    } else if (pan < 0) {
        gains.right = AttenuationToGain(pan);
    }
    return gains;
}

// The sound manager's volume (0..1, the product of its three volumes) as an attenuation:
// a perceptual curve that reaches silence below -2000.
inline int VolumeToAttenuation(double volume) {
    const int attenuation = static_cast<int>((std::log10(9.0 * volume + 1.0) - 1.0) * 2333.0);
    return attenuation < -2000 ? kSilence : attenuation;
}

// The frequency a buffer plays at when pitched by semitones, clamped to what a buffer takes.
inline uint32_t PitchedFrequency(uint32_t baseFrequency, double semitones) {
    const double frequency = std::pow(1.0594630943592953, semitones) * baseFrequency;
    return static_cast<uint32_t>(
        std::clamp(frequency, double{kMinFrequency}, double{kMaxFrequency}));
}

// Resampling step from a voice's frequency to the output rate, in 32.32 fixed point.
constexpr uint64_t RateStep(uint32_t frequency) {
    return (uint64_t{frequency} << 32) / kOutputRate;
}

// The mixed sum as one output sample: saturates instead of wrapping.
inline int16_t SaturateToInt16(float sum) {
    return static_cast<int16_t>(std::clamp(sum, -32768.0f, 32767.0f));
}

// SaturateToInt16 of every sum times gain.
inline void SaturateBlock(const float* sums, float gain, int16_t* out, size_t count) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128 g = _mm_set1_ps(gain);
    const __m128 low = _mm_set1_ps(-32768.0f);
    const __m128 high = _mm_set1_ps(32767.0f);
    for (; i + 8 <= count; i += 8) {
        const __m128 a = _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(sums + i), g), low), high);
        const __m128 b =
            _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(sums + i + 4), g), low), high);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_packs_epi32(_mm_cvttps_epi32(a), _mm_cvttps_epi32(b)));
    }
#endif
    for (; i < count; ++i) {
        out[i] = SaturateToInt16(sums[i] * gain);
    }
}

}  // namespace platform::sound
