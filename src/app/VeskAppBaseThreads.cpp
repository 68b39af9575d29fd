// The loading and cursor threads, screen-mode switching, cursors, the crash report's state
// text and the orderly shutdown.
#include <algorithm>
#include <chrono>
#include <mutex>
#include <system_error>

#include "app/VeskAppBase.h"
#include "graphics/DDInterface.h"
#include "graphics/Image.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/Process.h"
#include "platform/Thread.h"
#include "resources/ImageLib.h"
#include "sound/MusicInterface.h"
#include "sound/SoundManager.h"
#include "util/Common.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr std::chrono::milliseconds kCursorThreadPeriod{10};

}  // namespace

// ---- Loading thread ----

void VeskAppBase::StartLoadingThread() {
    if (mLoadingThreadStarted) {
        return;
    }
    mLoadingRunning = true;
    platform::SetCurrentThreadPriority(platform::ThreadPriority::AboveNormal);
    mLoadingThreadStarted = true;
    mLoadingThread = std::thread([this] { LoadingThreadBody(); });
}

void VeskAppBase::LoadingThreadBody() {
    LoadingThreadProc();
    platform::DebugOutput(StrFormat("Resource Loading Time: %d\r\n",
                                    static_cast<int>(platform::NowMs() - mStartTick)));
    mLoadingThreadCompleted = true;
}

double VeskAppBase::GetLoadingThreadProgress() {
    if (mLoaded) {
        return 1.0;
    }
    if (!mLoadingThreadStarted) {
        return 0.0;
    }
    const int total = mNumLoadingThreadTasks;
    if (total <= 0) {
        return 0.0;
    }
    return std::clamp(static_cast<double>(mCompletedLoadingThreadTasks) / total, 0.0, 1.0);
}

// ---- Cursor thread ----

void VeskAppBase::StartCursorThread() {
    std::lock_guard<std::mutex> control(mCursorThreadControl);
    if (mCursorThreadRunning) {
        return;
    }
    // A thread that has left its loop is ending; its object must be free for the new one.
    if (mCursorThread.joinable()) {
        mCursorThread.join();
    }
    mCursorThreadRunning = true;
    platform::SetCurrentThreadPriority(platform::ThreadPriority::AboveNormal);
    try {
        mCursorThread = std::jthread([this](std::stop_token stop) { CursorThreadProc(stop); });
    } catch (const std::system_error&) {
        // Without the thread the cursor still follows the mouse at every frame.
        mCursorThreadRunning = false;
        platform::DebugOutput("Cursor thread could not be started\r\n");
    }
}

void VeskAppBase::CursorThreadProc(std::stop_token stop) {
    platform::SetCurrentThreadPriority(platform::ThreadPriority::AboveNormal);
    while (!stop.stop_requested() && !mShutdown) {
        CursorThreadStep();
        std::unique_lock<std::mutex> lock(mCursorThreadWaitLock);
        mCursorThreadWake.wait_for(lock, stop, kCursorThreadPeriod,
                                   [this] { return mShutdown.load(); });
    }
    {
        std::lock_guard<std::mutex> lock(mCursorThreadWaitLock);
        mCursorThreadRunning = false;
    }
    mCursorThreadWake.notify_all();
}

void VeskAppBase::CursorThreadStep() {
    DDInterface* display = mDDInterface.get();
    if (display == nullptr || mWindowSystem == nullptr) {
        return;
    }

    // The display's lock keeps its window and surfaces in place while the cursor moves:
    // the window is re-made only after the display let go of it.
    std::lock_guard<CriticalLock> lock(display->mCritSect);
    if (!display->mInitialized) {
        return;
    }

    platform::Point position;
    if (mPlayingDemoBuffer) {
        position = platform::Point{mLastDemoMouseX.load(), mLastDemoMouseY.load()};
    } else {
        const platform::Window* window = mWindowSystem->FindWindow(display->mWindow);
        if (window == nullptr) {
            return;
        }
        position = window->ScreenToClient(mWindowSystem->CursorPosition());
    }

    // Every position this thread sees goes to the display, so the display's is the last one.
    if (position.x == display->mCursorX.load() && position.y == display->mCursorY.load()) {
        return;
    }

    const auto sinceNextDraw = static_cast<int32_t>(platform::NowMs() - mNextDrawTick.load());
    if (sinceNextDraw > static_cast<int32_t>(display->mMillisecondsPerFrame) + 5) {
        // No frame is coming soon: move the cursor on the screen now.
        display->SetCursorPos(position.x, position.y);
    } else {
        // The next frame draws it there.
        display->mCursorX.store(position.x);
        display->mCursorY.store(position.y);
    }
}

