#pragma once

#include <memory>

#include "widgets/ButtonListener.h"
#include "widgets/Widget.h"

namespace Vesk {

class ScrollListener;
class ScrollbuttonWidget;

// A scroll bar with an arrow button at each end, a track that pages while pressed and a
// draggable thumb. Value, content length and visible length are in the owner's units.
class ScrollbarWidget : public Widget, public ButtonListener {
public:
    explicit ScrollbarWidget(ScrollListener* listener);
    ~ScrollbarWidget() override;

    void Update() override;
    void Draw(Graphics* g) override;
    void MouseDownButton(int x, int y, int button, int clickCount) override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;
    void MouseDrag(int x, int y) override;

    virtual void SetInvisIfNoScroll(bool invisIfNoScroll);
    virtual void SetMaxValue(double maxValue);
    virtual void SetPageSize(double pageSize);
    // Clamped; the listener always hears the result.
    virtual void SetValue(double value);
    virtual void SetHorizontal(bool isHorizontal);
    virtual void ResizeScrollbar(int x, int y, int width, int height);
    virtual bool AtBottom();
    virtual void GoToBottom();
    virtual void DrawThumb(Graphics* g, int x, int y, int width, int height);
    virtual int GetTrackSize();
    virtual int GetThumbSize();
    virtual int GetThumbPosition();
    virtual void ClampValue();
    virtual void SetThumbPosition(int position);
    // -1 before the thumb, 1 after it, 0 on it (along the bar's axis).
    virtual int ThumbCompare(int x, int y);

    void ButtonPress(int id) override;
    void ButtonDownTick(int id) override;

    std::unique_ptr<ScrollbuttonWidget> mUpButton;
    std::unique_ptr<ScrollbuttonWidget> mDownButton;
    bool mInvisIfNoScroll = false;
    int mId = 1;
    double mValue = 0.0;
    double mMaxValue = 0.0;
    double mPageSize = 0.0;
    bool mHorizontal = false;
    bool mPressedOnThumb = false;
    int mMouseDownThumbPos = 0;
    int mMouseDownX = 0;
    int mMouseDownY = 0;
    int mUpdateMode = 0;
    int mUpdateAcc = 0;
    int mButtonAcc = 0;
    int mLastMouseX = 0;
    int mLastMouseY = 0;
    ScrollListener* mScrollListener;

protected:
    // Length of one arrow along the bar.
    virtual int ArrowSize() const;
    // Pages once more toward the pointer, or stops when the thumb has reached it.
    void KeepPaging(int compare, double step);
};

}  // namespace Vesk
