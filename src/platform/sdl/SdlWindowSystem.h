#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/InstanceLock.h"
#include "platform/NotifyChannel.h"
#include "platform/WindowSystem.h"
#include "platform/sdl/SdlWindow.h"
#include "platform/sdl/X11ScreenSaver.h"

union SDL_Event;
struct SDL_Cursor;

namespace platform {

// The real desktop through SDL2. Must be made, pumped and destroyed on the
// main thread. SDL events are turned into messages by the rules of
// InputTranslation; the instance lock and the notes between instances use
// the runtime folder.
class SdlWindowSystem : public WindowSystem {
public:
    SdlWindowSystem();
    ~SdlWindowSystem() override;

    std::string_view Name() const override { return "sdl"; }
    bool VideoAvailable() const override { return mVideo; }
    // Also true once the process has seen SIGTERM or SIGINT, with or without a box up.
    bool QuitSignalled() const override;
    // Why the desktop could not be reached, when it could not.
    const std::string& VideoError() const { return mVideoError; }

    SdlWindow* FindSdlWindow(WindowId window) const;
    WindowId ActiveWindow() const override;
    Size ClientToWindowSize(WindowStyle style, Size client) const override;
    ScreenRect WorkArea() const override;
    Size ScreenSize() const override;
    int32_t DesktopBitsPerPixel() const override;

    bool BroadcastMessage(uint32_t kind, uintptr_t wparam, intptr_t lparam) override;

    void SetCapture(WindowId window) override;
    void ReleaseCapture() override;
    WindowId CaptureWindow() const override { return mCapture; }
    Point CursorPosition() const override;
    WindowId WindowUnderCursor() const override;
    CursorHandle LoadSystemCursor(SystemCursor shape) override;
    CursorHandle CreateMaskCursor(const CursorMasks& masks, Point hotSpot) override;
    CursorHandle SetCursor(CursorHandle cursor) override;
    void DestroyCursor(CursorHandle cursor) override;

    bool SetClipboardText(std::string_view text) override;
    std::string ClipboardText() override;
    bool OpenUrl(std::string_view address) override;
    // Read from X11's screen-saver extension when SDL draws through X11.
    ScreenSaverSettings GetScreenSaverSettings() override;
    std::optional<uint32_t> IdleMilliseconds() override;
    bool IsScreenSaverRunning() override;
    InstanceLockResult AcquireInstanceLock(std::string_view name) override;
    // Text input stays on for key characters; the caret only tells input methods where the
    // field is.
    void CreateCaret(Size size) override { mCaretSize = size; }
    void ShowCaret() override;
    void SetCaretPosition(Point client) override;
    void HideCaret() override { mCaretShown = false; }
    void DestroyCaret() override { mCaretShown = false; }

protected:
    std::unique_ptr<Window> MakeWindow(WindowId id, const WindowParams& params) override;
    void OnWindowDestroyed(WindowId window) override;
    void PumpEvents() override;
    int ShowMessageBox(WindowId owner, const std::string& textUtf8, const std::string& titleUtf8,
                       uint32_t flags) override;
    void OnMessageRegistered(uint32_t kind, const std::string& name) override;

private:
    Size mCaretSize;
    Point mCaretPosition;
    bool mCaretShown = false;

    struct CursorEntry {
        SDL_Cursor* cursor = nullptr;
        bool shared = false;
    };

    // Caps the events taken in one pump, so a flood cannot stall the loop.
    static constexpr int kMaxEventsPerPump = 512;

    void Translate(const SDL_Event& event);
    void TranslateWindowEvent(const SDL_Event& event);
    SdlWindow* WindowForSdlId(uint32_t sdlId) const;
    void ReapChildren();
    // The X11 window of a window of ours, for the box helper; 0 for none.
    unsigned long OwnerX11(WindowId owner) const;
    // Raises the window and gives it the keyboard. Main thread.
    void FocusAfterBox(WindowId owner);
    // The screen-saver reader, opened on first use; null when SDL does not draw through X11
    // or the X server has no screen-saver extension.
    X11ScreenSaver* ScreenSaver();

    bool mVideo = false;
    std::string mVideoError;
    std::thread::id mMainThread;
    // A window whose box closed on another thread, to be focused by the next pump.
    std::atomic<WindowId> mFocusAfterBox{kNoWindow};
    // The game's input goes nowhere while a box of its own is up, nor after it: counted
    // by any thread that shows one.
    std::atomic<int> mBoxesUp{0};
    std::atomic<unsigned> mBoxChanges{0};  // boxes opened and closed
    unsigned mBoxChangesAtPump = 0;        // main thread

    SdlWindow::Frame mFrame;  // last frame the desktop reported
    WindowId mCapture = kNoWindow;
    // The global cursor position SDL gave last; main thread only.
    mutable std::optional<Point> mLastGlobalCursor;

    std::map<CursorHandle, CursorEntry> mCursors;
    std::map<SystemCursor, CursorHandle> mSystemCursors;
    CursorHandle mNextCursor = 1;
    CursorHandle mCurrentCursor = kNoCursor;
    bool mCursorShown = true;

    std::vector<std::unique_ptr<InstanceLock>> mLocks;
    std::map<uint32_t, std::unique_ptr<NotifyChannel>> mChannels;
    std::vector<int> mChildren;  // browsers started, reaped without waiting
    std::unique_ptr<X11ScreenSaver> mScreenSaver;
    bool mScreenSaverTried = false;
};

// SDL keeps data for every thread that calls it (its error text, which even a message box
// clears) and frees it only for the threads it started itself. Called on any other thread,
// this frees that thread's data when the thread ends.
void FreeSdlThreadDataAtThreadEnd();

}  // namespace platform
