#pragma once

#include <memory>
#include <string>
#include <vector>

#include "widgets/ScrollListener.h"
#include "widgets/Widget.h"

namespace Vesk {

class Font;
class ListListener;
class ScrollbarWidget;

// Text lines in a box, one per item height, with a highlighted line under the pointer, a
// selected line and per-line colours. Lists chained side by side act as the columns of one
// table: they add, remove, highlight, select, sort and scroll together.
class ListWidget : public Widget, public ScrollListener {
public:
    enum Justification { JUSTIFY_LEFT = 0, JUSTIFY_CENTER = 1, JUSTIFY_RIGHT = 2 };
    enum ColorIndex {
        COLOR_BKG = 0,
        COLOR_OUTLINE = 1,
        COLOR_TEXT = 2,
        COLOR_HILITE = 3,
        COLOR_SELECT = 4,
        COLOR_SELECT_TEXT = 5
    };

    // Keeps a duplicate of the font; without one the list draws no text.
    ListWidget(int id, const Font* font, ListListener* listener);
    ~ListWidget() override;

    void RemovedFromManager(WidgetManager* manager) override;
    void Draw(Graphics* g) override;
    void OrderInManagerChanged() override;
    using Widget::SetColor;
    void SetColor(int index, const Color& color) override;
    void Resize(int x, int y, int width, int height) override;
    void MouseLeave() override;
    void MouseMove(int x, int y) override;
    void MouseDownButton(int x, int y, int button, int clickCount) override;
    void MouseWheel(int delta) override;

    virtual std::string GetSortKey(int index);
    // Equal keys keep their order.
    virtual void Sort(bool descending);
    // Empty past the list.
    virtual std::string GetLine(int index);
    // Answers the new line's index.
    virtual int AddLine(const std::string& text, bool sorted);
    // Indexes outside the list are ignored, here and below.
    virtual void SetLine(int index, const std::string& text);
    virtual int GetLineCount();
    // -1 when no line is equal.
    virtual int GetLineIdx(const std::string& text);
    virtual void SetColor(const std::string& text, const Color& color);
    virtual void SetLineColor(int index, const Color& color);
    virtual void RemoveLine(int index);
    virtual void RemoveAll();
    virtual int GetOptimalWidth();
    virtual int GetOptimalHeight();
    virtual void SetSelect(int index);

    void ScrollPosition(int id, double position) override;

    int mId;
    std::unique_ptr<Font> mFont;
    // Not owned.
    ScrollbarWidget* mScrollbar = nullptr;
    int mJustify = JUSTIFY_LEFT;
    std::vector<std::string> mLines;
    std::vector<Color> mLineColors;
    double mPosition = 0.0;
    double mPageSize = 0.0;
    int mHiliteIdx = -1;
    int mSelectIdx = -1;
    ListListener* mListener;
    ListWidget* mPrevColumn = nullptr;
    ListWidget* mNextColumn = nullptr;
    // Sort keys put the next column's key first.
    bool mKeyCombine = false;
    bool mDrawOutline = true;
    // Sort keys are left-padded with "0" to this many characters.
    int mKeyWidth = 0;
    int mItemHeight;
    // Highlights the row under the pointer and shows the hand over it.
    bool mHiliteRows = true;

private:
    ListWidget* Head();
    // Pixel height of a row; below 1 the list has no rows.
    int RowHeight() const;
    bool Valid(int index) const { return index >= 0 && index < static_cast<int>(mLines.size()); }
    void SetHilite(int index);
    void UpdateScrollbarMax();
};

}  // namespace Vesk