void VeskAppBase::StopCursorThread() {
    std::lock_guard<std::mutex> control(mCursorThreadControl);
    if (!mCursorThread.joinable() || mCursorThread.get_id() == std::this_thread::get_id()) {
        return;
    }
    mCursorThread.request_stop();
    mCursorThreadWake.notify_all();
    bool stopped = false;
    {
        std::unique_lock<std::mutex> lock(mCursorThreadWaitLock);
        stopped = mCursorThreadWake.wait_for(lock, std::chrono::milliseconds(CURSOR_THREAD_STOP_MS),
                                             [this] { return !mCursorThreadRunning.load(); });
    }
    if (stopped) {
        mCursorThread.join();
        return;
    }
    // It is held up inside a pass (a lock the caller holds): waiting on would never end.
    platform::DebugOutput("Cursor thread did not stop\r\n");
    mCursorThread.detach();
}

// ---- Shutdown ----

void VeskAppBase::Shutdown() {
    if (mPrimaryThreadId != 0 && platform::CurrentThreadId() != mPrimaryThreadId) {
        mShutdownRequested = true;
        return;
    }
    if (mShutdown) {
        return;
    }

    mStepAbort = true;
    mShutdown = true;
    ShutdownHook();

    if (mPlayingDemoBuffer) {
        SetMusicVolume(mDemoMusicVolume);
        SetSfxVolume(mDemoSfxVolume);
    }

    StopCursorThread();

    if (mMusicInterface != nullptr) {
        mMusicInterface->StopAllMusic();
    }

    // The screen goes back to the desktop; its display mode is left alone.
    if (!mIsPhysWindowed && mDDInterface != nullptr) {
        std::lock_guard<CriticalLock> lock(mDDInterface->mCritSect);
        if (mDDInterface->mDisplay != nullptr) {
            mDDInterface->mDisplay->FlipToDesktop();
        }
    }

    if (platform::Window* window = MainWindow()) {
        window->Show(platform::ShowCommand::Hide);
    }

    if (mReadFromRegistry) {
        WriteToRegistry();
    }

    ImageLib::FreeJ2KCodec();
}

void VeskAppBase::ShutdownOnError() {
    mExitStatus = 1;
    Shutdown();
}

void VeskAppBase::DoExit(int code) {
    // Leave nothing behind: stop the cursor thread and give the screen back before ending.
    mShutdown = true;
    StopCursorThread();
    const bool onMainThread =
        mPrimaryThreadId == 0 || platform::CurrentThreadId() == mPrimaryThreadId;
    // Windows and the display belong to the main thread; from another thread the end of the
    // process gives them back.
    if (onMainThread) {
        if (!mIsPhysWindowed && mDDInterface != nullptr) {
            std::lock_guard<CriticalLock> lock(mDDInterface->mCritSect);
            if (mDDInterface->mDisplay != nullptr) {
                mDDInterface->mDisplay->RestoreDisplayMode();
            }
        }
        if (platform::Window* window = MainWindow()) {
            window->Show(platform::ShowCommand::Hide);
        }
    }
    platform::ExitProcess(code);
}

// ---- Screen modes ----

void VeskAppBase::SwitchScreenModeFull(bool wantWindowed, bool is3D, bool force) {
    if (mForceFullscreen) {
        wantWindowed = false;
    }
    if (wantWindowed == mIsWindowed && !force) {
        Set3DAcceleration(is3D, true);
        return;
    }
    Set3DAcceleration(is3D, false);
    mIsWindowed = wantWindowed;
    MakeWindow();
    // A window the desktop did not show has ended the run.
    if (mShutdown) {
        return;
    }
    if (!mIsOpeningURL) {
        if (!ShowMainWindow(platform::ShowCommand::ShowNormal)) {
            return;
        }
        if (platform::Window* window = MainWindow()) {
            window->SetForeground();
        }
    } else if (!ShowMainWindow(platform::ShowCommand::ShowNoActivate)) {
        return;
    }
    if (mSoundManager != nullptr) {
        mSoundManager->SetCooperativeWindow(mHWnd, mIsWindowed);
    }
    mLastDisplayReinitTick = platform::NowMs();
}

void VeskAppBase::SwitchScreenModeWindowed(bool wantWindowed) {
    SwitchScreenModeFull(wantWindowed, Is3DAccelerated(), false);
}

void VeskAppBase::SwitchScreenModeCurrent() {
    SwitchScreenModeFull(mIsWindowed, Is3DAccelerated(), true);
}

void VeskAppBase::SetVideoOnlyDraw(bool videoOnly) {
    if (videoOnly == mVideoOnlyDraw) {
        return;
    }
    mVideoOnlyDraw = videoOnly;
    if (mDDInterface != nullptr) {
        mDDInterface->SetVideoOnlyDraw(videoOnly);
        mWidgetManager->mImage = mDDInterface->GetScreenImage();
    }
    mWidgetManager->MarkAllDirty();
}

