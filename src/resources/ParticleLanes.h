#pragma once

// The particles' update and placing, sixteen particles at a time: a system keeps its particles
// a value at a time for a block of sixteen (a row of x, a row of y, ...), and these step a
// block's particles or place its sprites in vector lanes, as wide as the processor runs.

#include <cstddef>
#include <cstdint>

#include "resources/zmParticleSystem.h"

namespace Vesk::ParticleLanes {

// The particles of a block, and so the floats of each value's row.
inline constexpr int32_t kBlock = 16;

using Particle = zmParticleSystem::Particle;

// Where each value of a particle lies among its floats, and so among a block's rows.
constexpr size_t ValueOf(size_t offset) {
    return offset / sizeof(float);
}
inline constexpr size_t kX = ValueOf(offsetof(Particle, x));
inline constexpr size_t kY = ValueOf(offsetof(Particle, y));
inline constexpr size_t kSpin = ValueOf(offsetof(Particle, spin));
inline constexpr size_t kScale = ValueOf(offsetof(Particle, scale));
inline constexpr size_t kVx = ValueOf(offsetof(Particle, vx));
inline constexpr size_t kVy = ValueOf(offsetof(Particle, vy));
inline constexpr size_t kSpinDelta = ValueOf(offsetof(Particle, spinDelta));
inline constexpr size_t kScaleDelta = ValueOf(offsetof(Particle, scaleDelta));
inline constexpr size_t kColor = ValueOf(offsetof(Particle, color));
inline constexpr size_t kColorDelta = ValueOf(offsetof(Particle, colorDelta));
inline constexpr size_t kGravity = ValueOf(offsetof(Particle, gravity));
inline constexpr size_t kRadial = ValueOf(offsetof(Particle, radial));
inline constexpr size_t kTangential = ValueOf(offsetof(Particle, tangential));
inline constexpr size_t kAge = ValueOf(offsetof(Particle, age));
inline constexpr size_t kLife = ValueOf(offsetof(Particle, life));
// Drawing reads the values before the velocity only.
inline constexpr size_t kDrawnValues = kVx;
static_assert(kX < kDrawnValues && kY < kDrawnValues && kSpin < kDrawnValues &&
              kScale < kDrawnValues && kAge < kDrawnValues && kColor + 3 < kDrawnValues);

// Places and sizes beyond this are not drawn: every conversion of one to an integer is then an
// exact truncation, and the blit's integer arithmetic cannot overflow.
inline constexpr float kFar = 1.0e6f;
// The sides of the sprites a system keeps in its table of small sprites.
inline constexpr int32_t kTableSide = 16;

// What placing a block needs of the system and the image.
struct PlaceFrame {
    float offsetX;
    float offsetY;
    float imageW;
    float imageH;
    float side;
    // Where a sprite may lie, in the particles' frame, to be wholly inside the clip.
    int32_t minX;
    int32_t minY;
    int32_t maxX;
    int32_t maxY;
    // The particles' frame to the image's, and the image's row length.
    int32_t shiftX;
    int32_t shiftY;
    uint32_t stride;
};

// Where a block's particles are added, a lane a particle. Sprites wholly inside the clip and of
// a side up to kTableSide are quick: the table's sprite at entry, added offset words into the
// image; the others drawn take the long road.
struct Places {
    int32_t drawn[kBlock];
    int32_t quick[kBlock];
    int32_t entry[kBlock];
    uint32_t offset[kBlock];
    int32_t left[kBlock];
    int32_t top[kBlock];
    int32_t w[kBlock];
    int32_t h[kBlock];
    uint32_t tint[kBlock];
};

// Steps a block's particles from lane from on, up to lane n (at most kBlock) or the first that
// dies in this step, whichever comes first, and answers where it stopped; the caller replaces a
// dying particle by the last and goes on from there. Each particle steps with the same
// operations in the same order as one at a time would, so it ends bit for bit the same.
int32_t StepBlock(float* values, int32_t from, int32_t n, float dt, float cx, float cy);

// Places the sprites of a block's first n particles, as drawing one at a time would.
void PlaceBlock(const float* values, int32_t n, const PlaceFrame& frame, Places& out);

}  // namespace Vesk::ParticleLanes
