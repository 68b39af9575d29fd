#pragma once

#include <memory>

#include "game/app/GameApp.h"
#include "widgets/ButtonListener.h"
#include "widgets/zmWidget.h"

namespace Vesk {

class Board;
class ButtonWidget;

// A full-screen step of the game's flow. Leaving names the next screen and fades out; once the
// fade has ended the application shows that screen. Screens with pages to leave carry the
// CONTINUE and MAINMENU buttons in the bottom corners. Main thread only.
class CScreen : public zmWidget, public ButtonListener {
public:
    enum ButtonId { CONTINUE = 0, MAINMENU = 1 };

    ~CScreen() override;

    // Places the buttons too.
    void Resize(int x, int y, int width, int height) override;
    void FadeOutDone() override;
    // Says "Screen steady: <class>" on the debug channel: from here on its buttons act.
    void FadeInDone() override;
    void ButtonMouseEnter(int id) override;

    // Null on a screen without the two buttons.
    ButtonWidget* GetButton(int id) const;

    // not owned; where the fade-out leads, null for nowhere.
    Widget* mNextScreen = nullptr;

protected:
    explicit CScreen(bool withButtons);

    GameApp& App() const;
    // Null without a board.
    Board* GetBoard() const;
    // Call from AddedToManager.
    void AddButtons();

    // To the screen of T's row in the application's table.
    template <class T>
    void LeaveTo() {
        LeaveTo(App().GetScreen<T>());
    }
    void LeaveTo(Widget* next);
    // The game is saved to resume here, the board taken down, and the menu comes next.
    void SaveAndLeaveToMenu();
    // Runs once the fade has ended, before the next screen is shown; false shows none.
    virtual bool PrepareHandOver(Widget* next);

    std::unique_ptr<ButtonWidget> mContinueButton;
    std::unique_ptr<ButtonWidget> mMainMenuButton;
};

}  // namespace Vesk
