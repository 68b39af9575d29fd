#include "widgets/ListWidget.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "widgets/ListListener.h"
#include "widgets/ScrollbarWidget.h"
#include "widgets/WidgetHost.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {
constexpr int kMargin = 4;
constexpr double kWheelLines = 5.0;
const char* const kFiller = "-";
}  // namespace

ListWidget::ListWidget(int id, const Font* font, ListListener* listener)
    : mId(id),
      mFont(font != nullptr ? font->Duplicate() : nullptr),
      mListener(listener),
      mItemHeight(mFont != nullptr ? mFont->GetHeight() : -1) {
    static const int kDefaultColors[][3] = {{255, 255, 255}, {255, 255, 255}, {0, 0, 0},
                                            {0, 192, 0},     {0, 0, 128},     {255, 255, 255}};
    SetColorsRGB(kDefaultColors, 6);
}

ListWidget::~ListWidget() {
    // Neighbouring columns must not keep a pointer to a list that is gone.
    if (mPrevColumn != nullptr && mPrevColumn->mNextColumn == this) {
        mPrevColumn->mNextColumn = nullptr;
    }
    if (mNextColumn != nullptr && mNextColumn->mPrevColumn == this) {
        mNextColumn->mPrevColumn = nullptr;
    }
}

ListWidget* ListWidget::Head() {
    ListWidget* head = this;
    while (head->mPrevColumn != nullptr) {
        head = head->mPrevColumn;
    }
    return head;
}

int ListWidget::RowHeight() const {
    if (mItemHeight != -1) {
        return mItemHeight;
    }
    return mFont != nullptr ? mFont->GetHeight() : 0;
}

void ListWidget::RemovedFromManager(WidgetManager* manager) {
    Widget::RemovedFromManager(manager);
    if (mListener != nullptr) {
        mListener->ListClosed(mId);
    }
}

void ListWidget::OrderInManagerChanged() {
    // Keeps the next column and the scroll bar drawn over this list.
    WidgetContainer* parent = WidgetContainer::mParent;
    if (parent == nullptr) {
        return;
    }
    if (mNextColumn != nullptr && mNextColumn->WidgetContainer::mParent == parent) {
        parent->PutInFront(mNextColumn, this);
    }
    if (mScrollbar != nullptr && mScrollbar->mParent == parent) {
        parent->PutInFront(mScrollbar, this);
    }
}

void ListWidget::SetColor(int index, const Color& color) {
    Widget::SetColor(index, color);
    MarkDirty();
}

void ListWidget::Resize(int x, int y, int width, int height) {
    Widget::Resize(x, y, width, height);
    const int rowHeight = RowHeight();
    mPageSize = rowHeight >= 1 && mHeight > rowHeight
                    ? static_cast<double>(mHeight - 2 * kMargin) / rowHeight
                    : 1.0;
    if (mScrollbar != nullptr) {
        mScrollbar->SetPageSize(mPageSize);
    }
}

void ListWidget::SetHilite(int index) {
    for (ListWidget* list = Head(); list != nullptr; list = list->mNextColumn) {
        const int old = list->mHiliteIdx;
        list->mHiliteIdx = index;
        if (old != index && list->mListener != nullptr) {
            list->mListener->ListHiliteChanged(list->mId, old, index);
        }
        list->MarkDirty();
    }
}

void ListWidget::MouseMove(int x, int y) {
    (void)x;
    const int rowHeight = RowHeight();
    int line = -1;
    if (rowHeight >= 1) {
        // Floor, not truncation: the top margin lies above the first line.
        line =
            static_cast<int>(std::floor(static_cast<double>(y - kMargin) / rowHeight + mPosition));
        if (!Valid(line)) {
            line = -1;
        }
    }
    if (line != mHiliteIdx) {
        SetHilite(line);
    }
    ShowFinger(mHiliteIdx != -1 && mHiliteRows);
}

void ListWidget::MouseLeave() {
    for (ListWidget* list = Head(); list != nullptr; list = list->mNextColumn) {
        list->mHiliteIdx = -1;
        list->MarkDirty();
    }
}

