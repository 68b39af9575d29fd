#include "graphics/VertexList.h"

#include <algorithm>
#include <cstdint>

namespace Vesk {

using platform::TLVertex;

VertexList::VertexList(const VertexList& other) {
    *this = other;
}

VertexList& VertexList::operator=(const VertexList& other) {
    if (this == &other) {
        return *this;
    }
    mSize = 0;
    if (other.mSize > mCapacity) {
        mHeap = std::make_unique<TLVertex[]>(other.mCapacity);
        mCapacity = other.mCapacity;
    }
    std::copy_n(other.data(), other.mSize, data());
    mSize = other.mSize;
    return *this;
}

void VertexList::push_back(const TLVertex& vertex) {
    if (mSize == mCapacity) {
        const size_t capacity = mCapacity * 2;
        auto grown = std::make_unique<TLVertex[]>(capacity);
        std::copy_n(data(), mSize, grown.get());
        mHeap = std::move(grown);
        mCapacity = capacity;
    }
    data()[mSize++] = vertex;
}

namespace VertexClip {

namespace {

float Coordinate(const TLVertex& v, int coordinate) {
    switch (coordinate) {
        case 0:
            return v.x;
        case 1:
            return v.y;
        case 2:
            return v.z;
        case 3:
            return v.u;
        default:
            return v.v;
    }
}

template <typename Inside>
void Clip(const VertexList& in, int coordinate, float bound, VertexList& out, Inside inside) {
    out.clear();
    const size_t count = in.size();
    if (count < 2) {
        return;
    }
    const TLVertex* previous = &in[count - 1];
    float previousValue = Coordinate(*previous, coordinate);
    bool previousInside = inside(previousValue);
    for (size_t i = 0; i < count; ++i) {
        const TLVertex& current = in[i];
        const float value = Coordinate(current, coordinate);
        const bool currentInside = inside(value);
        if (previousInside != currentInside) {
            const float t = (bound - previousValue) / (value - previousValue);
            out.push_back(InterpolateVertex(*previous, current, t));
        }
        if (currentInside) {
            out.push_back(current);
        }
        previous = &current;
        previousValue = value;
        previousInside = currentInside;
    }
}

uint32_t InterpolateChannel(uint32_t a, uint32_t b, int shift, float t) {
    const int ca = static_cast<int>((a >> shift) & 0xFF);
    const int cb = static_cast<int>((b >> shift) & 0xFF);
    const int c = ca + static_cast<int>(static_cast<float>(cb - ca) * t);
    return static_cast<uint32_t>(std::clamp(c, 0, 255)) << shift;
}

}  // namespace

void ClipPolygonMin(const VertexList& in, int coordinate, float bound, VertexList& out) {
    Clip(in, coordinate, bound, out, [bound](float value) { return value >= bound; });
}

void ClipPolygonMax(const VertexList& in, int coordinate, float bound, VertexList& out) {
    Clip(in, coordinate, bound, out, [bound](float value) { return value < bound; });
}

void ClipToUnitSquare(VertexList& polygon) {
    VertexList other;
    ClipPolygonMin(polygon, 3, 0.0f, other);
    ClipPolygonMin(other, 4, 0.0f, polygon);
    ClipPolygonMax(polygon, 3, 1.0f, other);
    ClipPolygonMax(other, 4, 1.0f, polygon);
}

TLVertex InterpolateVertex(const TLVertex& a, const TLVertex& b, float t) {
    TLVertex out = a;
    out.x = a.x + (b.x - a.x) * t;
    out.y = a.y + (b.y - a.y) * t;
    out.u = a.u + (b.u - a.u) * t;
    out.v = a.v + (b.v - a.v) * t;
    if (a.diffuse != b.diffuse) {
        out.diffuse = InterpolateChannel(a.diffuse, b.diffuse, 24, t) |
                      InterpolateChannel(a.diffuse, b.diffuse, 16, t) |
                      InterpolateChannel(a.diffuse, b.diffuse, 8, t) |
                      InterpolateChannel(a.diffuse, b.diffuse, 0, t);
    }
    return out;
}

}  // namespace VertexClip

}  // namespace Vesk
