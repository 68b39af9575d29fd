#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/AppImageHost.h"
#include "app/AppResourceHost.h"
#include "app/AppWidgetHost.h"
#include "app/DemoMarker.h"
#include "graphics/Rect.h"
#include "graphics/SharedImage.h"
#include "platform/AudioDevice.h"
#include "platform/Message.h"
#include "platform/SettingsStore.h"
#include "platform/WindowSystem.h"
#include "resources/FontHost.h"
#include "util/Buffer.h"
#include "util/CriticalLock.h"
#include "util/GameRandom.h"
#include "util/Ratio.h"
#include "widgets/ButtonListener.h"
#include "widgets/DialogListener.h"

class ParticleRegistry;

namespace ImageLib {
class Image;
}

namespace Vesk {

class DDImage;
class DDInterface;
class Dialog;
class Image;
class MemoryImage;
class MusicInterface;
class SoundManager;
class Widget;
class WidgetManager;
class zmResourceManager;

class VeskAppBase;

// The one application object of the process; set by its constructor, cleared by its destructor.
extern VeskAppBase* gVeskAppBase;

// Cursor numbers of SetCursor.
enum CursorNumber {
    CURSOR_POINTER = 0,
    CURSOR_HAND = 1,
    CURSOR_DRAGGING = 2,
    CURSOR_TEXT = 3,
    CURSOR_CIRCLE_SLASH = 4,
    CURSOR_SIZEALL = 5,
    CURSOR_SIZENESW = 6,
    CURSOR_SIZENS = 7,
    CURSOR_SIZENWSE = 8,
    CURSOR_SIZEWE = 9,
    CURSOR_WAIT = 10,
    CURSOR_NONE = 11,
    CURSOR_CUSTOM = 12,
    NUM_CURSORS = 13,
};

// The application frame: owns the main and the invisible window, the display, the sound
// manager, the music interface, the widget manager and the resource manager, and runs the
// main loop. A game derives from it, sets its identity in its constructor and fills in hooks.
//
// Threads: everything runs on the main thread except LoadingThreadProc (loading thread) and
// Shutdown called from elsewhere, which only raises mShutdownRequested. The members that cross
// threads are atomic.
class VeskAppBase : public ButtonListener, public DialogListener, public FontHost {
public:
    // Step states of UpdateAppStep.
    enum UpdateState {
        UPDATESTATE_MESSAGES = 0,
        UPDATESTATE_PROCESS_1 = 1,
        UPDATESTATE_PROCESS_2 = 2,
        UPDATESTATE_PROCESS_DONE = 3
    };

    static constexpr uint32_t MAIN_TIMER_ID = 100;
    static constexpr double MAX_PENDING_MS = 200.0;
    // After loading, at most speed times this many updates run between two draws.
    static constexpr double kUpdatesPerDraw = 10.0;
    // Paced by the refresh rate, an update is due once this share of the period has passed.
    static constexpr double kPacedUpdateShare = 0.75;
    // Taken off the pending time after each paced update, so that pacing leans early.
    static constexpr double kPacedPendingTrimMs = 0.2;
    static constexpr int kMsPerSecond = 1000;
    // A second's updates done this fast mean the refresh-paced loop runs too fast; this many
    // such windows in a row drop pacing for the run.
    static constexpr uint32_t kFastPacingWindowMs = 800;
    static constexpr int kFastPacingWindowsToDrop = 3;
    // A demo fast-forwarding shows a frame this often.
    static constexpr uint32_t kFastForwardRedrawMs = 1000;
    // While loading, the main thread sleeps this many times as long as it worked, at most
    // kMaxLoaderYieldMs a step.
    static constexpr int64_t kLoaderSleepPerWork = 2;
    static constexpr int64_t kMaxLoaderYieldMs = 250;
    // How long stopping the cursor thread waits for it.
    static constexpr uint32_t CURSOR_THREAD_STOP_MS = 2000;

