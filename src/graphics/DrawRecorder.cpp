#include "graphics/DrawRecorder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include "graphics/MemoryImage.h"
#include "graphics/TransformMapping.h"
#include "graphics/TriangleSetup.h"
#include "util/Matrix3x3.h"

namespace Vesk {

namespace {

enum class Call : uint64_t {
    kFillRect = 1,
    kClearRect,
    kLine,
    kLineAA,
    kCoverage,
    kBlt,
    kBltF,
    kRotated,
    kStretch,
    kMatrix,
    kTriangles,
    kMirror,
    kStretchMirror,
    kMany,
};

// How far a call's pixels may reach past its geometry: filtering and anti-aliasing.
constexpr int32_t kTransformMargin = 2;
// The screen's own turning and stretching blits lay their geometry out on the clip, so a cut
// one may differ from the whole by a pixel.
constexpr bool kTransformsWhole = true;

// Saturating conversion for box edges: geometry far off the picture stays far off it.
int32_t ToEdge(double value) {
    constexpr double kLimit = 1 << 30;
    return static_cast<int32_t>(std::clamp(value, -kLimit, kLimit));
}

// Pixels of the box from (minX, minY) to (maxX, maxY), grown by the margin; the whole of
// `limit` when the geometry is not finite.
Rect BoxOf(double minX, double minY, double maxX, double maxY, int32_t margin, const Rect& limit) {
    if (!std::isfinite(minX) || !std::isfinite(minY) || !std::isfinite(maxX) ||
        !std::isfinite(maxY)) {
        return limit;
    }
    const int32_t left = ToEdge(std::floor(minX)) - margin;
    const int32_t top = ToEdge(std::floor(minY)) - margin;
    const int32_t right = ToEdge(std::ceil(maxX)) + margin + 1;
    const int32_t bottom = ToEdge(std::ceil(maxY)) + margin + 1;
    return Rect(left, top, right - left, bottom - top).Intersection(limit);
}

bool Overlap(const Rect& a, const Rect& b) {
    const Rect both = a.Intersection(b);
    return both.mWidth > 0 && both.mHeight > 0;
}

bool Empty(const Rect& rect) {
    return rect.mWidth <= 0 || rect.mHeight <= 0;
}

Rect Union(const Rect& a, const Rect& b) {
    const int32_t left = std::min(a.mX, b.mX);
    const int32_t top = std::min(a.mY, b.mY);
    const int32_t right = std::max(a.mX + a.mWidth, b.mX + b.mWidth);
    const int32_t bottom = std::max(a.mY + a.mHeight, b.mY + b.mHeight);
    return Rect(left, top, right - left, bottom - top);
}

int64_t AreaOf(const Rect& rect) {
    return Empty(rect) ? 0 : int64_t{rect.mWidth} * rect.mHeight;
}

bool Holds(const Rect& outer, const Rect& inner) {
    return inner.Intersection(outer) == inner;
}

// A few disjoint rectangles covering every rectangle added.
class AreaSet {
public:
    explicit AreaSet(size_t maxAreas) : mMax(std::max<size_t>(maxAreas, 1)) {}

    void Add(Rect rect) {
        if (Empty(rect)) {
            return;
        }
        // Inside an area (thousands of moving particles in one): that area alone takes it and
        // goes last, as the join below leaves it.
        for (size_t i = 0; i < mAreas.size(); ++i) {
            if (Holds(mAreas[i], rect)) {
                std::swap(mAreas[i], mAreas.back());
                return;
            }
        }
        // Whatever it overlaps joins it, and the joined box may overlap more.
        for (size_t i = 0; i < mAreas.size();) {
            if (Overlap(mAreas[i], rect)) {
                rect = Union(rect, mAreas[i]);
                mAreas[i] = mAreas.back();
                mAreas.pop_back();
                i = 0;
            } else {
                ++i;
            }
        }
        mAreas.push_back(rect);
        if (mAreas.size() > mMax) {
            JoinCheapestPair();
        }
    }

    // Grows an area that takes part of `rect` to take it whole; true when one grew.
    bool Swallow(const Rect& rect) {
        for (size_t i = 0; i < mAreas.size(); ++i) {
            if (Overlap(mAreas[i], rect) && !Holds(mAreas[i], rect)) {
                const Rect grown = Union(mAreas[i], rect);
                mAreas[i] = mAreas.back();
                mAreas.pop_back();
                Add(grown);
                return true;
            }
        }
        return false;
    }

