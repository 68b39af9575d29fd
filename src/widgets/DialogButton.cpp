#include "widgets/DialogButton.h"

#include "graphics/Font.h"
#include "graphics/Graphics.h"

namespace Vesk {

namespace {

constexpr int kDefaultColors[6][3] = {{255, 255, 255}, {255, 255, 255}, {0, 0, 0},
                                      {255, 255, 255}, {132, 132, 132}, {212, 212, 212}};

}  // namespace

DialogButton::DialogButton(Image* componentImage, int id, ButtonListener* listener)
    : ButtonWidget(id, listener), mComponentImage(componentImage) {
    SetColorsRGB(kDefaultColors, 6);
    mDoFinger = true;
}

void DialogButton::Draw(Graphics* g) {
    if (mBtnNoDraw) {
        return;
    }
    if (mComponentImage == nullptr) {
        ButtonWidget::Draw(g);
        return;
    }
    Font* font = EnsureFont(12, 1);
    const bool down = IsButtonDown();
    const Rect box(0, 0, mWidth, mHeight);

    if (mNormalRect.mWidth == 0) {
        if (down) {
            g->Translate(mTranslateX, mTranslateY);
        }
        g->DrawImageBox(box, mComponentImage);
    } else {
        if (mDisabled && mDisabledRect.mWidth > 0 && mDisabledRect.mHeight > 0) {
            g->DrawImageBoxPart(box, mDisabledRect, mComponentImage);
        } else if (down) {
            g->DrawImageBoxPart(box, mDownRect, mComponentImage);
        } else if (mOverAlpha > 0.0) {
            if (mOverAlpha < 1.0) {
                g->DrawImageBoxPart(box, mNormalRect, mComponentImage);
            }
            g->SetColorizeImages(true);
            g->SetColor(Color(255, 255, 255, static_cast<int>(mOverAlpha * 255)));
            g->DrawImageBoxPart(box, mOverRect, mComponentImage);
            g->SetColorizeImages(false);
        } else if (mIsOver) {
            g->DrawImageBoxPart(box, mOverRect, mComponentImage);
        } else {
            g->DrawImageBoxPart(box, mNormalRect, mComponentImage);
        }
        if (down) {
            g->Translate(mTranslateX, mTranslateY);
        }
    }

    if (font != nullptr) {
        g->SetFont(font);
        g->SetColor(GetColor(mIsOver ? COLOR_LABEL_HILITE : COLOR_LABEL));
        const int ascent = font->GetAscent();
        const int x = (mWidth - font->StringWidth(mLabel)) / 2 + mTextOffsetX;
        const int y =
            (mHeight - ascent / 6 - font->GetAscentPadding() - 1 + ascent) / 2 + mTextOffsetY;
        g->DrawString(mLabel, x, y);
    }
    if (down) {
        g->Translate(-mTranslateX, -mTranslateY);
    }
}

}  // namespace Vesk
