// The main loop: pumping, fixed-period updates with catch-up, drawing and sleeping.
#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>

#include "app/VeskAppBase.h"
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "graphics/MemoryImage.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/TextSystem.h"
#include "platform/Thread.h"
#include "resources/ParticleRegistry.h"
#include "resources/SysFont.h"
#include "sound/MusicInterface.h"
#include "sound/SoundManager.h"
#include "util/Common.h"
#include "widgets/Widget.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

void Sleep(uint32_t ms) {
    platform::GetClock().SleepMs(ms);
}

// The overlay pictures and their font: made on first use and kept until the process ends, so
// they are never destroyed after the application.
struct Overlays {
    std::unique_ptr<SysFont> font;
    std::unique_ptr<MemoryImage> fps;
    std::unique_ptr<MemoryImage> demoTime;
};

Overlays& GetOverlays() {
    static Overlays* const overlays = new Overlays();
    // A font made before the text layer existed is made again once it does.
    if (overlays->font == nullptr ||
        (overlays->font->GetHeight() == 0 && platform::GetTextSystem() != nullptr)) {
        overlays->font = std::make_unique<SysFont>("Tahoma", 8);
    }
    return *overlays;
}

// Opaque black with the text in white at (2, ascent); the picture is made minWidth wide or as
// wide as the text needs.
void PaintOverlay(std::unique_ptr<MemoryImage>& image, int32_t minWidth, const std::string& text) {
    SysFont& font = *GetOverlays().font;
    const int32_t width = std::max(minWidth, font.StringWidth(text) + 4);
    const int32_t height = font.GetHeight() + 4;
    if (image == nullptr || image->GetWidth() < width) {
        image = std::make_unique<MemoryImage>(nullptr);
        image->Create(width, height);
    }
    Graphics g(image.get());
    g.SetColor(Color(0, 0, 0, 255));
    g.FillRect(0, 0, image->GetWidth(), image->GetHeight());
    g.SetFont(&font);
    g.SetColor(Color(255, 255, 255, 255));
    g.DrawString(text, 2, font.GetAscent());
}

// Beyond these many areas, a frame is shown as the box around them.
constexpr size_t kMaxPresentedAreas = 8;

// The box holding both; an empty one adds nothing.
Rect Bounds(const Rect& a, const Rect& b) {
    if (a.mWidth <= 0 || a.mHeight <= 0) {
        return b;
    }
    if (b.mWidth <= 0 || b.mHeight <= 0) {
        return a;
    }
    const int32_t left = std::min(a.mX, b.mX);
    const int32_t top = std::min(a.mY, b.mY);
    const int32_t right = std::max(a.mX + a.mWidth, b.mX + b.mWidth);
    const int32_t bottom = std::max(a.mY + a.mHeight, b.mY + b.mHeight);
    return Rect(left, top, right - left, bottom - top);
}

}  // namespace

void VeskAppBase::MainLoop() {
    if (mShutdown) {
        return;
    }
    do {
        mStepAbort = false;
        UpdateApp();
    } while (!mShutdown);
}

bool VeskAppBase::UpdateApp() {
    for (;;) {
        bool updated = false;
        if (!UpdateAppStep(&updated)) {
            return false;
        }
        if (updated) {
            return true;
        }
        if (mShutdown) {
            return false;
        }
    }
}

bool VeskAppBase::UpdateAppStep(bool* updated) {
    if (updated != nullptr) {
        *updated = false;
    }
    if (mStepAbort) {
        return false;
    }

    if (mStepState == UPDATESTATE_PROCESS_DONE) {
        mStepState = UPDATESTATE_MESSAGES;
    }
    ++mUpdateDepth;

    if (mStepState == UPDATESTATE_MESSAGES) {
        platform::WindowSystem& ws = WindowSystem();
        while (!mShutdown) {
            const std::optional<platform::Message> message = ws.PeekMessage(true);
            if (!message) {
                break;
            }
            ws.Dispatch(*message);
        }
        DemoPlaybackStep();
        const bool hadDeferred = !mDeferredMessages.empty();
        ProcessDeferredMessages();
        if (!hadDeferred) {
            mStepState = UPDATESTATE_PROCESS_1;
        }
        --mUpdateDepth;
        return true;
    }

    if (mStepMode == 1) {
        DoUpdateFrames();
        mStepMode = 2;
        DoUpdateFramesF(1.0f);
        Redraw();
        --mUpdateDepth;
        return true;
    }

    if (mStepMode == 2) {
        Sleep(static_cast<uint32_t>(std::max(mFrameTime, 0)));
        --mUpdateDepth;
        mStepState = UPDATESTATE_PROCESS_DONE;
        return true;
    }

    const int updateCountBefore = mUpdateCount;
    Process(true);
    if (updated != nullptr && mUpdateCount != updateCountBefore) {
        *updated = true;
    }
    --mUpdateDepth;
    return true;
}

