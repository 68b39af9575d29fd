// The window procedure and the deferred input it hands to the widgets between updates.
#include <cstring>

#include "app/VeskAppBase.h"
#include "graphics/DDInterface.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/VirtualKeys.h"
#include "util/Common.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

namespace msg = platform::msg;

bool IsMouseMessage(uint32_t kind) {
    return kind >= msg::MouseMove && kind <= msg::MiddleButtonDoubleClick;
}

bool IsDeferredKind(uint32_t kind) {
    switch (kind) {
        case msg::Move:
        case msg::Size:
        case msg::Close:
        case msg::SysColorChange:
        case msg::DisplayChange:
        case msg::KeyDown:
        case msg::KeyUp:
        case msg::Char:
        case msg::SysKeyDown:
        case msg::SysKeyUp:
        case msg::Timer:
        case msg::MouseWheel:
        case msg::ActivateApp:
            return true;
        default:
            return IsMouseMessage(kind);
    }
}

}  // namespace

intptr_t VeskAppBase::WindowProc(const platform::Message& message) {
    platform::WindowSystem& ws = WindowSystem();

    if (mIsScreenSaver) {
        intptr_t result = 0;
        if (ScreenSaverFilter(message, result)) {
            return result;
        }
    }

    auto defaultProcessing = [&]() -> intptr_t {
        if (mNotifyGameMessage != 0 && message.kind == mNotifyGameMessage &&
            message.window == mHWnd) {
            HandleNotifyGameMessage(static_cast<int>(message.wparam),
                                    static_cast<int>(message.lparam));
            return 0;
        }
        return ws.DefaultProcessing(message);
    };

    switch (message.kind) {
        case msg::Destroy:
            platform::DebugOutput(
                StrFormat("DESTROYED HWND: %d\r\n", static_cast<int>(message.window)));
            return defaultProcessing();
        case msg::Enable:
            mIsDisabled = message.wparam == 0;
            return defaultProcessing();
        case msg::Paint:
            if (mInitialized && !mIsWindowHidden) {
                if (mRunning) {
                    PresentScreen(nullptr);
                }
                return 0;
            }
            return defaultProcessing();
        case msg::QueryOpen:
            if (!IsAppEnabled()) {
                return 0;
            }
            return defaultProcessing();
        case msg::EraseBackground:
            return 1;
        case msg::EndSession:
            Shutdown();
            return defaultProcessing();
        case msg::SetCursor:
            if (!mIsWindowHidden) {
                EnforceCursor();
                return 1;
            }
            return defaultProcessing();
        case msg::NcLeftButtonDown: {
            const intptr_t result = defaultProcessing();
            // Dragging the caption stalls the loop; that time must not be caught up.
            ClearUpdateBacklog();
            return result;
        }
        case msg::SysChar:
            if (IsAltKeyUsed(static_cast<int>(message.wparam))) {
                return 0;
            }
            return defaultProcessing();
        case msg::SysCommand: {
            const uintptr_t command = message.wparam & 0xFFF0;
            if (command == platform::sysCommand::MonitorPower) {
                mLastMonitorPowerTick = platform::NowMs();
                if (mAllowMonitorPowersave && mLoaded) {
                    return defaultProcessing();
                }
                return 0;
            }
            if (command == platform::sysCommand::ScreenSave) {
                if (mLoaded && mIsPhysWindowed) {
                    return defaultProcessing();
                }
                return 0;
            }
            return defaultProcessing();
        }
        case msg::ActivateApp:
            if (!mPlayingDemoBuffer && message.window == mHWnd) {
                mActive = message.wparam != 0;
            }
            return DeferMessage(message);
        default:
            if (IsDeferredKind(message.kind)) {
                return DeferMessage(message);
            }
            return defaultProcessing();
    }
}

