#pragma once

#include "widgets/WidgetHost.h"

namespace Vesk {

class VeskAppBase;

// The application as its widget tree sees it: cursor, 3-D flag, loop step, dialog table,
// sounds and clipboard. The application
// object owns one and hands it to its widget manager.
class AppWidgetHost : public WidgetHost {
public:
    explicit AppWidgetHost(VeskAppBase& app) : mApp(app) {}

    void SetCursor(int cursorNum) override;
    bool Is3DAccelerated() override;
    bool UpdateAppStep(bool* updated) override;
    bool KillDialog(int dialogId) override;
    bool KillDialogByObject(Dialog* dialog) override;
    int GetAppWidth() override;
    int GetAppHeight() override;
    void StopAllSounds() override;
    void CopyToClipboard(const std::string& text) override;
    std::string GetClipboard() override;

private:
    VeskAppBase& mApp;
};

}  // namespace Vesk
