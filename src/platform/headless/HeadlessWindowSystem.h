#pragma once

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/InputTranslation.h"
#include "platform/WindowSystem.h"
#include "platform/headless/HeadlessWindow.h"

namespace platform {

// A desktop that lives in memory, for tests and machines without a display.
// Everything done to it is kept for inspection; input is scripted and comes
// out as the same messages the SDL backend makes. Timers follow the active
// clock (platform::SetClock), so a fake clock drives them.
class HeadlessWindowSystem : public WindowSystem {
public:
    // The rest of the desktop: instance locks and the systems that can hear a
    // broadcast. Several systems on one host behave like several processes.
    class Host {
    private:
        friend class HeadlessWindowSystem;
        std::mutex mMutex;
        std::set<std::string> mLocks;
        std::vector<HeadlessWindowSystem*> mSystems;
    };

    struct MessageBoxRecord {
        WindowId owner = kNoWindow;
        std::string text;   // UTF-8
        std::string title;  // UTF-8
        uint32_t flags = 0;
        int result = 0;
    };

    struct CursorRecord {
        std::optional<SystemCursor> shape;  // none for a mask cursor
        CursorMasks masks;
        Point hotSpot;
    };

    explicit HeadlessWindowSystem(std::shared_ptr<Host> host = nullptr);
    ~HeadlessWindowSystem() override;

    std::string_view Name() const override { return "headless"; }
    bool VideoAvailable() const override { return mVideoAvailable; }

    WindowId ActiveWindow() const override { return mActive; }
    Size ClientToWindowSize(WindowStyle style, Size client) const override;
    ScreenRect WorkArea() const override { return mWorkArea; }
    Size ScreenSize() const override { return mScreenSize; }
    int32_t DesktopBitsPerPixel() const override { return mBitsPerPixel; }

    bool BroadcastMessage(uint32_t kind, uintptr_t wparam, intptr_t lparam) override;

    void SetCapture(WindowId window) override { mCapture = window; }
    void ReleaseCapture() override { mCapture = kNoWindow; }
    WindowId CaptureWindow() const override { return mCapture; }
    Point CursorPosition() const override { return StoredCursorPosition(); }
    WindowId WindowUnderCursor() const override;
    CursorHandle LoadSystemCursor(SystemCursor shape) override;
    CursorHandle CreateMaskCursor(const CursorMasks& masks, Point hotSpot) override;
    CursorHandle SetCursor(CursorHandle cursor) override;
    void DestroyCursor(CursorHandle cursor) override;

    bool SetClipboardText(std::string_view text) override;
    std::string ClipboardText() override { return mClipboard; }
    bool OpenUrl(std::string_view address) override;
    ScreenSaverSettings GetScreenSaverSettings() override { return mScreenSaverSettings; }
    std::optional<uint32_t> IdleMilliseconds() override { return mIdleMs; }
    bool IsScreenSaverRunning() override { return mScreenSaverRunning; }
    InstanceLockResult AcquireInstanceLock(std::string_view name) override;
    void CreateCaret(Size size) override;
    void ShowCaret() override { mCaretCalls.push_back("show"); }
    void SetCaretPosition(Point client) override;
    void HideCaret() override { mCaretCalls.push_back("hide"); }
    void DestroyCaret() override { mCaretCalls.push_back("destroy"); }

    // Scripted input. It goes to the window holding the capture, else the
    // active window, else the newest main window; false when there is none.
    // Left and right modifier keys count as the plain Shift, Ctrl and Alt.
    bool PushKeyDown(uint8_t virtualKey, bool repeat = false);
    bool PushKeyUp(uint8_t virtualKey);
    bool PushText(std::string_view utf8);
    // Client coordinates of the target window; moves the cursor there.
    bool PushMouseMove(Point client);
    bool PushMouseButton(input::MouseButton button, bool down, int clicks = 1);
    bool PushWheel(int notches);

    // Scripted desktop events, as if the user did them.
    bool PushFocus(bool gained);
    bool PushMinimize();
    bool PushRestore();
    bool PushMaximize();
    bool PushMove(Point outer);
    bool PushExpose();
    bool PushClose();
    void PushDisplayChange(Size screen, int32_t bitsPerPixel);