    // Value types of the registry calls; the settings store and the demo stream use the same.
    static constexpr uint32_t REG_SZ = 1;
    static constexpr uint32_t REG_BINARY = 3;
    static constexpr uint32_t REG_DWORD = 4;

    VeskAppBase();
    ~VeskAppBase() override;
    VeskAppBase(const VeskAppBase&) = delete;
    VeskAppBase& operator=(const VeskAppBase&) = delete;

    // ---- The application's virtual operations, in the order of the framework's table. ----

    virtual bool Process(bool allowSleep);
    virtual void UpdateFrames();
    virtual bool DoUpdateFrames();
    virtual void DoUpdateFramesF(float fraction);
    virtual void MakeWindow();
    virtual void EnforceCursor();
    virtual void ReInitImages();
    virtual void DeleteExtraImageBuffers();
    virtual void DeleteImageSurfaces();
    virtual void LoadingThreadCompleted() {}
    virtual std::unique_ptr<MusicInterface> CreateMusicInterface(platform::WindowId window);
    virtual void InitHook() {}
    virtual void ShutdownHook() {}
    virtual void PreTerminate() {}
    virtual void LoadingThreadProc() {}
    virtual void WriteToRegistry();
    virtual void ReadFromRegistry();
    virtual Dialog* NewDialog(int dialogId, bool isModal, const std::string& dialogHeader,
                              const std::string& dialogLines, const std::string& dialogFooter,
                              int buttonMode);
    virtual void PreDisplayHook() {}
    virtual void BeginPopup();
    virtual void EndPopup();
    virtual int MsgBoxWide(const std::u16string& text, const std::u16string& title, uint32_t flags);
    virtual int MsgBox(const std::string& text, const std::string& title, uint32_t flags);
    virtual void PopupWide(const std::u16string& text);
    void Popup(const std::string& text) override;
    virtual void LogError(const std::string& text);
    virtual void SafeDeleteWidget(Widget* widget);
    virtual void URLOpenFailed(const std::string& url);
    virtual void URLOpenSucceeded(const std::string& url);
    virtual bool OpenURL(const std::string& url, bool shutdownOnOpen);
    virtual std::string GetProductVersion(const std::string& path);
    virtual void HideAppWindow();
    virtual std::string GetCrashReportText();
    virtual void GetCrashFormFields(std::map<std::string, std::string>& fields) { (void)fields; }
    virtual void Shutdown();
    virtual void DoParseCmdLine();
    virtual void ParseCmdLine(const std::string& cmdLine);
    virtual void HandleCmdLineParam(const std::string& paramName, const std::string& paramValue);
    virtual void HandleNotifyGameMessage(int type, int param);
    virtual void HandleOtherInstance();
    virtual void Start();
    virtual void Init();
    virtual void PreDisplayInitHook() {}
    virtual void PostDisplayInitHook() {}
    virtual bool ChangeDirHook(const std::string& folder) {
        (void)folder;
        return false;
    }
    virtual void PlaySampleWithPan(int soundId, int pan);
    virtual void PlaySample(int soundId);
    virtual double GetMasterVolume();
    virtual double GetMusicVolume();
    virtual double GetSfxVolume();
    virtual bool IsMuted();
    virtual void SetMasterVolume(double volume);
    virtual void SetMusicVolume(double volume);
    virtual void SetSfxVolume(double volume);
    virtual void Mute(bool autoMute);
    virtual void Unmute(bool autoMute);
    virtual double GetLoadingThreadProgress();
    virtual DDImage* GetImage(const std::string& fileName, bool commitBits);
    SharedImageRef GetSharedImage(const std::string& fileName, const std::string& variant,
                                  bool* isNew) override;
    virtual void SwitchScreenModeFull(bool wantWindowed, bool is3D, bool force);
    virtual void SwitchScreenModeWindowed(bool wantWindowed);
    virtual void SwitchScreenModeCurrent();
    virtual void SetVideoOnlyDraw(bool videoOnly);
    virtual Dialog* DoDialog(int dialogId, bool isModal, const std::string& dialogHeader,
                             const std::string& dialogLines, const std::string& dialogFooter,
                             int buttonMode);
    virtual Dialog* GetDialog(int dialogId);
    virtual void AddDialogByObject(Dialog* dialog);
    virtual void AddDialog(int dialogId, Dialog* dialog);
    virtual bool KillDialogByObject(Dialog* dialog);
    virtual bool KillDialog(int dialogId);
    virtual bool KillDialogFull(int dialogId, bool removeWidget, bool deleteWidget);
    virtual int GetDialogCount();
    virtual void ModalOpen() {}
    virtual void ModalClose() {}
    virtual void GotFocus() {}
    virtual void LostFocus() {}
    virtual bool IsAltKeyUsed(int key);
    virtual bool DebugKeyDown(int key);
    virtual bool DebugKeyDownAsync(int key, bool ctrlDown, bool altDown) {
        (void)key;
        (void)ctrlDown;
        (void)altDown;
        return false;
    }
    virtual void CloseRequest() {}
    virtual void FirstAccelerationTestHook() {}
    virtual std::string GetExtraInfoText() { return std::string(); }
    virtual bool Redraw();
    // Shows what the frames drew since the last present.
    void PresentDrawnAreas();
    virtual void PresentScreen(const Rect* rect);
    virtual void PreReadRegistryHook() {}
    virtual void MainLoop();
    virtual bool UpdateAppStep(bool* updated);
    virtual bool UpdateApp();
    virtual bool IsAppEnabled() { return !mIsDisabled; }

