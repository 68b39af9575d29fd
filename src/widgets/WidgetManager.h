#pragma once

#include <climits>
#include <cstdint>
#include <list>
#include <vector>

#include "graphics/DrawRecorder.h"
#include "graphics/Rect.h"
#include "widgets/WidgetContainer.h"

namespace Vesk {

class DDImage;
class Graphics;
class VeskAppBase;
class Widget;
class WidgetHost;

// One AddBaseModal still in force and what it replaced.
struct PreModalInfo {
    Widget* mBaseModalWidget = nullptr;
    Widget* mPrevBaseModalWidget = nullptr;
    Widget* mPrevFocusWidget = nullptr;
    FlagsMod mPrevBelowModalFlagsMod;
};

struct DeferredOverlay {
    // Null once drawn.
    Widget* mWidget = nullptr;
    int mPriority = 0;
};

// Root of the widget tree. The application feeds it every input event (in widget
// coordinates, after RemapMouse) and asks it to update and draw. It tracks the widget under
// the pointer (over), the widget that took the last press and keeps the mouse until every
// button is up (the capture, last down), the keyboard focus, and a base-modal widget below
// which widgets take neither the mouse nor the focus. Every entry point is virtual so that a
// test can stand in a recording manager. Main thread only.
class WidgetManager : public WidgetContainer {
public:
    static constexpr int KEY_TABLE_SIZE = 255;
    static constexpr int kNoOverlayPriority = INT_MAX;
    // Every overlay the toolkit queues has this priority.
    static constexpr int kOverlayPriority = 2;

    // app: not owned; may be null.
    explicit WidgetManager(VeskAppBase* app);
    // Detaches the widgets; deletes none.
    ~WidgetManager() override;

    // ---- Input, focus, capture and the modal stack (WidgetManager.cpp). ----

    // Click counts: 1 left, 2 left double, -1 right, -2 right double, 3 middle.
    // A move while a button is held is a drag.
    virtual bool MouseMove(int x, int y);
    virtual bool MouseDrag(int x, int y);
    virtual bool MouseDown(int x, int y, int clickCount);
    virtual bool MouseUp(int x, int y, int clickCount);
    virtual bool MouseExit(int x, int y);
    // Notches, positive away from the user; to the focus widget.
    virtual bool MouseWheel(int delta);
    // Windows virtual-key codes; codes outside 0-254 reach the focus but not the key table.
    virtual bool KeyDown(int key);
    virtual bool KeyUp(int key);
    virtual bool KeyChar(char character);
    // Window activation. Losing it sends the focus widget the key-ups of every held key.
    virtual void GotFocus();
    virtual void LostFocus();
    // The capture gets the mouse-ups of its held buttons and is forgotten.
    virtual void ReleaseMouseCapture();
    // Makes the widget base-modal with the default below-modal mod (no mouse, no focus).
    virtual void AddBaseModal(Widget* widget);
    virtual void AddBaseModalWith(Widget* widget, const FlagsMod& belowFlagsMod);
    // Nothing unless the widget's entry is the last; also unwinds the entries below it whose
    // base-modal widget has gone.
    virtual void RemoveBaseModal(Widget* widget);
    virtual void SetBaseModal(Widget* widget, const FlagsMod& belowFlagsMod);
    virtual void RemovePopupCommandWidget();

    // Drops the widget as over, capture, focus and base-modal widget.
    void DisableWidget(Widget* widget) override;
    // Null, or a widget not in this tree, takes the focus from everything.
    void SetFocus(Widget* widget) override;
    // Re-evaluates the over widget after a layout, visibility or tree change.
    virtual void RehupMouse();
    virtual void MousePosition(int x, int y);
    // The enabled widget at the point, with the point relative to it; null when none.
    virtual Widget* GetWidgetAt(int x, int y, int* widgetX, int* widgetY);
    // The same, disabled widgets included.
    virtual Widget* GetAnyWidgetAt(int x, int y, int* widgetX, int* widgetY);
    int GetWidgetFlags() const;
    // True when the widget is somewhere in this tree; never reads the widget itself.
    bool IsInTree(const Widget* widget) const;
    // In the tree and not inside a widget that is being removed: may take the pointer or the
    // focus.
    bool IsReachable(const Widget* widget) const;
    // Drops, without calling them, the over, capture, focus, modal, popup and overlay widgets
    // that are no longer in the tree: a removal's callbacks may have named one, and its owner
    // may delete it as soon as the removal returns.
    void ForgetWidgetsOutsideTree();

