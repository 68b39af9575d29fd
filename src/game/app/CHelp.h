#pragma once

#include <memory>

#include "widgets/ButtonListener.h"
#include "widgets/zmWidget.h"

namespace Vesk {

class ButtonWidget;
class GameApp;

// The rules picture shown before a new game while the player's show-help byte is set.
// CONTINUE leads to the land map of level 1, MAINMENU back to the menu. Made on the loading
// thread, used on the main thread only.
class CHelp : public zmWidget, public ButtonListener {
public:
    enum ButtonId { CONTINUE = 0, MAINMENU = 1 };
    static constexpr int kMapTrack = 5;
    static constexpr int kMenuTrack = 3;

    CHelp();
    ~CHelp() override;

    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void Draw(Graphics* g) override;
    void Resize(int x, int y, int width, int height) override;
    void FadeOutDone() override;

    void ButtonDepress(int id) override;
    void ButtonMouseEnter(int id) override;

    ButtonWidget* GetButton(int id) const;
    Widget* mNextScreen = nullptr;

private:
    GameApp& App() const;

    std::unique_ptr<ButtonWidget> mContinueButton;
    std::unique_ptr<ButtonWidget> mMainMenuButton;
};

}  // namespace Vesk
