#pragma once

#include <cstdint>
#include <vector>

#include "graphics/Rect.h"

namespace Vesk {

class ByteReader;
class ByteWriter;
class Graphics;
class Image;
class zmParticleSystem;

// One image cut into cels with a table of named animations, the playing state of one of them
// (with a queued next one) and an optional particle system drawn under the current cel.
// Owners keep copies made with Assign and advance them with their own clock. Indexes from
// callers and saved games are checked: one the table does not hold means no animation.
class zmImageEx {
public:
    struct Frame {
        int32_t mRow = 0;
        int32_t mColumn = 0;
        int32_t mDelay = 0;  // in the caller's time unit
    };
    struct Animation {
        std::vector<Frame> mFrames;
    };

    zmImageEx() = default;
    zmImageEx(const zmImageEx&) = delete;
    zmImageEx& operator=(const zmImageEx&) = delete;

    // Copies the table, the image, the shared particle system and the playing state, but
    // neither the frame's start time nor the first-frame delay.
    zmImageEx* Assign(const zmImageEx& other);
    // Immediate switches now; otherwise the current animation finishes its cycle first.
    void Play(int32_t index, double time, bool immediate, double firstFrameDelay);
    // Advances at most one frame. True when a cycle has just ended.
    bool Update(double time);
    void Draw(Graphics* g, int32_t x, int32_t y, bool drag);
    void DrawStretched(Graphics* g, const Rect& rect);
    // Zero while no animation plays.
    Rect GetCelRect() const;
    // Of the whole image; 0 without one.
    int32_t GetHeight() const;

    // Pending, current, frame, first-frame delay, frame start time: 28 bytes.
    void Save(ByteWriter& out) const;
    // A short record changes nothing.
    void Load(ByteReader& in);

    int32_t mPendingAnim = -1;
    int32_t mCurrentAnim = -1;
    int32_t mFrame = 0;
    double mFrameStartTime = 0.0;
    double mFirstFrameDelay = 0.0;
    std::vector<Animation> mAnimations;
    Image* mImage = nullptr;                      // not owned: the resource's image
    zmParticleSystem* mParticleSystem = nullptr;  // not owned: the particle registry's

private:
    // Moves the particle system to (x, y) unless it stands there already.
    void MoveParticles(float x, float y, bool drag);
    // Out-of-table indexes become -1; the frame is clamped into the current animation.
    void CheckState();
    const Frame* CurrentFrame() const;
};

}  // namespace Vesk
