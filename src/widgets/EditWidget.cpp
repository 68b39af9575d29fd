#include "widgets/EditWidget.h"

#include <algorithm>

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "widgets/EditListener.h"
#include "widgets/WidgetHost.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr int kDefaultColors[5][3] = {
    {255, 255, 255}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {255, 255, 255}};

constexpr int kKeyBackspace = 8;
constexpr int kKeyEnter = 13;
constexpr int kKeyShift = 16;
constexpr int kKeyControl = 17;
constexpr int kKeyEnd = 35;
constexpr int kKeyHome = 36;
constexpr int kKeyLeft = 37;
constexpr int kKeyRight = 39;
constexpr int kKeyDelete = 46;
constexpr char kCharCopy = 3;
constexpr char kCharPaste = 22;
constexpr char kCharCut = 24;
constexpr char kCharUndo = 26;
// Text starts this far inside the field, and scrolling keeps this much room on the right.
constexpr int kTextInset = 4;
constexpr int kScrollRoom = 8;
constexpr int kCaretScreenMargin = 10;

}  // namespace

EditWidget::EditWidget(int id, EditListener* listener) : mId(id), mEditListener(listener) {
    SetColorsRGB(kDefaultColors, 5);
    mWantsFocus = true;
}

EditWidget::~EditWidget() = default;

WidgetHost* EditWidget::Host() const {
    return mWidgetManager != nullptr ? mWidgetManager->mHost : nullptr;
}

void EditWidget::MarkDirty() {
    if (GetColor(COLOR_BKG).mAlpha == 255) {
        Widget::MarkDirty();
    } else {
        Widget::MarkDirtyFull();
    }
}

void EditWidget::SetFont(Font* font, Font* widthCheckFont) {
    mFont = font != nullptr ? font->Duplicate() : nullptr;
    mWidthCheckList.clear();
    if (widthCheckFont != nullptr) {
        mWidthCheckList.push_back(WidthCheck{widthCheckFont->Duplicate(), -1});
    }
}

void EditWidget::SetText(const std::string& text, bool leavePos) {
    mString = text;
    mLastEditKind = EditKind::None;
    mCursorPos = static_cast<int>(mString.size());
    mAnchorPos = 0;
    if (leavePos) {
        mLeftPos = 0;
    } else {
        ScrollToCursor(true);
    }
    MarkDirty();
}

const std::string& EditWidget::GetDisplayString() {
    if (mPasswordChar == 0) {
        return mString;
    }
    if (mPasswordDisplayString.size() != mString.size()) {
        mPasswordDisplayString.assign(mString.size(), mPasswordChar);
    }
    return mPasswordDisplayString;
}

bool EditWidget::IsPartOfWord(int c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           (c >= 1040 && c <= 1103);
}

int EditWidget::DisplayWidth(int from, int count) {
    if (mFont == nullptr || count <= 0) {
        return 0;
    }
    const std::string& display = GetDisplayString();
    from = std::clamp(from, 0, static_cast<int>(display.size()));
    return mFont->StringWidth(
        display.substr(static_cast<size_t>(from), static_cast<size_t>(count)));
}

int EditWidget::IndexAtPoint(int x, int y) {
    (void)y;
    const int length = static_cast<int>(mString.size());
    int best = mLeftPos;
    int bestDistance = -1;
    for (int i = mLeftPos; i <= length; ++i) {
        const int edge = kTextInset + DisplayWidth(mLeftPos, i - mLeftPos);
        const int distance = std::abs(edge - x);
        if (bestDistance >= 0 && distance > bestDistance) {
            break;  // edges only move away from here on
        }
        best = i;
        bestDistance = distance;
    }
    return best;
}

void EditWidget::SelectWordAtCursor() {
    const int length = static_cast<int>(mString.size());
    if (mCursorPos < 0 || mCursorPos >= length) {
        return;
    }
    auto at = [this](int i) { return static_cast<unsigned char>(mString[static_cast<size_t>(i)]); };
    mAnchorPos = mCursorPos;
    while (mAnchorPos > 0 && IsPartOfWord(at(mAnchorPos - 1))) {
        --mAnchorPos;
    }
    while (mCursorPos < length && IsPartOfWord(at(mCursorPos))) {
        ++mCursorPos;
    }
}