    // Dialog buttons 1000 and 1001 become ButtonPress/ButtonDepress of dialog id + 2000 / + 3000.
    void DialogButtonPress(int dialogId, int buttonId) override;
    void DialogButtonDepress(int dialogId, int buttonId) override;

    // ---- Start-up (VeskAppBaseInit.cpp). ----

    // Result code of the display's Init.
    int InitDisplay();
    // Numbered demos: the highest number of base name + "%d.dmo" in the demo folder (0 when
    // none). With deleteOldest and at least maxKept files, the lowest one is deleted.
    int EnumerateNumberedDemos(int maxKept, bool deleteOldest);
    // The folder numbered demos live in: the data folder, or the current directory when none.
    std::string GetDemoFolder() const;
    static bool IsAbsolutePath(const std::string& path);
    // Joins program arguments into one command line: an argument holding a blank is quoted.
    static std::string JoinArguments(const std::vector<std::string>& args);
    // The process command line: the program name, then the arguments.
    std::string GetCommandLine() const { return mCommandLine; }
    void SetCommandLine(const std::string& commandLine) { mCommandLine = commandLine; }

    // ---- Window procedure and deferred input (VeskAppBaseInput.cpp). ----

    intptr_t WindowProc(const platform::Message& message);
    // Delivers the oldest deferred message; true when more wait.
    bool ProcessDeferredMessages();
    void SetActive();
    void ClearKeyStates();
    void ToggleDemoSound();
    bool ScreenSaverFilter(const platform::Message& message, intptr_t& result);

    // ---- Main loop (VeskAppBaseLoop.cpp). ----