double VeskAppBase::GetUpdatePeriod() const {
    if (mRefreshPacingWanted) {
        // A replayed or unreadable rate must not make the period infinite.
        const int rate = std::clamp(mRefreshRate, 60, 100);
        return 1000.0 / rate / mSpeed;
    }
    return mFrameTime / mSpeed;
}

float VeskAppBase::GetUpdateFraction() const {
    if (mRefreshPacingWanted) {
        const int rate = std::clamp(mRefreshRate, 60, 100);
        return static_cast<float>(1000.0 / (std::max(mFrameTime, 1) * rate));
    }
    return 1.0f;
}

bool VeskAppBase::Process(bool allowSleep) {
    if (mShutdownRequested) {
        Shutdown();
    }
    // A quit signal ends the program even when its Close went to a window since remade.
    if (!mShutdown && QuitSignalled()) {
        mManualShutdown = true;
        Shutdown();
    }

    const double period = GetUpdatePeriod();
    const float fraction = GetUpdateFraction();
    if (mPlayingDemoBuffer && FastForwardDemo(fraction)) {
        return true;
    }

    if (mPaused || mSpeed <= 0.0) {
        return IdleWhilePaused(allowSleep);
    }

    const bool pacing = PacingByRefresh();
    const uint32_t now = platform::NowMs();
    uint32_t slept = 0;
    if (!pacing) {
        AccumulateElapsedTime();
    }

    bool draw = false;
    if (mStepState == UPDATESTATE_PROCESS_1) {
        draw = UpdateOrDraw(pacing, period, now);
    } else if (mStepState == UPDATESTATE_PROCESS_2) {
        mStepState = UPDATESTATE_PROCESS_DONE;
        CatchUpUpdates(fraction, true);
        mPendingTime -= period;
        if (pacing) {
            mPendingTime = std::max(mPendingTime - kPacedPendingTrimMs, 0.0);
        }
    } else {
        draw = true;
    }

    if (draw && !DrawOrSleep(period, allowSleep, slept)) {
        return false;
    }
    if (!YieldToLoader(now, slept, allowSleep)) {
        return false;
    }
    ProcessSafeDeleteList();
    return true;
}

bool VeskAppBase::PacingByRefresh() const {
    return !mPlayingDemoBuffer && mRefreshPacingWanted && !mLastDrawSkipped &&
           !mRefreshPacingDropped && !mIsPhysWindowed;
}

bool VeskAppBase::FastForwardDemo(float fraction) {
    bool entered = false;
    bool ended = false;
    while (mUpdateCount < mFastForwardTarget || mRunToEnd) {
        if (!entered) {
            entered = true;
            if (!mMutedForFastForward && !mRedrawNow) {
                mMutedForFastForward = true;
                Mute(true);
            }
            if (!mFastForwardRedrawNoted) {
                mFastForwardRedrawNoted = true;
                mLastFastForwardRedrawTick = platform::NowMs();
            }
        }

        ClearUpdateBacklog();
        const int updateCountBefore = mUpdateCount;
        // Once per update: the events recorded before it are replayed first.
        DemoPlaybackStep();
        if (DoUpdateFrames()) {
            CatchUpUpdates(fraction, false);
        }

        if (mUpdateCount == updateCountBefore) {
            // The recording has ended: stop fast-forwarding and go back to pumping
            // messages, or the program could neither draw nor be closed.
            mFastForwardTarget = 0;
            mRunToEnd = false;
            mRedrawNow = false;
            ended = true;
            break;
        }

        const uint32_t now = platform::NowMs();
        if (now - mLastFastForwardRedrawTick >= kFastForwardRedrawMs || mRedrawNow) {
            mRedrawNow = false;
            mLastFastForwardRedrawTick = now;
            Redraw();
            // Pump at every redraw so a long fast-forward can still be closed.
            mStepState = UPDATESTATE_PROCESS_DONE;
            return true;
        }
    }
    if (mMutedForFastForward) {
        if (mSoundManager != nullptr) {
            mSoundManager->StopAllSounds();
        }
        mMutedForFastForward = false;
        Unmute(true);
    }
    if (ended) {
        mStepState = UPDATESTATE_PROCESS_DONE;
    }
    return ended;
}