void ListWidget::MouseDownButton(int x, int y, int button, int clickCount) {
    (void)x;
    (void)y;
    (void)button;
    if (mHiliteIdx != -1 && mListener != nullptr) {
        mListener->ListClicked(mId, mHiliteIdx, clickCount);
    }
}

void ListWidget::MouseWheel(int delta) {
    if (mScrollbar == nullptr || delta == 0) {
        return;
    }
    mScrollbar->SetValue(mScrollbar->mValue + (delta > 0 ? -kWheelLines : kWheelLines));
}

void ListWidget::ScrollPosition(int id, double position) {
    if (mNextColumn != nullptr) {
        mNextColumn->ScrollPosition(id, position);
    }
    mPosition = position;
    MarkDirty();
}

std::string ListWidget::GetSortKey(int index) {
    std::string key = GetLine(index);
    if (static_cast<int>(key.size()) < mKeyWidth) {
        key.insert(0, static_cast<size_t>(mKeyWidth) - key.size(), '0');
    }
    if (mNextColumn == nullptr) {
        return key;
    }
    return mKeyCombine ? mNextColumn->GetSortKey(index) + key
                       : key + mNextColumn->GetSortKey(index);
}

void ListWidget::Sort(bool descending) {
    const int count = GetLineCount();
    std::vector<std::string> keys(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        keys[static_cast<size_t>(i)] = GetSortKey(i);
    }
    std::vector<size_t> order(keys.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return descending ? keys[b] < keys[a] : keys[a] < keys[b];
    });
    for (ListWidget* list = Head(); list != nullptr; list = list->mNextColumn) {
        if (list->mLines.size() != order.size() || list->mLineColors.size() != order.size()) {
            continue;  // a column out of step is left as it is rather than read past
        }
        std::vector<std::string> lines;
        std::vector<Color> colors;
        lines.reserve(order.size());
        colors.reserve(order.size());
        for (size_t from : order) {
            lines.push_back(std::move(list->mLines[from]));
            colors.push_back(list->mLineColors[from]);
        }
        list->mLines = std::move(lines);
        list->mLineColors = std::move(colors);
        list->MarkDirty();
    }
}

std::string ListWidget::GetLine(int index) {
    return Valid(index) ? mLines[static_cast<size_t>(index)] : std::string();
}

int ListWidget::AddLine(const std::string& text, bool sorted) {
    size_t at = mLines.size();
    if (sorted) {
        at = static_cast<size_t>(std::upper_bound(mLines.begin(), mLines.end(), text) -
                                 mLines.begin());
    }
    for (ListWidget* list = Head(); list != nullptr; list = list->mNextColumn) {
        const size_t where = std::min(at, list->mLines.size());
        list->mLines.insert(list->mLines.begin() + static_cast<std::ptrdiff_t>(where),
                            list == this ? text : std::string(kFiller));
        list->mLineColors.insert(list->mLineColors.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                                 where, list->mLineColors.size())),
                                 GetColor(COLOR_TEXT));
        list->MarkDirty();
    }
    UpdateScrollbarMax();
    return static_cast<int>(at);
}

void ListWidget::SetLine(int index, const std::string& text) {
    if (Valid(index)) {
        mLines[static_cast<size_t>(index)] = text;
        MarkDirty();
    }
}

int ListWidget::GetLineCount() {
    return static_cast<int>(mLines.size());
}

int ListWidget::GetLineIdx(const std::string& text) {
    const auto found = std::find(mLines.begin(), mLines.end(), text);
    return found == mLines.end() ? -1 : static_cast<int>(found - mLines.begin());
}

void ListWidget::SetColor(const std::string& text, const Color& color) {
    SetLineColor(GetLineIdx(text), color);
}

void ListWidget::SetLineColor(int index, const Color& color) {
    if (index < 0) {
        return;
    }
    for (ListWidget* list = Head(); list != nullptr; list = list->mNextColumn) {
        if (index < static_cast<int>(list->mLineColors.size())) {
            list->mLineColors[static_cast<size_t>(index)] = color;
            list->MarkDirty();
        }
    }
}