    void AccumulateElapsedTime();
    // The updates owed by the fraction beyond one per step, then the fractional update;
    // countForDraw counts each toward the per-draw cap.
    void CatchUpUpdates(float fraction, bool countForDraw);
    void ClearUpdateBacklog();
    void ProcessSafeDeleteList();
    void WaitForLoadingThread();
    void CleanSharedImages();
    // Once a second at most: the idle check below.
    void PollScreenSaverIdle();
    void CheckScreenSaverIdle(uint32_t now);
    void UpdateFPSImage();
    void UpdateCoordsImage(int x, int y);
    void UpdateDemoTimeImage();
    // The steps of Process. Whether updates are paced by the refresh rate now.
    bool PacingByRefresh() const;
    // Runs a played demo on to its fast-forward target; true when the step ends there.
    bool FastForwardDemo(float fraction);
    // Paused or stopped: only queued deletions run, then a frame's sleep.
    bool IdleWhilePaused(bool allowSleep);
    // Runs an update when one is due; true when the step should draw instead.
    bool UpdateOrDraw(bool pacing, double period, uint32_t now);
    // Counts an update toward the check that drops refresh pacing.
    void CountPacingWindow(uint32_t now);
    // Draws when something was updated, else sleeps out the period; false when it wanted
    // to sleep and could not.
    bool DrawOrSleep(double period, bool allowSleep, uint32_t& slept);
    // While loading, sleeps so that the loading thread gets time; false as above.
    bool YieldToLoader(uint32_t stepStart, uint32_t slept, bool allowSleep);
    // The length of one timing step in ms and the logical updates it owes.
    double GetUpdatePeriod() const;
    float GetUpdateFraction() const;

    // ---- Threads, cursors, shutdown. ----

    void StartLoadingThread();
    void StartCursorThread();
    // Stops the cursor thread and waits for it, at most CURSOR_THREAD_STOP_MS; nothing when none
    // runs. Never called on the cursor thread.
    void StopCursorThread();
    // One pass of the cursor thread: keeps the display's software cursor on the mouse.
    void CursorThreadStep();
    // Ends the process after a fatal condition: gives the screen back and stops the threads first.
    [[noreturn]] void DoExit(int code);
    // DoExit for a run that cannot go on and whose box told the player why: the settings keep
    // no sign of a crash for the next start.
    [[noreturn]] void ExitOnError(int code);
    // Shutdown of a run that a failure ends once the player was told: everything is saved as at
    // any end, and the process's status is 1.
    void ShutdownOnError();
    void SetCursor(int cursorNum);
    void SetCursorImage(int cursorNum, Image* image);
    void EnableCustomCursors(bool enabled);

    // ---- Application services: clipboard, images, 3-D switch. ----

    // Nothing while a demo plays.
    void CopyToClipboard(const std::string& text);
    // The clipboard's text through the demo stream; a played demo gives the recorded text.
    std::string GetClipboard();
    // A new image holding the rectangle of the image, with its cels and animation.
    DDImage* CopyImageRect(Image* image, const Rect& rect);
    DDImage* CopyImage(Image* image);
    // The memory-image set, guarded by the display lock.
    void AddMemoryImage(MemoryImage* image);
    void RemoveMemoryImage(MemoryImage* image);
    // Drops the image's texture data on the display.
    void Remove3DData(MemoryImage* image);
    void Set3DAcceleration(bool is3D, bool reinit);
    // Guards the memory-image set and the shared-image table: the display's lock, or the
    // application's own before the display exists.
    CriticalLock& DisplayLock();
    bool Is3DAccelerated();
    // A 3-D device without a recorded failure; confirmed: without either failure mark.
    bool Is3DWorking();
    bool Is3DConfirmed();
    // Tells the player the display could not be made, then ends the process with code 1.
    void DisplayFailed(const std::string& reason);
    // Shows the main window. One the desktop did not show is told of on stderr and in the error
    // log, with no box (none would be seen either), and the run ends with status 1: at start
    // at once; once the main loop runs, through Shutdown, so that the players' files and the
    // settings are saved first. False when the window was not shown.
    bool ShowMainWindow(platform::ShowCommand command);
    bool EndUnlessMainWindowShown();
    // A 3-D device was made and has recorded a failure or lost its render target.
    bool Is3DSuspect();

    // ---- Registry settings. ----