bool VeskAppBase::IdleWhilePaused(bool allowSleep) {
    ProcessSafeDeleteList();
    // End the step and wait a frame, so messages (among them the one that resumes) are
    // still pumped and the loop does not spin.
    mStepState = UPDATESTATE_PROCESS_DONE;
    if (!allowSleep) {
        return false;
    }
    Sleep(static_cast<uint32_t>(std::max(mFrameTime, 1)));
    return true;
}

bool VeskAppBase::UpdateOrDraw(bool pacing, double period, uint32_t now) {
    ++mUpdatesSinceDraw;
    if (mLoaded && mUpdatesSinceDraw >= static_cast<int>(std::ceil(mSpeed * kUpdatesPerDraw))) {
        return true;
    }
    if (!pacing || mUpdatedSinceDraw) {
        // Paced, an update waits for most of the refresh period, cut to whole milliseconds.
        const double threshold =
            pacing ? static_cast<double>(static_cast<int>(period * kPacedUpdateShare)) : period;
        if (mPendingTime < threshold) {
            return true;
        }
    }

    if (!mPlayingDemoBuffer && mSpeed == 1.0) {
        CountPacingWindow(now);
    }

    if (DoUpdateFrames()) {
        mStepState = UPDATESTATE_PROCESS_2;
        mUpdatedSinceDraw = true;
    } else {
        // A refused update still uses up its slot and ends the step; otherwise the
        // same refusal would repeat at once without pumping or sleeping.
        mPendingTime = std::max(mPendingTime - period, 0.0);
        mStepState = UPDATESTATE_PROCESS_DONE;
    }
    return false;
}

void VeskAppBase::CountPacingWindow(uint32_t now) {
    // One second's worth of updates makes a window.
    const uint32_t windowLength =
        static_cast<uint32_t>((mFrameTime + kMsPerSecond - 1) / std::max(mFrameTime, 1));
    ++mPacingWindowUpdates;
    if (mPacingWindowUpdates < windowLength) {
        return;
    }
    if (now - mPacingWindowStart <= kFastPacingWindowMs) {
        if (++mPacingFastWindows >= kFastPacingWindowsToDrop) {
            mRefreshPacingDropped = true;
        }
    } else {
        mPacingFastWindows = 0;
    }
    mPacingWindowStart = now;
    mPacingWindowUpdates = 0;
}

bool VeskAppBase::DrawOrSleep(double period, bool allowSleep, uint32_t& slept) {
    mStepState = UPDATESTATE_PROCESS_DONE;
    mUpdatesSinceDraw = 0;
    if (mUpdatedSinceDraw) {
        Redraw();
        return true;
    }
    // Idle for the screen saver, nothing updates and so nothing redraws: the check
    // that ends the idle runs from here.
    if (mScreenSaverIdle) {
        PollScreenSaverIdle();
    }
    // Less than a millisecond left still sleeps one, or the loop would spin
    // until the clock ticks.
    const double remaining = period - mPendingTime;
    const int sleepMs = remaining > 0.0 ? std::max(static_cast<int>(remaining), 1) : 0;
    if (sleepMs <= 0) {
        return true;
    }
    if (!allowSleep) {
        return false;
    }
    ++mSleepCount;
    Sleep(static_cast<uint32_t>(sleepMs));
    slept = static_cast<uint32_t>(sleepMs);
    return true;
}

