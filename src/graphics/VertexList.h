#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/Device3D.h"

namespace Vesk {

// A growable list of pre-transformed vertices that keeps up to 100 of them inside the
// object, so the polygons of the 3-D drawing rarely touch the heap.
class VertexList {
public:
    static constexpr size_t kInlineCapacity = 100;

    VertexList() = default;
    VertexList(const VertexList& other);
    VertexList& operator=(const VertexList& other);
    ~VertexList() = default;

    void push_back(const platform::TLVertex& vertex);
    void clear() { mSize = 0; }
    size_t size() const { return mSize; }
    size_t capacity() const { return mCapacity; }
    bool empty() const { return mSize == 0; }
    platform::TLVertex* data() { return mHeap ? mHeap.get() : mInline; }
    const platform::TLVertex* data() const { return mHeap ? mHeap.get() : mInline; }
    platform::TLVertex& operator[](size_t i) { return data()[i]; }
    const platform::TLVertex& operator[](size_t i) const { return data()[i]; }
    // The list lives on the heap once it outgrew its own room.
    bool OnHeap() const { return mHeap != nullptr; }

private:
    platform::TLVertex mInline[kInlineCapacity];
    std::unique_ptr<platform::TLVertex[]> mHeap;
    size_t mSize = 0;
    size_t mCapacity = kInlineCapacity;
};

// Polygon clipping of the 3-D drawing. A coordinate is chosen by index: 0 x, 1 y, 2 z,
// 3 u, 4 v.
namespace VertexClip {

// Keeps the part where the coordinate is at least the bound (Min) or below it (Max);
// the output is replaced. A polygon of fewer than 2 vertices gives nothing.
void ClipPolygonMin(const VertexList& in, int coordinate, float bound, VertexList& out);
void ClipPolygonMax(const VertexList& in, int coordinate, float bound, VertexList& out);
// Clips in place to 0 <= u < 1 and 0 <= v < 1.
void ClipToUnitSquare(VertexList& polygon);
// a moved toward b by t in x, y, u and v, and in each colour channel when the colours
// differ; z, reciprocal w and specular stay a's.
platform::TLVertex InterpolateVertex(const platform::TLVertex& a, const platform::TLVertex& b,
                                     float t);

}  // namespace VertexClip

}  // namespace Vesk
