#pragma once

#include <string>

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
    bool WantsSystemCaret() override { return mUseSystemCaret; }
    void CreateCaret(int width, int height) override;
    void ShowCaret() override;
    void SetCaretPos(int x, int y) override;
    void HideCaret() override;
    void DestroyCaret() override;

    // Off unless the application asks for it: the text fields draw their own cursor.
    bool mUseSystemCaret = false;

private:
    VeskAppBase& mApp;
};

}  // namespace Vesk
