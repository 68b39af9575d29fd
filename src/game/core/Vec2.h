#pragma once

namespace Vesk {
class ByteReader;
class ByteWriter;
}  // namespace Vesk

// A 2-D vector whose length is stored and kept by the operations, not recomputed on each read.
struct Vec2 {
    double x = 0.0;
    double y = 0.0;
    double length = 0.0;

    // Becomes the projection onto q, with its signed scalar length. False (unchanged) when q has
    // no length.
    bool Project(const Vec2& q);
    void Add(const Vec2& q);
    // Scales (x, y) to the stored length; a zero vector stays zero.
    void Rescale();
    // Turns by a right angle toward q's side: 1 when it became (y, -x), 2 when (-y, x).
    int Perpendicular(const Vec2& q);

    // x, y, length as three doubles.
    void Save(Vesk::ByteWriter& out) const;
    void Load(Vesk::ByteReader& in);
};