    bool RegistryWrite(const std::string& valueName, uint32_t type, const uint8_t* value,
                       uint32_t length);
    bool RegistryWriteString(const std::string& valueName, const std::string& value);
    bool RegistryWriteInteger(const std::string& valueName, int value);
    bool RegistryWriteBoolean(const std::string& valueName, bool value);
    bool RegistryRead(const std::string& valueName, uint32_t* type, uint8_t* value,
                      uint32_t* length);
    bool RegistryReadInteger(const std::string& valueName, int* value);
    bool RegistryReadBoolean(const std::string& valueName, bool* value);
    void RegistryEraseValue(const std::string& valueName);
    // "SOFTWARE\" + registry key + the sub-key of the value name; the value name's last part.
    std::pair<std::string, std::string> RegistryLocation(const std::string& valueName) const;
    // The store behind the registry calls: the one given, else a file store in the user's
    // configuration folder named after the registry key (made on first use). Null when the
    // key cannot name a folder.
    platform::SettingsStore* GetSettingsStore();

    // ---- Property tables and string table. ----

    void SetString(const std::string& id, const std::u16string& value);
    void SetStringVector(const std::string& id, const std::vector<std::string>& values);
    void SetBoolean(const std::string& id, bool value);
    void SetInteger(const std::string& id, int value);
    void SetDouble(const std::string& id, double value);
    // The text of the process's application, narrowed; empty or the default when missing.
    static std::string GetString(const std::string& id);
    static std::string GetStringOrDefault(const std::string& id, const std::string& defaultValue);
    bool LoadPropertiesFile(const std::string& fileName);
    // "properties\default.xml".
    [[nodiscard]] bool LoadProperties();
    // Reads "properties\resources.xml"; on failure shows the error and ends the program.
    void LoadResourceManifest();
    // Reads "properties\levels.xml"; on failure shows the error and ends the program.
    void LoadLevelsManifest();
    // Shows the resource manager's error text; with exit, ends the program.
    void ShowResourceError(bool exit);
    // A whole file into the buffer, through the demo stream unless dontSync.
    bool ReadBufferFromFile(const std::string& fileName, Buffer* buffer, bool dontSync);

    // ---- Demo recording and playback. ----

    // Reads and checks the demo file; restores the recorded seed and the event stream.
    bool ReadDemoFile(std::string& error);
    // Writes the demo file when recording; a failure is logged.
    void WriteDemoFile();
    // Starts an event: filler events for a gap above 15 updates, then the delta. Recording.
    void WriteDemoEventHeader();
    // Reads the next event header unless one is held (false at the stream's end); true when
    // the held event is due at the update count. The taker sets mDemoHeaderNeeded.
    bool ReadDemoEventHeader();
    // True when a played demo holds an event due at the update count.
    bool DemoEventDue();
    // Replays the due input events.
    void DemoPlaybackStep();
    // Start-up of a played demo: takes the recorded display state when it comes next.
    void DemoTakeDisplayState();
    // Writes a deferred message about to be delivered into the recording.
    void DemoRecordMessage(const platform::Message& message);
    void DemoRecordMouseIn(bool mouseIn);
    void DemoRecordLoadingCompleted();
    void DemoRecordDisplayState();
    void DemoSyncBuffer(Buffer* buffer);
    void DemoSyncString(std::string* value);
    void DemoSyncBool(bool* value);
    // The seed file of the game's generator: the demo file name with ".dm0" for ".dmo".
    std::string GetDemoSeedFileName() const;
    bool WriteDemoSeedFile(uint32_t seed);
    bool ReadDemoSeedFile(uint32_t& seed);
    // For the board: recording, seeds the game's generator from the tick count and saves the
    // seed; playing, seeds it from the saved one. False when it did not seed.
    bool SeedGameRandomForDemo();
    // The millisecond tick of the game's timers: the clock's, but while a demo is recorded or
    // played the updates run so far at a frame time each, so that the replay's timers and
    // saved games see the times the recording saw however fast it runs.
    uint32_t GetGameTickMs() const;

    // ---- Developer tools (VeskAppBaseDebugKeys.cpp, VeskAppBaseScreenshots.cpp). ----

