#pragma once

#include <memory>
#include <string>
#include <vector>

#include "widgets/Widget.h"

namespace Vesk {

class EditListener;
class Font;
class WidgetHost;

// A one-line text field: cursor and selection, sideways scrolling, a blinking cursor, copy,
// cut, paste and a one-step undo through the application's clipboard, and a listener that can
// veto any key, character or resulting text (a veto restores everything).
class EditWidget : public Widget {
public:
    enum ColorIndex {
        COLOR_BKG = 0,
        COLOR_OUTLINE = 1,
        COLOR_TEXT = 2,
        COLOR_HILITE = 3,
        COLOR_HILITE_TEXT = 4
    };

    struct WidthCheck {
        std::unique_ptr<Font> mFont;
        // Below 1: the field's maxPixels applies.
        int mMaxPixels = -1;
    };

    EditWidget(int id, EditListener* listener);
    ~EditWidget() override;

    void MarkDirty() override;
    void Update() override;
    void Draw(Graphics* g) override;
    void Resize(int x, int y, int width, int height) override;
    void GotFocus() override;
    void LostFocus() override;
    void KeyChar(char character) override;
    void KeyDown(int key) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseDownButton(int x, int y, int button, int clickCount) override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;
    void MouseDrag(int x, int y) override;

    virtual void ProcessKey(int key, char character);
    virtual void SelectWordAtCursor();
    // Keeps duplicates; the width-check font, when given, becomes the one width check.
    virtual void SetFont(Font* font, Font* widthCheckFont = nullptr);
    // Selects the whole new text.
    virtual void SetText(const std::string& text, bool leavePos = true);
    virtual bool IsPartOfWord(int character);
    virtual int IndexAtPoint(int x, int y);
    virtual void ScrollToCursor(bool bigJump);

    // The text as drawn: the mask character once per character when masking.
    const std::string& GetDisplayString();
    bool HasSelection() const { return mAnchorPos >= 0 && mAnchorPos != mCursorPos; }

    int mId;
    std::string mString;
    std::string mPasswordDisplayString;
    std::unique_ptr<Font> mFont;
    std::vector<WidthCheck> mWidthCheckList;
    EditListener* mEditListener;
    bool mShowingCursor = false;
    bool mDrawSelOverride = false;
    bool mHadDoubleClick = false;
    int mCursorPos = 0;
    int mAnchorPos = -1;
    int mBlinkAcc = 0;
    int mBlinkDelay = 40;
    int mLeftPos = 0;
    int mMaxChars = -1;
    int mMaxPixels = -1;
    char mPasswordChar = 0;
    std::string mUndoString;
    int mUndoCursor = 0;
    int mUndoAnchor = 0;
    int mLastModifyIdx = 0;

private:
    enum class EditKind { None, Insert, Backspace, Delete };

    // Width of the display text from index from over count characters.
    int DisplayWidth(int from, int count);
    void RemoveSelection();
    // The steps of ProcessKey. ApplyKey changes the text, cursor and selection for one key or
    // character, false when a character is refused; FinishEdit then applies the limits, asks
    // the listener and keeps the undo step. undoBegun: the key starts a new undo step.
    bool ApplyKey(int key, char character, bool shift, bool control, bool* undoBegun);
    void CopySelection(bool cut, bool* undoBegun);
    void Paste();
    void MoveCursor(bool right, bool shift, bool control);
    void EraseAtCursor(bool forward, bool* undoBegun);
    bool InsertCharacter(char character, bool* undoBegun);
    void FinishEdit(const std::string& oldString, int oldCursor, int oldAnchor, bool shift,
                    bool undoBegun);
    void ApplyWidthChecks();
    // Longest prefix of the text whose width in the font stays within the limit.
    void CutToWidth(Font* font, int limit);
    bool IsInsertable(unsigned char c);
    WidgetHost* Host() const;

    EditKind mLastEditKind = EditKind::None;
};

}  // namespace Vesk
