#include "graphics/Image.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "graphics/Graphics.h"

namespace Vesk {

void AnimInfo::SetPerFrameDelay(int32_t frame, int32_t delay) {
    if (frame < 0) {
        return;
    }
    const size_t index = static_cast<size_t>(frame);
    if (mPerFrameDelay.size() < index + 1) {
        mPerFrameDelay.resize(index + 1, 0);
    }
    mPerFrameDelay[index] = delay;
}

void AnimInfo::Compute(int32_t celCount, int32_t beginDelay, int32_t endDelay) {
    mFrameCount = celCount < 1 ? 1 : celCount;
    if (mFrameDelay < 1) {
        mFrameDelay = 1;
    }

    if (mAnimType == AnimPingPong && mFrameCount > 1) {
        mFrameMap.clear();
        for (int32_t i = 0; i < celCount; ++i) {
            mFrameMap.push_back(i);
        }
        for (int32_t i = celCount - 2; i >= 1; --i) {
            mFrameMap.push_back(i);
        }
    }
    if (!mFrameMap.empty()) {
        mFrameCount = static_cast<int32_t>(mFrameMap.size());
    }

    if (beginDelay > 0) {
        SetPerFrameDelay(0, beginDelay);
    }
    if (endDelay > 0) {
        SetPerFrameDelay(mFrameCount - 1, endDelay);
    }

    if (!mPerFrameDelay.empty()) {
        mPerFrameDelay.resize(static_cast<size_t>(mFrameCount), 0);
        // Delays come from manifests: the total saturates rather than wrapping.
        int64_t total = 0;
        for (int32_t& delay : mPerFrameDelay) {
            if (delay <= 0) {
                delay = mFrameDelay;
            }
            total = std::min<int64_t>(total + delay, INT32_MAX);
        }
        mTotalTime = static_cast<int32_t>(total);
    } else {
        mTotalTime =
            static_cast<int32_t>(std::min<int64_t>(int64_t{mFrameCount} * mFrameDelay, INT32_MAX));
    }
}

namespace {

uint64_t NextSerial() {
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

Image::Image() : mSerial(NextSerial()) {}

Image::Image(const Image& other)
    : mSerial(NextSerial()),
      mWidth(other.mWidth),
      mHeight(other.mHeight),
      mCelRows(other.mCelRows),
      mCelColumns(other.mCelColumns),
      mAnimInfo(other.mAnimInfo ? std::make_unique<AnimInfo>(*other.mAnimInfo) : nullptr) {}

Image::~Image() = default;

bool Image::PolyFill(const Point*, int32_t, const Rect*, const Color&, DrawMode, int32_t, int32_t,
                     bool) {
    return false;
}

void Image::FillRect(const Rect&, const Color&, DrawMode) {}

void Image::DrawRect(const Rect& rect, const Color& color, DrawMode drawMode) {
    FillRect(Rect(rect.mX, rect.mY, rect.mWidth + 1, 1), color, drawMode);
    FillRect(Rect(rect.mX, rect.mY + rect.mHeight, rect.mWidth + 1, 1), color, drawMode);
    FillRect(Rect(rect.mX, rect.mY + 1, 1, rect.mHeight - 1), color, drawMode);
    FillRect(Rect(rect.mX + rect.mWidth, rect.mY + 1, 1, rect.mHeight - 1), color, drawMode);
}

void Image::ClearRect(const Rect&) {}

void Image::DrawLine(double, double, double, double, const Color&, DrawMode) {}

void Image::DrawLineAA(double, double, double, double, const Color&, DrawMode) {}

void Image::FillScanLines(Span* spans, int32_t spanCount, const Color& color, DrawMode drawMode) {
    for (int32_t i = 0; i < spanCount; ++i) {
        const Span& span = spans[i];
        FillRect(Rect(span.mX, span.mY, span.mWidth, 1), color, drawMode);
    }
}

void Image::FillScanLinesWithCoverage(Span*, int32_t, const Color&, DrawMode, const uint8_t*,
                                      int32_t, int32_t, int32_t, int32_t) {}

void Image::Blt(Image*, int32_t, int32_t, const Rect&, const Color&, DrawMode) {}

void Image::BltMany(std::span<const PlacedBlit> blits, DrawMode drawMode) {
    for (const PlacedBlit& blit : blits) {
        Blt(blit.mImage, blit.mX, blit.mY, blit.mSrcRect, blit.mColor, drawMode);
    }
}

void Image::BltF(Image*, float, float, const Rect&, const Rect&, const Color&, DrawMode) {}

void Image::BltRotated(Image*, float, float, const Rect&, const Rect&, const Color&, DrawMode,
                       double, float, float) {}

void Image::StretchBlt(Image*, const Rect&, const Rect&, const Rect&, const Color&, DrawMode,
                       bool) {}

void Image::BltMatrix(Image*, float, float, const Matrix3x3&, const Rect&, const Color&, DrawMode,
                      const Rect&, bool) {}

void Image::BltTrianglesTex(Image*, const TriVertex (*)[3], int32_t, const Rect&, const Color&,
                            DrawMode, float, float, bool) {}

void Image::BltMirror(Image*, int32_t, int32_t, const Rect&, const Color&, DrawMode) {}

void Image::StretchBltMirror(Image*, const Rect&, const Rect&, const Rect&, const Color&, DrawMode,
                             bool) {}

Rect Image::GetCelRect(int32_t column, int32_t row) const {
    const int32_t celWidth = GetCelWidth();
    const int32_t celHeight = GetCelHeight();
    return Rect(column * celWidth, row * celHeight, celWidth, celHeight);
}

void Image::CopyAttributes(const Image* source) {
    mCelRows = source->mCelRows;
    mCelColumns = source->mCelColumns;
    mAnimInfo = source->mAnimInfo ? std::make_unique<AnimInfo>(*source->mAnimInfo) : nullptr;
}

std::unique_ptr<Graphics> Image::CreateGraphics() {
    return std::make_unique<Graphics>(this);
}

}  // namespace Vesk
