#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace make_data::audio {

// One float sample (-1..1, clamped beyond) as a rounded 16-bit sample.
int16_t ToSample16(float value);

// A 16-bit PCM WAV holding only "fmt " and "data", from mono samples.
[[nodiscard]] std::vector<uint8_t> MakeWav16(std::span<const float> samples, uint32_t sampleRate);

// An Ogg Vorbis file (variable bit rate at the quality given, -0.1..1) from two channels of the
// same length. The serial number is fixed by the caller and nothing depends on the time, so the
// same samples always give the same bytes.
[[nodiscard]] std::vector<uint8_t> EncodeOggVorbis(std::span<const float> left,
                                                   std::span<const float> right,
                                                   uint32_t sampleRate, int serial, float quality);

}  // namespace make_data::audio
