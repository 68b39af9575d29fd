#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/InputTranslation.h"
#include "platform/Message.h"
#include "platform/MessageQueue.h"
#include "platform/Window.h"

namespace platform {

enum class InstanceLockResult {
    Acquired,       // this process now holds the name
    HeldElsewhere,  // another holder has it (also a second request in this process)
    Unavailable,    // no lock could be made; the caller runs as if alone
};

enum class SystemCursor {
    Arrow,
    IBeam,
    No,
    SizeAll,
    SizeNeSw,
    SizeNs,
    SizeNwSe,
    SizeWe,
    Wait,
    Hand
};

using CursorHandle = uint32_t;
inline constexpr CursorHandle kNoCursor = 0;

// A 32 by 32 monochrome cursor in the Windows form: rows of 4 bytes, the
// leftmost pixel in the top bit. AND 1 / XOR 0 is transparent, 0/0 black,
// 0/1 white, 1/1 inverts the screen.
struct CursorMasks {
    static constexpr int kSide = 32;
    static constexpr size_t kBytes = kSide * kSide / 8;
    std::array<uint8_t, kBytes> andMask{};
    std::array<uint8_t, kBytes> xorMask{};
};

// Message box flags and results, numbered as Windows numbers them because the
// application passes them through its own calls.
namespace mb {
inline constexpr uint32_t Ok = 0x0;
inline constexpr uint32_t OkCancel = 0x1;
inline constexpr uint32_t AbortRetryIgnore = 0x2;
inline constexpr uint32_t YesNoCancel = 0x3;
inline constexpr uint32_t YesNo = 0x4;
inline constexpr uint32_t RetryCancel = 0x5;
inline constexpr uint32_t ButtonsMask = 0xF;
inline constexpr uint32_t IconError = 0x10;
inline constexpr uint32_t IconQuestion = 0x20;
inline constexpr uint32_t IconWarning = 0x30;
inline constexpr uint32_t IconInformation = 0x40;
inline constexpr uint32_t IconMask = 0xF0;
inline constexpr uint32_t DefaultButton2 = 0x100;
inline constexpr uint32_t DefaultButton3 = 0x200;
inline constexpr uint32_t DefaultButtonMask = 0xF00;

inline constexpr int Failed = 0;  // the box could not be shown
inline constexpr int IdOk = 1;
inline constexpr int IdCancel = 2;
inline constexpr int IdAbort = 3;
inline constexpr int IdRetry = 4;
inline constexpr int IdIgnore = 5;
inline constexpr int IdYes = 6;
inline constexpr int IdNo = 7;
// A SIGTERM or SIGINT ended the box, or came before it and no box was shown:
// nobody chose anything.
inline constexpr int IdEndedBySignal = -1;
}  // namespace mb

struct MessageBoxButton {
    std::string label;
    int result = 0;
};

// The desktop: windows, the message queue with its timers, the mouse and its
// cursors, message boxes, the clipboard, the browser and the single-instance
// rule. One exists per process, made by the factory in Backend.h and used from
// the main thread unless a call says otherwise. The window table, the queue
// and the window life cycle are kept here; a backend makes the windows and
// turns its desktop's events into messages.
class WindowSystem {
public:
    WindowSystem() = default;
    virtual ~WindowSystem();
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;

    virtual std::string_view Name() const = 0;
    // False when the desktop could not be reached: nothing can be shown.
    virtual bool VideoAvailable() const = 0;

    // Windows. The system owns them; the pointer lives until DestroyWindow.
    // The new window's procedure gets msg::Create before this returns; null
    // when the window could not be made or the procedure destroyed it.
    Window* CreateWindow(const WindowParams& params);
    // The procedure gets msg::Destroy first; waiting messages and timers go.
    void DestroyWindow(WindowId window);
    // Safe from any thread.
    Window* FindWindow(WindowId window) const;
    virtual WindowId ActiveWindow() const = 0;
    // The outer size of a window of this style around the client size.
    virtual Size ClientToWindowSize(WindowStyle style, Size client) const = 0;
    virtual ScreenRect WorkArea() const = 0;
    virtual Size ScreenSize() const = 0;
    virtual int32_t DesktopBitsPerPixel() const = 0;

    // Messages. PeekMessage never waits.
    std::optional<Message> PeekMessage(bool remove);
    // Safe from any thread. False when the window is gone or the queue full.
    bool PostMessage(WindowId window, uint32_t kind, uintptr_t wparam, intptr_t lparam);
    // A msg::Timer with wparam = id every period while messages are pumped.
    void SetTimer(WindowId window, uint32_t id, uint32_t periodMs);
    void KillTimer(WindowId window, uint32_t id);
    // Calls the procedure of the message's window; 0 when it has none.
    intptr_t Dispatch(const Message& message);
    // What the desktop does with a message the procedure leaves alone:
    // Alt+F4 asks to close, a close request destroys the window.
    intptr_t DefaultProcessing(const Message& message);

    // Registered messages: the same name (any case) gives the same id, from
    // msg::FirstRegistered on; 0 when the ids are used up.
    uint32_t RegisterMessage(std::string_view name);
    // Posts a registered message to every window of every process that
    // registered its name, this one included.
    virtual bool BroadcastMessage(uint32_t kind, uintptr_t wparam, intptr_t lparam) = 0;

