#include "game/app/CTitleScreen.h"

#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr int kTitleTrack = 3;

int WidthOf(const Image* image) {
    return image != nullptr ? image->GetWidth() : 0;
}

}  // namespace

CTitleScreen::CTitleScreen(GameApp* app) : mApp(app) {}

void CTitleScreen::Init() {
    mBarWidth = WidthOf(IMAGE_PB_CENTER);
    mBarX = mWidth / 2 - mBarWidth / 2 + 15;
    mBarY = kBarY;
    mFrame = 0;
    mFill = 0;
    mAlpha = 0;
    mFadeStep = 0;
    mApp->SetCursor(CURSOR_NONE);
}

void CTitleScreen::AddedToManager(WidgetManager* manager) {
    WidgetContainer::AddedToManager(manager);
    mApp->SwitchMusic(kTitleTrack);
}

void CTitleScreen::Update() {
    Widget::Update();
    mProgress = mApp->GetLoadingThreadProgress();
    mFill = static_cast<int32_t>(mProgress * mBarWidth);
    ++mFrame;
    if (mFrame == kMakerLogoFrame) {
        mFadeStep = 3;
    } else if (mFrame == kMakerLogoOutFrame) {
        mFadeStep = static_cast<int8_t>(-mFadeStep);
    } else if (mFrame == kLoadingFrame) {
        mFadeStep = static_cast<int8_t>(-mFadeStep);
        mApp->StartLoadingThread();
    }
    mAlpha += mFadeStep;
    if (mAlpha > 255) {
        mAlpha = 255;
    } else if (mAlpha < 1) {
        mAlpha = 0;
    }
    MarkDirty();
}

void CTitleScreen::Draw(Graphics* g) {
    g->SetColor(Color(0, 0, 0));
    g->FillRect(0, 0, mWidth, mHeight);
    Image* logo = nullptr;
    if (mFrame > kMakerLogoFrame && mFrame < 700) {
        logo = IMAGE_ZM_LOGO;
    } else if (mFrame > kLoadingFrame) {
        logo = IMAGE_GAME_LOGO;
    }
    if (logo != nullptr) {
        g->SetColor(Color(255, 255, 255, mAlpha));
        g->SetColorizeImages(true);
        g->DrawImage(logo, 0, 0);
        g->SetColorizeImages(false);
    }
    if (mFill > 0 && IMAGE_PB_CENTER != nullptr) {
        if (IMAGE_PB_LEFT != nullptr) {
            g->DrawImage(IMAGE_PB_LEFT, mBarX - IMAGE_PB_LEFT->GetWidth(), mBarY);
        }
        g->DrawImagePart(IMAGE_PB_CENTER, mBarX, mBarY,
                         Rect(0, 0, mFill, IMAGE_PB_CENTER->GetHeight()));
        if (IMAGE_PB_RIGHT != nullptr) {
            g->DrawImage(IMAGE_PB_RIGHT, mBarX + mFill, mBarY);
        }
    }
}

void CTitleScreen::Leave() {
    if (mWidgetManager != nullptr) {
        mWidgetManager->RemoveWidget(this);
    }
    mApp->SafeDeleteWidget(this);
    mApp->CreateScreens();
}

}  // namespace Vesk
