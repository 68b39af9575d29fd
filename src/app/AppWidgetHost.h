#pragma once

#include "widgets/WidgetHost.h"

namespace Vesk {

class VeskAppBase;

// The application as its widget tree sees it: the cursor and the 3-D flag. The application
// object owns one and hands it to its widget manager.
class AppWidgetHost : public WidgetHost {
public:
    explicit AppWidgetHost(VeskAppBase& app) : mApp(app) {}

    void SetCursor(int cursorNum) override;
    bool Is3DAccelerated() override;

private:
    VeskAppBase& mApp;
};

}  // namespace Vesk
