#pragma once

namespace Vesk {

// What the widget tree needs of the application that owns it. The application implements it;
// without one (tools, tests) the cursor stays and drawing assumes no 3-D acceleration.
class WidgetHost {
public:
    static constexpr int kCursorPointer = 0;
    static constexpr int kCursorHand = 1;

    virtual ~WidgetHost() = default;

    virtual void SetCursor(int cursorNum) { (void)cursorNum; }
    virtual bool Is3DAccelerated() { return false; }
};

}  // namespace Vesk