void EditWidget::ScrollToCursor(bool bigJump) {
    const int step = bigJump ? 10 : 1;
    if (mCursorPos < mLeftPos) {
        mLeftPos = std::max(0, mLeftPos - step * ((mLeftPos - mCursorPos + step - 1) / step));
        MarkDirty();
    }
    const int room = mWidth - kScrollRoom;
    auto tooWide = [&](int left) { return DisplayWidth(left, mCursorPos - left) > room; };
    if (mLeftPos >= mCursorPos || !tooWide(mLeftPos)) {
        return;
    }
    // The first step count that fits, or the cursor itself: a field narrower than the room
    // it keeps must not step forever.
    int low = 1;
    int high = (mCursorPos - mLeftPos + step - 1) / step;
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (tooWide(std::min(mCursorPos, mLeftPos + mid * step))) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    mLeftPos = std::min(mCursorPos, mLeftPos + low * step);
    MarkDirty();
}

void EditWidget::RemoveSelection() {
    const int start = std::min(mCursorPos, mAnchorPos);
    const int end = std::max(mCursorPos, mAnchorPos);
    mString.erase(static_cast<size_t>(start), static_cast<size_t>(end - start));
    mCursorPos = start;
    mAnchorPos = -1;
}

bool EditWidget::IsInsertable(unsigned char c) {
    WidgetHost* host = Host();
    const int highest = host != nullptr && host->AllowsEightBitText() ? 255 : 127;
    if (c < 32 || c > highest || mFont == nullptr) {
        return false;
    }
    return mFont->StringWidth(std::string(1, static_cast<char>(c))) >= 1;
}

void EditWidget::CutToWidth(Font* font, int limit) {
    if (font == nullptr || font->StringWidth(mString) <= limit) {
        return;
    }
    // Widths grow with the prefix, so the longest prefix that fits is found by halving.
    size_t low = 0;
    size_t high = mString.size() - 1;
    while (low < high) {
        const size_t mid = low + (high - low + 1) / 2;
        if (font->StringWidth(mString.substr(0, mid)) <= limit) {
            low = mid;
        } else {
            high = mid - 1;
        }
    }
    mString.resize(low);
}

void EditWidget::ApplyWidthChecks() {
    if (mMaxPixels < 1 && mWidthCheckList.empty()) {
        return;
    }
    for (WidthCheck& check : mWidthCheckList) {
        const int limit = check.mMaxPixels >= 1 ? check.mMaxPixels : mMaxPixels;
        if (limit >= 1) {
            CutToWidth(check.mFont.get(), limit);
        }
    }
    if (mMaxPixels >= 1) {
        CutToWidth(mFont.get(), mMaxPixels);
    }
}

void EditWidget::ProcessKey(int key, char character) {
    if (key == kKeyShift || key == kKeyControl) {
        return;
    }
    const bool shift = mWidgetManager != nullptr && mWidgetManager->mKeyDown[kKeyShift] != 0;
    const bool control = mWidgetManager != nullptr && mWidgetManager->mKeyDown[kKeyControl] != 0;

    const std::string oldString = mString;
    const int oldCursor = mCursorPos;
    const int oldAnchor = mAnchorPos;
    if (shift && mAnchorPos < 0) {
        mAnchorPos = mCursorPos;
    }
    bool undoBegun = false;
    if (!ApplyKey(key, character, shift, control, &undoBegun)) {
        mAnchorPos = oldAnchor;
        return;
    }
    FinishEdit(oldString, oldCursor, oldAnchor, shift, undoBegun);
}

