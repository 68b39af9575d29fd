#pragma once

#include "graphics/Color.h"
#include "graphics/Rect.h"
#include "widgets/Widget.h"

namespace Vesk {

class CheckboxListener;
class Image;

// A two-state box that toggles on any press and tells its listener.
class Checkbox : public Widget {
public:
    // The image both states take at construction; the game binds its check-box image here.
    inline static Image* sDefaultImage = nullptr;

    Checkbox(int id, CheckboxListener* listener);

    void Draw(Graphics* g) override;
    void MouseDownButton(int x, int y, int button, int clickCount) override;

    virtual void SetChecked(bool checked, bool tellListener = true);
    virtual bool IsChecked() { return mChecked; }

    CheckboxListener* mListener;
    int mId;
    bool mChecked = false;
    Image* mUncheckedImage;
    Image* mCheckedImage;
    Rect mCheckedRect;
    Rect mUncheckedRect;
    Color mOutlineColor{255, 255, 255};
    Color mBkgColor{80, 80, 80};
    Color mCheckColor{255, 255, 0};
};

}  // namespace Vesk
