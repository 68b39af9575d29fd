#include "game/app/CNewGameDialog.h"

#include "game/app/CHelp.h"
#include "game/app/CLandMap.h"
#include "game/app/CMainMenu.h"
#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "graphics/Image.h"
#include "platform/VirtualKeys.h"
#include "widgets/DialogButton.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr int kComicsTrack = 5;

std::unique_ptr<DialogButton> MakeButton(int id, ButtonListener* listener, Image* normal,
                                         Image* over, Image* down) {
    auto button = std::make_unique<DialogButton>(nullptr, id, listener);
    button->mButtonImage = normal;
    button->mOverImage = over;
    button->mDownImage = down;
    return button;
}

void PlaceButton(DialogButton& button, int x, int y) {
    Image* image = button.mButtonImage;
    button.Resize(x, y, image != nullptr ? image->GetWidth() : 0,
                  image != nullptr ? image->GetHeight() : 0);
}

}  // namespace

CNewGameDialog::CNewGameDialog() : zmDialog(IMAGE_NEWGAME_WND, kDialogId, "", "", "") {
    mYesButton = MakeButton(YES, this, IMAGE_YES, IMAGE_YES_OVER, IMAGE_YES_DOWN);
    mNoButton = MakeButton(NO, this, IMAGE_NO, IMAGE_NO_OVER, IMAGE_NO_DOWN);
    Image* window = IMAGE_NEWGAME_WND;
    Resize(240, 135, window != nullptr ? window->GetWidth() : 0,
           window != nullptr ? window->GetHeight() : 0);
}

CNewGameDialog::~CNewGameDialog() {
    RemoveAllWidgets(false, false);
}

void CNewGameDialog::AddedToManager(WidgetManager* manager) {
    zmDialog::AddedToManager(manager);
    AddWidget(mYesButton.get());
    AddWidget(mNoButton.get());
}

void CNewGameDialog::RemovedFromManager(WidgetManager* manager) {
    zmDialog::RemovedFromManager(manager);
    RemoveAllWidgets(false, false);
}

void CNewGameDialog::Resize(int x, int y, int width, int height) {
    zmDialog::Resize(x, y, width, height);
    if (mYesButton != nullptr) {
        PlaceButton(*mYesButton, 23, 186);
        PlaceButton(*mNoButton, 238, 186);
    }
}

void CNewGameDialog::Decline() {
    GameApp* app = GetGameApp();
    app->PlaySoundById(SOUND_BUTTON_DOWN, false, false);
    Close();
    if (app->mMainMenu != nullptr) {
        app->mWidgetManager->SetFocus(app->mMainMenu.get());
    }
}

void CNewGameDialog::KeyDown(int key) {
    if (key == platform::vk::Escape && mDimState != DIM_CLOSING) {
        Decline();
    }
}

void CNewGameDialog::ButtonDepress(int id) {
    if (mDimState == DIM_CLOSING) {
        return;
    }
    if (id == YES) {
        GetGameApp()->PlaySoundById(SOUND_BUTTON_DOWN, false, false);
        StartClose();
    } else if (id == NO) {
        Decline();
    }
}

void CNewGameDialog::ButtonMouseEnter(int id) {
    (void)id;
    GetGameApp()->PlaySoundById(SOUND_BUTTON_OVER, false, false);
}

void CNewGameDialog::FadeOutDone() {
    zmDialog::FadeOutDone();
    GameApp& app = *GetGameApp();
    Widget* next = nullptr;
    if (Board* board = app.mBoard.get()) {
        board->NewGame();
        board->continueSaved = false;
        // Confirmed: the old game is gone even if the new one is left before it is saved.
        board->ClearSavedGame();
    }
    if (app.mShowHelp != 0) {
        next = app.GetScreen<CHelp>();
    } else {
        next = app.GetScreen<CLandMap>();
        app.SwitchMusic(kComicsTrack);
        if (app.mBoard != nullptr && app.mBoard->level == 1) {
            app.mBoard->SetupLevel();
        }
    }
    app.ShowScreen(next);
    if (app.mMainMenu != nullptr) {
        app.mMainMenu->RemoveSelf(true);
    }
}

}  // namespace Vesk
