#include "game/app/CScreen.h"

#include <string>
#include <typeinfo>

#include "game/app/CMainMenu.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "graphics/Image.h"
#include "platform/Debug.h"
#include "widgets/ButtonWidget.h"

namespace Vesk {

CScreen::CScreen(bool withButtons) {
    if (!withButtons) {
        return;
    }
    const auto make = [this](int id, Image* normal, Image* over, Image* down) {
        auto button = std::make_unique<ButtonWidget>(id, this);
        button->mDoFinger = true;
        button->mButtonImage = normal;
        button->mOverImage = over;
        button->mDownImage = down;
        return button;
    };
    mContinueButton = make(CONTINUE, IMAGE_CONTINUE, IMAGE_CONTINUE_OVER, IMAGE_CONTINUE_DOWN);
    mMainMenuButton = make(MAINMENU, IMAGE_MAINMENU, IMAGE_MAINMENU_OVER, IMAGE_MAINMENU_DOWN);
}

CScreen::~CScreen() {
    RemoveAllWidgets(false, false);
}

GameApp& CScreen::App() const {
    return *GetGameApp();
}

Board* CScreen::GetBoard() const {
    return App().mBoard.get();
}

ButtonWidget* CScreen::GetButton(int id) const {
    return id == CONTINUE ? mContinueButton.get() : mMainMenuButton.get();
}

void CScreen::AddButtons() {
    if (mContinueButton != nullptr) {
        AddWidget(mContinueButton.get());
        AddWidget(mMainMenuButton.get());
    }
}

void CScreen::Resize(int x, int y, int width, int height) {
    zmWidget::Resize(x, y, width, height);
    const auto place = [&](ButtonWidget* button, bool right) {
        if (button == nullptr) {
            return;
        }
        const Image* image = button->mButtonImage;
        const int w = image != nullptr ? image->GetWidth() : 0;
        const int h = image != nullptr ? image->GetHeight() : 0;
        button->Resize(right ? width - w - 20 : 20, height - h - 15, w, h);
    };
    place(mContinueButton.get(), true);
    place(mMainMenuButton.get(), false);
}

void CScreen::ButtonMouseEnter(int id) {
    (void)id;
    App().PlaySoundById(SOUND_BUTTON_OVER, false, false);
}

void CScreen::LeaveTo(Widget* next) {
    mNextScreen = next;
    StartFadeOut(true);
}

void CScreen::SaveAndLeaveToMenu() {
    mNextScreen = App().GetScreen<CMainMenu>();
    if (Board* board = GetBoard()) {
        board->continueSaved = true;
        board->SetRebuildOnLoad(true);
        board->SaveGame();
        board->LeaveBoard();
    }
    StartFadeOut(true);
}

bool CScreen::PrepareHandOver(Widget* next) {
    return next != nullptr;
}

void CScreen::FadeInDone() {
    zmWidget::FadeInDone();
    // Clicks before this are taken by the fade; a script waiting to click waits for this line.
    platform::DebugOutput(std::string("Screen steady: ") + typeid(*this).name() + "\n");
}

void CScreen::FadeOutDone() {
    zmWidget::FadeOutDone();
    if (PrepareHandOver(mNextScreen)) {
        App().ShowScreen(mNextScreen);
    }
}

}  // namespace Vesk
