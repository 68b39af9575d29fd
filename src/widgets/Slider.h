#pragma once

#include "widgets/Widget.h"

namespace Vesk {

class Image;
class SliderListener;

// A thumb moved along a three-cell track image; reports a value from 0.0 to 1.0. Dragging
// reports every change, a click on the track jumps and reports on release.
class Slider : public Widget {
public:
    static constexpr int kCursorDrag = 2;

    // The images a new slider takes; the game points them at its own resources.
    static void SetDefaultImages(Image* track, Image* thumb);

    Slider(int id, SliderListener* listener);

    void Draw(Graphics* g) override;
    void MouseLeave() override;
    void MouseMove(int x, int y) override;
    void MouseDown(int x, int y, int clickCount) override;
    void MouseUpAt(int x, int y) override;
    void MouseDrag(int x, int y) override;
    // Clamped to 0.0-1.0; the listener is not told.
    virtual void SetValue(double value);
    virtual bool HasTransparencies() { return true; }

    SliderListener* mListener;
    double mValue = 0.0;
    int mId;
    Image* mTrackImage;
    Image* mThumbImage;
    bool mDragging = false;
    int mRelX = 0;
    int mRelY = 0;
    bool mHorizontal = true;

private:
    int ThumbSize() const;
    // Offset of the thumb along the slider's axis.
    int ThumbPos() const;
    bool OnThumb(int x, int y) const;
    void SetCursor(int cursor);
};

}  // namespace Vesk