intptr_t VeskAppBase::DeferMessage(const platform::Message& message) {
    platform::WindowSystem& ws = WindowSystem();
    if (mPopupShowing) {
        return ws.DefaultProcessing(message);
    }

    const uint32_t kind = message.kind;
    const bool keyDown = kind == msg::KeyDown || kind == msg::SysKeyDown;
    const bool keyUp = kind == msg::KeyUp || kind == msg::SysKeyUp;
    if (keyDown || keyUp) {
        if (message.wparam == platform::vk::Control) {
            mCtrlDown = keyDown;
        } else if (message.wparam == platform::vk::Alt) {
            mAltDown = keyDown;
        }
        if (keyDown && DebugKeyDownAsync(static_cast<int>(message.wparam), mCtrlDown, mAltDown)) {
            return 0;
        }
    }

    if (mPlayingDemoBuffer) {
        if (kind == msg::Char) {
            HandleDemoKey(static_cast<char>(static_cast<uint8_t>(message.wparam)));
        } else if (kind == msg::KeyDown) {
            DebugKeyDown(static_cast<int>(message.wparam));
        } else if (kind == msg::SysKeyDown && message.wparam != platform::vk::Enter &&
                   message.wparam != platform::vk::F4) {
            // Alt combinations and F10 arrive as system keys; the developer keys use them too.
            DebugKeyDown(static_cast<int>(message.wparam));
        }
    }

    if (!mDeferredMessages.empty()) {
        const uint32_t newest = mDeferredMessages.back().kind;
        if (newest == msg::Close) {
            return 0;
        }
        if (kind == msg::Timer && newest == msg::Timer) {
            return ws.DefaultProcessing(message);
        }
        if (kind == msg::SysColorChange || kind == msg::DisplayChange) {
            for (const platform::Message& queued : mDeferredMessages) {
                if (queued.kind == msg::SysColorChange || queued.kind == msg::DisplayChange) {
                    return ws.DefaultProcessing(message);
                }
            }
        }
    }

    mDeferredMessages.push_back(message);

    switch (kind) {
        case msg::Size:
            mPhysMinimized = message.wparam == platform::size::Minimized;
            return ws.DefaultProcessing(message);
        case msg::SysKeyDown:
            // Alt+F4 still closes the window; other system keys stop here.
            if (message.wparam == platform::vk::F4) {
                return ws.DefaultProcessing(message);
            }
            return 0;
        case msg::Close:
            // The window is not destroyed here: the delivery shuts the program down.
            CloseRequest();
            return 0;
        default:
            return ws.DefaultProcessing(message);
    }
}

void VeskAppBase::HandleDemoKey(char character) {
    static constexpr int kJumpBackMs[] = {120000, 90000, 60000, 30000, 10000, 5000};
    const int frameTime = mFrameTime > 0 ? mFrameTime : 1;

    switch (character) {
        case '+':
            mSpeed *= 1.5;
            break;
        case '-':
            mSpeed /= 1.5;
            break;
        case '=':
            mSpeed = 1.0;
            break;
        case 'P':
        case 'p':
            mPaused = !mPaused;
            ClearUpdateBacklog();
            break;
        case 'N':
        case 'n':
            mFastForwardTarget = mUpdateCount + 1;
            mRedrawNow = true;
            break;
        case 'M':
        case 'm':
            mRunToEnd = true;
            break;
        case '0':
            mFastForwardTarget = mDemoLength;
            break;
        case 'S':
        case 's':
            ToggleDemoSound();
            break;
        case 'L':
        case 'l':
            ShowMarkerListDialog();
            break;
        case 'J':
        case 'j':
            ShowJumpToTimeDialog();
            break;
        default:
            if (character >= '4' && character <= '9') {
                mFastForwardTarget = mDemoLength - kJumpBackMs[character - '4'] / frameTime;
            }
            break;
    }
}

void VeskAppBase::ToggleDemoSound() {
    if (mMusicVolume != 0.0) {
        mDemoMusicVolume = mMusicVolume;
        SetMusicVolume(0.0);
    } else {
        SetMusicVolume(mDemoMusicVolume);
    }
    if (mSfxVolume != 0.0) {
        mDemoSfxVolume = mSfxVolume;
        SetSfxVolume(0.0);
    } else {
        SetSfxVolume(mDemoSfxVolume);
    }
}