    std::vector<Rect> Take() { return std::move(mAreas); }
    const std::vector<Rect>& Areas() const { return mAreas; }

private:
    void JoinCheapestPair() {
        size_t bestA = 0;
        size_t bestB = 1;
        int64_t bestGrowth = std::numeric_limits<int64_t>::max();
        for (size_t a = 0; a < mAreas.size(); ++a) {
            for (size_t b = a + 1; b < mAreas.size(); ++b) {
                const int64_t growth =
                    AreaOf(Union(mAreas[a], mAreas[b])) - AreaOf(mAreas[a]) - AreaOf(mAreas[b]);
                if (growth < bestGrowth) {
                    bestGrowth = growth;
                    bestA = a;
                    bestB = b;
                }
            }
        }
        const Rect joined = Union(mAreas[bestA], mAreas[bestB]);
        mAreas.erase(mAreas.begin() + static_cast<std::ptrdiff_t>(bestB));
        mAreas.erase(mAreas.begin() + static_cast<std::ptrdiff_t>(bestA));
        Add(joined);
    }

    size_t mMax;
    std::vector<Rect> mAreas;
};

// How far ahead the comparison looks for a call drawn again after others were added or
// dropped before it.
constexpr size_t kResyncWindow = 48;

// The keys of one recording in a bit set: a key whose bit is clear is not in it, so the
// look-ahead for it is skipped (moving particles differ from every call of the other frame).
class KeyFilter {
public:
    explicit KeyFilter(const std::vector<DrawRecorder::Step>& steps) {
        for (const DrawRecorder::Step& step : steps) {
            const uint64_t bit = Bit(step.mKey);
            mWords[bit >> 6] |= uint64_t{1} << (bit & 63);
        }
    }
    bool MayHold(uint64_t key) const {
        const uint64_t bit = Bit(key);
        return (mWords[bit >> 6] >> (bit & 63) & 1) != 0;
    }

private:
    static constexpr int kBits = 18;
    // Keys are digests already: their top bits are as good as any.
    static uint64_t Bit(uint64_t key) { return key >> (64 - kBits); }
    std::array<uint64_t, (size_t{1} << kBits) / 64> mWords{};
};

}  // namespace

class DrawRecorder::Digest {
public:
    explicit Digest(Call call) { Add(static_cast<uint64_t>(call)); }