bool EditWidget::ApplyKey(int key, char character, bool shift, bool control, bool* undoBegun) {
    const int length = static_cast<int>(mString.size());
    if ((character == kCharCopy || character == kCharCut) && HasSelection()) {
        CopySelection(character == kCharCut, undoBegun);
    } else if (character == kCharPaste) {
        Paste();
        *undoBegun = true;
    } else if (character == kCharUndo) {
        std::swap(mString, mUndoString);
        std::swap(mCursorPos, mUndoCursor);
        std::swap(mAnchorPos, mUndoAnchor);
        mLastModifyIdx = -1;
        mLastEditKind = EditKind::None;
    } else if (key == kKeyLeft || key == kKeyRight) {
        MoveCursor(key == kKeyRight, shift, control);
    } else if ((key == kKeyBackspace || key == kKeyDelete) && length > 0) {
        EraseAtCursor(key == kKeyDelete, undoBegun);
    } else if (key == kKeyHome) {
        mCursorPos = 0;
    } else if (key == kKeyEnd) {
        mCursorPos = length;
    } else if (key == kKeyEnter) {
        if (mEditListener != nullptr) {
            mEditListener->EditText(mId, mString);
        }
    } else {
        return InsertCharacter(character, undoBegun);
    }
    return true;
}

void EditWidget::CopySelection(bool cut, bool* undoBegun) {
    const int start = std::min(mCursorPos, mAnchorPos);
    const int end = std::max(mCursorPos, mAnchorPos);
    if (WidgetHost* host = Host()) {
        host->CopyToClipboard(
            mString.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)));
    }
    if (cut) {
        RemoveSelection();
        *undoBegun = true;
        mLastEditKind = EditKind::None;
    }
}

void EditWidget::Paste() {
    WidgetHost* host = Host();
    std::string clip = host != nullptr ? host->GetClipboard() : std::string();
    const size_t lineEnd = clip.find_first_of("\r\n");
    if (lineEnd != std::string::npos) {
        clip.resize(lineEnd);
    }
    std::string kept;
    for (const char pasted : clip) {
        // More than the field keeps would be cut anyway.
        if (mMaxChars >= 0 && kept.size() >= static_cast<size_t>(mMaxChars)) {
            break;
        }
        if (IsInsertable(static_cast<unsigned char>(pasted)) &&
            (mEditListener == nullptr || mEditListener->AllowChar(mId, pasted))) {
            kept.push_back(pasted);
        }
    }
    if (HasSelection()) {
        RemoveSelection();
    }
    mString.insert(static_cast<size_t>(mCursorPos), kept);
    mCursorPos += static_cast<int>(kept.size());
    mAnchorPos = -1;
    mLastEditKind = EditKind::None;
}

void EditWidget::MoveCursor(bool right, bool shift, bool control) {
    const int length = static_cast<int>(mString.size());
    auto wordAt = [this](int i) {
        return IsPartOfWord(static_cast<unsigned char>(mString[static_cast<size_t>(i)]));
    };
    if (!right) {
        if (control) {
            while (mCursorPos > 0 && !wordAt(mCursorPos - 1)) {
                --mCursorPos;
            }
            while (mCursorPos > 0 && wordAt(mCursorPos - 1)) {
                --mCursorPos;
            }
        } else if (!shift && HasSelection()) {
            mCursorPos = std::min(mCursorPos, mAnchorPos);
        } else {
            --mCursorPos;
        }
    } else if (control) {
        while (mCursorPos < length && wordAt(mCursorPos)) {
            ++mCursorPos;
        }
        while (mCursorPos < length && !wordAt(mCursorPos)) {
            ++mCursorPos;
        }
    } else if (!shift && HasSelection()) {
        mCursorPos = std::max(mCursorPos, mAnchorPos);
    } else {
        ++mCursorPos;
    }
}

void EditWidget::EraseAtCursor(bool forward, bool* undoBegun) {
    if (HasSelection()) {
        RemoveSelection();
        *undoBegun = true;
        mLastEditKind = EditKind::None;
        return;
    }
    if (forward ? mCursorPos >= static_cast<int>(mString.size()) : mCursorPos <= 0) {
        return;
    }
    // A run of erasures in one direction from where the last one left off is one undo step.
    const EditKind kind = forward ? EditKind::Delete : EditKind::Backspace;
    if (mLastEditKind != kind || mCursorPos != mLastModifyIdx) {
        *undoBegun = true;
    }
    const int at = forward ? mCursorPos : mCursorPos - 1;
    mString.erase(static_cast<size_t>(at), 1);
    mLastModifyIdx = at;
    mCursorPos = at;
    mLastEditKind = kind;
}

