#pragma once

#include <memory>

#include "widgets/zmDialog.h"

namespace Vesk {

class DialogButton;

// Asks before a new game replaces the saved one. YES darkens it away and starts the new game
// (the saved one is gone from then on); NO and Escape close it at once and change nothing.
class CNewGameDialog : public zmDialog {
public:
    static constexpr int kDialogId = 9;
    enum ButtonId { YES = 0, NO = 1 };

    CNewGameDialog();
    ~CNewGameDialog() override;

    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void Resize(int x, int y, int width, int height) override;
    void KeyDown(int key) override;
    void ButtonDepress(int id) override;
    void ButtonMouseEnter(int id) override;
    void FadeOutDone() override;

    std::unique_ptr<DialogButton> mYesButton;
    std::unique_ptr<DialogButton> mNoButton;

private:
    void Decline();
};

}  // namespace Vesk
