#include "game/app/CPauseDialog.h"

#include "game/app/CMainMenu.h"
#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "platform/VirtualKeys.h"
#include "widgets/DialogButton.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr int kMenuTrack = 3;

}  // namespace

CPauseDialog::CPauseDialog(Board& board)
    : CSettingsDialog(IMAGE_PAUSE_WND, kDialogId,
                      {IMAGE_MAINMENU, IMAGE_MAINMENU_OVER, IMAGE_MAINMENU_DOWN, {-3, 329}},
                      {IMAGE_CONTINUE, IMAGE_CONTINUE_OVER, IMAGE_CONTINUE_DOWN, {195, 329}}),
      mBoard(board) {
    if (board.boardState == Board::kLeaving) {
        mButton1->SetDisabled(true);
    }
}

void CPauseDialog::Resume() {
    ApplyScreenMode();
    mBoard.ResumePlay();
}

void CPauseDialog::LeaveForMenu() {
    mBoard.continueSaved = true;
    mBoard.SetRebuildOnLoad(false);
    mBoard.SaveGame();
    App().SwitchMusic(kMenuTrack);
}

void CPauseDialog::KeyDown(int key) {
    // Once leaving has begun the board is on its way out: nothing may resume it.
    if (key != platform::vk::Escape || mDimState == DIM_CLOSING) {
        return;
    }
    Resume();
    Close();
}

void CPauseDialog::ButtonDepress(int id) {
    App().PlaySoundById(SOUND_BUTTON_DOWN, false, false);
    if (mDimState == DIM_CLOSING) {
        return;
    }
    if (id == CONTINUE) {
        Resume();
        Close();
    } else if (id == MAINMENU) {
        LeaveForMenu();
        StartClose();
    }
}

void CPauseDialog::FadeOutDone() {
    zmDialog::FadeOutDone();
    GameApp& app = App();
    mBoard.LeaveBoard();
    app.ShowScreen(app.GetScreen<CMainMenu>());
}

void CPauseDialog::HelpChanged(bool checked) {
    App().mShowHelp = checked ? 0 : 1;
}

}  // namespace Vesk