// ---- Cursors ----

void VeskAppBase::SetCursor(int cursorNum) {
    mCursorNum = cursorNum;
    EnforceCursor();
}

void VeskAppBase::SetCursorImage(int cursorNum, Image* image) {
    if (cursorNum >= 0 && cursorNum < NUM_CURSORS) {
        mCursorImages[static_cast<size_t>(cursorNum)] = image;
        EnforceCursor();
    }
}

void VeskAppBase::EnableCustomCursors(bool enabled) {
    mCustomCursorsEnabled = enabled;
    EnforceCursor();
}

void VeskAppBase::EnforceCursor() {
    if (mDDInterface == nullptr || mWindowSystem == nullptr) {
        return;
    }
    platform::WindowSystem& ws = *mWindowSystem;

    if (mIsWindowHidden || !mMouseIn) {
        ws.SetCursor(ws.LoadSystemCursor(platform::SystemCursor::Arrow));
        if (mDDInterface->SetCursorImage(nullptr)) {
            mForceRedraw = true;
        }
        mSysCursor = true;
        return;
    }

    Image* image = mCursorNum >= 0 && mCursorNum < NUM_CURSORS
                       ? mCursorImages[static_cast<size_t>(mCursorNum)]
                       : nullptr;
    if (image != nullptr &&
        (mPlayingDemoBuffer || mCustomCursorsEnabled || mCursorNum == CURSOR_CUSTOM)) {
        if (mDDInterface->SetCursorImage(image)) {
            mForceRedraw = true;
        }
        // A played demo shows where the recorded mouse is and that the real one does nothing.
        if (!mPlayingDemoBuffer) {
            ws.SetCursor(platform::kNoCursor);
        } else {
            ws.SetCursor(ws.LoadSystemCursor(platform::SystemCursor::No));
        }
        mSysCursor = false;
        return;
    }

    platform::CursorHandle cursor = mOverrideCursor;
    if (cursor == platform::kNoCursor) {
        switch (mCursorNum) {
            case CURSOR_HAND:
                cursor = mHandCursor;
                break;
            case CURSOR_DRAGGING:
                cursor = mDraggingCursor;
                break;
            case CURSOR_TEXT:
                cursor = ws.LoadSystemCursor(platform::SystemCursor::IBeam);
                break;
            case CURSOR_CIRCLE_SLASH:
                cursor = ws.LoadSystemCursor(platform::SystemCursor::No);
                break;
            case CURSOR_SIZEALL:
                cursor = ws.LoadSystemCursor(platform::SystemCursor::SizeAll);
                break;
            case CURSOR_SIZENESW:
                cursor = ws.LoadSystemCursor(platform::SystemCursor::SizeNeSw);
                break;
            case CURSOR_SIZENS:
                cursor = ws.LoadSystemCursor(platform::SystemCursor::SizeNs);
                break;
            case CURSOR_SIZENWSE:
                cursor = ws.LoadSystemCursor(platform::SystemCursor::SizeNwSe);
                break;
            case CURSOR_SIZEWE:
                cursor = ws.LoadSystemCursor(platform::SystemCursor::SizeWe);
                break;
            case CURSOR_WAIT:
                cursor = ws.LoadSystemCursor(platform::SystemCursor::Wait);
                break;
            case CURSOR_NONE:
            case CURSOR_CUSTOM:
                cursor = platform::kNoCursor;
                break;
            default:
                cursor = ws.LoadSystemCursor(platform::SystemCursor::Arrow);
                break;
        }
    }
    ws.SetCursor(cursor);
    if (mDDInterface->SetCursorImage(nullptr)) {
        mForceRedraw = true;
    }
    mSysCursor = true;
}

void VeskAppBase::HideAppWindow() {
    if (mMusicInterface != nullptr) {
        mMusicInterface->SetVolume(0.0);
    }
    if (platform::Window* window = MainWindow()) {
        window->Show(platform::ShowCommand::Hide);
    }
    mIsWindowHidden = true;
    EnforceCursor();
}

// ---- Crash report ----

std::string VeskAppBase::GetCrashReportText() {
    const uint32_t seconds = (platform::NowMs() - mStartTick) / 1000;
    return "Product: " + mProdName + "\r\n" + "Version: " + mProductVersion + "\r\n" +
           StrFormat("Time Loaded: %02d:%02d:%02d", static_cast<int>(seconds / 3600),
                     static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60)) +
           "\r\nFullscreen: " + (mIsPhysWindowed ? "No" : "Yes") +
           StrFormat("\r\nPrimary ThreadId: %X\r\n", static_cast<unsigned>(mPrimaryThreadId));
}

}  // namespace Vesk