    // Mouse.
    virtual void SetCapture(WindowId window) = 0;
    virtual void ReleaseCapture() = 0;
    virtual WindowId CaptureWindow() const = 0;
    // Screen position; safe from any thread.
    virtual Point CursorPosition() const = 0;
    // The window whose client area the cursor is over, or kNoWindow.
    virtual WindowId WindowUnderCursor() const = 0;
    // Shared cursors; DestroyCursor leaves them alone.
    virtual CursorHandle LoadSystemCursor(SystemCursor shape) = 0;
    virtual CursorHandle CreateMaskCursor(const CursorMasks& masks, Point hotSpot) = 0;
    // kNoCursor hides the cursor. Returns the previous one.
    virtual CursorHandle SetCursor(CursorHandle cursor) = 0;
    virtual void DestroyCursor(CursorHandle cursor) = 0;

    // A modal box; returns one of the mb::Id* results, or mb::Failed. The
    // narrow texts are Windows-1252. Once a quit signal has come no box opens
    // and the answer is mb::IdEndedBySignal.
    int MessageBox(WindowId owner, std::string_view text, std::string_view title, uint32_t flags);
    int MessageBoxWide(WindowId owner, std::wstring_view text, std::wstring_view title,
                       uint32_t flags);
    // The buttons a flag set asks for, left to right.
    static std::vector<MessageBoxButton> MessageBoxButtons(uint32_t flags);
    // The button chosen by Enter.
    static int DefaultMessageBoxResult(uint32_t flags);

    // True once SIGTERM or SIGINT has come: the program is on its way out, and
    // a box would only hold it up. Safe from any thread.
    virtual bool QuitSignalled() const { return mQuitSignalled; }

    // Clipboard text in Windows-1252.
    virtual bool SetClipboardText(std::string_view text) = 0;
    virtual std::string ClipboardText() = 0;

    // The system caret of a focused text field, so that input methods and accessibility
    // tools find it. Positions are client pixels of the active window.
    virtual void CreateCaret(Size size) { (void)size; }
    virtual void ShowCaret() {}
    virtual void SetCaretPosition(Point client) { (void)client; }
    virtual void HideCaret() {}
    virtual void DestroyCaret() {}

    // Starts the user's browser on the address; true when it was started.
    virtual bool OpenUrl(std::string_view address) = 0;

    // The desktop's screen saver, for the frame's idle check. A backend that cannot read it
    // answers: none set, no idle time known, never running.
    struct ScreenSaverSettings {
        bool active = false;
        uint32_t timeoutSeconds = 0;  // without input before it starts
    };
    virtual ScreenSaverSettings GetScreenSaverSettings() { return {}; }
    // Milliseconds since the user's last input anywhere on the desktop.
    virtual std::optional<uint32_t> IdleMilliseconds() { return std::nullopt; }
    virtual bool IsScreenSaverRunning() { return false; }

    // A process-wide named lock held until the system is destroyed.
    virtual InstanceLockResult AcquireInstanceLock(std::string_view name) = 0;

protected:
    // The backend's window for the id the system gives it, or null when it
    // cannot be made.
    virtual std::unique_ptr<Window> MakeWindow(WindowId id, const WindowParams& params) = 0;
    // The window lived through its msg::Create.
    virtual void OnWindowCreated(Window& window) { (void)window; }
    // The window is out of the table; its object goes after this returns.
    virtual void OnWindowDestroyed(WindowId window) { (void)window; }
    // Takes in the desktop's events before the queue is read.
    virtual void PumpEvents() {}

    MessageQueue& Queue() { return mQueue; }
    const MessageQueue& Queue() const { return mQueue; }
    // The windows at this moment, oldest first.
    std::vector<WindowId> WindowIds() const;
    // The newest window that matches; match runs under the table's lock.
    Window* FindNewestWindow(const std::function<bool(const Window&)>& match) const;
    // Drops every window without msg::Destroy, as at the end of a process.
    // Otherwise the windows outlive the backend's own members.
    void DropAllWindows();
    void PostToAllWindows(uint32_t kind, uintptr_t wparam, intptr_t lparam);
    // A window event about the window as it is now; exposes coalesce.
    void PostWindowEvent(const Window& window, input::WindowEvent event);
    void PostDisplayChanged(Size screen, int32_t bitsPerPixel);

    // The mouse buttons held, as mouseKey bits.
    void SetMouseButton(input::MouseButton button, bool down);
    uintptr_t MouseButtons() const { return mMouseButtons; }
    // The cursor position as last stored, readable from any thread.
    void StoreCursorPosition(Point screen) const;
    Point StoredCursorPosition() const { return Point{mCursorX.load(), mCursorY.load()}; }

    // mb::IdEndedBySignal when a quit signal ended the box.
    virtual int ShowMessageBox(WindowId owner, const std::string& textUtf8,
                               const std::string& titleUtf8, uint32_t flags) = 0;
    void NoteQuitSignal() { mQuitSignalled = true; }
    // A name was registered for the first time.
    virtual void OnMessageRegistered(uint32_t kind, const std::string& name) = 0;
    // The lower-cased name registered under an id, or none.
    const std::string* RegisteredName(uint32_t kind) const;
    // The id of a lower-cased name, or 0.
    uint32_t RegisteredId(const std::string& name) const;

private:
    int BoxUnlessQuitting(WindowId owner, const std::string& textUtf8, const std::string& titleUtf8,
                          uint32_t flags);

    MessageQueue mQueue;
    mutable std::mutex mWindowsMutex;  // guards the table for posts from other threads
    std::map<WindowId, std::unique_ptr<Window>> mWindows;
    WindowId mNextId = 1;
    std::set<WindowId> mDestroying;
    uintptr_t mMouseButtons = 0;
    mutable std::atomic<int32_t> mCursorX{0};
    mutable std::atomic<int32_t> mCursorY{0};
    std::map<std::string, uint32_t> mRegistered;  // lower-cased name -> id
    std::atomic<bool> mQuitSignalled{false};
};

}  // namespace platform