bool VeskAppBase::ProcessDeferredMessages() {
    if (mDeferredMessages.empty()) {
        return false;
    }
    const platform::Message message = mDeferredMessages.front();
    mDeferredMessages.pop_front();
    const uint32_t kind = message.kind;

    if (mRecordingDemoBuffer && !mShutdown) {
        DemoRecordMessage(message);
        if (IsMouseMessage(kind)) {
            mLastDemoMouseX = platform::LowSigned(message.lparam);
            mLastDemoMouseY = platform::HighSigned(message.lparam);
        }
    }

    if (kind == msg::Close && (message.window == mHWnd || message.window == mInvisHWnd)) {
        mManualShutdown = true;
        Shutdown();
        return !mDeferredMessages.empty();
    }

    // While a demo plays only the recording drives the widgets.
    if (mPlayingDemoBuffer) {
        return !mDeferredMessages.empty();
    }

    switch (kind) {
        case msg::Move:
            if (message.window == mHWnd && mIsWindowed) {
                if (platform::Window* window = MainWindow()) {
                    const platform::Placement placement = window->GetPlacement();
                    if (placement.state == platform::ShowState::Normal) {
                        mPreferredX = placement.normalPosition.x;
                        mPreferredY = placement.normalPosition.y;
                    }
                }
            }
            break;
        case msg::Size:
            if (message.window == mHWnd && !mShutdown) {
                const bool minimized = message.wparam == platform::size::Minimized;
                if (minimized != mMinimized) {
                    mMinimized = minimized;
                    if (minimized) {
                        if (mMuteOnLostFocus) {
                            Mute(true);
                        }
                    } else {
                        if (mMuteOnLostFocus) {
                            Unmute(true);
                        }
                        mWidgetManager->MarkAllDirty();
                    }
                }
                SetActive();
                if (message.wparam == platform::size::Maximized) {
                    SwitchScreenModeWindowed(false);
                }
            }
            break;
        case msg::SysColorChange:
        case msg::DisplayChange:
            mWidgetManager->SysColorChangedAll();
            mWidgetManager->MarkAllDirty();
            break;
        case msg::ActivateApp:
            if (message.window == mHWnd && !mIsWindowHidden && !mShutdown) {
                SetActive();
                if (mActive && !mIsPhysWindowed) {
                    mWidgetManager->MarkAllDirty();
                }
                if (mIsOpeningURL && !mActive) {
                    URLOpenSucceeded(mOpeningURL);
                }
            }
            break;
        case msg::KeyDown:
        case msg::SysKeyDown:
            mLastUserInputTick = mLastTimerTime;
            if (kind == msg::SysKeyDown && message.wparam == platform::vk::Enter &&
                !mForceFullscreen && !mFullScreenImpossible) {
                SwitchScreenModeWindowed(!mIsWindowed);
                ClearKeyStates();
            } else {
                mWidgetManager->KeyDown(static_cast<int>(message.wparam));
            }
            break;
        case msg::KeyUp:
        case msg::SysKeyUp:
            mLastUserInputTick = mLastTimerTime;
            mWidgetManager->KeyUp(static_cast<int>(message.wparam));
            break;
        case msg::Char:
            mLastUserInputTick = mLastTimerTime;
            mWidgetManager->KeyChar(static_cast<char>(static_cast<uint8_t>(message.wparam)));
            break;
        case msg::Timer:
            if (!mIsWindowHidden && mRunning) {
                DeliverTimer(message);
            }
            break;
        case msg::MouseWheel:
            mWidgetManager->MouseWheel(static_cast<int8_t>(platform::WheelDelta(message.wparam) /
                                                           platform::WheelDeltaPerNotch));
            break;
        default:
            if (IsMouseMessage(kind) && !mIsWindowHidden) {
                DeliverMouseMessage(message);
            }
            break;
    }

    return !mDeferredMessages.empty();
}

void VeskAppBase::DeliverMouseMessage(const platform::Message& message) {
    int x = platform::LowSigned(message.lparam);
    int y = platform::HighSigned(message.lparam);
    mWidgetManager->RemapMouse(x, y);
    mLastUserInputTick = mLastTimerTime;
    mWidgetManager->MouseMove(x, y);
    if (!mMouseIn) {
        mMouseIn = true;
        if (mRecordingDemoBuffer && !mShutdown) {
            DemoRecordMouseIn(true);
        }
        EnforceCursor();
    }

    platform::WindowSystem& ws = WindowSystem();
    auto buttonUp = [&](int bit, int clickCount) {
        // The capture stays while another button is still held.
        if ((mWidgetManager->mDownButtons & ~bit) == 0) {
            ws.ReleaseCapture();
        }
        mWidgetManager->MouseUp(x, y, clickCount);
    };
    auto buttonDown = [&](int clickCount) {
        ws.SetCapture(mHWnd);
        mWidgetManager->MouseDown(x, y, clickCount);
    };

    switch (message.kind) {
        case msg::LeftButtonDown:
            buttonDown(1);
            break;
        case msg::LeftButtonDoubleClick:
            buttonDown(2);
            break;
        case msg::RightButtonDown:
            buttonDown(-1);
            break;
        case msg::RightButtonDoubleClick:
            buttonDown(-2);
            break;
        case msg::MiddleButtonDown:
        case msg::MiddleButtonDoubleClick:
            // A second middle press is still a press; dropping it would leave its release
            // without one.
            buttonDown(3);
            break;
        case msg::LeftButtonUp:
            buttonUp(1, 1);
            break;
        case msg::RightButtonUp:
            buttonUp(2, -1);
            break;
        case msg::MiddleButtonUp:
            buttonUp(4, 3);
            break;
        default:
            break;
    }
}

