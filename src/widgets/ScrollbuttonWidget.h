#pragma once

#include "widgets/ButtonWidget.h"

namespace Vesk {

class ButtonListener;

// The arrow button at each end of a scroll bar: a push button (press, release and a tick for
// every update it is held under the pointer) drawn as a bevelled face with a small arrow.
class ScrollbuttonWidget : public ButtonWidget {
public:
    // type: 0 from the id (0 up or left, else down or right), 1 up, 2 down, 3 left, 4 right.
    ScrollbuttonWidget(int id, ButtonListener* listener, int type = 0);

    void Draw(Graphics* g) override;

    bool mHorizontal = false;
    int mType;
};

}  // namespace Vesk
