#pragma once

#include <cstdint>
#include <vector>

#include "graphics/Rect.h"
#include "widgets/WidgetContainer.h"

namespace Vesk {

class DDImage;
class VeskAppBase;
class Widget;

// Root of the widget tree. The application feeds it every input event and asks it to update
// and draw. This is the part of the manager that the application frame relies on: the key
// table, the mouse position, the held-button mask, the view rectangles and the frame calls.
// Every entry point is virtual so that a test can stand in a recording manager.
class WidgetManager : public WidgetContainer {
public:
    static constexpr int KEY_TABLE_SIZE = 255;

    explicit WidgetManager(VeskAppBase* app);
    ~WidgetManager() override = default;

    // Click counts: 1 left, 2 left double, -1 right, -2 right double, 3 middle.
    virtual bool MouseMove(int x, int y);
    virtual bool MouseDown(int x, int y, int clickCount);
    virtual bool MouseUp(int x, int y, int clickCount);
    virtual bool MouseExit(int x, int y);
    virtual bool MouseWheel(int delta);
    virtual bool KeyDown(int key);
    virtual bool KeyUp(int key);
    virtual bool KeyChar(char character);
    virtual void GotFocus();
    virtual void LostFocus();
    virtual void ReleaseMouseCapture();
    virtual void AddBaseModal(Widget* widget);
    virtual void RemoveBaseModal(Widget* widget);

    // Maps a window point into widget coordinates.
    virtual void RemapMouse(int& x, int& y);
    virtual void SetViewRects(const Rect& sourceRect, const Rect& destRect);

    // One logical update; true when something became dirty.
    virtual bool UpdateFrame();
    virtual bool UpdateFrameF(float fraction);
    // Draws the dirty top-level widgets into the screen image; true when anything was drawn.
    virtual bool DrawScreen();

    // The button bit of a click count: 2 for the right button, 4 for the middle, else 1.
    static int ButtonBit(int clickCount);

    VeskAppBase* mApp = nullptr;
    DDImage* mImage = nullptr;
    Widget* mBaseModalWidget = nullptr;
    std::vector<Widget*> mBaseModalStack;
    Rect mMouseSourceRect;
    Rect mMouseDestRect;
    bool mMouseIn = false;
    bool mHasFocus = true;
    int mLastMouseX = 0;
    int mLastMouseY = 0;
    int mDownButtons = 0;
    int mActualDownButtons = 0;
    int mUpdateCnt = 0;
    uint8_t mKeyDown[KEY_TABLE_SIZE] = {};
};

}  // namespace Vesk