void ListWidget::RemoveLine(int index) {
    if (index < 0) {
        return;
    }
    for (ListWidget* list = Head(); list != nullptr; list = list->mNextColumn) {
        const auto at = static_cast<size_t>(index);
        if (at < list->mLines.size()) {
            list->mLines.erase(list->mLines.begin() + static_cast<std::ptrdiff_t>(at));
        }
        if (at < list->mLineColors.size()) {
            list->mLineColors.erase(list->mLineColors.begin() + static_cast<std::ptrdiff_t>(at));
        }
        list->MarkDirty();
    }
    UpdateScrollbarMax();
}

void ListWidget::RemoveAll() {
    for (ListWidget* list = Head(); list != nullptr; list = list->mNextColumn) {
        list->mLines.clear();
        list->mLineColors.clear();
        list->mHiliteIdx = -1;
        list->mSelectIdx = -1;
        list->MarkDirty();
    }
    UpdateScrollbarMax();
}

void ListWidget::UpdateScrollbarMax() {
    // The bar may hang on any column, so a line added through another one still counts.
    for (ListWidget* list = Head(); list != nullptr; list = list->mNextColumn) {
        if (list->mScrollbar != nullptr) {
            list->mScrollbar->SetMaxValue(static_cast<double>(list->mLines.size()));
        }
    }
}

int ListWidget::GetOptimalWidth() {
    int widest = 0;
    if (mFont != nullptr) {
        for (const std::string& line : mLines) {
            widest = std::max(widest, static_cast<int>(mFont->StringWidth(line)));
        }
    }
    return widest + 16;
}

int ListWidget::GetOptimalHeight() {
    return RowHeight() * GetLineCount() + 2 * kMargin;
}

void ListWidget::SetSelect(int index) {
    for (ListWidget* list = Head(); list != nullptr; list = list->mNextColumn) {
        list->mSelectIdx = index;
        list->MarkDirty();
    }
}

void ListWidget::Draw(Graphics* g) {
    g->SetColor(GetColor(COLOR_BKG));
    g->FillRect(0, 0, mWidth, mHeight);

    const int rowHeight = RowHeight();
    if (mFont != nullptr && rowHeight >= 1) {
        g->PushState();
        g->ClipRect(0, kMargin, mWidth, mHeight - 2 * kMargin);
        g->SetFont(mFont.get());
        const int first = std::max(static_cast<int>(mPosition), 0);
        const int last = std::min(first + static_cast<int>(mPageSize) + 1, GetLineCount());
        const bool sixColors = mColors.size() >= 6;
        for (int i = first; i < last; ++i) {
            const int top = static_cast<int>((i - mPosition) * rowHeight) + kMargin;
            const bool hilited = i == mHiliteIdx && mHiliteRows;
            if (i == mSelectIdx || hilited) {
                g->SetColor(GetColor(COLOR_SELECT));
                g->FillRect(0, top, mWidth, rowHeight);
            }
            Color color = mLineColors.size() > static_cast<size_t>(i)
                              ? mLineColors[static_cast<size_t>(i)]
                              : GetColor(COLOR_TEXT);
            if (i == mHiliteIdx) {
                color = GetColor(COLOR_HILITE);
            } else if (i == mSelectIdx && sixColors) {
                color = GetColor(COLOR_SELECT_TEXT);
            }
            const std::string& text = mLines[static_cast<size_t>(i)];
            const int textWidth = mFont->StringWidth(text);
            int x = kMargin;
            if (mJustify == JUSTIFY_CENTER) {
                x = (mWidth - textWidth) / 2;
            } else if (mJustify == JUSTIFY_RIGHT) {
                x = mWidth - textWidth - kMargin;
            }
            g->SetColor(color);
            g->DrawString(text, x, top + mFont->GetAscent());
        }
        g->PopState();
    }

    if (mDrawOutline) {
        g->SetColor(GetColor(COLOR_OUTLINE));
        g->DrawRect(0, 0, mWidth - 1, mHeight - 1);
    }
}

}  // namespace Vesk