bool VeskAppBase::YieldToLoader(uint32_t stepStart, uint32_t slept, bool allowSleep) {
    if (!mLoadingThreadStarted || mLoadingThreadCompleted) {
        return true;
    }
    // The main thread sleeps about twice as long as it worked, so the loader gets time.
    const int64_t worked = static_cast<int64_t>(platform::NowMs() - stepStart) - slept;
    const int64_t extra =
        std::min<int64_t>(kLoaderSleepPerWork * worked - slept, kMaxLoaderYieldMs);
    if (extra < 0) {
        return true;
    }
    if (!allowSleep) {
        return false;
    }
    Sleep(static_cast<uint32_t>(extra));
    return true;
}

void VeskAppBase::CatchUpUpdates(float fraction, bool countForDraw) {
    mUpdateAccumulator += fraction - 1.0;
    ProcessSafeDeleteList();
    while (mUpdateAccumulator >= 1.0) {
        DemoPlaybackStep();
        if (countForDraw) {
            ++mUpdatesSinceDraw;
        }
        if (!DoUpdateFrames()) {
            break;
        }
        ProcessSafeDeleteList();
        mUpdateAccumulator -= 1.0;
    }
    DoUpdateFramesF(fraction);
    ProcessSafeDeleteList();
}

void VeskAppBase::AccumulateElapsedTime() {
    const uint32_t t = platform::NowMs();
    if (mLastTime == 0) {
        mLastTime = t;
        return;
    }
    mPendingTime = std::min(mPendingTime + (t - mLastTime), MAX_PENDING_MS);
    mLastTime = t;
}

void VeskAppBase::ClearUpdateBacklog() {
    mPendingTime = 0.0;
    mLastTime = platform::NowMs();
}

bool VeskAppBase::DoUpdateFrames() {
    if (mScreenSaverIdle) {
        return false;
    }

    auto takeCompletion = [this] {
        platform::SetCurrentThreadPriority(platform::ThreadPriority::Normal);
        mLoaded = true;
        mLoadingRunning = false;
        LoadingThreadCompleted();
    };

    if (!mPlayingDemoBuffer) {
        if (mLoadingThreadCompleted && !mLoaded) {
            // The event goes first: what the hook reads from the outside world follows it
            // in the recording, as the replay takes it after the event.
            if (mRecordingDemoBuffer) {
                DemoRecordLoadingCompleted();
            }
            takeCompletion();
        }
    } else {
        if (mLoadingThreadCompleted && !mLoaded && mDemoLoadingComplete) {
            takeCompletion();
        }
        if (mLoaded != mDemoLoadingComplete) {
            return false;
        }
        if (mUpdateCount == mDemoLength) {
            return false;
        }
        // An update must not pass an event recorded before it.
        if (DemoEventDue()) {
            return false;
        }
    }

    UpdateFrames();
    return true;
}

void VeskAppBase::UpdateFrames() {
    ++mUpdateCount;
    if (!mMinimized) {
        mWidgetManager->UpdateFrame();
    }
    if (mMusicInterface != nullptr) {
        mMusicInterface->Update();
    }
    CleanSharedImages();
}

void VeskAppBase::DoUpdateFramesF(float fraction) {
    if (!mRefreshPacingWanted || mMinimized) {
        return;
    }
    mWidgetManager->UpdateFrameF(fraction);
    if (mParticleRegistry != nullptr) {
        mParticleRegistry->UpdateParticleSystems(fraction * 0.01f);
    }
}

void VeskAppBase::CleanSharedImages() {
    CriticalLock& lock = mDDInterface != nullptr ? mDDInterface->mCritSect : mCritSect;
    std::lock_guard<CriticalLock> guard(lock);
    if (!mCleanupSharedImages) {
        return;
    }
    for (auto it = mSharedImageMap.begin(); it != mSharedImageMap.end();) {
        if (it->second.mRefCount == 0) {
            delete it->second.mImage;
            it = mSharedImageMap.erase(it);
        } else {
            ++it;
        }
    }
    mCleanupSharedImages = false;
}