void VeskAppBase::DeliverTimer(const platform::Message& message) {
    (void)message;
    const uint32_t now = platform::NowMs();
    if (now - mLastTimerTime > 500) {
        mLastBigDelayTime = now;
    }
    mLastTimerTime = now;

    if (mIsOpeningURL && now - mLastBigDelayTime > 5000) {
        if (!mActive && now - mOpeningURLTime > 8000) {
            URLOpenSucceeded(mOpeningURL);
        } else if (mActive && now - mOpeningURLTime > 12000) {
            URLOpenFailed(mOpeningURL);
        }
    }

    platform::Window* window = MainWindow();
    if (window == nullptr) {
        return;
    }
    platform::WindowSystem& ws = WindowSystem();
    const int width = mDDInterface != nullptr ? mDDInterface->mDisplayWidth : mWidth;
    const int height = mDDInterface != nullptr ? mDDInterface->mDisplayHeight : mHeight;
    const platform::Point topLeft = window->ClientToScreen(platform::Point{0, 0});
    const platform::Point bottomRight = window->ClientToScreen(platform::Point{width, height});
    const platform::Point cursor = ws.CursorPosition();
    const bool inside = ws.WindowUnderCursor() == mHWnd && cursor.x >= topLeft.x &&
                        cursor.y >= topLeft.y && cursor.x < bottomRight.x &&
                        cursor.y < bottomRight.y;
    if (inside == mMouseIn) {
        return;
    }

    if (mRecordingDemoBuffer && !mShutdown) {
        DemoRecordMouseIn(inside);
    }
    if (!inside) {
        const platform::Point client = window->ScreenToClient(cursor);
        int x = client.x;
        int y = client.y;
        mWidgetManager->RemapMouse(x, y);
        mWidgetManager->MouseExit(x, y);
    }
    mMouseIn = inside;
    EnforceCursor();
}

void VeskAppBase::SetActive() {
    const bool hasFocus = mActive && !mMinimized;
    if (hasFocus == mHasFocus) {
        return;
    }
    mHasFocus = hasFocus;
    if (hasFocus) {
        if (mMuteOnLostFocus) {
            Unmute(true);
        }
        mWidgetManager->GotFocus();
        GotFocus();
    } else {
        if (mMuteOnLostFocus) {
            Mute(true);
        }
        mWidgetManager->LostFocus();
        LostFocus();
        if (mWindowSystem != nullptr) {
            mWindowSystem->ReleaseCapture();
        }
        mWidgetManager->ReleaseMouseCapture();
    }
}

void VeskAppBase::ClearKeyStates() {
    std::memset(mWidgetManager->mKeyDown, 0, sizeof(mWidgetManager->mKeyDown));
    mCtrlDown = false;
    mAltDown = false;
}

bool VeskAppBase::ScreenSaverFilter(const platform::Message& message, intptr_t& result) {
    // Without a password check, user input ends the screen saver by closing the program.
    platform::WindowSystem& ws = WindowSystem();
    if (!mScreenSaverFilterStarted) {
        mScreenSaverFilterStarted = true;
        mScreenSaverMousePos = ws.CursorPosition();
    }

    const uint32_t kind = message.kind;
    if (kind == msg::SysCommand) {
        const uintptr_t command = message.wparam & 0xFFF0;
        if (command == platform::sysCommand::Close || command == platform::sysCommand::NextWindow ||
            command == platform::sysCommand::PrevWindow ||
            command == platform::sysCommand::ScreenSave) {
            result = 0;
            return true;
        }
        return false;
    }

    const bool nearMonitorPower =
        message.window == mHWnd && platform::NowMs() - mLastMonitorPowerTick < 1000;

    bool ends = false;
    switch (kind) {
        case msg::MouseMove: {
            if (nearMonitorPower) {
                return false;
            }
            const platform::Point position = ws.CursorPosition();
            if (!(position == mScreenSaverMousePos)) {
                ++mScreenSaverMoveCount;
                mScreenSaverMousePos = position;
            }
            if (mScreenSaverMoveCount < 4) {
                result = 0;
                return true;
            }
            ends = true;
            break;
        }
        case msg::KeyDown:
        case msg::SysKeyDown:
        case msg::LeftButtonDown:
        case msg::RightButtonDown:
        case msg::MiddleButtonDown:
            ends = true;
            break;
        case msg::Close:
            ends = !nearMonitorPower;
            break;
        case msg::ActivateApp:
        case msg::Activate:
        case msg::NcActivate:
            ends = message.wparam == 0 && !nearMonitorPower;
            break;
        default:
            break;
    }

    // Posted once: a close that arrives itself needs no second one.
    if (ends && !mScreenSaverEnding) {
        mScreenSaverEnding = true;
        if (kind != msg::Close) {
            ws.PostMessage(mHWnd, msg::Close, 0, 0);
        }
    }
    return false;
}

}  // namespace Vesk