    // Builds the "Video Stats" report and shows it.
    void ShowVideoStats();
    // The modal dialogs of demo playback: 1 when the dialog set a jump, 0 when it was closed
    // without one.
    int ShowMarkerListDialog();
    int ShowJumpToTimeDialog();
    // Writes the draw surface as the next "imageN.png" in the data folder's "_screenshots".
    void TakeScreenshot();
    // Rebuilds the data folder's "_dump" with "imagelist.html" and a picture of every memory
    // image.
    void DumpImageReport();

    // ---- Members. Public: the game, the widgets and the resource layer read and set them. ----

    uint32_t mRandSeed = 0;
    // The game's own generator (rand/srand rule); seeded at start-up.
    GameRandom mGameRandom;

    std::string mCompanyName;
    std::string mFullCompanyName;
    std::string mProdName = "Product";
    std::string mTitle = "VeskApp";
    std::string mRegKey;
    std::string mChangeDirTo;

    int mPreferredX = -1;
    int mPreferredY = -1;
    int mWidth = 640;
    int mHeight = 480;
    int mColorDepth = 16;

    double mMusicVolume = 0.85;
    double mSfxVolume = 0.85;
    double mDemoMusicVolume = 0.0;
    double mDemoSfxVolume = 0.0;

    bool mCmdLineParsed = false;

    bool mHoldsInstanceLock = false;
    bool mOnlyAllowOneCopyToRun = true;
    uint32_t mNotifyGameMessage = 0;

    CriticalLock mCritSect;

    std::array<uint8_t, 256> mIdentityTable{};
    std::array<uint8_t, 256> mFullTable{};

    std::unique_ptr<WidgetManager> mWidgetManager;

    std::map<int, Dialog*> mDialogMap;
    std::list<Dialog*> mDialogList;

    uint32_t mPrimaryThreadId = 0;

    bool mIsWindowHidden = false;
    std::atomic<bool> mShutdown{false};
    // The process's status once the run has ended; set by ShutdownOnError.
    std::atomic<int> mExitStatus{0};
    bool mStepAbort = false;
    bool mIsWindowed = true;
    bool mIsPhysWindowed = true;
    bool mForceFullscreen = false;
    bool mFullScreenImpossible = false;
    bool mInitialized = false;

    uint32_t mStartTick = 0;

    platform::WindowId mHWnd = platform::kNoWindow;
    platform::WindowId mInvisHWnd = platform::kNoWindow;

    bool mIsScreenSaver = false;
    bool mAllowMonitorPowersave = true;
    uint32_t mLastMonitorPowerTick = 0;

    std::list<platform::Message> mDeferredMessages;

    bool mPopupShowing = false;
    bool mAllowPageFlip = true;
    bool mTabletPC = false;

    std::unique_ptr<DDInterface> mDDInterface;
    bool mVideoOnlyDraw = false;
    std::unique_ptr<MusicInterface> mMusicInterface;
    bool mReadFromRegistry = false;

    std::string mProductVersion;

    std::array<Image*, NUM_CURSORS> mCursorImages{};
    platform::CursorHandle mOverrideCursor = platform::kNoCursor;

    bool mIsOpeningURL = false;
    bool mShutdownOnURLOpen = false;
    std::string mOpeningURL;
    uint32_t mOpeningURLTime = 0;
    uint32_t mLastTimerTime = 0;
    uint32_t mLastBigDelayTime = 0;
    uint32_t mLastUserInputTick = 0;

    int mMuteCount = 0;
    int mAutoMuteCount = 0;
    bool mMutedForFastForward = false;
    bool mMuteOnLostFocus = true;

    std::set<MemoryImage*> mMemoryImageSet;
    std::map<std::pair<std::string, std::string>, SharedImage> mSharedImageMap;
    std::atomic<bool> mCleanupSharedImages{false};

