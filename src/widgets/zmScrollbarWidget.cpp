#include "widgets/zmScrollbarWidget.h"

#include <algorithm>

#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/zmScrollbuttonWidget.h"

namespace Vesk {

namespace {
constexpr int kMinThumb = 8;

int ImageWidth(const Image* image) {
    return image != nullptr ? image->GetWidth() : 0;
}
int ImageHeight(const Image* image) {
    return image != nullptr ? image->GetHeight() : 0;
}
}  // namespace

zmScrollbarWidget::zmScrollbarWidget(ScrollListener* listener)
    : ScrollbarWidget(listener),
      mUpArrow(std::make_unique<zmScrollbuttonWidget>(0, this)),
      mDownArrow(std::make_unique<zmScrollbuttonWidget>(1, this)) {
    RemoveWidget(mUpButton.get());
    RemoveWidget(mDownButton.get());
    mUpArrow->SetDisabled(true);
    mDownArrow->SetDisabled(true);
    AddWidget(mUpArrow.get());
    AddWidget(mDownArrow.get());
}

zmScrollbarWidget::~zmScrollbarWidget() {
    RemoveAllWidgets(false, false);
}

int zmScrollbarWidget::ArrowSize() const {
    return mHorizontal ? mUpArrow->mWidth : mUpArrow->mHeight;
}

int zmScrollbarWidget::GetThumbSize() {
    if (mMaxValue <= mPageSize) {
        return 0;
    }
    const int size = mProportionalThumb
                         ? static_cast<int>(GetTrackSize() * mPageSize / mMaxValue + 0.5)
                         : (mHorizontal ? ImageWidth(mThumbImage) : ImageHeight(mThumbImage));
    return std::max(size, kMinThumb);
}

void zmScrollbarWidget::ClampValue() {
    ScrollbarWidget::ClampValue();
    const bool canScroll = mMaxValue > mPageSize;
    mUpArrow->SetDisabled(!canScroll);
    mDownArrow->SetDisabled(!canScroll);
    if (mInvisIfNoScroll) {
        mUpArrow->SetVisible(canScroll);
        mDownArrow->SetVisible(canScroll);
    }
}

void zmScrollbarWidget::ResizeScrollbar(int x, int y, int width, int height) {
    Resize(x, y, width, height);
    const Image* up = mUpArrow->mButtonImage;
    const Image* down = mDownArrow->mButtonImage;
    mUpArrow->Resize(0, 0, ImageWidth(up), ImageHeight(up));
    if (mHorizontal) {
        mDownArrow->Resize(width - ImageWidth(down), 0, ImageWidth(down), ImageHeight(down));
    } else {
        mDownArrow->Resize(0, height - ImageHeight(down), ImageWidth(down), ImageHeight(down));
    }
}

void zmScrollbarWidget::Draw(Graphics* g) {
    if (mTrackImage == nullptr) {
        ScrollbarWidget::Draw(g);
        return;
    }
    if (mHorizontal) {
        g->DrawImageStretched(mTrackImage, 0, 0, mWidth, mTrackImage->GetHeight());
    } else {
        g->DrawImageStretched(mTrackImage, 0, 0, mTrackImage->GetWidth(), mHeight);
    }
    const int size = GetThumbSize();
    if (mThumbImage != nullptr && size > 0) {
        if (mHorizontal) {
            DrawThumb(g, GetThumbPosition(), 0, size, mHeight);
        } else {
            DrawThumb(g, 0, GetThumbPosition(), mWidth, size);
        }
    }
}

void zmScrollbarWidget::DrawThumb(Graphics* g, int x, int y, int width, int height) {
    if (mThumbImage == nullptr) {
        ScrollbarWidget::DrawThumb(g, x, y, width, height);
        return;
    }
    g->DrawImageStretched(mThumbImage, x, y, width, height);
}

}  // namespace Vesk
