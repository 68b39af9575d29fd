#include "widgets/zmDialog.h"

#include "graphics/Graphics.h"
#include "widgets/WidgetHost.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

zmDialog::zmDialog(Image* componentImage, int id, const std::string& header,
                   const std::string& lines, const std::string& footer)
    : Dialog(componentImage, id, true, header, lines, footer, BUTTONS_NONE) {
    mClip = false;
}

void zmDialog::AddedToManager(WidgetManager* manager) {
    Dialog::AddedToManager(manager);
    mHost = manager->mHost;
}

void zmDialog::Close() {
    if (mHost != nullptr) {
        mHost->KillDialogByObject(this);
    }
}

void zmDialog::FadeOutDone() {
    if (mHost != nullptr) {
        mHost->StopAllSounds();
    }
}

void zmDialog::Update() {
    if (mDimState == DIM_IN) {
        if (mDimAlpha < mTargetDim) {
            mDimAlpha += kDimStep;
        } else {
            mDimState = DIM_SHOWN;
        }
    } else if (mDimState == DIM_CLOSING) {
        if (mDimAlpha < kCloseEnd) {
            mDimAlpha += kDimStep;
        } else {
            // The application deletes killed dialogs only after the step, so this one lives on.
            Close();
            FadeOutDone();
        }
    }
    Dialog::Update();
    MarkDirty();
}

void zmDialog::FillAppArea(Graphics* g) {
    const int width = mHost != nullptr ? mHost->GetAppWidth() : 0;
    const int height = mHost != nullptr ? mHost->GetAppHeight() : 0;
    g->SetColor(Color(0, 0, 0, mDimAlpha));
    g->FillRect(-mX, -mY, width, height);
}

void zmDialog::Draw(Graphics* g) {
    if (mDimState == DIM_CLOSING) {
        DeferOverlay();
    } else {
        FillAppArea(g);
    }
    Dialog::Draw(g);
}

void zmDialog::DrawOverlay(Graphics* g) {
    FillAppArea(g);
}

}  // namespace Vesk
