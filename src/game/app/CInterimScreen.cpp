#include "game/app/CInterimScreen.h"

#include "game/app/CMainMenu.h"
#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

void CInterimScreen::Draw(Graphics* g) {
    g->SetColor(Color(0, 0, 0));
    g->FillRect(0, 0, mWidth, mHeight);
    if (FONT_SHOWCARDGOTHIC != nullptr) {
        g->SetFont(FONT_SHOWCARDGOTHIC);
        g->SetColor(Color(160, 254, 38));
        const int width = FONT_SHOWCARDGOTHIC->StringWidth(mName);
        g->DrawString(mName, (mWidth - width) / 2, mHeight / 2);
    }
    zmWidget::Draw(g);
}

void CInterimScreen::MouseDown(int x, int y, int clickCount) {
    zmWidget::MouseDown(x, y, clickCount);
    Leave();
}

void CInterimScreen::KeyDown(int key) {
    zmWidget::KeyDown(key);
    Leave();
}

void CInterimScreen::Leave() {
    if (mFadeState == FADE_IDLE) {
        StartFadeOut(true);
    }
}

void CInterimScreen::FadeOutDone() {
    zmWidget::FadeOutDone();
    GameApp* app = GetGameApp();
    if (app == nullptr || app->mMainMenu == nullptr) {
        return;
    }
    // The screens on the way into a game lead on to the board.
    Widget* next = app->mMainMenu.get();
    if (app->mBoard != nullptr &&
        (this == app->mHelp.get() || this == app->mComics.get() || this == app->mLandMap.get())) {
        next = app->mBoard.get();
    }
    app->ShowScreen(next);
}

}  // namespace Vesk
