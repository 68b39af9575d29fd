#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "make_data/audio/Composer.h"

namespace make_data::audio {

// Two channels of float samples, the same length.
struct StereoSamples {
    std::vector<float> left;
    std::vector<float> right;
};

// The frame a tick of a score falls on at a sample rate.
int64_t TickToFrame(const Score& score, int64_t tick, int sampleRate);

// Plays a score through FluidSynth with the General MIDI sound font, without an audio driver:
// the loop's frames and `tailFrames` more in which the last notes and the reverb die away.
// Throws std::runtime_error when the synthesiser or the sound font cannot be set up. Safe from
// any thread; each call has its own synthesiser.
[[nodiscard]] StereoSamples RenderScore(const Score& score, int sampleRate, size_t tailFrames);

}  // namespace make_data::audio