bool VeskAppBase::Redraw() {
    if (mDisplayLost) {
        PresentScreen(nullptr);
        mUpdatedSinceDraw = false;
        mLastDrawSkipped = true;
        return false;
    }

    if (mShowFPS) {
        if (mShowFPSMode == 0) {
            UpdateFPSImage();
        } else if (mShowFPSMode == 1) {
            UpdateCoordsImage(mWidgetManager->mLastMouseX, mWidgetManager->mLastMouseY);
        }
        if (mPlayingDemoBuffer) {
            UpdateDemoTimeImage();
        }
    }

    const uint32_t now = platform::NowMs();
    PollScreenSaverIdle();

    if (mScreenSaverIdle) {
        mUpdatedSinceDraw = false;
        mLastDrawSkipped = true;
        return false;
    }

    mIsDrawing = true;
    const bool drew = mWidgetManager->DrawScreen();
    mIsDrawing = false;
    if (drew) {
        const std::vector<Rect>& areas = mWidgetManager->DrawnAreas();
        mUnshownAreas.insert(mUnshownAreas.end(), areas.begin(), areas.end());
        // Frames drawn but not yet shown keep only the box around their areas.
        if (mUnshownAreas.size() > kMaxPresentedAreas) {
            Rect bounds;
            for (const Rect& area : mUnshownAreas) {
                bounds = Bounds(bounds, area);
            }
            mUnshownAreas.assign(1, bounds);
        }
    }

    const bool unchanged = !drew && now - mLastDrawTick < 1000 && !mForceRedraw;
    const bool tooEarly = static_cast<int32_t>(now - mNextDrawTick) < 0;
    if (unchanged || tooEarly) {
        mUpdatedSinceDraw = false;
        mLastDrawSkipped = true;
        return false;
    }

    ++mDrawCount;
    mLastDrawSkipped = false;
    mDrawTime += static_cast<int>(platform::NowMs() - now);

    if (mShowFPS && mDDInterface != nullptr && mDDInterface->GetScreenImage() != nullptr) {
        Image* screen = mDDInterface->GetScreenImage();
        Graphics g(screen);
        const Overlays& overlays = GetOverlays();
        if (overlays.fps != nullptr) {
            g.DrawImage(overlays.fps.get(), screen->GetWidth() - overlays.fps->GetWidth() - 10,
                        screen->GetHeight() - overlays.fps->GetHeight() - 10);
        }
        if (mPlayingDemoBuffer && overlays.demoTime != nullptr) {
            const int32_t fpsHeight = overlays.fps != nullptr ? overlays.fps->GetHeight() : 0;
            g.DrawImage(overlays.demoTime.get(),
                        screen->GetWidth() - overlays.demoTime->GetWidth() - 10,
                        screen->GetHeight() - fpsHeight - overlays.demoTime->GetHeight() - 15);
        }
    }

    if (mWaitForVSync && mIsPhysWindowed && mDDInterface != nullptr) {
        const uint32_t since = platform::NowMs() - mLastDrawTick;
        if (since < mDDInterface->mMillisecondsPerFrame) {
            Sleep(mDDInterface->mMillisecondsPerFrame - since);
        }
    }

    const uint32_t presentStart = platform::NowMs();
    mLastDrawTick = presentStart;
    PresentDrawnAreas();
    AccumulateElapsedTime();
    mScreenBltTime = static_cast<int>(platform::NowMs() - presentStart);

    const uint32_t current = platform::NowMs();
    if (mLoadingThreadStarted && !mLoadingThreadCompleted) {
        const uint32_t duration = current - now;
        mNextDrawTick += std::max<uint32_t>(duration, 15) + 35;
        if (static_cast<int32_t>(mNextDrawTick - current) <= 0) {
            mNextDrawTick = current;
        }
    } else {
        mNextDrawTick = current;
    }

    mUpdatedSinceDraw = false;
    mForceRedraw = false;
    return true;
}

void VeskAppBase::PresentDrawnAreas() {
    const Rect whole =
        mWidgetManager->mImage != nullptr
            ? Rect(0, 0, mWidgetManager->mImage->GetWidth(), mWidgetManager->mImage->GetHeight())
            : Rect();
    std::vector<Rect> areas;
    areas.swap(mUnshownAreas);
    // The overlays draw over the whole screen.
    if (mShowFPS || mForceRedraw) {
        areas.assign(1, whole);
    }
    Rect bounds;
    int64_t covered = 0;
    bool everything = false;
    for (const Rect& area : areas) {
        bounds = Bounds(bounds, area);
        covered += int64_t{area.mWidth} * area.mHeight;
        everything = everything || area == whole;
    }
    // An unchanged screen shown for the time that passed shows nothing again. Areas scattered
    // over the screen are shown one by one rather than with everything between them.
    if (everything) {
        PresentScreen(nullptr);
    } else if (areas.size() > 1 && areas.size() <= kMaxPresentedAreas &&
               covered * 2 < int64_t{bounds.mWidth} * bounds.mHeight) {
        for (const Rect& area : areas) {
            PresentScreen(&area);
        }
    } else {
        PresentScreen(bounds == whole ? nullptr : &bounds);
    }
}

