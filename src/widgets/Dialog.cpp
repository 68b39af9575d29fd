#include "widgets/Dialog.h"

#include <algorithm>

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "widgets/DialogButton.h"
#include "widgets/DialogButtonWords.h"
#include "widgets/DialogListener.h"
#include "widgets/WidgetHost.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr int kDefaultColors[7][3] = {{255, 255, 255}, {255, 255, 0}, {255, 255, 255}, {0, 0, 0},
                                      {0, 0, 0},       {80, 80, 80},  {255, 255, 255}};
constexpr int kGapBeforeFooter = 8;
constexpr int kGapBeforeButtons = 8;
constexpr int kDragMargin = 8;

}  // namespace

Dialog::Dialog(Image* componentImage, int id, bool isModal, const std::string& header,
               const std::string& lines, const std::string& footer, int buttonMode)
    : mComponentImage(componentImage),
      mHeader(header),
      mFooter(footer),
      mLines(lines),
      mButtonMode(buttonMode),
      mId(id),
      mIsModal(isModal) {
    SetColorsRGB(kDefaultColors, 7);
    mHasTransparencies = true;
    mHasAlpha = true;
    mPriority = 1;

    if (buttonMode == BUTTONS_YES_NO || buttonMode == BUTTONS_OK_CANCEL) {
        const bool yesNo = buttonMode == BUTTONS_YES_NO;
        mYesButton = std::make_unique<DialogButton>(componentImage, ID_YES, this);
        mYesButton->mLabel = yesNo ? gDialogButtonYes : gDialogButtonOk;
        mNoButton = std::make_unique<DialogButton>(componentImage, ID_NO, this);
        mNoButton->mLabel = yesNo ? gDialogButtonNo : gDialogButtonCancel;
    } else if (buttonMode == BUTTONS_FOOTER) {
        mYesButton = std::make_unique<DialogButton>(componentImage, ID_YES, this);
        mYesButton->mLabel = footer;
    }
    for (DialogButton* button : {mYesButton.get(), mNoButton.get()}) {
        if (button != nullptr) {
            button->SetColor(ButtonWidget::COLOR_LABEL, GetColor(COLOR_BUTTON_TEXT));
            button->SetColor(ButtonWidget::COLOR_LABEL_HILITE, GetColor(COLOR_BUTTON_TEXT_HILITE));
        }
    }
}

// The buttons go with the dialog: they leave the tree as they are deleted.
Dialog::~Dialog() = default;

bool Dialog::EnsureFonts() {
    WidgetHost* host = mWidgetManager != nullptr ? mWidgetManager->mHost : nullptr;
    if (host != nullptr) {
        if (mHeaderFont == nullptr) {
            mHeaderFont = host->CreateSystemFont("Arial Unicode MS", 14, 0);
        }
        if (mLinesFont == nullptr) {
            mLinesFont = host->CreateSystemFont("Arial Unicode MS", 12, 0);
        }
    }
    return mHeaderFont != nullptr && mLinesFont != nullptr;
}

void Dialog::SetColor(int index, const Color& color) {
    Widget::SetColor(index, color);
    const int buttonIndex = index == COLOR_BUTTON_TEXT          ? ButtonWidget::COLOR_LABEL
                            : index == COLOR_BUTTON_TEXT_HILITE ? ButtonWidget::COLOR_LABEL_HILITE
                                                                : -1;
    if (buttonIndex < 0) {
        return;
    }
    for (DialogButton* button : {mYesButton.get(), mNoButton.get()}) {
        if (button != nullptr) {
            button->SetColor(buttonIndex, color);
        }
    }
}

void Dialog::SetButtonFont(Font* font) {
    for (DialogButton* button : {mYesButton.get(), mNoButton.get()}) {
        if (button != nullptr) {
            button->SetFont(font);
        }
    }
}

void Dialog::SetHeaderFont(Font* font) {
    mHeaderFont = font != nullptr ? font->Duplicate() : nullptr;
}

void Dialog::SetLinesFont(Font* font) {
    mLinesFont = font != nullptr ? font->Duplicate() : nullptr;
}

