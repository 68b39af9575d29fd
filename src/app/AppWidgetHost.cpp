#include "app/AppWidgetHost.h"

#include "app/VeskAppBase.h"
#include "platform/WindowSystem.h"
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

void AppWidgetHost::CreateCaret(int width, int height) {
    if (mApp.mWindowSystem != nullptr) {
        mApp.mWindowSystem->CreateCaret(platform::Size{width, height});
    }
}

void AppWidgetHost::ShowCaret() {
    if (mApp.mWindowSystem != nullptr) {
        mApp.mWindowSystem->ShowCaret();
    }
}

void AppWidgetHost::SetCaretPos(int x, int y) {
    if (mApp.mWindowSystem != nullptr) {
        mApp.mWindowSystem->SetCaretPosition(platform::Point{x, y});
    }
}

void AppWidgetHost::HideCaret() {
    if (mApp.mWindowSystem != nullptr) {
        mApp.mWindowSystem->HideCaret();
    }
}

void AppWidgetHost::DestroyCaret() {
    if (mApp.mWindowSystem != nullptr) {
        mApp.mWindowSystem->DestroyCaret();
    }
}

}  // namespace Vesk
