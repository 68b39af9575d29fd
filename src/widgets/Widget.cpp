#include "widgets/Widget.h"

#include <algorithm>
#include <cstdlib>

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/WidgetHost.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr int kKeyTab = 9;
constexpr int kKeyShift = 16;
constexpr Color kBlack(0, 0, 0, 255);

// Restores the context's colour-tag switch when the call ends.
class ColoredStringScope {
public:
    explicit ColoredStringScope(Graphics* g) : mG(g), mSaved(g->mWriteColoredString) {
        g->mWriteColoredString = true;
    }
    ~ColoredStringScope() { mG->mWriteColoredString = mSaved; }
    ColoredStringScope(const ColoredStringScope&) = delete;
    ColoredStringScope& operator=(const ColoredStringScope&) = delete;

private:
    Graphics* mG;
    bool mSaved;
};

}  // namespace

Widget::~Widget() {
    if (mParent != nullptr) {
        mParent->RemoveWidget(this);
    }
}

void Widget::SetVisible(bool isVisible) {
    if (mVisible == isVisible) {
        return;
    }
    mVisible = isVisible;
    if (isVisible) {
        MarkDirty();
    } else {
        MarkDirtyFull();
    }
    if (mWidgetManager != nullptr) {
        mWidgetManager->RehupMouse();
    }
}

void Widget::SetColorsRGBA(const int (*rows)[4], int count) {
    mColors.clear();
    for (int i = 0; i < count; ++i) {
        SetColor(i, Color(rows[i][0], rows[i][1], rows[i][2], rows[i][3]));
    }
    MarkDirty();
}

void Widget::SetColorsRGB(const int (*rows)[3], int count) {
    mColors.clear();
    for (int i = 0; i < count; ++i) {
        SetColor(i, Color(rows[i][0], rows[i][1], rows[i][2], 255));
    }
    MarkDirty();
}

void Widget::SetColor(int index, const Color& color) {
    if (index < 0) {
        return;
    }
    if (static_cast<size_t>(index) >= mColors.size()) {
        mColors.resize(static_cast<size_t>(index) + 1, kBlack);
    }
    mColors[static_cast<size_t>(index)] = color;
    MarkDirty();
}

const Color& Widget::GetColorOr(int index, const Color& fallback) const {
    if (index < 0 || static_cast<size_t>(index) >= mColors.size()) {
        return fallback;
    }
    return mColors[static_cast<size_t>(index)];
}

const Color& Widget::GetColor(int index) const {
    return GetColorOr(index, kBlack);
}

void Widget::SetDisabled(bool isDisabled) {
    if (mDisabled == isDisabled) {
        return;
    }
    mDisabled = isDisabled;
    if (isDisabled && mWidgetManager != nullptr) {
        mWidgetManager->DisableWidget(this);
    }
    MarkDirty();
    if (!isDisabled && mWidgetManager != nullptr) {
        // The pointer is in the manager's coordinates; nested widgets compare where they are.
        const Point abs = GetAbsPos();
        const int mouseX = mWidgetManager->mLastMouseX;
        const int mouseY = mWidgetManager->mLastMouseY;
        if (Rect(abs.mX, abs.mY, mWidth, mHeight).Contains(mouseX, mouseY)) {
            mWidgetManager->MousePosition(mouseX, mouseY);
        }
    }
}

void Widget::ShowFinger(bool on) {
    if (mWidgetManager != nullptr && mWidgetManager->mHost != nullptr) {
        mWidgetManager->mHost->SetCursor(on ? WidgetHost::kCursorHand : WidgetHost::kCursorPointer);
    }
}

void Widget::Resize(int x, int y, int width, int height) {
    if (mX == x && mY == y && mWidth == width && mHeight == height) {
        return;
    }
    MarkDirtyFull();
    mX = x;
    mY = y;
    mWidth = width;
    mHeight = height;
    MarkDirty();
    if (mWidgetManager != nullptr) {
        mWidgetManager->RehupMouse();
    }
}

void Widget::DrawOverlayPriority(Graphics* g, int priority) {
    (void)priority;
    DrawOverlay(g);
}

void Widget::KeyDown(int key) {
    if (key != kKeyTab || mWidgetManager == nullptr) {
        return;
    }
    Widget* target = mWidgetManager->mKeyDown[kKeyShift] != 0 ? mTabPrev : mTabNext;
    if (target != nullptr) {
        mWidgetManager->SetFocus(target);
    }
}

void Widget::MouseMove(int x, int y) {
    (void)x;
    (void)y;
}

void Widget::MouseDownButton(int x, int y, int button, int clickCount) {
    (void)x;
    (void)y;
    (void)button;
    (void)clickCount;
}

void Widget::MouseDown(int x, int y, int clickCount) {
    if (clickCount == 3) {
        MouseDownButton(x, y, 2, 1);
    } else if (clickCount < 0) {
        MouseDownButton(x, y, 1, -clickCount);
    } else {
        MouseDownButton(x, y, 0, clickCount);
    }
}

void Widget::MouseUpButton(int x, int y, int button, int clickCount) {
    (void)x;
    (void)y;
    (void)button;
    (void)clickCount;
}

void Widget::MouseUp(int x, int y, int clickCount) {
    MouseUpAt(x, y);
    if (clickCount == 3) {
        MouseUpButton(x, y, 2, 1);
    } else if (clickCount < 0) {
        MouseUpButton(x, y, 1, -clickCount);
    } else {
        MouseUpButton(x, y, 0, clickCount);
    }
}

