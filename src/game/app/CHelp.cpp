#include "game/app/CHelp.h"

#include "game/app/CMainMenu.h"
#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/ButtonWidget.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

CHelp::CHelp()
    : mContinueButton(std::make_unique<ButtonWidget>(CONTINUE, this)),
      mMainMenuButton(std::make_unique<ButtonWidget>(MAINMENU, this)) {
    mContinueButton->mDoFinger = true;
    mContinueButton->mButtonImage = IMAGE_CONTINUE;
    mContinueButton->mOverImage = IMAGE_CONTINUE_OVER;
    mContinueButton->mDownImage = IMAGE_CONTINUE_DOWN;
    mMainMenuButton->mDoFinger = true;
    mMainMenuButton->mButtonImage = IMAGE_MAINMENU;
    mMainMenuButton->mOverImage = IMAGE_MAINMENU_OVER;
    mMainMenuButton->mDownImage = IMAGE_MAINMENU_DOWN;
}

CHelp::~CHelp() {
    RemoveAllWidgets(false, false);
}

GameApp& CHelp::App() const {
    return *GetGameApp();
}

ButtonWidget* CHelp::GetButton(int id) const {
    return id == CONTINUE ? mContinueButton.get() : mMainMenuButton.get();
}

void CHelp::AddedToManager(WidgetManager* manager) {
    zmWidget::AddedToManager(manager);
    AddWidget(mContinueButton.get());
    AddWidget(mMainMenuButton.get());
}

void CHelp::RemovedFromManager(WidgetManager* manager) {
    WidgetContainer::RemovedFromManager(manager);
    RemoveAllWidgets(false, false);
}

void CHelp::Resize(int x, int y, int width, int height) {
    zmWidget::Resize(x, y, width, height);
    const auto place = [&](ButtonWidget& button, bool right) {
        const Image* image = button.mButtonImage;
        const int w = image != nullptr ? image->GetWidth() : 0;
        const int h = image != nullptr ? image->GetHeight() : 0;
        button.Resize(right ? width - w - 20 : 20, height - h - 15, w, h);
    };
    place(*mContinueButton, true);
    place(*mMainMenuButton, false);
}

void CHelp::Draw(Graphics* g) {
    zmWidget::Draw(g);
    if (IMAGE_HELP != nullptr) {
        g->DrawImage(IMAGE_HELP, 0, 0);
    }
}

void CHelp::ButtonMouseEnter(int id) {
    (void)id;
    App().PlaySoundById(SOUND_BUTTON_OVER, false, false);
}

void CHelp::ButtonDepress(int id) {
    GameApp& app = App();
    app.PlaySoundById(SOUND_BUTTON_DOWN, false, false);
    // A second press during the fade would choose again.
    if (mFadeState != FADE_IDLE) {
        return;
    }
    if (id == CONTINUE) {
        mNextScreen = app.mLandMap.get();
        app.SwitchMusic(kMapTrack);
    } else if (id == MAINMENU) {
        mNextScreen = app.mMainMenu.get();
        app.SwitchMusic(kMenuTrack);
    } else {
        return;
    }
    StartFadeOut(true);
}

void CHelp::FadeOutDone() {
    zmWidget::FadeOutDone();
    if (mNextScreen == nullptr) {
        return;
    }
    GameApp& app = App();
    if (mNextScreen == app.mLandMap.get()) {
        if (auto* board = dynamic_cast<Board*>(app.mBoard.get())) {
            board->SetupLevel();
        }
    }
    app.mWidgetManager->AddWidget(mNextScreen);
    app.mWidgetManager->SetFocus(mNextScreen);
}

}  // namespace Vesk
