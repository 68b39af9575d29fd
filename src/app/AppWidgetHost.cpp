#include "app/AppWidgetHost.h"

#include "app/VeskAppBase.h"

namespace Vesk {

void AppWidgetHost::SetCursor(int cursorNum) {
    mApp.SetCursor(cursorNum);
}

bool AppWidgetHost::Is3DAccelerated() {
    return mApp.Is3DAccelerated();
}

}  // namespace Vesk
