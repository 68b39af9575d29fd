#pragma once

#include <memory>

#include "widgets/zmDialog.h"

namespace Vesk {

class Board;
class DialogButton;

// The end of a game whose last life was lost: OK, any key or any press on it darkens it away,
// and then the board goes and the main menu comes.
class CGameOverDialog : public zmDialog {
public:
    static constexpr int kDialogId = 8;

    explicit CGameOverDialog(Board& board);
    ~CGameOverDialog() override;

    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void Resize(int x, int y, int width, int height) override;
    void KeyDown(int key) override;
    void MouseDown(int x, int y, int clickCount) override;
    void ButtonDepress(int id) override;
    void ButtonMouseEnter(int id) override;
    void FadeOutDone() override;

    std::unique_ptr<DialogButton> mOkButton;

private:
    Board& mBoard;
};

}  // namespace Vesk
