#include "app/AppWidgetHost.h"

#include "app/VeskAppBase.h"
#include "sound/SoundManager.h"

namespace Vesk {

void AppWidgetHost::SetCursor(int cursorNum) {
    mApp.SetCursor(cursorNum);
}

bool AppWidgetHost::Is3DAccelerated() {
    return mApp.Is3DAccelerated();
}

bool AppWidgetHost::UpdateAppStep(bool* updated) {
    return mApp.UpdateAppStep(updated);
}

bool AppWidgetHost::KillDialog(int dialogId) {
    return mApp.KillDialog(dialogId);
}

bool AppWidgetHost::KillDialogByObject(Dialog* dialog) {
    return mApp.KillDialogByObject(dialog);
}

int AppWidgetHost::GetAppWidth() {
    return mApp.mWidth;
}

int AppWidgetHost::GetAppHeight() {
    return mApp.mHeight;
}

void AppWidgetHost::StopAllSounds() {
    if (mApp.mSoundManager != nullptr) {
        mApp.mSoundManager->StopAllSounds();
    }
}

void AppWidgetHost::CopyToClipboard(const std::string& text) {
    mApp.CopyToClipboard(text);
}

std::string AppWidgetHost::GetClipboard() {
    return mApp.GetClipboard();
}

}  // namespace Vesk