bool EditWidget::InsertCharacter(char character, bool* undoBegun) {
    if (!IsInsertable(static_cast<unsigned char>(character)) ||
        (mEditListener != nullptr && !mEditListener->AllowChar(mId, character))) {
        return false;
    }
    if (HasSelection()) {
        RemoveSelection();
        *undoBegun = true;
    } else if (mLastEditKind != EditKind::Insert || mCursorPos != mLastModifyIdx + 1) {
        *undoBegun = true;
    }
    mString.insert(static_cast<size_t>(mCursorPos), 1, character);
    mLastModifyIdx = mCursorPos;
    ++mCursorPos;
    mAnchorPos = -1;
    mLastEditKind = EditKind::Insert;
    ScrollToCursor(false);
    return true;
}

void EditWidget::FinishEdit(const std::string& oldString, int oldCursor, int oldAnchor, bool shift,
                            bool undoBegun) {
    if (mMaxChars >= 0 && mString.size() > static_cast<size_t>(mMaxChars)) {
        mString.resize(static_cast<size_t>(mMaxChars));
    }
    ApplyWidthChecks();
    const int newLength = static_cast<int>(mString.size());
    mCursorPos = std::clamp(mCursorPos, 0, newLength);
    if (mAnchorPos >= 0) {
        mAnchorPos = std::min(mAnchorPos, newLength);
    }
    if (mCursorPos != oldCursor) {
        mBlinkAcc = 0;
        mShowingCursor = true;
    }
    ScrollToCursor(true);
    if (!shift || mAnchorPos == mCursorPos) {
        mAnchorPos = -1;
    }

    if (mEditListener != nullptr && !mEditListener->AllowText(mId, mString)) {
        mString = oldString;
        mCursorPos = oldCursor;
        mAnchorPos = oldAnchor;
        mLastEditKind = EditKind::None;
        ScrollToCursor(true);
    } else if (undoBegun) {
        mUndoString = oldString;
        mUndoCursor = oldCursor;
        mUndoAnchor = oldAnchor;
    }
    MarkDirty();
}

void EditWidget::KeyDown(int key) {
    // Letters come as characters through KeyChar.
    const bool letter = key >= 65 && key <= 89;
    if (!letter && (mEditListener == nullptr || mEditListener->AllowKey(mId, key))) {
        ProcessKey(key, 0);
    }
    Widget::KeyDown(key);
}

void EditWidget::KeyChar(char character) {
    ProcessKey(0, character);
}

void EditWidget::Resize(int x, int y, int width, int height) {
    Widget::Resize(x, y, width, height);
    mLeftPos = 0;
    ScrollToCursor(true);
}

void EditWidget::GotFocus() {
    Widget::GotFocus();
    WidgetHost* host = Host();
    if (host != nullptr && host->WantsSystemCaret()) {
        host->CreateCaret(1, mFont != nullptr ? mFont->GetHeight() : mHeight);
        host->ShowCaret();
    }
    mShowingCursor = true;
    mBlinkAcc = 0;
    MarkDirty();
}

void EditWidget::LostFocus() {
    Widget::LostFocus();
    WidgetHost* host = Host();
    if (host != nullptr && host->WantsSystemCaret()) {
        host->HideCaret();
        host->DestroyCaret();
    }
    mShowingCursor = false;
    MarkDirty();
}

void EditWidget::Update() {
    Widget::Update();
    if (!mHasFocus) {
        return;
    }
    WidgetHost* host = Host();
    if (host != nullptr && host->WantsSystemCaret() && mWidgetManager != nullptr) {
        const Point pos = GetAbsPos();
        const int maxX = std::max(kCaretScreenMargin, mWidgetManager->mWidth - kCaretScreenMargin);
        const int maxY = std::max(kCaretScreenMargin, mWidgetManager->mHeight - kCaretScreenMargin);
        host->SetCaretPos(std::clamp(pos.mX, kCaretScreenMargin, maxX),
                          std::clamp(pos.mY, kCaretScreenMargin, maxY));
    }
    if (++mBlinkAcc > mBlinkDelay) {
        mBlinkAcc = 0;
        mShowingCursor = !mShowingCursor;
        MarkDirty();
    }
}