void Widget::MouseUpAt(int x, int y) {
    (void)x;
    (void)y;
}

void Widget::MouseDrag(int x, int y) {
    (void)x;
    (void)y;
}

bool Widget::IsPointVisible(int x, int y) {
    (void)x;
    (void)y;
    return true;
}

Rect Widget::WriteCenteredLineShadow(Graphics* g, int y, const std::string& text,
                                     const Color& color, const Color& shadowColor,
                                     Point shadowOffset) {
    Font* font = g->GetFont();
    const int width = font != nullptr ? font->StringWidth(text) : 0;
    const int x = (mWidth - width) / 2;
    g->SetColor(shadowColor);
    g->DrawString(text, x + shadowOffset.mX, y + shadowOffset.mY);
    g->SetColor(color);
    g->DrawString(text, x, y);
    const int ascent = font != nullptr ? font->GetAscent() : 0;
    const int height = font != nullptr ? font->GetHeight() : 0;
    return Rect(x + std::min(shadowOffset.mX, 0), y + std::min(shadowOffset.mY, 0) - ascent,
                width + std::abs(shadowOffset.mX), height + std::abs(shadowOffset.mY));
}

Rect Widget::WriteCenteredLine(Graphics* g, int y, const std::string& text) {
    Font* font = g->GetFont();
    if (font == nullptr) {
        return Rect(mWidth / 2, y, 0, 0);
    }
    const int width = font->StringWidth(text);
    const int x = (mWidth - width) / 2;
    g->DrawString(text, x, y);
    return Rect(x, y - font->GetAscent(), width, font->GetHeight());
}

int Widget::WriteString(Graphics* g, const std::string& text, int x, int y, int width,
                        int justification, bool draw, int start, int length) {
    const ColoredStringScope scope(g);
    return g->WriteString(text, x, y, width, justification, draw, start, length);
}

int Widget::WriteWordWrapped(Graphics* g, const Rect& rect, const std::string& text,
                             int lineSpacing, int justification) {
    const ColoredStringScope scope(g);
    return g->WriteWordWrapped(rect, text, lineSpacing, justification);
}

int Widget::GetWordWrappedHeight(Graphics* g, int width, const std::string& text, int lineSpacing) {
    return g->GetWordWrappedHeight(text, width, lineSpacing);
}

int Widget::GetNumDigits(int number) {
    int digits = 1;
    for (long long rest = number; rest >= 10; rest /= 10) {
        ++digits;
    }
    return digits;
}

void Widget::WriteNumberFromStrip(Graphics* g, int number, int x, int y, Image* strip,
                                  int spacing) {
    if (strip == nullptr) {
        return;
    }
    // A negative number draws its magnitude: the strip has no minus sign.
    const long long magnitude = std::llabs(static_cast<long long>(number));
    long long divisor = 1;
    while (magnitude / divisor >= 10) {
        divisor *= 10;
    }
    const int cellWidth = strip->GetWidth() / 10;
    int offset = 0;
    for (; divisor > 0; divisor /= 10) {
        const int digit = static_cast<int>(magnitude / divisor % 10);
        Graphics cell(*g);
        cell.ClipRect(x + offset, y, cellWidth, strip->GetHeight());
        cell.DrawImage(strip, x + offset - digit * cellWidth, y);
        offset += cellWidth + spacing;
    }
}

bool Widget::Contains(int x, int y) const {
    return x >= mX && x < mX + mWidth && y >= mY && y < mY + mHeight;
}

Rect Widget::GetInsetRect() const {
    return Rect(mX + mMouseInsets.mLeft, mY + mMouseInsets.mTop,
                mWidth - mMouseInsets.mLeft - mMouseInsets.mRight,
                mHeight - mMouseInsets.mTop - mMouseInsets.mBottom);
}

void Widget::DeferOverlay() {
    if (mWidgetManager == nullptr) {
        return;
    }
    // A frame may draw this widget more than once; its overlay is still drawn once.
    for (const DeferredOverlay& queued : mWidgetManager->mDeferredOverlayWidgets) {
        if (queued.mWidget == this && queued.mPriority == WidgetManager::kOverlayPriority) {
            return;
        }
    }
    mWidgetManager->DeferOverlay(this, WidgetManager::kOverlayPriority);
}

void Widget::WidgetRemovedHelper() {
    WidgetManager* manager = mWidgetManager;
    if (manager == nullptr) {
        return;
    }
    // A nested removal of this widget clears the mark when it is done; the outer one then has
    // nothing left to do, and the widget may already be back somewhere in the tree.
    mRemoving = true;
    const std::vector<Widget*> children(mWidgets.begin(), mWidgets.end());
    for (Widget* child : children) {
        if (HasWidget(child)) {
            child->WidgetRemovedHelper();
        }
        if (!mRemoving) {
            return;
        }
    }
    manager->DisableWidget(this);
    if (!mRemoving) {
        return;
    }
    for (PreModalInfo& info : manager->mPreModalInfoList) {
        if (info.mPrevBaseModalWidget == this) {
            info.mPrevBaseModalWidget = nullptr;
        }
        if (info.mPrevFocusWidget == this) {
            info.mPrevFocusWidget = nullptr;
        }
    }
    RemovedFromManager(manager);
    if (!mRemoving) {
        return;
    }
    MarkDirtyFullChild(this);
    // Also a child that a callback added after the children were told.
    ForgetManager();
    mRemoving = false;
}

}  // namespace Vesk
