#include "widgets/WidgetManager.h"

#include <algorithm>

#include "widgets/Widget.h"

namespace Vesk {

WidgetManager::WidgetManager(VeskAppBase* app) : mApp(app) {
    mWidgetManager = this;
}

int WidgetManager::ButtonBit(int clickCount) {
    if (clickCount < 0)
        return 2;
    if (clickCount == 3)
        return 4;
    return 1;
}

bool WidgetManager::MouseMove(int x, int y) {
    mMouseIn = true;
    mLastMouseX = x;
    mLastMouseY = y;
    return true;
}

bool WidgetManager::MouseDown(int x, int y, int clickCount) {
    const int bit = ButtonBit(clickCount);
    mActualDownButtons |= bit;
    mDownButtons |= bit;
    mLastMouseX = x;
    mLastMouseY = y;
    return true;
}

bool WidgetManager::MouseUp(int x, int y, int clickCount) {
    const int bit = ButtonBit(clickCount);
    mActualDownButtons &= ~bit;
    mDownButtons &= ~bit;
    mLastMouseX = x;
    mLastMouseY = y;
    return true;
}

bool WidgetManager::MouseExit(int x, int y) {
    (void)x;
    (void)y;
    mMouseIn = false;
    return true;
}

bool WidgetManager::MouseWheel(int delta) {
    (void)delta;
    return true;
}

bool WidgetManager::KeyDown(int key) {
    if (key >= 0 && key < KEY_TABLE_SIZE)
        mKeyDown[key] = 1;
    return true;
}

bool WidgetManager::KeyUp(int key) {
    if (key >= 0 && key < KEY_TABLE_SIZE)
        mKeyDown[key] = 0;
    return true;
}

bool WidgetManager::KeyChar(char character) {
    (void)character;
    return true;
}

void WidgetManager::GotFocus() {
    mHasFocus = true;
}

void WidgetManager::LostFocus() {
    if (!mHasFocus)
        return;
    mActualDownButtons = 0;
    for (int key = 0; key < KEY_TABLE_SIZE; ++key) {
        if (mKeyDown[key] != 0)
            KeyUp(key);
    }
    mHasFocus = false;
}

void WidgetManager::ReleaseMouseCapture() {
    mDownButtons = 0;
}

void WidgetManager::AddBaseModal(Widget* widget) {
    mBaseModalStack.push_back(mBaseModalWidget);
    mBaseModalWidget = widget;
}

void WidgetManager::RemoveBaseModal(Widget* widget) {
    if (mBaseModalStack.empty() || mBaseModalWidget != widget)
        return;
    mBaseModalWidget = mBaseModalStack.back();
    mBaseModalStack.pop_back();
}

void WidgetManager::RemapMouse(int& x, int& y) {
    if (mMouseDestRect.mWidth != 0)
        x = (x - mMouseDestRect.mX) * mMouseSourceRect.mWidth / mMouseDestRect.mWidth +
            mMouseSourceRect.mX;
    if (mMouseDestRect.mHeight != 0)
        y = (y - mMouseDestRect.mY) * mMouseSourceRect.mHeight / mMouseDestRect.mHeight +
            mMouseSourceRect.mY;
}

void WidgetManager::SetViewRects(const Rect& sourceRect, const Rect& destRect) {
    mMouseSourceRect = sourceRect;
    mMouseDestRect = destRect;
    mWidth = sourceRect.mWidth + 2 * sourceRect.mX;
    mHeight = sourceRect.mHeight + 2 * sourceRect.mY;
}

bool WidgetManager::UpdateFrame() {
    ++mUpdateCnt;
    return mDirty;
}

bool WidgetManager::UpdateFrameF(float fraction) {
    (void)fraction;
    return mDirty;
}

bool WidgetManager::DrawScreen() {
    // Drawing arrives with the widget toolkit; until then a dirty tree counts as drawn.
    const bool drew = mDirty;
    mDirty = false;
    for (Widget* child : mWidgets)
        child->mDirty = false;
    return drew;
}

}  // namespace Vesk
