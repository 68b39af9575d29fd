#include "widgets/ButtonWidget.h"

#include <algorithm>

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/ButtonListener.h"
#include "widgets/WidgetHost.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr int kDefaultColors[6][3] = {{0, 0, 0},       {0, 0, 0},       {0, 0, 0},
                                      {255, 255, 255}, {132, 132, 132}, {212, 212, 212}};

}  // namespace

ButtonWidget::ButtonWidget(int id, ButtonListener* listener) : mId(id), mButtonListener(listener) {
    SetColorsRGB(kDefaultColors, 6);
    mHasAlpha = true;
}

ButtonWidget::~ButtonWidget() = default;

void ButtonWidget::SetFont(Font* font) {
    mFont = font != nullptr ? font->Duplicate() : nullptr;
}

bool ButtonWidget::IsButtonDown() {
    return mIsDown && mIsOver && !mDisabled;
}

Font* ButtonWidget::EnsureFont(int pointSize, int charSet) {
    if (mFont == nullptr && !mLabel.empty() && mWidgetManager != nullptr &&
        mWidgetManager->mHost != nullptr) {
        mFont = mWidgetManager->mHost->CreateSystemFont("Arial Unicode MS", pointSize, charSet);
    }
    return mFont.get();
}

bool ButtonWidget::HoverChangesLook() {
    return mIsDown || HaveOver() || !(GetColor(COLOR_LABEL) == GetColor(COLOR_LABEL_HILITE));
}

void ButtonWidget::SetDisabled(bool isDisabled) {
    Widget::SetDisabled(isDisabled);
    if (HaveDisabled()) {
        MarkDirty();
    }
}

void ButtonWidget::MouseEnter() {
    if (mOverAlphaFadeInSpeed == 0.0 && mOverAlpha > 0.0) {
        mOverAlpha = 0.0;
    }
    if (HoverChangesLook()) {
        MarkDirty();
    }
    if (mButtonListener != nullptr) {
        mButtonListener->ButtonMouseEnter(mId);
    }
}

void ButtonWidget::MouseLeave() {
    if (mOverAlphaSpeed == 0.0 && mOverAlpha > 0.0) {
        mOverAlpha = 0.0;
    } else if (mOverAlphaSpeed > 0.0 && mOverAlpha == 0.0) {
        mOverAlpha = 1.0;  // the hover look fades out from full
    }
    if (HoverChangesLook()) {
        MarkDirty();
    }
    if (mButtonListener != nullptr) {
        mButtonListener->ButtonMouseLeave(mId);
    }
}

void ButtonWidget::MouseMove(int x, int y) {
    if (mButtonListener != nullptr) {
        mButtonListener->ButtonMouseMove(mId, x, y);
    }
}

void ButtonWidget::MouseDownButton(int x, int y, int button, int clickCount) {
    (void)x;
    (void)y;
    (void)button;
    if (mButtonListener != nullptr) {
        mButtonListener->ButtonPressCount(mId, clickCount);
    }
    MarkDirty();
}

void ButtonWidget::MouseUpButton(int x, int y, int button, int clickCount) {
    (void)x;
    (void)y;
    (void)button;
    (void)clickCount;
    // A release away from the button, or into an unfocused window, is no click.
    const bool hasFocus = mWidgetManager == nullptr || mWidgetManager->mHasFocus;
    if (mIsOver && hasFocus && mButtonListener != nullptr) {
        mButtonListener->ButtonDepress(mId);
    }
    MarkDirty();
}

void ButtonWidget::Update() {
    Widget::Update();
    if (mIsDown && mIsOver && mButtonListener != nullptr) {
        mButtonListener->ButtonDownTick(mId);
    }
    if (!mIsOver && !mIsDown) {
        if (mOverAlpha > 0.0) {
            mOverAlpha = mOverAlphaSpeed > 0.0 ? std::max(0.0, mOverAlpha - mOverAlphaSpeed) : 0.0;
            MarkDirty();
        }
    } else if (mIsOver && mOverAlphaFadeInSpeed > 0.0 && mOverAlpha < 1.0) {
        mOverAlpha = std::min(1.0, mOverAlpha + mOverAlphaFadeInSpeed);
        MarkDirty();
    }
}

