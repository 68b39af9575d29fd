#include "game/app/COptionsDialog.h"

#include "game/app/CMainMenu.h"
#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "platform/VirtualKeys.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

COptionsDialog::COptionsDialog()
    : CSettingsDialog(IMAGE_OPTS_WND, kDialogId,
                      {IMAGE_OK, IMAGE_OK_OVER, IMAGE_OK_PRESSED, {32, 305}},
                      {IMAGE_CANCEL, IMAGE_CANCEL_OVER, IMAGE_CANCEL_PRESSED, {200, 305}}) {}

void COptionsDialog::StartClosing() {
    if (mDimState == DIM_CLOSING) {
        return;
    }
    GameApp& app = App();
    if (app.mMainMenu != nullptr && app.mWidgetManager != nullptr) {
        app.mWidgetManager->SetFocus(app.mMainMenu.get());
    }
    StartClose();
}

void COptionsDialog::KeyDown(int key) {
    if (key == platform::vk::Escape) {
        StartClosing();
    }
}

void COptionsDialog::ButtonDepress(int id) {
    GameApp& app = App();
    app.PlaySoundById(SOUND_BUTTON_DOWN, false, false);
    if (mDimState == DIM_CLOSING) {
        return;
    }
    if (id == kButton0) {
        ApplyScreenMode();
    }
    StartClosing();
}

void COptionsDialog::HelpChanged(bool checked) {
    GameApp& app = App();
    const bool helpOn = !checked;
    if (app.mBoard != nullptr) {
        app.mBoard->helpShown = helpOn;
    }
    app.mShowHelp = helpOn ? 1 : 0;
}

}  // namespace Vesk
