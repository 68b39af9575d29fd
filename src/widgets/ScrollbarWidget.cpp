#include "widgets/ScrollbarWidget.h"

#include <algorithm>

#include "graphics/Graphics.h"
#include "widgets/ScrollListener.h"
#include "widgets/ScrollbuttonWidget.h"

namespace Vesk {

namespace {
constexpr int kPagingDelay = 25;
constexpr int kPagingRepeat = 5;
constexpr int kArrowDelay = 25;
}  // namespace

ScrollbarWidget::ScrollbarWidget(ScrollListener* listener)
    : mUpButton(std::make_unique<ScrollbuttonWidget>(0, this)),
      mDownButton(std::make_unique<ScrollbuttonWidget>(1, this)),
      mScrollListener(listener) {
    SetDisabled(true);
    mUpButton->SetDisabled(true);
    mDownButton->SetDisabled(true);
    AddWidget(mUpButton.get());
    AddWidget(mDownButton.get());
}

ScrollbarWidget::~ScrollbarWidget() {
    // The arrows leave the tree before their storage goes.
    RemoveAllWidgets(false, false);
}

void ScrollbarWidget::SetInvisIfNoScroll(bool invisIfNoScroll) {
    mInvisIfNoScroll = invisIfNoScroll;
    if (mInvisIfNoScroll) {
        SetVisible(false);
        mUpButton->SetVisible(false);
        mDownButton->SetVisible(false);
    }
}

void ScrollbarWidget::SetMaxValue(double maxValue) {
    mMaxValue = maxValue;
    ClampValue();
    MarkDirty();
}

void ScrollbarWidget::SetPageSize(double pageSize) {
    mPageSize = pageSize;
    ClampValue();
    MarkDirty();
}

void ScrollbarWidget::SetValue(double value) {
    mValue = value;
    ClampValue();
    if (mScrollListener != nullptr) {
        mScrollListener->ScrollPosition(mId, mValue);
    }
    MarkDirty();
}

void ScrollbarWidget::SetHorizontal(bool isHorizontal) {
    mHorizontal = isHorizontal;
    mUpButton->mHorizontal = isHorizontal;
    mDownButton->mHorizontal = isHorizontal;
}

void ScrollbarWidget::ResizeScrollbar(int x, int y, int width, int height) {
    Resize(x, y, width, height);
    if (mHorizontal) {
        mUpButton->Resize(0, 0, height, height);
        mDownButton->Resize(width - height, 0, height, height);
    } else {
        mUpButton->Resize(0, 0, width, width);
        mDownButton->Resize(0, height - width, width, width);
    }
}

bool ScrollbarWidget::AtBottom() {
    return mMaxValue - mPageSize - mValue <= 1.0;
}

void ScrollbarWidget::GoToBottom() {
    mValue = mMaxValue - mPageSize;
    ClampValue();
    SetValue(mValue);
}

int ScrollbarWidget::ArrowSize() const {
    return mUpButton->mWidth;
}

int ScrollbarWidget::GetTrackSize() {
    return (mHorizontal ? mWidth : mHeight) - 2 * ArrowSize();
}

int ScrollbarWidget::GetThumbSize() {
    if (mMaxValue <= mPageSize) {
        return 0;
    }
    const int size = static_cast<int>(GetTrackSize() * mPageSize / mMaxValue + 0.5);
    return std::max(size, 8);
}

int ScrollbarWidget::GetThumbPosition() {
    if (mMaxValue <= mPageSize) {
        return ArrowSize();
    }
    // A thumb that fills (or overfills) the track stays at its start.
    const int room = std::max(GetTrackSize() - GetThumbSize(), 0);
    return ArrowSize() + static_cast<int>(room * mValue / (mMaxValue - mPageSize) + 0.5);
}

void ScrollbarWidget::SetThumbPosition(int position) {
    const int room = GetTrackSize() - GetThumbSize();
    if (room <= 0) {
        return;
    }
    SetValue((mMaxValue - mPageSize) * (position - ArrowSize()) / room);
}

int ScrollbarWidget::ThumbCompare(int x, int y) {
    const int along = mHorizontal ? x : y;
    const int position = GetThumbPosition();
    if (along < position) {
        return -1;
    }
    return along >= position + GetThumbSize() ? 1 : 0;
}

void ScrollbarWidget::ClampValue() {
    const double old = mValue;
    mValue = std::max(std::min(mValue, mMaxValue - mPageSize), 0.0);
    const bool canScroll = mMaxValue > mPageSize;
    SetDisabled(!canScroll);
    mUpButton->SetDisabled(!canScroll);
    mDownButton->SetDisabled(!canScroll);
    if (mInvisIfNoScroll) {
        SetVisible(canScroll);
        mUpButton->SetVisible(canScroll);
        mDownButton->SetVisible(canScroll);
    }
    if (mValue != old && mScrollListener != nullptr) {
        mScrollListener->ScrollPosition(mId, mValue);
    }
}

void ScrollbarWidget::MouseDownButton(int x, int y, int button, int clickCount) {
    (void)button;
    (void)clickCount;
    if (!mDisabled) {
        const int compare = ThumbCompare(x, y);
        if (compare == -1) {
            SetValue(mValue - mPageSize);
            mUpdateMode = 1;
            mUpdateAcc = 0;
        } else if (compare == 1) {
            SetValue(mValue + mPageSize);
            mUpdateMode = 2;
            mUpdateAcc = 0;
        } else {
            mPressedOnThumb = true;
            mMouseDownThumbPos = GetThumbPosition();
            mMouseDownX = x;
            mMouseDownY = y;
        }
    }
    mLastMouseX = x;
    mLastMouseY = y;
}

void ScrollbarWidget::MouseDrag(int x, int y) {
    if (mPressedOnThumb) {
        SetThumbPosition(mMouseDownThumbPos + (mHorizontal ? x - mMouseDownX : y - mMouseDownY));
    }
    mLastMouseX = x;
    mLastMouseY = y;
}

void ScrollbarWidget::MouseUpButton(int x, int y, int button, int clickCount) {
    (void)x;
    (void)y;
    (void)button;
    (void)clickCount;
    mUpdateMode = 0;
    mPressedOnThumb = false;
    MarkDirty();
}

void ScrollbarWidget::KeepPaging(int compare, double step) {
    if (ThumbCompare(mLastMouseX, mLastMouseY) != compare) {
        mUpdateMode = 0;
        MarkDirty();
        return;
    }
    if (++mUpdateAcc >= kPagingDelay) {
        SetValue(mValue + step);
        mUpdateAcc = kPagingDelay - kPagingRepeat;
    }
}

void ScrollbarWidget::Update() {
    Widget::Update();
    if (mUpdateMode == 1) {
        KeepPaging(-1, -mPageSize);
    } else if (mUpdateMode == 2) {
        KeepPaging(1, mPageSize);
    }
}

void ScrollbarWidget::ButtonPress(int id) {
    mButtonAcc = 0;
    SetValue(mValue + (id == 0 ? -1.0 : 1.0));
}

void ScrollbarWidget::ButtonDownTick(int id) {
    if (++mButtonAcc >= kArrowDelay) {
        SetValue(mValue + (id == 0 ? -1.0 : 1.0));
        mButtonAcc = kArrowDelay - 1;
    }
}

void ScrollbarWidget::Draw(Graphics* g) {
    const Color pressed(48, 48, 48);
    const Color track(232, 232, 232);
    const int position = GetThumbPosition();
    const int size = GetThumbSize();
    const int length = mHorizontal ? mWidth : mHeight;
    const int across = mHorizontal ? mHeight : mWidth;
    const auto fill = [&](int start, int extent) {
        if (mHorizontal) {
            g->FillRect(start, 0, extent, across);
        } else {
            g->FillRect(0, start, across, extent);
        }
    };
    g->SetColor(mUpdateMode == 1 ? pressed : track);
    fill(0, position);
    if (size > 0) {
        if (mHorizontal) {
            DrawThumb(g, position, 0, size, across);
        } else {
            DrawThumb(g, 0, position, across, size);
        }
    }
    g->SetColor(mUpdateMode == 2 ? pressed : track);
    fill(position + size, length - position - size);
}

void ScrollbarWidget::DrawThumb(Graphics* g, int x, int y, int width, int height) {
    g->SetColor(Color(212, 212, 212));
    g->FillRect(x, y, width, height);
    g->SetColor(Color(255, 255, 255));
    g->FillRect(x + 1, y + 1, width - 2, 1);
    g->FillRect(x + 1, y + 1, 1, height - 2);
    g->SetColor(Color(0, 0, 0));
    g->FillRect(x, y + height - 1, width, 1);
    g->FillRect(x + width - 1, y, 1, height);
    g->SetColor(Color(132, 132, 132));
    g->FillRect(x + 1, y + height - 2, width - 2, 1);
    g->FillRect(x + width - 2, y + 1, 1, height - 2);
}

}  // namespace Vesk