void Dialog::AddedToManager(WidgetManager* manager) {
    Widget::AddedToManager(manager);
    for (DialogButton* button : {mYesButton.get(), mNoButton.get()}) {
        if (button != nullptr) {
            manager->AddWidget(button);
        }
    }
}

void Dialog::RemovedFromManager(WidgetManager* manager) {
    Widget::RemovedFromManager(manager);
    for (DialogButton* button : {mYesButton.get(), mNoButton.get()}) {
        if (button != nullptr) {
            manager->RemoveWidget(button);
        }
    }
}

void Dialog::OrderInManagerChanged() {
    if (mWidgetManager == nullptr) {
        return;
    }
    for (DialogButton* button : {mYesButton.get(), mNoButton.get()}) {
        if (button != nullptr && mWidgetManager->HasWidget(button)) {
            mWidgetManager->PutInFront(button, this);
        }
    }
}

int Dialog::GetPreferredHeight(int width) {
    EnsureFonts();
    const Insets& c = mContentInsets;
    const Insets& b = mBackgroundInsets;
    int height = c.mTop + c.mBottom + b.mTop + b.mBottom;
    bool needSpace = false;
    if (!mHeader.empty() && mHeaderFont != nullptr) {
        height += mHeaderFont->GetHeight() - mHeaderFont->GetAscentPadding();
        needSpace = true;
    }
    if (!mLines.empty() && mLinesFont != nullptr) {
        if (needSpace) {
            height += mSpaceAfterHeader;
        }
        Graphics g;
        g.SetFont(mLinesFont.get());
        const int textWidth = width - b.mLeft - b.mRight - c.mLeft - c.mRight - 4;
        height += GetWordWrappedHeight(&g, textWidth, mLines,
                                       mLinesFont->GetLineSpacing() + mLineSpacingOffset);
        needSpace = true;
    }
    if (!mFooter.empty() && mButtonMode != BUTTONS_FOOTER && mHeaderFont != nullptr) {
        if (needSpace) {
            height += kGapBeforeFooter;
        }
        height += mHeaderFont->GetLineSpacing();
        needSpace = true;
    }
    if (mYesButton != nullptr) {
        if (needSpace) {
            height += kGapBeforeButtons;
        }
        return height + mButtonHeight + kGapBeforeButtons;
    }
    return height;
}

void Dialog::Draw(Graphics* g) {
    EnsureFonts();
    const Insets& c = mContentInsets;
    const Insets& b = mBackgroundInsets;
    const Rect box(c.mLeft, c.mTop, mWidth - c.mLeft - c.mRight, mHeight - c.mTop - c.mBottom);
    if (mComponentImage != nullptr) {
        g->DrawImageBox(box, mComponentImage);
    } else {
        g->SetColor(GetColor(COLOR_OUTLINE));
        g->DrawRect(12, 12, mWidth - 25, mHeight - 25);
        g->SetColor(GetColor(COLOR_BKG));
        g->FillRect(13, 13, mWidth - 26, mHeight - 26);
        g->SetColor(Color(0, 0, 0, 128));
        g->FillRect(mWidth - 12, 24, 12, mHeight - 36);
        g->FillRect(24, mHeight - 12, mWidth - 24, 12);
    }

    int y = b.mTop + c.mTop;
    if (!mHeader.empty() && mHeaderFont != nullptr) {
        y += mHeaderFont->GetAscent() - mHeaderFont->GetAscentPadding();
        g->SetFont(mHeaderFont.get());
        g->SetColor(GetColor(COLOR_HEADER));
        WriteCenteredLine(g, y, mHeader);
        y += mHeaderFont->GetHeight() - mHeaderFont->GetAscent() + mSpaceAfterHeader;
    }
    if (mLinesFont != nullptr) {
        g->SetFont(mLinesFont.get());
        g->SetColor(GetColor(COLOR_LINES));
        const Rect textRect(b.mLeft + c.mLeft + 2, y,
                            mWidth - b.mLeft - b.mRight - c.mLeft - c.mRight - 4, 0);
        y += WriteWordWrapped(g, textRect, mLines,
                              mLinesFont->GetLineSpacing() + mLineSpacingOffset, mTextAlign);
    }
    if (!mFooter.empty() && mButtonMode != BUTTONS_FOOTER && mHeaderFont != nullptr) {
        y += mHeaderFont->GetLineSpacing() + kGapBeforeFooter;
        g->SetFont(mHeaderFont.get());
        g->SetColor(GetColor(COLOR_FOOTER));
        WriteCenteredLine(g, y, mFooter);
    }
}

