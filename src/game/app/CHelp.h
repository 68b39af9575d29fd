#pragma once

#include "game/app/CScreen.h"

namespace Vesk {

// The rules picture shown before a new game while the player's show-help byte is set.
// CONTINUE leads to the land map of level 1, MAINMENU back to the menu. Made on the loading
// thread, used on the main thread only.
class CHelp : public CScreen {
public:
    static constexpr int kMapTrack = 5;
    static constexpr int kMenuTrack = 3;

    CHelp();

    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void Draw(Graphics* g) override;

    void ButtonDepress(int id) override;

protected:
    // The map of level 1 needs the level set up.
    bool PrepareHandOver(Widget* next) override;
};

}  // namespace Vesk