void VeskAppBase::PresentScreen(const Rect* rect) {
    if (mIsDrawing || mShutdown || mScreenSaverIdle || mDDInterface == nullptr) {
        return;
    }

    if (mDDInterface->Redraw(rect)) {
        if (mDisplayLost) {
            mDisplayLost = false;
            mLastRecoveryAttemptTick = 0;
        }
        return;
    }

    mDisplayLost = true;
    platform::Window* window = MainWindow();
    if (window == nullptr) {
        return;
    }
    if (mMinimized || window->GetPlacement().state == platform::ShowState::Minimized) {
        return;
    }
    const uint32_t now = platform::NowMs();
    if (!mActive && (!mIsPhysWindowed || now - mLastRecoveryAttemptTick < 1000)) {
        return;
    }

    mLastRecoveryAttemptTick = now;
    mWidgetManager->mImage = nullptr;

    const platform::Size screen = WindowSystem().ScreenSize();
    if (mIsWindowed && (mWidth >= screen.width || mHeight >= screen.height)) {
        if (mLastInitDisplayResult == DDInterface::RESULT_INVALID_COLORDEPTH) {
            Popup(GetStringOrDefault("PLEASE_SET_COLOR_DEPTH",
                                     "Please set your desktop color depth to 16 bit."));
            ShutdownOnError();
        } else {
            mForceFullscreen = true;
            SwitchScreenModeWindowed(false);
        }
        return;
    }

    const int result = InitDisplay();
    if (result == DDInterface::RESULT_INVALID_COLORDEPTH && mIsWindowed) {
        if (mActive) {
            mForceFullscreen = true;
            SwitchScreenModeWindowed(false);
        }
    } else if (result == DDInterface::RESULT_3D_FAIL) {
        Set3DAcceleration(false, true);
    } else if (result == DDInterface::RESULT_OK) {
        ReInitImages();
        mWidgetManager->mImage = mDDInterface->GetScreenImage();
        mWidgetManager->MarkAllDirty();
        mLastDisplayReinitTick = platform::NowMs();
    }
}

void VeskAppBase::PollScreenSaverIdle() {
    const uint32_t now = platform::NowMs();
    if (now - mLastScreenSaverCheckTick > 1000) {
        mLastScreenSaverCheckTick = now;
        CheckScreenSaverIdle(now);
    }
}

void VeskAppBase::CheckScreenSaverIdle(uint32_t now) {
    if (mIsScreenSaver || !mIsPhysWindowed || mWindowSystem == nullptr) {
        return;
    }
    if (!mScreenSaverSettingsRead || now - mLastScreenSaverSettingsTick >= 10000) {
        mScreenSaverSettingsRead = true;
        mLastScreenSaverSettingsTick = now;
        const platform::WindowSystem::ScreenSaverSettings settings =
            mWindowSystem->GetScreenSaverSettings();
        mScreenSaverActive = settings.active;
        // Two seconds early, so that the program is quiet when the saver starts.
        mScreenSaverIdleLimit = static_cast<uint32_t>(std::min<int64_t>(
            std::max<int64_t>(int64_t{settings.timeoutSeconds} - 2, 1) * 1000, UINT32_MAX));
        if (!mScreenSaverActive) {
            mScreenSaverIdle = false;
        }
    }
    if (!mScreenSaverActive) {
        return;
    }
    // The last input lies no later than now: the idle time is never negative.
    const std::optional<uint32_t> idle = mWindowSystem->IdleMilliseconds();
    if (!idle.has_value()) {
        return;
    }
    if (mScreenSaverIdle) {
        if (mWindowSystem->IsScreenSaverRunning()) {
            return;
        }
        if (*idle < mScreenSaverIdleLimit) {
            mScreenSaverIdle = false;
            if (mWidgetManager != nullptr) {
                mWidgetManager->MarkAllDirty();
            }
        }
    } else if (*idle > mScreenSaverIdleLimit) {
        mScreenSaverIdle = true;
    }
}