void Dialog::Resize(int x, int y, int width, int height) {
    Widget::Resize(x, y, width, height);
    const Insets& c = mContentInsets;
    const Insets& b = mBackgroundInsets;
    const int top = y + height - b.mBottom - c.mBottom - mButtonHeight;
    const int left = x + c.mLeft + b.mLeft;
    const int inner = width - c.mLeft - c.mRight - b.mLeft - b.mRight;
    if (mYesButton != nullptr && mNoButton != nullptr) {
        const int buttonWidth = (inner - 2 * mButtonSidePadding - mButtonHorzSpacing) / 2;
        const int yesLeft = left + mButtonSidePadding;
        mYesButton->Resize(yesLeft, top, buttonWidth, mButtonHeight);
        mNoButton->Resize(yesLeft + buttonWidth + mButtonHorzSpacing, top, buttonWidth,
                          mButtonHeight);
    } else if (mYesButton != nullptr) {
        mYesButton->Resize(left, top, inner, mButtonHeight);
    }
}

void Dialog::MouseDownButton(int x, int y, int button, int clickCount) {
    (void)button;
    if (clickCount != 1) {
        return;
    }
    if (mWidgetManager != nullptr && mWidgetManager->mHost != nullptr) {
        mWidgetManager->mHost->SetCursor(WidgetHost::kCursorDragging);
    }
    mDragging = true;
    mDragMouseX = x;
    mDragMouseY = y;
}

void Dialog::MouseUpButton(int x, int y, int button, int clickCount) {
    (void)x;
    (void)y;
    (void)button;
    (void)clickCount;
    if (!mDragging) {
        return;
    }
    if (mWidgetManager != nullptr && mWidgetManager->mHost != nullptr) {
        mWidgetManager->mHost->SetCursor(WidgetHost::kCursorPointer);
    }
    mDragging = false;
}

void Dialog::MouseDrag(int x, int y) {
    if (!mDragging || mWidgetManager == nullptr) {
        return;
    }
    // Never more than the margin off any edge of the manager.
    auto clampPos = [](int pos, int size, int limit) {
        return std::max(-kDragMargin, std::min(pos, limit + kDragMargin - size));
    };
    // The grab point stays inside the dialog's margin; a tiny dialog pins it at the margin.
    auto clampGrab = [](int grab, int size) {
        const int high = std::max(kDragMargin, size - kDragMargin - 1);
        return std::max(kDragMargin, std::min(grab, high));
    };
    const int newX = clampPos(mX + x - mDragMouseX, mWidth, mWidgetManager->mWidth);
    const int newY = clampPos(mY + y - mDragMouseY, mHeight, mWidgetManager->mHeight);
    mDragMouseX = clampGrab(mX - newX + x, mWidth);
    mDragMouseY = clampGrab(mY - newY + y, mHeight);
    Move(newX, newY);
}

int Dialog::WaitForResult(bool autoKill) {
    WidgetHost* host = mWidgetManager != nullptr ? mWidgetManager->mHost : nullptr;
    if (host == nullptr) {
        return mResult;
    }
    bool updated = false;
    while (mWidgetManager != nullptr && mResult == NO_RESULT && host->UpdateAppStep(&updated)) {
    }
    const int result = mResult;
    if (autoKill) {
        host->KillDialog(mId);
    }
    return result;
}

void Dialog::ButtonPress(int id) {
    if ((id == ID_YES || id == ID_NO) && mDialogListener != nullptr) {
        mDialogListener->DialogButtonPress(mId, id);
    }
}

void Dialog::ButtonDepress(int id) {
    if (id != ID_YES && id != ID_NO) {
        return;
    }
    mResult = id;
    if (mDialogListener != nullptr) {
        mDialogListener->DialogButtonDepress(mId, id);
    }
}

}  // namespace Vesk
