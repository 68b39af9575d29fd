#include "game/core/BoardHost.h"

#include "widgets/WidgetManager.h"

namespace Vesk {

void BoardHost::ShowScreen(Widget& screen, WidgetManager& manager) {
    manager.AddWidget(&screen);
    manager.SetFocus(&screen);
}

}  // namespace Vesk
