#pragma once

#include "widgets/Widget.h"

namespace Vesk {

class ButtonListener;
class Image;

// The arrow button at each end of a scroll bar: reports the press and every update it is held
// under the pointer, and draws a bevelled face with a small arrow.
class ScrollbuttonWidget : public Widget {
public:
    // type: 0 from the id (0 up or left, else down or right), 1 up, 2 down, 3 left, 4 right.
    ScrollbuttonWidget(int id, ButtonListener* listener, int type = 0);

    void Update() override;
    void Draw(Graphics* g) override;
    void MouseDownButton(int x, int y, int button, int clickCount) override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;

    int mId;
    ButtonListener* mButtonListener;
    bool mHorizontal = false;
    int mType;
    // Used by the image-skinned arrow; not owned, null when unused.
    Image* mButtonImage = nullptr;
    Image* mOverImage = nullptr;
    Image* mDownImage = nullptr;
    Image* mDisabledImage = nullptr;
};

}  // namespace Vesk
