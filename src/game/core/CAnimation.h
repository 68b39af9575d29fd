#pragma once

#include <cstdint>

namespace Vesk {
class ByteReader;
class ByteWriter;
class Graphics;
}  // namespace Vesk

// One object's own copy of an animated image: the game application wraps its animated-image
// resource in this, and tests use a fake. Times are in the caller's clock unit.
class CAnimation {
public:
    // The playing state that saved games carry.
    struct PlayState {
        int32_t pending = -1;
        int32_t current = -1;
        int32_t frame = 0;
        double firstFrameDelay = 0.0;
        double frameStart = 0.0;
    };

    CAnimation() = default;
    virtual ~CAnimation() = default;
    CAnimation(const CAnimation&) = delete;
    CAnimation& operator=(const CAnimation&) = delete;

    // Immediate switches now; otherwise index plays after the current cycle.
    virtual void Play(int32_t index, double time, bool immediate, double firstFrameDelay) = 0;
    // True when a cycle has just ended; advances at most one frame.
    virtual bool Update(double time) = 0;
    virtual void Draw(Vesk::Graphics& g, int32_t x, int32_t y, bool drag) = 0;
    virtual int32_t GetCelWidth() const = 0;
    virtual int32_t GetCelHeight() const = 0;
    virtual int32_t AnimationCount() const = 0;
    // 0 for an index outside the table.
    virtual int32_t FrameCount(int32_t animation) const = 0;
    virtual PlayState GetPlayState() const = 0;
    // The caller keeps indexes within the table (Load does).
    virtual void SetPlayState(const PlayState& state) = 0;

    // pending, current, frame (4 bytes each), first-frame delay, frame start (8 each): 28 bytes.
    void Save(Vesk::ByteWriter& out) const;
    // A state whose animation or frame is outside this image's table loads as idle.
    void Load(Vesk::ByteReader& in);
    // The same 28 bytes for an object whose animation is missing.
    static void SaveIdle(Vesk::ByteWriter& out);
    static PlayState ReadState(Vesk::ByteReader& in);
};
