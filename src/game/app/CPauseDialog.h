#pragma once

#include "game/app/CSettingsDialog.h"

namespace Vesk {

class Board;

// The board's menu: the settings of the options dialog, CONTINUE back into the level and
// MAIN MENU, which saves the game and leaves once the dialog has darkened away.
class CPauseDialog : public CSettingsDialog {
public:
    static constexpr int kDialogId = 7;
    enum ButtonId { MAINMENU = 0, CONTINUE = 1 };

    explicit CPauseDialog(Board& board);

    void KeyDown(int key) override;
    void ButtonDepress(int id) override;
    // The closing fade has ended: the board goes and the main menu comes.
    void FadeOutDone() override;

    // Applies the screen mode and puts the board back into play.
    void Resume();
    // Saves the game so that it resumes in this level, and plays the menu music.
    void LeaveForMenu();

protected:
    void HelpChanged(bool checked) override;

private:
    Board& mBoard;
};

}  // namespace Vesk
