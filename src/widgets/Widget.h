#pragma once

#include <string>
#include <vector>

#include "graphics/Color.h"
#include "graphics/Rect.h"
#include "widgets/WidgetContainer.h"

namespace Vesk {

class Graphics;
class Image;

// Shrink the hit rectangle and the layout area.
struct Insets {
    int mLeft = 0;
    int mTop = 0;
    int mRight = 0;
    int mBottom = 0;
};

// Base of every control, screen and dialog: a container that can be shown, hidden, disabled
// and focused, and that takes mouse and keyboard events from the widget manager. Mouse points
// are relative to the widget's own origin. Deleting a widget that is still in a tree takes it
// out first, so nothing keeps a pointer to it. Main thread only.
class Widget : public WidgetContainer {
public:
    Widget() = default;
    ~Widget() override;

    virtual void OrderInManagerChanged() {}
    virtual void SetVisible(bool isVisible);
    // rows: count rows of r, g, b, a (SetColorsRGB: r, g, b with alpha 255).
    virtual void SetColorsRGBA(const int (*rows)[4], int count);
    virtual void SetColorsRGB(const int (*rows)[3], int count);
    // Grows the list with opaque black up to the index; a negative index is ignored.
    virtual void SetColor(int index, const Color& color);
    virtual const Color& GetColorOr(int index, const Color& fallback) const;
    // Opaque black past the list.
    virtual const Color& GetColor(int index) const;
    virtual void SetDisabled(bool isDisabled);
    virtual void ShowFinger(bool on);
    virtual void ResizeRect(const Rect& rect) {
        Resize(rect.mX, rect.mY, rect.mWidth, rect.mHeight);
    }
    virtual void Resize(int x, int y, int width, int height);
    virtual void Move(int x, int y) { Resize(x, y, mWidth, mHeight); }
    virtual bool WantsFocus() { return mWantsFocus; }
    virtual void DrawOverlayPriority(Graphics* g, int priority);
    virtual void DrawOverlay(Graphics* g) { (void)g; }
    virtual void GotFocus() { mHasFocus = true; }
    virtual void LostFocus() { mHasFocus = false; }
    virtual void KeyChar(char character) { (void)character; }
    // Tab moves the focus to the tab-next widget, Shift+Tab to the tab-previous one.
    virtual void KeyDown(int key);
    virtual void KeyUp(int key) { (void)key; }
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual void MouseMove(int x, int y);
    // button: 0 left, 1 right, 2 middle.
    virtual void MouseDownButton(int x, int y, int button, int clickCount);
    // Click counts as the manager gets them: 1, 2 left, -1, -2 right, 3 middle.
    virtual void MouseDown(int x, int y, int clickCount);
    virtual void MouseUpButton(int x, int y, int button, int clickCount);
    virtual void MouseUp(int x, int y, int clickCount);
    virtual void MouseUpAt(int x, int y);
    virtual void MouseDrag(int x, int y);
    // Wheel notches, positive away from the user.
    virtual void MouseWheel(int delta) { (void)delta; }
    // False lets the point through to the widgets below.
    virtual bool IsPointVisible(int x, int y);

    // y is the baseline; the result is the rectangle the text covers, shadow included.
    virtual Rect WriteCenteredLineShadow(Graphics* g, int y, const std::string& text,
                                         const Color& color, const Color& shadowColor,
                                         Point shadowOffset = Point{1, 2});
    virtual Rect WriteCenteredLine(Graphics* g, int y, const std::string& text);
    // The context's text calls with colour tags honoured for the call.
    virtual int WriteString(Graphics* g, const std::string& text, int x, int y, int width = -1,
                            int justification = 0, bool draw = true, int start = 0,
                            int length = -1);
    virtual int WriteWordWrapped(Graphics* g, const Rect& rect, const std::string& text,
                                 int lineSpacing, int justification);
    virtual int GetWordWrappedHeight(Graphics* g, int width, const std::string& text,
                                     int lineSpacing);
    virtual int GetNumDigits(int number);
    // strip: the ten digits side by side in equal cells.
    virtual void WriteNumberFromStrip(Graphics* g, int number, int x, int y, Image* strip,
                                      int spacing);
    // In the parent's coordinates, half-open.
    virtual bool Contains(int x, int y) const;
    virtual Rect GetInsetRect() const;

    // Queues this widget's overlay with the manager once until it is drawn; nothing while
    // detached.
    void DeferOverlay();
    // The removal sequence: the subtree first, then the manager forgets the widget. Stops
    // early when a callback finishes the same widget's removal itself.
    void WidgetRemovedHelper();

    bool mVisible = true;
    bool mMouseVisible = true;
    bool mDisabled = false;
    bool mHasFocus = false;
    bool mIsDown = false;
    bool mIsOver = false;
    // The widget does not paint all of its rectangle.
    bool mHasTransparencies = false;
    // Its drawing may run several times a frame, with the same pixels and no other effect:
    // when it alone is dirty, the manager draws again only where its picture changed.
    bool mRedrawsChangedAreas = false;
    std::vector<Color> mColors;
    Insets mMouseInsets;
    bool mDoFinger = false;
    bool mWantsFocus = false;
    // Not owned; may be null.
    Widget* mTabPrev = nullptr;
    Widget* mTabNext = nullptr;
    // Set while the removal sequence runs on this widget: its callbacks can change layout or
    // focus while it is still in its parent's list, and neither the pointer nor the focus may
    // land on it or its children then.
    bool mRemoving = false;
};

}  // namespace Vesk
