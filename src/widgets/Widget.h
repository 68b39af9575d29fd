#pragma once

#include "widgets/WidgetContainer.h"

namespace Vesk {

// Base of every control, screen and dialog.
class Widget : public WidgetContainer {
public:
    Widget() = default;
    ~Widget() override = default;

    virtual void Resize(int x, int y, int width, int height);
    virtual void Resize(const Rect& rect) { Resize(rect.mX, rect.mY, rect.mWidth, rect.mHeight); }

    bool mVisible = true;
};

}  // namespace Vesk
