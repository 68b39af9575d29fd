#pragma once

#include "game/app/CSettingsDialog.h"
#include "widgets/ButtonListener.h"

namespace Vesk {

// The main menu's options: volumes and help apply at once, the screen mode on OK.
class COptionsDialog : public CSettingsDialog {
public:
    static constexpr int kDialogId = 6;

    COptionsDialog();

    void KeyDown(int key) override;
    void ButtonDepress(int id) override;

protected:
    void HelpChanged(bool checked) override;

private:
    // The main menu gets the focus back while the dialog darkens away.
    void StartClosing();
};

}  // namespace Vesk
