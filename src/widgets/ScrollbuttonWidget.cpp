#include "widgets/ScrollbuttonWidget.h"

#include "graphics/Graphics.h"

namespace Vesk {

ScrollbuttonWidget::ScrollbuttonWidget(int id, ButtonListener* listener, int type)
    : ButtonWidget(id, listener), mType(type) {}

void ScrollbuttonWidget::Draw(Graphics* g) {
    const bool pressed = mIsDown && mIsOver && !mDisabled;
    g->SetColor(Color(212, 212, 212));
    g->FillRect(0, 0, mWidth, mHeight);
    const Color grey(132, 132, 132);
    int shift = 0;
    if (pressed) {
        g->SetColor(grey);
        g->DrawRect(0, 0, mWidth - 1, mHeight - 1);
        shift = 1;
    } else {
        g->SetColor(Color(255, 255, 255));
        g->FillRect(1, 1, mWidth - 2, 1);
        g->FillRect(1, 1, 1, mHeight - 2);
        g->SetColor(Color(0, 0, 0));
        g->FillRect(0, mHeight - 1, mWidth, 1);
        g->FillRect(mWidth - 1, 0, 1, mHeight);
        g->SetColor(grey);
        g->FillRect(1, mHeight - 2, mWidth - 2, 1);
        g->FillRect(mWidth - 2, 1, 1, mHeight - 2);
    }

    g->SetColor(mDisabled ? grey : Color(0, 0, 0));
    const int cx = mWidth / 2 + shift;
    const int cy = mHeight / 2 + shift;
    const bool vertical = !mHorizontal && mType != 3 && mType != 4;
    // Rows 1, 3, 5 and 7 pixels long; row 0 is the tip.
    if (vertical) {
        const bool up = mId == 0 || mType == 1;
        for (int row = 0; row < 4; ++row) {
            const int y = up ? cy - 2 + row : cy + 1 - row;
            g->FillRect(cx - row, y, 2 * row + 1, 1);
        }
    } else {
        const bool left = mId == 0 || mType == 3;
        for (int row = 0; row < 4; ++row) {
            const int x = left ? cx - 2 + row : cx + 1 - row;
            g->FillRect(x, cy - row, 1, 2 * row + 1);
        }
    }
}

}  // namespace Vesk