    // Maps a window point into widget coordinates; unchanged while the destination is empty.
    virtual void RemapMouse(int& x, int& y);
    // Also sizes the manager: the source plus its offset on both sides.
    virtual void SetViewRects(const Rect& sourceRect, const Rect& destRect);

    // ---- Frame update, draw and deferred overlays (WidgetManagerDraw.cpp). ----

    // One logical update; returns the dirty field, which the toolkit sets and never clears.
    virtual bool UpdateFrame();
    virtual bool UpdateFrameF(float fraction);
    // Draws the dirty top-level widgets, then the overlays, into the screen image; true when
    // a widget was drawn.
    virtual bool DrawScreen();
    // Also forgets the last frame's recording: whatever marks everything may have lost the
    // screen's pixels.
    void MarkAllDirty() override;
    void DeferOverlay(Widget* widget, int priority);
    // What the last DrawScreen drew, in screen image pixels: all of the screen, or the disjoint
    // areas drawn again when only those changed (none when nothing did).
    const std::vector<Rect>& DrawnAreas() const { return mDrawnAreas; }
    // Draws the queued overlays of priorities below the limit, lowest first.
    void FlushDeferredOverlays(int priorityLimit);

    // The button bit of a click count: 2 for the right button, 4 for the middle, else 1.
    static int ButtonBit(int clickCount);

    // Not owned; may be null.
    Widget* mDefaultTab = nullptr;
    // The context of the frame being drawn; null outside DrawScreen.
    Graphics* mCurG = nullptr;
    VeskAppBase* mApp = nullptr;
    // Not owned; may be null. The application's cursor and 3-D flag.
    WidgetHost* mHost = nullptr;
    // Not owned; may be null (nothing shows).
    DDImage* mImage = nullptr;
    Widget* mPopupCommandWidget = nullptr;
    std::vector<DeferredOverlay> mDeferredOverlayWidgets;
    int mMinDeferredOverlayPriority = kNoOverlayPriority;
    bool mHasFocus = true;
    Widget* mFocusWidget = nullptr;
    Widget* mLastDownWidget = nullptr;
    Widget* mOverWidget = nullptr;
    Widget* mBaseModalWidget = nullptr;
    FlagsMod mLostFocusFlagsMod;
    FlagsMod mBelowModalFlagsMod;
    FlagsMod mDefaultBelowModalFlagsMod{0, WidgetFlags::kAllowMouse | WidgetFlags::kAllowFocus};
    std::list<PreModalInfo> mPreModalInfoList;
    Rect mMouseDestRect;
    Rect mMouseSourceRect;
    bool mMouseIn = false;
    int mLastMouseX = 0;
    int mLastMouseY = 0;
    // Bits 1 left, 2 right, 4 middle: held on the capture, and held at all.
    int mDownButtons = 0;
    int mActualDownButtons = 0;
    int mLastInputUpdateCnt = 0;
    uint8_t mKeyDown[KEY_TABLE_SIZE] = {};
    // 1 left, -1 right, 2 middle.
    int mLastDownButtonId = 0;
    int mWidgetFlags = WidgetFlags::kDefault;

private:
    // The frame of a widget alone dirty that asks for it: records its drawing, compares it with
    // the last one, and draws it again only where they differ. False, having drawn nothing,
    // when the frame must be drawn whole.
    bool DrawChangedAreas(const ModalFlags& flags, const Graphics& screen, Widget& widget,
                          bool& drew);
    void EnterWidget(Widget* widget);
    void LeaveWidget(Widget* widget);
    // Mouse-ups for the buttons, left, right, middle; stops when the widget leaves the tree.
    void SendMouseUps(Widget* widget, int buttons);
    ModalFlags InitModalFlags() const;

    // Counts the widgets dropped from the tree, so input paths notice that a callback removed
    // the widget they hold.
    unsigned mDisableCount = 0;
    // The recording of the last frame drawn by changed areas, while the screen still shows it;
    // mRetainedWidget is null once anything else may have drawn there. Compared, never followed.
    const Widget* mRetainedWidget = nullptr;
    const DDImage* mRetainedImage = nullptr;
    Rect mRetainedPlace;
    std::vector<DrawRecorder::Step> mRetainedSteps;
    std::vector<Rect> mDrawnAreas;
    unsigned mOverlaysDeferred = 0;
};

}  // namespace Vesk
