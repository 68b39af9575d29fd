#include "widgets/Slider.h"

#include <algorithm>

#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/SliderListener.h"
#include "widgets/WidgetHost.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {
Image* gDefaultTrack = nullptr;
Image* gDefaultThumb = nullptr;
}  // namespace

void Slider::SetDefaultImages(Image* track, Image* thumb) {
    gDefaultTrack = track;
    gDefaultThumb = thumb;
}

Slider::Slider(int id, SliderListener* listener)
    : mListener(listener), mId(id), mTrackImage(gDefaultTrack), mThumbImage(gDefaultThumb) {}

int Slider::ThumbSize() const {
    if (mThumbImage == nullptr) {
        return 0;
    }
    return mHorizontal ? mThumbImage->GetWidth() : mThumbImage->GetHeight();
}

int Slider::ThumbPos() const {
    const int length = mHorizontal ? mWidth : mHeight;
    return static_cast<int>((length - ThumbSize()) * mValue);
}

bool Slider::OnThumb(int x, int y) const {
    const int along = mHorizontal ? x : y;
    const int pos = ThumbPos();
    return along >= pos && along < pos + ThumbSize();
}

void Slider::SetCursor(int cursor) {
    if (mWidgetManager != nullptr && mWidgetManager->mHost != nullptr) {
        mWidgetManager->mHost->SetCursor(cursor);
    }
}

void Slider::SetValue(double value) {
    mValue = std::clamp(value, 0.0, 1.0);
    MarkDirtyFull();
}

void Slider::Draw(Graphics* g) {
    if (mTrackImage != nullptr) {
        const int cellW = mHorizontal ? mTrackImage->GetWidth() / 3 : mTrackImage->GetWidth();
        const int cellH = mHorizontal ? mTrackImage->GetHeight() : mTrackImage->GetHeight() / 3;
        if (mHorizontal) {
            const int trackY = (mHeight - cellH) / 2;
            g->DrawImagePart(mTrackImage, 0, trackY, Rect(0, 0, cellW, cellH));
            // A track image narrower than three pixels has no middle cell to repeat.
            if (cellW > 0) {
                g->PushState();
                g->ClipRect(cellW, trackY, mWidth - 2 * cellW, cellH);
                const int count = (mWidth - cellW - 1) / cellW;
                for (int i = 0; i < count; ++i) {
                    g->DrawImagePart(mTrackImage, cellW + i * cellW, trackY,
                                     Rect(cellW, 0, cellW, cellH));
                }
                g->PopState();
            }
            g->DrawImagePart(mTrackImage, mWidth - cellW, trackY, Rect(2 * cellW, 0, cellW, cellH));
        } else {
            const int trackX = (mWidth - cellW) / 2;
            g->DrawImagePart(mTrackImage, trackX, 0, Rect(0, 0, cellW, cellH));
            if (cellH > 0) {
                g->PushState();
                g->ClipRect(trackX, cellH, cellW, mHeight - 2 * cellH);
                const int count = (mHeight - cellH - 1) / cellH;
                for (int i = 0; i < count; ++i) {
                    g->DrawImagePart(mTrackImage, trackX, cellH + i * cellH,
                                     Rect(0, cellH, cellW, cellH));
                }
                g->PopState();
            }
            g->DrawImagePart(mTrackImage, trackX, mHeight - cellH,
                             Rect(0, 2 * cellH, cellW, cellH));
        }
    }
    if (mThumbImage != nullptr) {
        if (mHorizontal) {
            g->DrawImage(mThumbImage, ThumbPos(), (mHeight - mThumbImage->GetHeight()) / 2);
        } else {
            g->DrawImage(mThumbImage, (mWidth - mThumbImage->GetWidth()) / 2, ThumbPos());
        }
    }
}

void Slider::MouseLeave() {
    if (!mDragging) {
        SetCursor(WidgetHost::kCursorPointer);
    }
}

void Slider::MouseMove(int x, int y) {
    SetCursor(OnThumb(x, y) ? kCursorDrag : WidgetHost::kCursorPointer);
}

void Slider::MouseDown(int x, int y, int clickCount) {
    (void)clickCount;
    if (OnThumb(x, y)) {
        SetCursor(kCursorDrag);
        mDragging = true;
        const int pos = ThumbPos();
        mRelX = mHorizontal ? x - pos : x;
        mRelY = mHorizontal ? y : y - pos;
        return;
    }
    const int length = mHorizontal ? mWidth : mHeight;
    if (length > 0) {
        SetValue(static_cast<double>(mHorizontal ? x : y) / length);
    }
}

void Slider::MouseDrag(int x, int y) {
    if (!mDragging) {
        return;
    }
    // A thumb as long as the slider leaves no room to move.
    const int room = (mHorizontal ? mWidth : mHeight) - ThumbSize();
    if (room <= 0) {
        return;
    }
    const int along = mHorizontal ? x - mRelX : y - mRelY;
    const double value = std::clamp(static_cast<double>(along) / room, 0.0, 1.0);
    if (value != mValue) {
        mValue = value;
        if (mListener != nullptr) {
            mListener->SliderVal(mId, mValue);
        }
        MarkDirtyFull();
    }
}

void Slider::MouseUpAt(int x, int y) {
    (void)x;
    (void)y;
    mDragging = false;
    SetCursor(WidgetHost::kCursorPointer);
    if (mListener != nullptr) {
        mListener->SliderVal(mId, mValue);
    }
}

}  // namespace Vesk
