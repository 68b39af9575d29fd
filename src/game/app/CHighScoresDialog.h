#pragma once

#include <memory>
#include <string>

#include "widgets/ButtonListener.h"
#include "widgets/ListListener.h"
#include "widgets/zmDialog.h"

namespace Vesk {

class DialogButton;
class GameApp;

// The ten best entries of "profiles/highscores.dat" over the main menu. The table is read into
// the application when the dialog is shown and emptied when it is deleted, so every showing
// reads the file afresh.
class CHighScoresDialog : public zmDialog, public ListListener {
public:
    static constexpr int kDialogId = 2;
    static constexpr int kMaxRows = 10;

    CHighScoresDialog(const std::string& header, const std::string& footer);
    ~CHighScoresDialog() override;

    void AddedToManager(WidgetManager* manager) override;
    void Draw(Graphics* g) override;
    void Close() override;

    void ButtonDepress(int id) override;
    void ButtonMouseEnter(int id) override;

    DialogButton& OkButton() { return *mOk; }

    std::unique_ptr<DialogButton> mOk;
    int mRows = 0;

private:
    GameApp& App() const;
};

}  // namespace Vesk