    void Add(uint64_t value) {
        mHash = (std::rotl(mHash ^ (value * 0x9E3779B97F4A7C15ull), 29)) * 0xBF58476D1CE4E5B9ull;
    }
    void Add(int32_t value) { Add(static_cast<uint64_t>(static_cast<uint32_t>(value))); }
    void Add(float value) { Add(uint64_t{std::bit_cast<uint32_t>(value)}); }
    void Add(double value) { Add(std::bit_cast<uint64_t>(value)); }
    void Add(const Rect& rect) {
        Add(rect.mX);
        Add(rect.mY);
        Add(rect.mWidth);
        Add(rect.mHeight);
    }
    void Add(const Color& color) {
        Add(color.mRed);
        Add(color.mGreen);
        Add(color.mBlue);
        Add(color.mAlpha);
    }
    void AddBytes(const uint8_t* bytes, size_t count) {
        uint64_t word = 0;
        for (; count >= 8; count -= 8, bytes += 8) {
            std::memcpy(&word, bytes, 8);
            Add(word);
        }
        word = 0;
        std::memcpy(&word, bytes, count);
        Add(word ^ (uint64_t{count} << 56));
    }
    // Zero is kept for calls that never match.
    uint64_t Value() const { return mHash == 0 ? 1 : mHash; }

private:
    uint64_t mHash = 0x243F6A8885A308D3ull;
};

DrawRecorder::DrawRecorder(int32_t width, int32_t height) {
    mWidth = std::max(width, 0);
    mHeight = std::max(height, 0);
}

void DrawRecorder::Add(const Digest& digest, const Rect& bounds, bool whole) {
    const Rect inside = bounds.Intersection(Rect(0, 0, mWidth, mHeight));
    if (Empty(inside)) {
        return;
    }
    mSteps.push_back(Step{digest.Value(), inside, whole});
}

void DrawRecorder::AddSource(Digest& digest, Image* image) {
    if (image == nullptr) {
        digest.Add(uint64_t{0});
        return;
    }
    digest.Add(image->mSerial);
    digest.Add(image->mWidth);
    digest.Add(image->mHeight);
    if (const MemoryImage* memory = image->AsMemoryImage()) {
        digest.Add(memory->mChangeCount);
        digest.Add(int32_t{memory->mHasTrans} | (int32_t{memory->mHasAlpha} << 1));
    }
}

void DrawRecorder::FillRect(const Rect& rect, const Color& color, DrawMode drawMode) {
    Digest digest(Call::kFillRect);
    digest.Add(rect);
    digest.Add(color);
    digest.Add(drawMode);
    Add(digest, rect, false);
}

void DrawRecorder::ClearRect(const Rect& rect) {
    Digest digest(Call::kClearRect);
    digest.Add(rect);
    Add(digest, rect, false);
}

void DrawRecorder::DrawLine(double startX, double startY, double endX, double endY,
                            const Color& color, DrawMode drawMode) {
    Digest digest(Call::kLine);
    for (const double value : {startX, startY, endX, endY}) {
        digest.Add(value);
    }
    digest.Add(color);
    digest.Add(drawMode);
    // The context cuts a line to its clip by moving its ends, which may move its pixels.
    Add(digest,
        BoxOf(std::min(startX, endX), std::min(startY, endY), std::max(startX, endX),
              std::max(startY, endY), 1, Rect(0, 0, mWidth, mHeight)),
        true);
}

void DrawRecorder::DrawLineAA(double startX, double startY, double endX, double endY,
                              const Color& color, DrawMode drawMode) {
    Digest digest(Call::kLineAA);
    for (const double value : {startX, startY, endX, endY}) {
        digest.Add(value);
    }
    digest.Add(color);
    digest.Add(drawMode);
    Add(digest,
        BoxOf(std::min(startX, endX), std::min(startY, endY), std::max(startX, endX),
              std::max(startY, endY), kTransformMargin, Rect(0, 0, mWidth, mHeight)),
        true);
}

void DrawRecorder::FillScanLinesWithCoverage(Span* spans, int32_t spanCount, const Color& color,
                                             DrawMode drawMode, const uint8_t* coverage,
                                             int32_t coverX, int32_t coverY, int32_t coverWidth,
                                             int32_t coverHeight) {
    Digest digest(Call::kCoverage);
    digest.Add(color);
    digest.Add(drawMode);
    digest.Add(Rect(coverX, coverY, coverWidth, coverHeight));
    Rect bounds;
    for (int32_t i = 0; i < spanCount; ++i) {
        const Span& span = spans[i];
        digest.Add(span.mX);
        digest.Add(span.mY);
        digest.Add(span.mWidth);
        const Rect row(span.mX, span.mY, span.mWidth, 1);
        if (!Empty(row)) {
            bounds = Empty(bounds) ? row : Union(bounds, row);
        }
    }
    if (coverage != nullptr && coverWidth > 0 && coverHeight > 0) {
        digest.AddBytes(coverage,
                        static_cast<size_t>(coverWidth) * static_cast<size_t>(coverHeight));
    }
    Add(digest, bounds, true);
}

void DrawRecorder::Blt(Image* image, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                       DrawMode drawMode) {
    AddPlaced(static_cast<uint64_t>(Call::kBlt), image, x, y, srcRect, color, drawMode);
}

void DrawRecorder::BltMany(std::span<const PlacedBlit> blits, DrawMode drawMode) {
    Digest digest(Call::kMany);
    digest.Add(drawMode);
    Rect bounds;
    // The pictures' digests, kept for the few a batch takes turns with.
    constexpr size_t kKept = 4;
    std::array<std::pair<Image*, uint64_t>, kKept> kept{};
    size_t next = 0;
    const auto pair = [](int32_t a, int32_t b) {
        return (uint64_t{static_cast<uint32_t>(a)} << 32) | static_cast<uint32_t>(b);
    };
    for (const PlacedBlit& blit : blits) {
        uint64_t source = 0;
        const auto* found = std::find_if(kept.begin(), kept.end(), [&](const auto& entry) {
            return entry.first == blit.mImage && entry.second != 0;
        });
        if (found != kept.end()) {
            source = found->second;
        } else {
            Digest picture(Call::kMany);
            AddSource(picture, blit.mImage);
            source = picture.Value();
            kept[next] = {blit.mImage, source};
            next = (next + 1) % kKept;
        }
        digest.Add(source);
        digest.Add(pair(blit.mX, blit.mY));
        digest.Add(pair(blit.mSrcRect.mX, blit.mSrcRect.mY));
        digest.Add(pair(blit.mSrcRect.mWidth, blit.mSrcRect.mHeight));
        digest.Add(pair(blit.mColor.mRed, blit.mColor.mGreen));
        digest.Add(pair(blit.mColor.mBlue, blit.mColor.mAlpha));
        const Rect placed(blit.mX, blit.mY, blit.mSrcRect.mWidth, blit.mSrcRect.mHeight);
        if (!Empty(placed)) {
            bounds = Empty(bounds) ? placed : Union(bounds, placed);
        }
    }
    Add(digest, bounds, false);
}

void DrawRecorder::BltMirror(Image* image, int32_t x, int32_t y, const Rect& srcRect,
                             const Color& color, DrawMode drawMode) {
    AddPlaced(static_cast<uint64_t>(Call::kMirror), image, x, y, srcRect, color, drawMode);
}

void DrawRecorder::AddPlaced(uint64_t call, Image* image, int32_t x, int32_t y, const Rect& srcRect,
                             const Color& color, DrawMode drawMode) {
    Digest digest(static_cast<Call>(call));
    AddSource(digest, image);
    digest.Add(x);
    digest.Add(y);
    digest.Add(srcRect);
    digest.Add(color);
    digest.Add(drawMode);
    Add(digest, Rect(x, y, srcRect.mWidth, srcRect.mHeight), false);
}

void DrawRecorder::BltF(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                        const Color& color, DrawMode drawMode) {
    Digest digest(Call::kBltF);
    AddSource(digest, image);
    digest.Add(x);
    digest.Add(y);
    digest.Add(srcRect);
    digest.Add(clipRect);
    digest.Add(color);
    digest.Add(drawMode);
    Add(digest,
        BoxOf(x, y, static_cast<double>(x) + srcRect.mWidth,
              static_cast<double>(y) + srcRect.mHeight, kTransformMargin, clipRect),
        kTransformsWhole);
}

void DrawRecorder::BltRotated(Image* image, float x, float y, const Rect& srcRect,
                              const Rect& clipRect, const Color& color, DrawMode drawMode,
                              double angle, float centerX, float centerY) {
    Digest digest(Call::kRotated);
    AddSource(digest, image);
    digest.Add(x);
    digest.Add(y);
    digest.Add(srcRect);
    digest.Add(clipRect);
    digest.Add(color);
    digest.Add(drawMode);
    digest.Add(angle);
    digest.Add(centerX);
    digest.Add(centerY);
    const FRect box =
        RotatedBlitBox(x, y, srcRect.mWidth, srcRect.mHeight, angle, centerX, centerY);
    const Rect bounds = box.mWidth > 0 && box.mHeight > 0
                            ? BoxOf(box.mX, box.mY, box.mX + box.mWidth, box.mY + box.mHeight,
                                    kTransformMargin, clipRect)
                            : clipRect;
    Add(digest, bounds, kTransformsWhole);
}

void DrawRecorder::StretchBlt(Image* image, const Rect& destRect, const Rect& srcRect,
                              const Rect& clipRect, const Color& color, DrawMode drawMode,
                              bool fastStretch) {
    AddStretched(static_cast<uint64_t>(Call::kStretch), image, destRect, srcRect, clipRect, color,
                 drawMode, fastStretch);
}

void DrawRecorder::StretchBltMirror(Image* image, const Rect& destRect, const Rect& srcRect,
                                    const Rect& clipRect, const Color& color, DrawMode drawMode,
                                    bool fastStretch) {
    AddStretched(static_cast<uint64_t>(Call::kStretchMirror), image, destRect, srcRect, clipRect,
                 color, drawMode, fastStretch);
}

void DrawRecorder::AddStretched(uint64_t call, Image* image, const Rect& destRect,
                                const Rect& srcRect, const Rect& clipRect, const Color& color,
                                DrawMode drawMode, bool fastStretch) {
    Digest digest(static_cast<Call>(call));
    AddSource(digest, image);
    digest.Add(destRect);
    digest.Add(srcRect);
    digest.Add(clipRect);
    digest.Add(color);
    digest.Add(drawMode);
    digest.Add(int32_t{fastStretch});
    Add(digest,
        BoxOf(destRect.mX, destRect.mY, static_cast<double>(destRect.mX) + destRect.mWidth,
              static_cast<double>(destRect.mY) + destRect.mHeight, 1, clipRect),
        kTransformsWhole);
}

void DrawRecorder::BltMatrix(Image* image, float x, float y, const Matrix3x3& matrix,
                             const Rect& clipRect, const Color& color, DrawMode drawMode,
                             const Rect& srcRect, bool blend) {
    Digest digest(Call::kMatrix);
    AddSource(digest, image);
    digest.Add(x);
    digest.Add(y);
    for (const auto& row : matrix.m) {
        for (const float value : row) {
            digest.Add(value);
        }
    }
    digest.Add(clipRect);
    digest.Add(color);
    digest.Add(drawMode);
    digest.Add(srcRect);
    digest.Add(int32_t{blend});
    TexelVertex quad[4];
    MatrixBlitQuad(matrix, x, y, srcRect, quad);
    double minX = quad[0].mX;
    double maxX = quad[0].mX;
    double minY = quad[0].mY;
    double maxY = quad[0].mY;
    for (const TexelVertex& corner : quad) {
        minX = std::min(minX, corner.mX);
        maxX = std::max(maxX, corner.mX);
        minY = std::min(minY, corner.mY);
        maxY = std::max(maxY, corner.mY);
    }
    Add(digest, BoxOf(minX, minY, maxX, maxY, kTransformMargin, clipRect), kTransformsWhole);
}

void DrawRecorder::BltTrianglesTex(Image* texture, const TriVertex (*triangles)[3],
                                   int32_t triangleCount, const Rect& clipRect, const Color& color,
                                   DrawMode drawMode, float tx, float ty, bool blend) {
    Digest digest(Call::kTriangles);
    AddSource(digest, texture);
    digest.Add(clipRect);
    digest.Add(color);
    digest.Add(drawMode);
    digest.Add(tx);
    digest.Add(ty);
    digest.Add(int32_t{blend});
    double minX = std::numeric_limits<double>::infinity();
    double minY = minX;
    double maxX = -minX;
    double maxY = -minX;
    for (int32_t i = 0; i < triangleCount; ++i) {
        for (const TriVertex& vertex : triangles[i]) {
            digest.Add(vertex.x);
            digest.Add(vertex.y);
            digest.Add(vertex.u);
            digest.Add(vertex.v);
            digest.Add(uint64_t{vertex.color});
            minX = std::min(minX, static_cast<double>(vertex.x) + tx);
            maxX = std::max(maxX, static_cast<double>(vertex.x) + tx);
            minY = std::min(minY, static_cast<double>(vertex.y) + ty);
            maxY = std::max(maxY, static_cast<double>(vertex.y) + ty);
        }
    }
    if (triangleCount > 0) {
        Add(digest, BoxOf(minX, minY, maxX, maxY, kTransformMargin, clipRect), kTransformsWhole);
    }
}

std::vector<Rect> DrawRecorder::ChangedAreas(const std::vector<Step>& before,
                                             const std::vector<Step>& after, const Rect& within,
                                             size_t maxAreas) {
    AreaSet areas(maxAreas);
    auto changed = [&](const Step& step) { areas.Add(step.mBounds.Intersection(within)); };
    auto same = [](const Step& a, const Step& b) { return a.mKey == b.mKey && a.mKey != 0; };

    // The calls both draw, in the same order, leave their pixels as they were; every other
    // call's pixels are drawn again.
    const auto beforeKeys = std::make_unique<KeyFilter>(before);
    const auto afterKeys = std::make_unique<KeyFilter>(after);
    size_t i = 0;
    size_t j = 0;
    while (i < before.size() && j < after.size()) {
        if (same(before[i], after[j])) {
            ++i;
            ++j;
            continue;
        }
        size_t skipped = 0;
        bool dropped = false;
        const bool look = afterKeys->MayHold(before[i].mKey) || beforeKeys->MayHold(after[j].mKey);
        for (size_t d = 1; look && d <= kResyncWindow; ++d) {
            if (j + d < after.size() && same(before[i], after[j + d])) {
                skipped = d;
                break;
            }
            if (i + d < before.size() && same(before[i + d], after[j])) {
                skipped = d;
                dropped = true;
                break;
            }
        }
        if (skipped == 0) {
            changed(before[i++]);
            changed(after[j++]);
        } else if (dropped) {
            for (size_t k = 0; k < skipped; ++k) {
                changed(before[i++]);
            }
        } else {
            for (size_t k = 0; k < skipped; ++k) {
                changed(after[j++]);
            }
        }
    }
    for (; i < before.size(); ++i) {
        changed(before[i]);
    }
    for (; j < after.size(); ++j) {
        changed(after[j]);
    }

    // A call that must be drawn whole is taken whole by any area it reaches into.
    for (bool grew = true; grew && !areas.Areas().empty();) {
        grew = false;
        for (const Step& step : after) {
            if (step.mWhole && areas.Swallow(step.mBounds.Intersection(within))) {
                grew = true;
            }
        }
    }
    return areas.Take();
}

}  // namespace Vesk