    // Timing.
    int mFrameTime = 10;
    double mSpeed = 1.0;
    bool mRefreshPacingWanted = false;
    bool mRefreshPacingDropped = false;
    int mPacingFastWindows = 0;
    uint32_t mPacingWindowStart = 0;
    uint32_t mPacingWindowUpdates = 0;
    double mUpdateAccumulator = 0.0;
    double mPendingTime = 0.0;
    uint32_t mLastTime = 0;
    int mUpdatesSinceDraw = 0;
    int mUpdateCount = 0;
    int mDrawCount = 0;
    int mSleepCount = 0;
    int mStepState = UPDATESTATE_MESSAGES;
    int mUpdateDepth = 0;
    bool mUpdatedSinceDraw = true;
    bool mLastDrawSkipped = false;
    bool mIsDrawing = false;
    bool mPaused = false;
    int mStepMode = 0;
    int mFastForwardTarget = 0;
    bool mRunToEnd = false;
    bool mRedrawNow = false;
    bool mFastForwardRedrawNoted = false;
    uint32_t mLastFastForwardRedrawTick = 0;
    uint32_t mLastDrawTick = 0;
    // Read by the cursor thread.
    std::atomic<uint32_t> mNextDrawTick{0};
    uint32_t mLastDisplayReinitTick = 0;
    uint32_t mLastScreenSaverCheckTick = 0;
    uint32_t mLastScreenSaverSettingsTick = 0;
    bool mScreenSaverSettingsRead = false;
    bool mScreenSaverIdle = false;
    bool mScreenSaverActive = false;
    uint32_t mScreenSaverIdleLimit = 0;
    bool mDisplayLost = false;
    uint32_t mLastRecoveryAttemptTick = 0;

    int mCursorNum = CURSOR_POINTER;
    std::unique_ptr<SoundManager> mSoundManager;
    platform::CursorHandle mHandCursor = platform::kNoCursor;
    platform::CursorHandle mDraggingCursor = platform::kNoCursor;
    std::list<std::pair<int, Widget*>> mSafeDeleteList;

    bool mMouseIn = false;
    bool mRunning = false;
    bool mActive = true;
    bool mMinimized = false;
    bool mPhysMinimized = false;
    bool mIsDisabled = false;
    bool mHasFocus = true;

    // Statistics and overlays.
    bool mShowFPS = false;
    int mShowFPSMode = 0;
    int mDrawTime = 0;
    int mScreenBltTime = 0;
    int mFPSFrameCount = 0;
    int mFPS = 0;
    uint32_t mFPSStartTick = 0;
    bool mFPSJustEnabled = false;

    // Loading and threads.
    bool mAutoStartLoadingThread = true;
    std::atomic<bool> mLoadingThreadStarted{false};
    std::atomic<bool> mLoadingThreadCompleted{false};
    bool mLoaded = false;
    bool mLoadingRunning = false;
    std::atomic<bool> mShutdownRequested{false};
    std::atomic<bool> mCursorThreadRunning{false};
    bool mSysCursor = true;
    bool mCustomCursorsEnabled = false;
    bool mForceRedraw = false;
    // What the frames drew since the screen was last shown, in screen pixels.
    std::vector<Rect> mUnshownAreas;
    std::atomic<int> mNumLoadingThreadTasks{0};
    std::atomic<int> mCompletedLoadingThreadTasks{0};
    bool mLastShutdownWasGraceful = true;

    // Demo.
    bool mRecordingDemoBuffer = false;
    // Read by the cursor and HTTP threads.
    std::atomic<bool> mPlayingDemoBuffer{false};
    bool mManualShutdown = false;
    std::string mDemoPrefix = "veskapp";
    std::string mDemoFileName = "veskapp.dmo";
    Buffer mDemoBuffer;
    // Read by the cursor thread.
    std::atomic<int> mLastDemoMouseX{0};
    std::atomic<int> mLastDemoMouseY{0};
    int mDemoLength = 0;
    bool mDemoLoadingComplete = false;
    // Recording: the update count of the last event. Playing: when the held event is due.
    int mDemoNextEventUpdate = 0;
    // No event header is held; else the held header's form and code.
    bool mDemoHeaderNeeded = true;
    bool mDemoEventIsShort = false;
    int mDemoEventCode = 0;
    std::vector<DemoMarker> mDemoMarkers;

