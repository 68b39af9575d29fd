#include "app/VeskAppBase.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "graphics/DDInterface.h"
#include "graphics/Image.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/TextEncoding.h"
#include "platform/Thread.h"
#include "resources/ImageLib.h"
#include "resources/ParticleRegistry.h"
#include "resources/zmResourceManager.h"
#include "sound/BassMusicInterface.h"
#include "sound/MusicInterface.h"
#include "sound/SoundInstance.h"
#include "sound/SoundManager.h"
#include "util/Common.h"
#include "util/CommonSystem.h"
#include "widgets/Dialog.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

VeskAppBase* gVeskAppBase = nullptr;

namespace {

// The first error-log line of a run in a folder starts a new file there; later ones append.
struct ErrorLog {
    std::mutex mutex;
    std::string startedPath;
};

ErrorLog& TheErrorLog() {
    static ErrorLog log;
    return log;
}

}  // namespace

VeskAppBase::VeskAppBase() {
    gVeskAppBase = this;
    SetImageHost(&mImageHost);
    ImageLib::LoadJ2KCodec();

    const std::string programPath = platform::ProgramPath();
    mChangeDirTo = GetFileDir(programPath);
    mProductVersion = GetProductVersion(programPath);

    mStartTick = platform::NowMs();
    mLastDrawTick = mStartTick;
    mNextDrawTick = mStartTick;
    mWindowAspect.Set(4, 3);

    for (int i = 0; i < 256; ++i) {
        mIdentityTable[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
        mFullTable[static_cast<size_t>(i)] = 0xFF;
    }

    SetString("DIALOG_BUTTON_OK", u"OK");
    SetString("DIALOG_BUTTON_CANCEL", u"CANCEL");
    SetString("UPDATE_CHECK_TITLE", u"Update Check");
    SetString("UPDATE_CHECK_BODY",
              u"Checking if there are any updates available for this product ...");
    SetString("UP_TO_DATE_TITLE", u"Up to Date");
    SetString("UP_TO_DATE_BODY", u"There are no updates available for this product at this time.");
    SetString("NEW_VERSION_TITLE", u"New Version");
    SetString("NEW_VERSION_BODY",
              u"There is an update available for this product.  Would you like to visit the web "
              u"site to download it?");

    mWidgetManager = std::make_unique<WidgetManager>(this);
    mWidgetManager->mHost = &mWidgetHost;
    mResourceManager = std::make_unique<zmResourceManager>(&mResourceHost);
    mParticleRegistry = std::make_unique<ParticleRegistry>(0.0f, &mResourceHost);
}

VeskAppBase::~VeskAppBase() {
    // The loader may still use the managers freed below, so it must be done first; so may the
    // cursor thread when no Shutdown ran on the main thread.
    WaitForLoadingThread();
    StopCursorThread();

    Shutdown();

    if (m3DChangedDuringRun && mDDInterface != nullptr) {
        bool stored = false;
        if (RegistryReadBoolean("Is3D", &stored) || Is3DConfirmed()) {
            RegistryWriteBoolean("Is3D", mDDInterface->mIs3D);
        } else if (mDDInterface->mIs3D) {
            const int answer =
                MsgBox(GetStringOrDefault(
                           "HARDWARE_ACCEL_SWITCHED_ON",
                           "Hardware Acceleration was switched on during this session.\r\n"
                           "If this resulted in slower performance, it should be switched off.\r\n"
                           "Would you like to keep Hardware Acceleration switched on?"),
                       GetStringOrDefault("HARDWARE_ACCEL_CONFIRMATION",
                                          "Hardware Acceleration Confirmation"),
                       platform::mb::YesNo | platform::mb::IconQuestion);
            // A box a signal ended was answered by nobody: nothing is decided.
            if (answer != platform::mb::IdEndedBySignal) {
                mDDInterface->mIs3D = answer == platform::mb::IdYes;
            }
            if (answer == platform::mb::IdYes) {
                RegistryWriteBoolean("Is3D", true);
            }
        }
        if (Is3DSuspect() && !mIsScreenSaver) {
            const int answer =
                MsgBox(GetStringOrDefault(
                           "HARDWARE_ACCEL_NOT_WORKING",
                           "Hardware Acceleration may not have been working correctly during this "
                           "session.\r\nIf you noticed graphics problems, you may want to turn off "
                           "Hardware Acceleration.\r\nWould you like to keep Hardware Acceleration "
                           "switched on?"),
                       GetStringOrDefault("HARDWARE_ACCEL_CONFIRMATION",
                                          "Hardware Acceleration Confirmation"),
                       platform::mb::YesNo | platform::mb::IconQuestion);
            if (answer == platform::mb::IdNo) {
                RegistryWriteBoolean("Is3D", false);
            }
        }
    }

    for (auto& [id, dialog] : mDialogMap) {
        (void)id;
        mWidgetManager->RemoveWidget(dialog);
        delete dialog;
    }
    mDialogMap.clear();
    mDialogList.clear();

    DestroyAppWindow(mInvisHWnd);

    mWidgetManager.reset();
    mResourceManager.reset();
    if (mParticleRegistry != nullptr) {
        mParticleRegistry->DeleteParticleSystems();
    }
    mParticleRegistry.reset();
    for (auto& [key, slot] : mSharedImageMap) {
        (void)key;
        delete slot.mImage;
        slot.mImage = nullptr;
    }
    mSharedImageMap.clear();

    mDDInterface.reset();
    mMusicInterface.reset();
    mSoundManager.reset();

    DestroyAppWindow(mHWnd);

    if (mWindowSystem != nullptr) {
        mWindowSystem->DestroyCursor(mHandCursor);
        mWindowSystem->DestroyCursor(mDraggingCursor);
    }
    mHandCursor = platform::kNoCursor;
    mDraggingCursor = platform::kNoCursor;
    if (gVeskAppBase == this) {
        gVeskAppBase = nullptr;
    }

    WriteDemoFile();

    // Widgets queued for deletion after the last step would otherwise be lost.
    for (auto& [depth, widget] : mSafeDeleteList) {
        (void)depth;
        delete widget;
    }
    mSafeDeleteList.clear();

    if (GetImageHost() == &mImageHost) {
        SetImageHost(nullptr);
    }
}

platform::WindowSystem& VeskAppBase::WindowSystem() {
    if (mWindowSystem == nullptr) {
        platform::DebugOutput("VeskAppBase: no window system was given\r\n");
        platform::ExitProcess(1);
    }
    return *mWindowSystem;
}

platform::Window* VeskAppBase::MainWindow() {
    if (mWindowSystem == nullptr || mHWnd == platform::kNoWindow) {
        return nullptr;
    }
    return mWindowSystem->FindWindow(mHWnd);
}

void VeskAppBase::DestroyAppWindow(platform::WindowId& window) {
    if (window == platform::kNoWindow || mWindowSystem == nullptr) {
        return;
    }
    if (platform::Window* w = mWindowSystem->FindWindow(window)) {
        w->SetUserData(nullptr);
    }
    mWindowSystem->DestroyWindow(window);
    window = platform::kNoWindow;
}

// ---- Dialog buttons ----

void VeskAppBase::DialogButtonPress(int dialogId, int buttonId) {
    if (buttonId == Dialog::ID_YES) {
        ButtonPress(dialogId + 2000);
    } else if (buttonId == Dialog::ID_NO) {
        ButtonPress(dialogId + 3000);
    }
}

void VeskAppBase::DialogButtonDepress(int dialogId, int buttonId) {
    if (buttonId == Dialog::ID_YES) {
        ButtonDepress(dialogId + 2000);
    } else if (buttonId == Dialog::ID_NO) {
        ButtonDepress(dialogId + 3000);
    }
}

// ---- Dialog table ----

Dialog* VeskAppBase::NewDialog(int dialogId, bool isModal, const std::string& dialogHeader,
                               const std::string& dialogLines, const std::string& dialogFooter,
                               int buttonMode) {
    auto* dialog =
        new Dialog(nullptr, dialogId, isModal, dialogHeader, dialogLines, dialogFooter, buttonMode);
    dialog->mDialogListener = this;
    return dialog;
}

Dialog* VeskAppBase::DoDialog(int dialogId, bool isModal, const std::string& dialogHeader,
                              const std::string& dialogLines, const std::string& dialogFooter,
                              int buttonMode) {
    KillDialog(dialogId);
    Dialog* dialog =
        NewDialog(dialogId, isModal, dialogHeader, dialogLines, dialogFooter, buttonMode);
    AddDialog(dialogId, dialog);
    return dialog;
}

Dialog* VeskAppBase::GetDialog(int dialogId) {
    auto it = mDialogMap.find(dialogId);
    return it == mDialogMap.end() ? nullptr : it->second;
}

void VeskAppBase::AddDialogByObject(Dialog* dialog) {
    AddDialog(dialog->mId, dialog);
}

void VeskAppBase::AddDialog(int dialogId, Dialog* dialog) {
    // Killing the very dialog being added would queue it for deletion while it is registered.
    if (GetDialog(dialogId) == dialog) {
        return;
    }
    // Under another id it moves: one entry only, so that killing it later cannot leave a
    // second entry to a deleted dialog.
    for (const auto& [otherId, other] : mDialogMap) {
        if (other == dialog) {
            const int result = dialog->mResult;
            KillDialogFull(otherId, true, false);
            dialog->mResult = result;
            break;
        }
    }
    KillDialog(dialogId);
    // Killed earlier in this step and added again: it must outlive the step.
    mSafeDeleteList.remove_if([dialog](const auto& entry) { return entry.second == dialog; });

    if (dialog->mWidth == 0) {
        const int width = mWidth / 2;
        const int height = dialog->GetPreferredHeight(width);
        dialog->Resize((mWidth - width) / 2, mHeight / 5, width, height);
    }

    mDialogMap[dialogId] = dialog;
    mDialogList.push_back(dialog);
    mWidgetManager->AddWidget(dialog);
    if (dialog->IsModal()) {
        mWidgetManager->AddBaseModal(dialog);
        ModalOpen();
    }
}

bool VeskAppBase::KillDialogByObject(Dialog* dialog) {
    return KillDialog(dialog->mId);
}

bool VeskAppBase::KillDialog(int dialogId) {
    return KillDialogFull(dialogId, true, true);
}

bool VeskAppBase::KillDialogFull(int dialogId, bool removeWidget, bool deleteWidget) {
    auto it = mDialogMap.find(dialogId);
    if (it == mDialogMap.end()) {
        return false;
    }
    Dialog* dialog = it->second;
    if (dialog->mResult == Dialog::NO_RESULT) {
        dialog->mResult = 0;
    }

    mDialogList.remove(dialog);
    mDialogMap.erase(it);

    if (removeWidget || deleteWidget) {
        mWidgetManager->RemoveWidget(dialog);
    }
    if (dialog->IsModal()) {
        ModalClose();
        mWidgetManager->RemoveBaseModal(dialog);
    }
    if (deleteWidget) {
        SafeDeleteWidget(dialog);
    }
    return true;
}

int VeskAppBase::GetDialogCount() {
    return static_cast<int>(mDialogMap.size());
}

// ---- Popups, message boxes, error log ----

void VeskAppBase::BeginPopup() {
    if (mIsPhysWindowed || mDDInterface == nullptr) {
        return;
    }
    // The box must be seen and answered over a full-screen picture, 3-D or not.
    {
        std::lock_guard<CriticalLock> lock(mDDInterface->mCritSect);
        if (mDDInterface->mDisplay != nullptr) {
            mDDInterface->mDisplay->FlipToDesktop();
        }
    }
    if (mDDInterface->mIs3D) {
        mPopupShowing = true;
    }
}

void VeskAppBase::EndPopup() {
    if (!mIsPhysWindowed) {
        mPopupShowing = false;
    }
    ClearUpdateBacklog();
    ClearKeyStates();
    if (mWidgetManager->mDownButtons != 0) {
        mWidgetManager->ReleaseMouseCapture();
        if (mWindowSystem != nullptr) {
            mWindowSystem->ReleaseCapture();
        }
    }
}

bool VeskAppBase::QuitSignalled() {
    return mWindowSystem != nullptr && mWindowSystem->QuitSignalled();
}

int VeskAppBase::MsgBox(const std::string& text, const std::string& title, uint32_t flags) {
    if (mIsScreenSaver) {
        LogError(text);
        return platform::mb::IdOk;
    }
    // After SIGTERM or SIGINT a box would keep the program from ending.
    if (QuitSignalled()) {
        LogError(text);
        return platform::mb::IdEndedBySignal;
    }
    BeginPopup();
    const int result = WindowSystem().MessageBox(mHWnd, text, title, flags);
    EndPopup();
    if (result == platform::mb::IdEndedBySignal) {
        LogError(text);  // perhaps never read
    }
    return result;
}

int VeskAppBase::MsgBoxWide(const std::u16string& text, const std::u16string& title,
                            uint32_t flags) {
    const std::wstring wideText(text.begin(), text.end());
    const std::wstring wideTitle(title.begin(), title.end());
    if (mIsScreenSaver) {
        LogError(WStringToString(text));
        return platform::mb::IdOk;
    }
    if (QuitSignalled()) {
        LogError(WStringToString(text));
        return platform::mb::IdEndedBySignal;
    }
    BeginPopup();
    const int result = WindowSystem().MessageBoxWide(mHWnd, wideText, wideTitle, flags);
    EndPopup();
    if (result == platform::mb::IdEndedBySignal) {
        LogError(WStringToString(text));
    }
    return result;
}

void VeskAppBase::Popup(const std::string& text) {
    if (mIsScreenSaver || QuitSignalled()) {
        LogError(text);
        return;
    }
    BeginPopup();
    if (!mShutdown) {
        WindowSystem().MessageBox(mHWnd, text, GetStringOrDefault("FATAL_ERROR", "FATAL ERROR"),
                                  platform::mb::IconError);
    }
    EndPopup();
}

void VeskAppBase::PopupWide(const std::u16string& text) {
    if (mIsScreenSaver || QuitSignalled()) {
        LogError(WStringToString(text));
        return;
    }
    BeginPopup();
    if (!mShutdown) {
        const std::wstring wideText(text.begin(), text.end());
        const std::u16string title =
            StringToWString(GetStringOrDefault("FATAL_ERROR", "FATAL ERROR"));
        const std::wstring wideTitle(title.begin(), title.end());
        WindowSystem().MessageBoxWide(mHWnd, wideText, wideTitle, platform::mb::IconError);
    }
    EndPopup();
}

void VeskAppBase::LogError(const std::string& text) {
    // Beside the players' files, which an installed game can write, unlike its working
    // folder; that folder only serves until the data folder is known.
    const std::string path = platform::fs::NativePath(GetAppDataFolder() + "ScrError.txt");
    ErrorLog& log = TheErrorLog();
    const std::lock_guard lock(log.mutex);
    std::FILE* file = std::fopen(path.c_str(), log.startedPath == path ? "a+" : "w");
    if (file == nullptr) {
        return;
    }
    log.startedPath = path;
    // The time of day, "hh:mm:ss", out of "Www Mmm dd hh:mm:ss yyyy".
    const std::string now = platform::GetClock().LocalTimeText();
    const std::string timeOfDay = now.size() >= 19 ? now.substr(11, 8) : now;
    std::fprintf(file, "%s %s %u\n", text.c_str(), timeOfDay.c_str(),
                 static_cast<unsigned>(platform::NowMs()));
    std::fclose(file);
}

// ---- URL ----

void VeskAppBase::URLOpenFailed(const std::string& url) {
    (void)url;
    mIsOpeningURL = false;
}

void VeskAppBase::URLOpenSucceeded(const std::string& url) {
    (void)url;
    mIsOpeningURL = false;
    if (mShutdownOnURLOpen) {
        Shutdown();
    }
}

bool VeskAppBase::OpenURL(const std::string& url, bool shutdownOnOpen) {
    if (mIsOpeningURL && mOpeningURL == url) {
        return true;
    }
    mShutdownOnURLOpen = shutdownOnOpen;
    mIsOpeningURL = true;
    mOpeningURL = url;
    mOpeningURLTime = platform::NowMs();
    if (WindowSystem().OpenUrl(url)) {
        return true;
    }
    URLOpenFailed(url);
    return false;
}

std::string VeskAppBase::GetProductVersion(const std::string& path) {
    // Program files carry no version resource here; the game sets its own version.
    (void)path;
    return std::string();
}

bool VeskAppBase::IsAltKeyUsed(int key) {
    const int lower = key >= 'A' && key <= 'Z' ? key - 'A' + 'a' : key;
    return lower == 13 || lower == 'r';
}

std::unique_ptr<MusicInterface> VeskAppBase::CreateMusicInterface(platform::WindowId window) {
    auto music = std::make_unique<BassMusicInterface>(
        window, mAudioDevice,
        [this](const std::string& text) { MsgBox(text, "Error", platform::mb::Ok); });
    music->mErrorLog = [this](const std::string& text) { LogError(text); };
    return music;
}

}  // namespace Vesk
