#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vesk_tools {

// A particle definition as the game's particle system reads it. Times are in the system's time
// unit (the game steps its systems in seconds), angles in radians with 0 straight up and growing
// clockwise, colours from 0 to 1.
struct ParticleDefinition {
    int32_t rate = 50;       // particles per time unit
    float duration = -1.0f;  // -1: emits for ever
    float lifeMin = 1.0f;
    float lifeMax = 1.0f;
    float direction = 0.0f;
    float spread = 6.2831855f;
    bool relative = false;  // direction relative to the emitter's motion
    float speedMin = 50.0f;
    float speedMax = 100.0f;
    float gravityMin = 0.0f;
    float gravityMax = 0.0f;
    float radialMin = 0.0f;
    float radialMax = 0.0f;
    float tangentialMin = 0.0f;
    float tangentialMax = 0.0f;
    float scaleStart = 1.0f;
    float scaleEnd = 1.0f;
    float scaleVariance = 0.0f;
    float spinStart = 0.0f;
    float spinEnd = 0.0f;
    float spinVariance = 0.0f;
    float startColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // red, green, blue, alpha
    float endColor[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    float colorVariance = 0.0f;
    float alphaVariance = 0.0f;

    // Records after the parameter block; an empty or absent one is not written.
    std::optional<bool> additive;
    std::optional<std::pair<float, float>> position;  // emitter x, y
    std::string image;                                // at most 259 bytes for the reader to take it
    std::vector<std::pair<int32_t, int32_t>> clip;    // polygon, 3 points or more to take effect
    std::vector<std::pair<int32_t, int32_t>> path;
    std::optional<std::pair<float, int32_t>> pathValueMode;
};

// The definition file's bytes: the 128-byte parameter block, then the records in tag order
// (additive, position, image, clip, path, path value and mode), little-endian.
std::vector<uint8_t> WriteParticleDefinition(const ParticleDefinition& def);

}  // namespace vesk_tools
