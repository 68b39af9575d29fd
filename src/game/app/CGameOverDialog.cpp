#include "game/app/CGameOverDialog.h"

#include "game/app/CMainMenu.h"
#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "graphics/Image.h"
#include "widgets/DialogButton.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr int kOk = 0;

}  // namespace

CGameOverDialog::CGameOverDialog(Board& board)
    : zmDialog(IMAGE_GAMEOVER_WND, kDialogId, "", "", ""), mBoard(board) {
    mOkButton = std::make_unique<DialogButton>(nullptr, kOk, this);
    mOkButton->mButtonImage = IMAGE_OK;
    mOkButton->mOverImage = IMAGE_OK_OVER;
    mOkButton->mDownImage = IMAGE_OK_PRESSED;
    Image* window = IMAGE_GAMEOVER_WND;
    Resize(231, 53, window != nullptr ? window->GetWidth() : 0,
           window != nullptr ? window->GetHeight() : 0);
}

CGameOverDialog::~CGameOverDialog() {
    RemoveAllWidgets(false, false);
}

void CGameOverDialog::AddedToManager(WidgetManager* manager) {
    zmDialog::AddedToManager(manager);
    AddWidget(mOkButton.get());
}

void CGameOverDialog::RemovedFromManager(WidgetManager* manager) {
    zmDialog::RemovedFromManager(manager);
    RemoveAllWidgets(false, false);
}

void CGameOverDialog::Resize(int x, int y, int width, int height) {
    zmDialog::Resize(x, y, width, height);
    if (mOkButton != nullptr && IMAGE_OK != nullptr) {
        mOkButton->Resize(135, 296, IMAGE_OK->GetWidth(), IMAGE_OK->GetHeight());
    }
}

void CGameOverDialog::KeyDown(int key) {
    (void)key;
    StartClose();
}

void CGameOverDialog::MouseDown(int x, int y, int clickCount) {
    zmDialog::MouseDown(x, y, clickCount);
    StartClose();
}

void CGameOverDialog::ButtonDepress(int id) {
    if (GameApp* app = GetGameApp()) {
        app->PlaySoundById(SOUND_BUTTON_DOWN, false, false);
    }
    if (id == kOk) {
        StartClose();
    }
}

void CGameOverDialog::ButtonMouseEnter(int id) {
    (void)id;
    if (GameApp* app = GetGameApp()) {
        app->PlaySoundById(SOUND_BUTTON_OVER, false, false);
    }
}

void CGameOverDialog::FadeOutDone() {
    zmDialog::FadeOutDone();
    mBoard.LeaveBoard();
    GameApp* app = GetGameApp();
    if (app != nullptr) {
        app->ShowScreen(app->GetScreen<CMainMenu>());
    }
}

}  // namespace Vesk