void ButtonWidget::DrawButtonImage(Graphics* g, Image* image, const Rect& srcRect, int x, int y) {
    if (srcRect.mWidth != 0) {
        if (mButtonImage != nullptr) {
            g->DrawImagePart(mButtonImage, x, y, srcRect);
        }
    } else if (image != nullptr) {
        g->DrawImage(image, x, y);
    }
}

void ButtonWidget::Draw(Graphics* g) {
    if (mBtnNoDraw) {
        return;
    }
    Font* font = EnsureFont(10, 0);
    bool down = mIsDown && mIsOver && !mDisabled;
    down ^= mInverted;

    int labelX = 0;
    int labelY = 0;
    if (font != nullptr) {
        const int labelWidth = font->StringWidth(mLabel);
        if (mLabelJustify == JUSTIFY_CENTER) {
            labelX = (mWidth - labelWidth) / 2;
        } else if (mLabelJustify == JUSTIFY_RIGHT) {
            labelX = mWidth - labelWidth;
        }
        const int ascent = font->GetAscent();
        labelY = (mHeight - ascent / 6 - 1 + ascent) / 2;
    }
    g->SetFont(font);
    const Color& labelColor = GetColor(mIsOver ? COLOR_LABEL_HILITE : COLOR_LABEL);

    if (mButtonImage == nullptr && mDownImage == nullptr) {
        if (!mFrameNoDraw) {
            g->SetColor(GetColor(COLOR_BKG));
            g->FillRect(0, 0, mWidth, mHeight);
        }
        const Color& topLeft = GetColor(down ? COLOR_DARK_OUTLINE : COLOR_LIGHT_OUTLINE);
        const Color& bottomRight = GetColor(down ? COLOR_LIGHT_OUTLINE : COLOR_DARK_OUTLINE);
        if (!mFrameNoDraw) {
            g->SetColor(topLeft);
            g->FillRect(0, 0, mWidth - 1, 1);
            g->FillRect(0, 0, 1, mHeight - 1);
            g->SetColor(bottomRight);
            g->FillRect(0, mHeight - 1, mWidth, 1);
            g->FillRect(mWidth - 1, 0, 1, mHeight);
            g->SetColor(GetColor(COLOR_MEDIUM_OUTLINE));
            if (down) {
                g->FillRect(1, 1, mWidth - 3, 1);
                g->FillRect(1, 1, 1, mHeight - 3);
            } else {
                g->FillRect(1, mHeight - 2, mWidth - 2, 1);
                g->FillRect(mWidth - 2, 1, 1, mHeight - 2);
            }
        }
        g->SetColor(labelColor);
        g->DrawString(mLabel, down ? labelX + 1 : labelX, down ? labelY + 1 : labelY);
        return;
    }

    if (down) {
        if (HaveDown()) {
            DrawButtonImage(g, mDownImage, mDownRect, 0, 0);
        } else if (HaveOver()) {
            DrawButtonImage(g, mOverImage, mOverRect, 1, 1);
        } else {
            DrawButtonImage(g, mButtonImage, mNormalRect, 1, 1);
        }
        g->SetColor(GetColor(COLOR_LABEL_HILITE));
        g->DrawString(mLabel, labelX + 1, labelY + 1);
        return;
    }

    if (mDisabled && HaveDisabled()) {
        DrawButtonImage(g, mDisabledImage, mDisabledRect, 0, 0);
    } else if (mOverAlpha > 0.0 && HaveOver()) {
        if (mOverAlpha < 1.0 && HaveNormal()) {
            DrawButtonImage(g, mButtonImage, mNormalRect, 0, 0);
        }
        g->SetColorizeImages(true);
        g->SetColor(Color(255, 255, 255, static_cast<int>(mOverAlpha * 255)));
        DrawButtonImage(g, mOverImage, mOverRect, 0, 0);
        g->SetColorizeImages(false);
    } else if ((mIsOver || mIsDown) && HaveOver()) {
        DrawButtonImage(g, mOverImage, mOverRect, 0, 0);
    } else {
        DrawButtonImage(g, mButtonImage, mNormalRect, 0, 0);
    }
    g->SetColor(labelColor);
    g->DrawString(mLabel, labelX, labelY);
}

}  // namespace Vesk