    // Settings.
    void SetVideoAvailable(bool available) { mVideoAvailable = available; }
    // As under a window manager that drops map requests: a window not shown yet stays hidden.
    void SetMapsDropped(bool dropped) { mMapsDropped = dropped; }
    bool MapsDropped() const { return mMapsDropped; }
    void SetScreen(Size screen, ScreenRect workArea, int32_t bitsPerPixel);
    void SetFrame(HeadlessWindow::Frame frame) { mFrame = frame; }
    void SetCursorPosition(Point screen) { StoreCursorPosition(screen); }
    // As a SIGTERM would: no box opens from now on.
    void PushQuitSignal() { NoteQuitSignal(); }
    // Answers for the next message boxes in order; afterwards each box takes
    // its default button. mb::IdEndedBySignal is a box a quit signal ended.
    void QueueMessageBoxAnswer(int result) { mMessageBoxAnswers.push_back(result); }
    void SetOpenUrlResult(bool result) { mOpenUrlResult = result; }
    // The screen saver the desktop reports, the time since its last input and whether it runs.
    void SetScreenSaver(ScreenSaverSettings settings, std::optional<uint32_t> idleMs,
                        bool running) {
        mScreenSaverSettings = settings;
        mIdleMs = idleMs;
        mScreenSaverRunning = running;
    }

    // Records.
    HeadlessWindow* FindHeadlessWindow(WindowId window) const;
    const std::vector<WindowId>& DestroyedWindows() const { return mDestroyed; }
    const std::vector<MessageBoxRecord>& MessageBoxes() const { return mMessageBoxes; }
    const std::vector<std::string>& OpenedUrls() const { return mOpenedUrls; }
    // "create W H", "show", "move X Y", "hide", "destroy", oldest first.
    const std::vector<std::string>& CaretCalls() const { return mCaretCalls; }
    CursorHandle CurrentCursor() const { return mCurrentCursor; }
    const CursorRecord* FindCursor(CursorHandle cursor) const;
    size_t PendingMessageCount() const { return Queue().PendingCount(); }
    size_t TimerCount() const { return Queue().TimerCount(); }
    uint32_t Modifiers() const;

    // Told by the windows.
    void WindowActivated(WindowId window);
    void WindowDeactivated(WindowId window);
    void PostWindowEvent(WindowId window, input::WindowEvent event);

protected:
    std::unique_ptr<Window> MakeWindow(WindowId id, const WindowParams& params) override;
    void OnWindowCreated(Window& window) override;
    void OnWindowDestroyed(WindowId window) override;
    int ShowMessageBox(WindowId owner, const std::string& textUtf8, const std::string& titleUtf8,
                       uint32_t flags) override;
    void OnMessageRegistered(uint32_t, const std::string&) override {}

private:
    HeadlessWindow* InputWindow() const;
    input::Context ContextFor(WindowId window) const;
    void DeliverBroadcast(const std::string& name, uintptr_t wparam, intptr_t lparam);

    std::shared_ptr<Host> mHost;
    std::vector<WindowId> mDestroyed;
    WindowId mActive = kNoWindow;
    WindowId mCapture = kNoWindow;

    bool mVideoAvailable = true;
    bool mMapsDropped = false;
    Size mScreenSize{1920, 1080};
    ScreenRect mWorkArea{0, 0, 1920, 1040};
    int32_t mBitsPerPixel = 32;
    HeadlessWindow::Frame mFrame;

    std::set<uint8_t> mKeysDown;

    std::map<CursorHandle, CursorRecord> mCursors;
    std::map<SystemCursor, CursorHandle> mSystemCursors;
    CursorHandle mNextCursor = 1;
    CursorHandle mCurrentCursor = kNoCursor;

    std::deque<int> mMessageBoxAnswers;
    std::vector<MessageBoxRecord> mMessageBoxes;
    std::string mClipboard;
    bool mOpenUrlResult = true;
    ScreenSaverSettings mScreenSaverSettings;
    std::optional<uint32_t> mIdleMs;
    bool mScreenSaverRunning = false;
    std::vector<std::string> mOpenedUrls;
    std::vector<std::string> mCaretCalls;
    std::vector<std::string> mHeldLocks;
};

}  // namespace platform