void EditWidget::MouseEnter() {
    Widget::MouseEnter();
    if (WidgetHost* host = Host()) {
        host->SetCursor(WidgetHost::kCursorText);
    }
}

void EditWidget::MouseLeave() {
    Widget::MouseLeave();
    if (WidgetHost* host = Host()) {
        host->SetCursor(WidgetHost::kCursorPointer);
    }
}

void EditWidget::MouseDownButton(int x, int y, int button, int clickCount) {
    Widget::MouseDownButton(x, y, button, clickCount);
    mAnchorPos = -1;
    mCursorPos = IndexAtPoint(x, y);
    if (clickCount > 1) {
        mHadDoubleClick = true;
        SelectWordAtCursor();
    }
    MarkDirty();
    ScrollToCursor(false);
}

void EditWidget::MouseUpButton(int x, int y, int button, int clickCount) {
    Widget::MouseUpButton(x, y, button, clickCount);
    if (mAnchorPos == mCursorPos) {
        mAnchorPos = -1;
    }
    if (mHadDoubleClick) {
        mCursorPos = IndexAtPoint(x, y);
        mHadDoubleClick = false;
        SelectWordAtCursor();
    }
    MarkDirty();
}

void EditWidget::MouseDrag(int x, int y) {
    Widget::MouseDrag(x, y);
    if (mAnchorPos < 0) {
        mAnchorPos = mCursorPos;
    }
    mCursorPos = IndexAtPoint(x, y);
    MarkDirty();
    ScrollToCursor(false);
}

void EditWidget::Draw(Graphics* g) {
    if (mFont == nullptr) {
        if (WidgetHost* host = Host()) {
            mFont = host->CreateSystemFont("Arial Unicode MS", 10, 0);
        }
    }
    g->SetColor(GetColor(COLOR_BKG));
    g->FillRect(0, 0, mWidth, mHeight);

    if (mFont != nullptr) {
        const std::string& display = GetDisplayString();
        const std::string visible =
            display.substr(static_cast<size_t>(std::min<int>(mLeftPos, display.size())));
        const int top = (mHeight - mFont->GetHeight()) / 2;
        const int baseline = top + mFont->GetAscent();
        g->SetFont(mFont.get());

        g->PushState();
        g->ClipRect(kTextInset, 0, mWidth - 2 * kTextInset, mHeight);
        g->SetColor(GetColor(COLOR_TEXT));
        g->DrawString(visible, kTextInset, baseline);
        g->PopState();

        auto edgeOf = [&](int index) {
            const int edge = index >= mLeftPos ? DisplayWidth(mLeftPos, index - mLeftPos)
                                               : -DisplayWidth(index, mLeftPos - index);
            return std::clamp(edge + kTextInset, 0, std::max(0, mWidth - 2 * kTextInset));
        };
        int left = edgeOf(mCursorPos);
        int right = left + (mShowingCursor ? 2 : 0);
        if (mAnchorPos >= 0) {
            const int anchorEdge = edgeOf(mAnchorPos);
            right = std::max(left, anchorEdge);
            left = std::min(left, anchorEdge);
        }
        g->PushState();
        g->ClipRect(left, top, right - left, mFont->GetHeight());
        if (mHasFocus || mDrawSelOverride) {
            g->SetColor(GetColor(COLOR_HILITE));
            g->FillRect(0, 0, mWidth, mHeight);
            g->SetColor(GetColor(COLOR_HILITE_TEXT));
        } else {
            g->SetColor(GetColor(COLOR_TEXT));
        }
        g->DrawString(visible, kTextInset, baseline);
        g->PopState();
    }

    g->SetColor(GetColor(COLOR_OUTLINE));
    g->DrawRect(0, 0, mWidth - 1, mHeight - 1);
}

}  // namespace Vesk
