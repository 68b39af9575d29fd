#pragma once

namespace Vesk {
class ByteReader;
class ByteWriter;
class Graphics;
}  // namespace Vesk

// One object's own copy of a particle system: the game application wraps its particle resource
// in this, and tests use a fake.
class CParticleEffect {
public:
    // What saved games carry: the emission clock (-2 not placed) and the emitter position.
    struct SavedState {
        float clock = -2.0f;
        float x = 0.0f;
        float y = 0.0f;
    };

    CParticleEffect() = default;
    virtual ~CParticleEffect() = default;
    CParticleEffect(const CParticleEffect&) = delete;
    CParticleEffect& operator=(const CParticleEffect&) = delete;

    // A fresh burst at (x, y) without a trail.
    virtual void ResetAt(float x, float y) = 0;
    // With drag the live particles move along; without it the next emission spreads along the
    // motion.
    virtual void MoveTo(float x, float y, bool drag) = 0;
    virtual void FlagUnplaced() = 0;
    virtual void Update(float elapsed) = 0;
    virtual int LiveCount() const = 0;
    virtual void Draw(Vesk::Graphics& g) = 0;
    virtual SavedState GetSavedState() const = 0;
    // A clock above -2 starts a burst at the saved position.
    virtual void Restore(const SavedState& state) = 0;

    // Clock, x, y as three 32-bit floats: 12 bytes.
    void Save(Vesk::ByteWriter& out) const;
    void Load(Vesk::ByteReader& in);
    static void SaveUnplaced(Vesk::ByteWriter& out);
    static SavedState ReadState(Vesk::ByteReader& in);
};