void VeskAppBase::UpdateFPSImage() {
    const uint32_t now = platform::NowMs();
    ++mFPSFrameCount;
    const uint32_t elapsed = now - mFPSStartTick;
    if (elapsed >= 1000 || mFPSJustEnabled) {
        mFPS = mFPSJustEnabled || elapsed == 0
                   ? 0
                   : static_cast<int>(mFPSFrameCount * 1000.0 / elapsed + 0.5);
        mFPSJustEnabled = false;
        mFPSStartTick = now;
        mFPSFrameCount = 0;
    }
    PaintOverlay(GetOverlays().fps, 50, StrFormat("FPS: %d", mFPS));
}

void VeskAppBase::UpdateCoordsImage(int x, int y) {
    PaintOverlay(GetOverlays().fps, 50, StrFormat("%d,%d", x, y));
}

void VeskAppBase::UpdateDemoTimeImage() {
    const int64_t left = std::max<int64_t>(0, int64_t{mDemoLength} - mUpdateCount) * mFrameTime;
    const int64_t seconds = left / 1000;
    PaintOverlay(GetOverlays().demoTime, 50,
                 StrFormat("%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                           static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60)));
}

void VeskAppBase::SafeDeleteWidget(Widget* widget) {
    if (widget == nullptr) {
        return;
    }
    // Queued twice, a widget would be deleted twice.
    for (const auto& entry : mSafeDeleteList) {
        if (entry.second == widget) {
            return;
        }
    }
    mSafeDeleteList.emplace_back(mUpdateDepth, widget);
}

void VeskAppBase::ProcessSafeDeleteList() {
    for (auto it = mSafeDeleteList.begin(); it != mSafeDeleteList.end();) {
        if (it->first >= mUpdateDepth) {
            Widget* widget = it->second;
            it = mSafeDeleteList.erase(it);
            delete widget;
        } else {
            ++it;
        }
    }
}

void VeskAppBase::WaitForLoadingThread() {
    while (mLoadingThreadStarted && !mLoadingThreadCompleted) {
        Sleep(20);
    }
    if (mLoadingThread.joinable() && mLoadingThread.get_id() != std::this_thread::get_id()) {
        mLoadingThread.join();
    }
}

void VeskAppBase::Start() {
    if (mShutdown) {
        return;
    }

    StartCursorThread();
    if (mAutoStartLoadingThread) {
        StartLoadingThread();
    }

    ShowMainWindow(platform::ShowCommand::Show);
    if (platform::Window* window = MainWindow()) {
        window->SetFocus();
    }

    const uint32_t startTime = platform::NowMs();
    mRunning = true;
    mLastUserInputTick = startTime;
    mLastTimerTime = startTime;
    mLastDisplayReinitTick = startTime;

    MainLoop();
    ProcessSafeDeleteList();
    mRunning = false;

    WaitForLoadingThread();

    const uint32_t elapsed = platform::NowMs() - startTime;
    platform::DebugOutput(StrFormat("Seconds       = %g\r\n", elapsed / 1000.0));
    platform::DebugOutput(StrFormat("Sleep Count   = %d\r\n", mSleepCount));
    platform::DebugOutput(StrFormat("Update Count  = %d\r\n", mUpdateCount));
    platform::DebugOutput(StrFormat("Draw Count    = %d\r\n", mDrawCount));
    platform::DebugOutput(StrFormat("Draw Time     = %d\r\n", mDrawTime));
    platform::DebugOutput(StrFormat("Screen Blt    = %d\r\n", mScreenBltTime));
    if (mDrawTime + mScreenBltTime > 0) {
        platform::DebugOutput(
            StrFormat("Avg FPS       = %d\r\n", mDrawCount * 1000 / (mDrawTime + mScreenBltTime)));
    }

    PreTerminate();
    WriteToRegistry();
}

}  // namespace Vesk
