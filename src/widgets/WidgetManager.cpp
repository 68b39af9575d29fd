// Input, focus, capture and the modal stack. Every callback into a widget may change the tree:
// after one, a widget the manager still holds is only touched again when it is still the over,
// capture or focus widget, or still in the tree.
#include "widgets/WidgetManager.h"

#include <cstdint>

#include "widgets/Widget.h"

namespace Vesk {

namespace {

constexpr int kKeyTab = 9;
constexpr int kKeyControl = 17;

bool InSubtree(const WidgetContainer& container, const Widget* widget) {
    for (const Widget* child : container.mWidgets) {
        if (child == widget || InSubtree(*child, widget)) {
            return true;
        }
    }
    return false;
}

}  // namespace

WidgetManager::WidgetManager(VeskAppBase* app) : mApp(app) {
    mWidgetManager = this;
}

WidgetManager::~WidgetManager() {
    RemoveAllWidgets(false, false);
}

int WidgetManager::ButtonBit(int clickCount) {
    if (clickCount < 0) {
        return 2;
    }
    if (clickCount == 3) {
        return 4;
    }
    return 1;
}

int WidgetManager::GetWidgetFlags() const {
    return mHasFocus ? mWidgetFlags : mLostFocusFlagsMod.Apply(mWidgetFlags);
}

bool WidgetManager::IsInTree(const Widget* widget) const {
    return widget != nullptr && InSubtree(*this, widget);
}

bool WidgetManager::IsReachable(const Widget* widget) const {
    if (!IsInTree(widget)) {
        return false;
    }
    for (const WidgetContainer* up = widget; up != this; up = up->mParent) {
        if (static_cast<const Widget*>(up)->mRemoving) {
            return false;
        }
    }
    return true;
}

void WidgetManager::ForgetWidgetsOutsideTree() {
    auto gone = [this](const Widget* widget) { return widget != nullptr && !IsInTree(widget); };
    if (gone(mOverWidget)) {
        mOverWidget = nullptr;
    }
    if (gone(mLastDownWidget)) {
        mLastDownWidget = nullptr;
        mDownButtons = 0;
    }
    if (gone(mFocusWidget)) {
        mFocusWidget = nullptr;
    }
    if (gone(mBaseModalWidget)) {
        mBaseModalWidget = nullptr;
    }
    if (gone(mPopupCommandWidget)) {
        mPopupCommandWidget = nullptr;
    }
    for (PreModalInfo& info : mPreModalInfoList) {
        if (gone(info.mPrevBaseModalWidget)) {
            info.mPrevBaseModalWidget = nullptr;
        }
        if (gone(info.mPrevFocusWidget)) {
            info.mPrevFocusWidget = nullptr;
        }
    }
    for (DeferredOverlay& overlay : mDeferredOverlayWidgets) {
        if (gone(overlay.mWidget)) {
            overlay.mWidget = nullptr;
        }
    }
}

Widget* WidgetManager::GetAnyWidgetAt(int x, int y, int* widgetX, int* widgetY) {
    int foundX = 0;
    int foundY = 0;
    Widget* found = GetWidgetAtHelper(x, y, GetWidgetFlags(), &foundX, &foundY);
    if (found != nullptr) {
        if (widgetX != nullptr) {
            *widgetX = foundX;
        }
        if (widgetY != nullptr) {
            *widgetY = foundY;
        }
    }
    return found;
}

Widget* WidgetManager::GetWidgetAt(int x, int y, int* widgetX, int* widgetY) {
    int foundX = 0;
    int foundY = 0;
    Widget* found = GetAnyWidgetAt(x, y, &foundX, &foundY);
    if (found == nullptr || found->mDisabled) {
        return nullptr;
    }
    if (widgetX != nullptr) {
        *widgetX = foundX;
    }
    if (widgetY != nullptr) {
        *widgetY = foundY;
    }
    return found;
}

void WidgetManager::RemapMouse(int& x, int& y) {
    // An empty destination (a window not laid out yet) would divide by zero.
    if (mMouseDestRect.mWidth == 0 || mMouseDestRect.mHeight == 0) {
        return;
    }
    x = static_cast<int>((int64_t{x} - mMouseDestRect.mX) * mMouseSourceRect.mWidth /
                             mMouseDestRect.mWidth +
                         mMouseSourceRect.mX);
    y = static_cast<int>((int64_t{y} - mMouseDestRect.mY) * mMouseSourceRect.mHeight /
                             mMouseDestRect.mHeight +
                         mMouseSourceRect.mY);
}

void WidgetManager::SetViewRects(const Rect& sourceRect, const Rect& destRect) {
    mMouseSourceRect = sourceRect;
    mMouseDestRect = destRect;
    mWidth = sourceRect.mWidth + 2 * sourceRect.mX;
    mHeight = sourceRect.mHeight + 2 * sourceRect.mY;
}

void WidgetManager::EnterWidget(Widget* widget) {
    const unsigned before = mDisableCount;
    widget->mIsOver = true;
    widget->MouseEnter();
    if (before != mDisableCount && !IsInTree(widget)) {
        return;
    }
    if (widget->mDoFinger) {
        widget->ShowFinger(true);
    }
}

void WidgetManager::LeaveWidget(Widget* widget) {
    const unsigned before = mDisableCount;
    widget->mIsOver = false;
    widget->MouseLeave();
    if (before != mDisableCount && !IsInTree(widget)) {
        return;
    }
    if (widget->mDoFinger) {
        widget->ShowFinger(false);
    }
}

void WidgetManager::MousePosition(int x, int y) {
    const int lastX = mLastMouseX;
    const int lastY = mLastMouseY;
    mLastMouseX = x;
    mLastMouseY = y;

    int widgetX = 0;
    int widgetY = 0;
    Widget* widget = GetWidgetAt(x, y, &widgetX, &widgetY);
    if (widget == mOverWidget) {
        if ((lastX != x || lastY != y) && widget != nullptr) {
            widget->MouseMove(widgetX, widgetY);
        }
        return;
    }

    if (Widget* old = mOverWidget) {
        mOverWidget = nullptr;
        const unsigned before = mDisableCount;
        LeaveWidget(old);
        // A nested call already chose the new over widget.
        if (mOverWidget != nullptr) {
            return;
        }
        if (before != mDisableCount) {
            widget = GetWidgetAt(x, y, &widgetX, &widgetY);
        }
    }
    mOverWidget = widget;
    if (widget != nullptr) {
        EnterWidget(widget);
        if (mOverWidget == widget) {
            widget->MouseMove(widgetX, widgetY);
        }
    }
}

void WidgetManager::RehupMouse() {
    if (mLastDownWidget != nullptr) {
        if (mOverWidget != nullptr &&
            GetWidgetAt(mLastMouseX, mLastMouseY, nullptr, nullptr) != mLastDownWidget) {
            Widget* old = mOverWidget;
            mOverWidget = nullptr;
            LeaveWidget(old);
        }
    } else if (mMouseIn) {
        MousePosition(mLastMouseX, mLastMouseY);
    }
}

bool WidgetManager::MouseMove(int x, int y) {
    mLastInputUpdateCnt = mUpdateCnt;
    if (mDownButtons != 0) {
        return MouseDrag(x, y);
    }
    mMouseIn = true;
    MousePosition(x, y);
    return true;
}

bool WidgetManager::MouseDrag(int x, int y) {
    mLastInputUpdateCnt = mUpdateCnt;
    mMouseIn = true;
    mLastMouseX = x;
    mLastMouseY = y;

    if (mOverWidget != nullptr && mOverWidget != mLastDownWidget) {
        Widget* old = mOverWidget;
        mOverWidget = nullptr;
        LeaveWidget(old);
    }
    Widget* capture = mLastDownWidget;
    if (capture == nullptr) {
        return true;
    }
    const Point abs = capture->GetAbsPos();
    capture->MouseDrag(x - abs.mX, y - abs.mY);
    if (mLastDownWidget != capture) {
        return true;
    }
    if (GetWidgetAt(x, y, nullptr, nullptr) == capture) {
        if (mOverWidget == nullptr) {
            mOverWidget = capture;
            EnterWidget(capture);
        }
    } else if (Widget* old = mOverWidget) {
        mOverWidget = nullptr;
        LeaveWidget(old);
    }
    return true;
}

bool WidgetManager::MouseDown(int x, int y, int clickCount) {
    mLastInputUpdateCnt = mUpdateCnt;
    const int bit = ButtonBit(clickCount);
    mActualDownButtons |= bit;
    MousePosition(x, y);

    if (mPopupCommandWidget != nullptr && !mPopupCommandWidget->Contains(x, y)) {
        RemovePopupCommandWidget();
    }

    int widgetX = 0;
    int widgetY = 0;
    Widget* target = GetWidgetAt(x, y, &widgetX, &widgetY);
    if (mLastDownWidget != nullptr) {
        target = mLastDownWidget;
        const Point abs = target->GetAbsPos();
        widgetX = x - abs.mX;
        widgetY = y - abs.mY;
    }
    mDownButtons |= bit;
    mLastDownButtonId = clickCount < 0 ? -1 : (clickCount == 3 ? 2 : 1);
    mLastDownWidget = target;
    if (target == nullptr) {
        return true;
    }
    if (target->WantsFocus()) {
        SetFocus(target);
        // The old focus's LostFocus may have taken the widget away.
        if (mLastDownWidget != target) {
            return true;
        }
    }
    target->mIsDown = true;
    target->MouseDown(widgetX, widgetY, clickCount);
    return true;
}

bool WidgetManager::MouseUp(int x, int y, int clickCount) {
    mLastInputUpdateCnt = mUpdateCnt;
    const int bit = ButtonBit(clickCount);
    mActualDownButtons &= ~bit;
    Widget* capture = mLastDownWidget;
    if (capture != nullptr && (mDownButtons & bit) != 0) {
        mDownButtons &= ~bit;
        if (mDownButtons == 0) {
            mLastDownWidget = nullptr;
        }
        capture->mIsDown = false;
        // Relative to the widget itself, as every other mouse event is.
        const Point abs = capture->GetAbsPos();
        capture->MouseUp(x - abs.mX, y - abs.mY, clickCount);
    } else {
        mDownButtons &= ~bit;
    }
    MousePosition(x, y);
    return true;
}

void WidgetManager::SendMouseUps(Widget* widget, int buttons) {
    static constexpr int kBits[3] = {1, 2, 4};
    static constexpr int kClickCounts[3] = {1, -1, 3};
    for (int i = 0; i < 3; ++i) {
        if ((buttons & kBits[i]) == 0) {
            continue;
        }
        const unsigned before = mDisableCount;
        widget->mIsDown = false;
        const Point abs = widget->GetAbsPos();
        widget->MouseUp(mLastMouseX - abs.mX, mLastMouseY - abs.mY, kClickCounts[i]);
        if (before != mDisableCount && !IsInTree(widget)) {
            return;
        }
    }
}

bool WidgetManager::MouseExit(int x, int y) {
    (void)x;
    (void)y;
    mLastInputUpdateCnt = mUpdateCnt;
    mMouseIn = false;
    if (Widget* old = mOverWidget) {
        mOverWidget = nullptr;
        LeaveWidget(old);
    }
    return true;
}

bool WidgetManager::MouseWheel(int delta) {
    mLastInputUpdateCnt = mUpdateCnt;
    if (mFocusWidget != nullptr) {
        mFocusWidget->MouseWheel(delta);
    }
    return true;
}

bool WidgetManager::KeyDown(int key) {
    mLastInputUpdateCnt = mUpdateCnt;
    if (key >= 0 && key < KEY_TABLE_SIZE) {
        mKeyDown[key] = 1;
    }
    if (mFocusWidget != nullptr) {
        mFocusWidget->KeyDown(key);
    }
    return true;
}

bool WidgetManager::KeyUp(int key) {
    mLastInputUpdateCnt = mUpdateCnt;
    if (key >= 0 && key < KEY_TABLE_SIZE) {
        mKeyDown[key] = 0;
    }
    // Ctrl+Tab belongs to the default tab widget, which takes it as a character.
    if (key == kKeyTab && mKeyDown[kKeyControl] != 0) {
        return true;
    }
    if (mFocusWidget != nullptr) {
        mFocusWidget->KeyUp(key);
    }
    return true;
}

bool WidgetManager::KeyChar(char character) {
    mLastInputUpdateCnt = mUpdateCnt;
    if (character == kKeyTab && mKeyDown[kKeyControl] != 0) {
        // The default may have left the tree since it was chosen.
        if (IsInTree(mDefaultTab)) {
            mDefaultTab->KeyChar(character);
        }
        return true;
    }
    if (mFocusWidget != nullptr) {
        mFocusWidget->KeyChar(character);
    }
    return true;
}

void WidgetManager::GotFocus() {
    if (mHasFocus) {
        return;
    }
    mHasFocus = true;
    if (mFocusWidget != nullptr) {
        mFocusWidget->GotFocus();
    }
}

void WidgetManager::LostFocus() {
    if (!mHasFocus) {
        return;
    }
    mActualDownButtons = 0;
    // The keys' releases happen outside the window; the focus must not think them held.
    for (int key = 0; key < KEY_TABLE_SIZE; ++key) {
        if (mKeyDown[key] != 0) {
            KeyUp(key);
        }
    }
    mHasFocus = false;
    if (mFocusWidget != nullptr) {
        mFocusWidget->LostFocus();
    }
}

void WidgetManager::SetFocus(Widget* widget) {
    if (widget == mFocusWidget) {
        return;
    }
    Widget* old = mFocusWidget;
    mFocusWidget = nullptr;
    if (old != nullptr) {
        old->LostFocus();
    }
    // Asked of the tree rather than the widget: a tab link may point at a widget long gone.
    if (IsReachable(widget)) {
        mFocusWidget = widget;
        if (mHasFocus) {
            widget->GotFocus();
        }
    }
}

void WidgetManager::DisableWidget(Widget* widget) {
    if (widget == nullptr) {
        return;
    }
    ++mDisableCount;
    if (mOverWidget == widget) {
        mOverWidget = nullptr;
        LeaveWidget(widget);
    }
    if (mLastDownWidget == widget) {
        const int buttons = mDownButtons;
        mLastDownWidget = nullptr;
        mDownButtons = 0;
        SendMouseUps(widget, buttons);
    }
    if (mFocusWidget == widget) {
        mFocusWidget = nullptr;
        widget->LostFocus();
    }
    if (mBaseModalWidget == widget) {
        mBaseModalWidget = nullptr;
    }
    for (DeferredOverlay& overlay : mDeferredOverlayWidgets) {
        if (overlay.mWidget == widget) {
            overlay.mWidget = nullptr;
        }
    }
}

void WidgetManager::ReleaseMouseCapture() {
    Widget* capture = mLastDownWidget;
    const int buttons = mDownButtons;
    mLastDownWidget = nullptr;
    mDownButtons = 0;
    if (capture != nullptr && buttons != 0) {
        SendMouseUps(capture, buttons);
    }
}

void WidgetManager::SetBaseModal(Widget* widget, const FlagsMod& belowFlagsMod) {
    mBaseModalWidget = widget;
    mBelowModalFlagsMod = belowFlagsMod;
    if (widget == nullptr) {
        return;
    }
    if ((belowFlagsMod.mRemoveFlags & WidgetFlags::kAllowMouse) != 0) {
        if (mOverWidget != nullptr && IsBelow(mOverWidget, widget)) {
            Widget* old = mOverWidget;
            mOverWidget = nullptr;
            LeaveWidget(old);
        }
        if (mLastDownWidget != nullptr && IsBelow(mLastDownWidget, widget)) {
            Widget* capture = mLastDownWidget;
            const int buttons = mDownButtons;
            mLastDownWidget = nullptr;
            mDownButtons = 0;
            SendMouseUps(capture, buttons);
        }
    }
    if ((belowFlagsMod.mRemoveFlags & WidgetFlags::kAllowFocus) != 0 && mFocusWidget != nullptr &&
        IsBelow(mFocusWidget, widget)) {
        Widget* old = mFocusWidget;
        mFocusWidget = nullptr;
        old->LostFocus();
    }
}

void WidgetManager::AddBaseModal(Widget* widget) {
    AddBaseModalWith(widget, mDefaultBelowModalFlagsMod);
}

void WidgetManager::AddBaseModalWith(Widget* widget, const FlagsMod& belowFlagsMod) {
    mPreModalInfoList.push_back(
        PreModalInfo{widget, mBaseModalWidget, mFocusWidget, mBelowModalFlagsMod});
    SetBaseModal(widget, belowFlagsMod);
}

void WidgetManager::RemoveBaseModal(Widget* widget) {
    if (mPreModalInfoList.empty() || mPreModalInfoList.back().mBaseModalWidget != widget) {
        return;
    }
    while (!mPreModalInfoList.empty()) {
        const PreModalInfo info = mPreModalInfoList.back();
        mPreModalInfoList.pop_back();
        SetBaseModal(info.mPrevBaseModalWidget, info.mPrevBelowModalFlagsMod);
        if (mFocusWidget == nullptr && IsReachable(info.mPrevFocusWidget)) {
            mFocusWidget = info.mPrevFocusWidget;
            mFocusWidget->GotFocus();
        }
        // A previous base-modal widget that has gone leaves its own entry to unwind as well.
        if (info.mPrevBaseModalWidget != nullptr) {
            break;
        }
    }
}

void WidgetManager::RemovePopupCommandWidget() {
    Widget* popup = mPopupCommandWidget;
    mPopupCommandWidget = nullptr;
    if (popup != nullptr && popup->mParent != nullptr) {
        popup->mParent->RemoveWidget(popup);
    }
}

}  // namespace Vesk
