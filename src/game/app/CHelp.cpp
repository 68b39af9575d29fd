#include "game/app/CHelp.h"

#include "game/app/CLandMap.h"
#include "game/app/CMainMenu.h"
#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "graphics/Graphics.h"

namespace Vesk {

CHelp::CHelp() : CScreen(true) {}

void CHelp::AddedToManager(WidgetManager* manager) {
    zmWidget::AddedToManager(manager);
    AddButtons();
}

void CHelp::RemovedFromManager(WidgetManager* manager) {
    WidgetContainer::RemovedFromManager(manager);
    RemoveAllWidgets(false, false);
}

void CHelp::Draw(Graphics* g) {
    zmWidget::Draw(g);
    if (IMAGE_HELP != nullptr) {
        g->DrawImage(IMAGE_HELP, 0, 0);
    }
}

void CHelp::ButtonDepress(int id) {
    GameApp& app = App();
    app.PlaySoundById(SOUND_BUTTON_DOWN, false, false);
    // A second press during the fade would choose again.
    if (mFadeState != FADE_IDLE) {
        return;
    }
    if (id == CONTINUE) {
        app.SwitchMusic(kMapTrack);
        LeaveTo<CLandMap>();
    } else if (id == MAINMENU) {
        app.SwitchMusic(kMenuTrack);
        LeaveTo<CMainMenu>();
    }
}

bool CHelp::PrepareHandOver(Widget* next) {
    if (next == nullptr) {
        return false;
    }
    if (next == App().GetScreen<CLandMap>()) {
        if (Board* board = GetBoard()) {
            board->SetupLevel();
        }
    }
    return true;
}

}  // namespace Vesk
