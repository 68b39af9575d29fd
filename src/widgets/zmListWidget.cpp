#include "widgets/zmListWidget.h"

#include <algorithm>

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"

namespace Vesk {

namespace {
constexpr int kMargin = 4;
const Font* gSmallFont = nullptr;
Image* gListSelect = nullptr;
Image* gListItem = nullptr;
}  // namespace

void zmListWidget::SetDefaults(const Font* smallFont, Image* listSelect, Image* listItem) {
    gSmallFont = smallFont;
    gListSelect = listSelect;
    gListItem = listItem;
}

zmListWidget::zmListWidget(int id, ListListener* listener) : ListWidget(id, gSmallFont, listener) {}

zmListWidget::~zmListWidget() = default;

void zmListWidget::SetHiliteImage() {
    mRowImage = gListSelect;
}

void zmListWidget::SetItemImage() {
    mItemImage = gListItem;
}

void zmListWidget::Draw(Graphics* g) {
    g->SetColor(GetColor(COLOR_BKG));
    g->FillRect(0, 0, mWidth, mHeight);
    const int rowHeight = mItemHeight != -1 ? mItemHeight : (mFont ? mFont->GetHeight() : 0);
    if (mFont == nullptr || rowHeight < 1) {
        return;
    }
    g->PushState();
    g->ClipRect(0, kMargin, mWidth, mHeight - 2 * kMargin);
    g->SetFont(mFont.get());
    const int first = std::max(static_cast<int>(mPosition), 0);
    const int last = std::min(first + static_cast<int>(mPageSize), GetLineCount() - 1);
    for (int i = first; i <= last; ++i) {
        const int top = static_cast<int>((i - mPosition) * rowHeight) + kMargin;
        if (i == mSelectIdx || (i == mHiliteIdx && mHiliteRows)) {
            if (mRowImage != nullptr) {
                g->DrawImageStretched(mRowImage, 0, top, mWidth, rowHeight);
            } else {
                g->SetColor(GetColor(COLOR_SELECT));
                g->FillRect(0, top, mWidth, rowHeight);
            }
        }
        Color color = static_cast<size_t>(i) < mLineColors.size()
                          ? mLineColors[static_cast<size_t>(i)]
                          : GetColor(COLOR_TEXT);
        if (i == mHiliteIdx) {
            color = GetColor(COLOR_HILITE);
        } else if (i == mSelectIdx) {
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
        if (mItemImage != nullptr) {
            g->DrawImage(mItemImage, x, top + (rowHeight - mItemImage->GetHeight()) / 2);
            x += mItemImage->GetWidth();
        }
        // A row taller than the font keeps its text in the middle.
        const int centring = (rowHeight - mFont->GetHeight()) / 2;
        g->SetColor(color);
        g->DrawString(text, x, top + centring + mFont->GetAscent());
    }
    g->PopState();
}

}  // namespace Vesk