    bool mCtrlDown = false;
    bool mAltDown = false;

    // Display.
    int mRefreshRate = 100;
    bool mWaitForVSync = false;
    bool mSoftVSyncWait = true;
    bool m3DChangedDuringRun = false;
    bool mTest3D = false;
    bool mAutoEnable3D = false;
    bool m3DChoiceKnown = false;
    uint32_t mMinVidMemory3D = 6;
    uint32_t mRecommendedVidMemory3D = 14;
    bool mWidescreenAware = false;
    bool mEnableWindowAspect = false;
    Rect mScreenBounds;
    Ratio mWindowAspect;

    // Property tables. The loading thread fills them while the main thread reads: hold
    // mPropertiesLock for any direct use.
    mutable std::mutex mPropertiesLock;
    std::map<std::string, std::u16string> mStringProperties;
    std::map<std::string, std::vector<std::string>> mStringVectorProperties;
    std::map<std::string, bool> mBoolProperties;
    std::map<std::string, int> mIntProperties;
    std::map<std::string, double> mDoubleProperties;

    std::unique_ptr<zmResourceManager> mResourceManager;
    std::unique_ptr<ParticleRegistry> mParticleRegistry;

    // The settings store behind the registry calls; see GetSettingsStore. A test sets its own.
    std::unique_ptr<platform::SettingsStore> mSettingsStore;
    // The folder a file store was made for; empty for a store that was given.
    std::string mSettingsStoreFolder;
    std::mutex mSettingsStoreLock;

    // The desktop the application runs on; set before Init (the entry function or a test).
    platform::WindowSystem* mWindowSystem = nullptr;
    // The sound output, not owned; null runs the sound manager silent. Set before Init.
    platform::AudioDevice* mAudioDevice = nullptr;

protected:
    // The procedure of both windows: finds the application through the window's user data.
    static intptr_t StaticWindowProc(platform::WindowSystem& ws, const platform::Message& message);
    platform::WindowSystem& WindowSystem();
    // SIGTERM or SIGINT has come: boxes go to the error log instead.
    bool QuitSignalled();
    platform::Window* MainWindow();
    void DestroyAppWindow(platform::WindowId& window);
    void LoadingThreadBody();
    // GetImage's second half: a new image for the display with the loaded pixels, named after
    // the file; null when the loaded picture is inconsistent.
    DDImage* NewImageFromLoaded(const std::string& fileName, const ImageLib::Image& loaded,
                                bool commitBits);
    void PlaceWindowedWindow(platform::Size windowSize, platform::Point& position,
                             bool& centre) const;

private:
    // Deferral of one message in the window procedure; result of the message.
    intptr_t DeferMessage(const platform::Message& message);
    void HandleDemoKey(char character);
    void DeliverMouseMessage(const platform::Message& message);
    void DeliverTimer(const platform::Message& message);
    void CreateSystemCursors();
    void CursorThreadProc(std::stop_token stop);

    std::string mCommandLine;
    bool mIs3DSettingRead = false;
    int mLastInitDisplayResult = 0;
    bool mScreenSaverEnding = false;
    std::thread mLoadingThread;
    // Screen-saver filter state.
    bool mScreenSaverFilterStarted = false;
    platform::Point mScreenSaverMousePos;
    int mScreenSaverMoveCount = 0;

    // Installed as the process's image host while the application lives.
    AppImageHost mImageHost{*this};
    AppResourceHost mResourceHost{*this};
    // Lent to the widget manager; outlives it (the destructor frees the manager first).
    AppWidgetHost mWidgetHost{*this};
    // Start and stop of the cursor thread; the thread waits on the wake-up between passes and
    // signals its end through it.
    std::mutex mCursorThreadControl;
    std::mutex mCursorThreadWaitLock;
    std::condition_variable_any mCursorThreadWake;
    // Last, so that it goes first.
    std::jthread mCursorThread;
};

}  // namespace Vesk
