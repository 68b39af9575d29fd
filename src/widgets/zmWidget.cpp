#include "widgets/zmWidget.h"

#include "graphics/Graphics.h"
#include "widgets/WidgetHost.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

void zmWidget::StartFadeIn() {
    mFadeState = FADE_IN;
    mAlpha = 255;
}

void zmWidget::StartFadeOut(bool remove) {
    mFadeState = FADE_OUT;
    mAlpha = 0;
    mRemoveOnFade = remove;
}

void zmWidget::FadeOutWithCode(int code) {
    mCode = code;
    StartFadeOut(true);
}

void zmWidget::RemoveSelf(bool force) {
    if ((force || mRemoveOnFade) && mWidgetManager != nullptr) {
        mWidgetManager->RemoveWidget(this);
    }
}

void zmWidget::AddedToManager(WidgetManager* manager) {
    Widget::AddedToManager(manager);
    mHost = manager->mHost;
}

void zmWidget::FadeOutDone() {
    if (mHost != nullptr) {
        mHost->StopAllSounds();
    }
}

void zmWidget::Update() {
    Widget::Update();
    if (mFadeState == FADE_IN) {
        if (mAlpha > 0) {
            mAlpha -= kFadeStep;
            MarkDirty();
        } else {
            mFadeState = FADE_IDLE;
            FadeInDone();
        }
    } else if (mFadeState == FADE_OUT) {
        if (mAlpha < kFadeOutEnd) {
            mAlpha += kFadeStep;
            MarkDirty();
        } else {
            RemoveSelf(false);
            mFadeState = FADE_IN;
            FadeOutDone();
        }
    }
}

void zmWidget::Draw(Graphics* g) {
    (void)g;
    if (mFadeState != FADE_IDLE) {
        DeferOverlay();
    }
}

void zmWidget::DrawOverlay(Graphics* g) {
    g->SetColor(Color(0, 0, 0, mAlpha));
    g->FillRect(0, 0, mWidth, mHeight);
}

}  // namespace Vesk
