#include "platform/sdl/SdlWindowSystem.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <spawn.h>
#include <sys/wait.h>
#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/InputTranslation.h"
#include "platform/RuntimeFiles.h"
#include "platform/TextEncoding.h"
#include "platform/sdl/SdlConversions.h"
#include "platform/sdl/SdlMessageBoxes.h"
#include "platform/sdl/X11Focus.h"

extern char** environ;

namespace platform {

namespace {

SDL_SystemCursor SdlShape(SystemCursor shape) {
    switch (shape) {
        case SystemCursor::Arrow:
            return SDL_SYSTEM_CURSOR_ARROW;
        case SystemCursor::IBeam:
            return SDL_SYSTEM_CURSOR_IBEAM;
        case SystemCursor::No:
            return SDL_SYSTEM_CURSOR_NO;
        case SystemCursor::SizeAll:
            return SDL_SYSTEM_CURSOR_SIZEALL;
        case SystemCursor::SizeNeSw:
            return SDL_SYSTEM_CURSOR_SIZENESW;
        case SystemCursor::SizeNs:
            return SDL_SYSTEM_CURSOR_SIZENS;
        case SystemCursor::SizeNwSe:
            return SDL_SYSTEM_CURSOR_SIZENWSE;
        case SystemCursor::SizeWe:
            return SDL_SYSTEM_CURSOR_SIZEWE;
        case SystemCursor::Wait:
            return SDL_SYSTEM_CURSOR_WAIT;
        case SystemCursor::Hand:
            return SDL_SYSTEM_CURSOR_HAND;
    }
    return SDL_SYSTEM_CURSOR_ARROW;
}

// SDL's drivers without a screen, which it may pick when the desktop cannot be reached.
bool DrawsNowhere(const char* driver) {
    const std::string_view name = driver != nullptr ? driver : "";
    return name == "offscreen" || name == "dummy" || name == "evdev";
}

// The events of the player's keyboard and mouse.
constexpr std::array<std::pair<uint32_t, uint32_t>, 2> kInputEvents{
    {{SDL_KEYDOWN, SDL_TEXTEDITING_EXT}, {SDL_MOUSEMOTION, SDL_MOUSEWHEEL}}};

bool IsInput(uint32_t type) {
    return std::any_of(kInputEvents.begin(), kInputEvents.end(), [type](const auto& range) {
        return type >= range.first && type <= range.second;
    });
}

constexpr int kVideoAttempts = 4;
constexpr uint32_t kVideoRetryMs = 250;

}  // namespace

SdlWindowSystem::SdlWindowSystem() : mMainThread(std::this_thread::get_id()) {
    // The game decides when to end; closing the window is a message to it.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // A click that activates the window is also delivered, as on Windows.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // A named desktop that refuses at first may still be starting: a few tries before giving up.
    // SDL falls back to drawing nowhere when it cannot reach it, which is no start either,
    // unless that driver was asked for.
    const char* x = SDL_getenv("DISPLAY");
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    const bool named = (x != nullptr && x[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    const bool driverAsked = asked != nullptr && asked[0] != '\0';
    for (int attempt = 0; attempt < (named ? kVideoAttempts : 1) && !mVideo; ++attempt) {
        if (attempt > 0) {
            GetClock().SleepMs(kVideoRetryMs);
        }
        mVideo = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        if (!mVideo) {
            mVideoError = SDL_GetError();
        } else if (named && !driverAsked && DrawsNowhere(SDL_GetCurrentVideoDriver())) {
            mVideoError = std::string("the desktop could not be reached (SDL fell back to its ") +
                          SDL_GetCurrentVideoDriver() + " driver)";
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            mVideo = false;
        }
        if (!mVideo) {
            DebugOutput("SDL video: " + mVideoError + "\r\n");
        }
    }
    if (!mVideo) {
        if (named) {
            std::fprintf(stderr, "SDL video (DISPLAY=%s, WAYLAND_DISPLAY=%s): %s\n",
                         x != nullptr ? x : "", wayland != nullptr ? wayland : "",
                         mVideoError.c_str());
        }
        return;
    }
    // After SDL's own handlers, which make a quit event of the signal.
    sdl::WatchEndingSignals();
    SDL_StartTextInput();
    mCurrentCursor = LoadSystemCursor(SystemCursor::Arrow);
}

SdlWindowSystem::~SdlWindowSystem() {
    // Windows die without Destroy messages, as at the end of a process:
    // their procedures may belong to objects already gone.
    DropAllWindows();
    for (auto& [handle, entry] : mCursors) {
        SDL_FreeCursor(entry.cursor);
    }
    mCursors.clear();
    ReapChildren();
    if (mVideo) {
        sdl::UnwatchEndingSignals();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

bool SdlWindowSystem::QuitSignalled() const {
    return WindowSystem::QuitSignalled() || sdl::EndingSignalSeen();
}

std::unique_ptr<Window> SdlWindowSystem::MakeWindow(WindowId id, const WindowParams& params) {
    SDL_Window* handle = nullptr;
    if (params.kind == WindowKind::Main) {
        if (!mVideo || params.clientSize.width <= 0 || params.clientSize.height <= 0) {
            return nullptr;
        }
        // Made hidden and shown apart, so that the show is watched.
        uint32_t flags = SDL_WINDOW_HIDDEN;
        SdlWindow::Frame frame;
        Point position = params.position;
        Size size = params.clientSize;
        if (params.style == WindowStyle::FullScreenPopup) {
            flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP;
            // Covers the screen by itself, so that it does even where no window manager
            // would make it full screen; the client area's picture is scaled to fit.
            const Size screen = ScreenSize();
            if (screen.width > 0 && screen.height > 0) {
                position = Point{0, 0};
                size = screen;
            }
        } else {
            // The player may make the window larger; the picture is scaled to fit.
            flags |= SDL_WINDOW_RESIZABLE;
            frame = mFrame;
        }
        handle =
            SDL_CreateWindow(text::Utf8FromCp1252(params.title).c_str(), position.x + frame.left,
                             position.y + frame.top, size.width, size.height, flags);
        if (handle == nullptr) {
            DebugOutput(std::string("SDL_CreateWindow: ") + SDL_GetError() + "\r\n");
            return nullptr;
        }
        if (std::string_view(SDL_GetCurrentVideoDriver()) == "x11") {
            x11::FilterFocusErrors();
        }
    }
    auto window = std::make_unique<SdlWindow>(id, params, handle, mFrame);
    // A window the desktop did not show stays hidden; its owner sees that it is not visible.
    if (handle != nullptr && params.visible) {
        static_cast<void>(window->ShowWatched());
    }
    return window;
}

void SdlWindowSystem::OnWindowDestroyed(WindowId window) {
    if (mCapture == window) {
        ReleaseCapture();
    }
}

SdlWindow* SdlWindowSystem::FindSdlWindow(WindowId window) const {
    // Every window in the table was made by MakeWindow above.
    return static_cast<SdlWindow*>(FindWindow(window));
}

SdlWindow* SdlWindowSystem::WindowForSdlId(uint32_t sdlId) const {
    return static_cast<SdlWindow*>(FindNewestWindow([sdlId](const Window& candidate) {
        const auto& w = static_cast<const SdlWindow&>(candidate);
        return w.Handle() != nullptr && w.SdlId() == sdlId;
    }));
}

WindowId SdlWindowSystem::ActiveWindow() const {
    if (!mVideo) {
        return kNoWindow;
    }
    SDL_Window* focus = SDL_GetKeyboardFocus();
    if (focus == nullptr) {
        return kNoWindow;
    }
    const SdlWindow* w = WindowForSdlId(SDL_GetWindowID(focus));
    return w != nullptr ? w->Id() : kNoWindow;
}

Size SdlWindowSystem::ClientToWindowSize(WindowStyle style, Size client) const {
    if (style != WindowStyle::Captioned) {
        return client;
    }
    return Size{client.width + mFrame.left + mFrame.right,
                client.height + mFrame.top + mFrame.bottom};
}

ScreenRect SdlWindowSystem::WorkArea() const {
    SDL_Rect r{};
    if (mVideo && (SDL_GetDisplayUsableBounds(0, &r) == 0 || SDL_GetDisplayBounds(0, &r) == 0)) {
        return ScreenRect{r.x, r.y, r.x + r.w, r.y + r.h};
    }
    return ScreenRect{};
}

Size SdlWindowSystem::ScreenSize() const {
    SDL_DisplayMode mode{};
    if (mVideo && SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        return Size{mode.w, mode.h};
    }
    return Size{};
}

int32_t SdlWindowSystem::DesktopBitsPerPixel() const {
    SDL_DisplayMode mode{};
    if (mVideo && SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        // Counted as Windows counts: a padded 24-bit format is 32 bits.
        return static_cast<int32_t>(SDL_BYTESPERPIXEL(mode.format)) * 8;
    }
    return 0;
}

void SdlWindowSystem::PumpEvents() {
    if (const WindowId owner = mFocusAfterBox.exchange(kNoWindow); owner != kNoWindow) {
        FocusAfterBox(owner);
    }
    if (mVideo) {
        SDL_PumpEvents();
        // What was typed at the game while a box was up is for nobody.
        if (const unsigned changes = mBoxChanges; mBoxesUp > 0 || changes != mBoxChangesAtPump) {
            mBoxChangesAtPump = changes;
            for (const auto& [first, last] : kInputEvents) {
                SDL_FlushEvents(first, last);
            }
            // A button let go meanwhile is up all the same.
            const uint32_t held = SDL_GetMouseState(nullptr, nullptr);
            for (const auto& [sdlButton, button] :
                 {std::pair{SDL_BUTTON_LEFT, input::MouseButton::Left},
                  std::pair{SDL_BUTTON_RIGHT, input::MouseButton::Right},
                  std::pair{SDL_BUTTON_MIDDLE, input::MouseButton::Middle}}) {
                if ((held & SDL_BUTTON(sdlButton)) == 0) {
                    SetMouseButton(button, false);
                }
            }
        }
        SDL_Event event;
        for (int i = 0; i < kMaxEventsPerPump && SDL_PollEvent(&event) != 0; ++i) {
            Translate(event);
        }
    }
    for (auto& [kind, channel] : mChannels) {
        for (int i = 0; i < NotifyChannel::kMaxNotesPerPoll; ++i) {
            const auto note = channel->Receive();
            if (!note) {
                break;
            }
            PostToAllWindows(kind, static_cast<uintptr_t>(note->wparam),
                             static_cast<intptr_t>(note->lparam));
        }
    }
    ReapChildren();
}

void SdlWindowSystem::Translate(const SDL_Event& event) {
    if (mBoxesUp > 0 && IsInput(event.type)) {
        return;
    }
    const uint32_t now = GetClock().TickMs();
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const SdlWindow* w = WindowForSdlId(event.key.windowID);
            const uint8_t key =
                sdl::VirtualKeyFromSdl(event.key.keysym.sym, event.key.keysym.scancode,
                                       (event.key.keysym.mod & KMOD_NUM) != 0);
            if (w == nullptr || key == 0) {
                return;
            }
            const input::KeyInput in{key, event.type == SDL_KEYDOWN, event.key.repeat != 0,
                                     sdl::ModifiersFromSdl(event.key.keysym.mod)};
            const input::Context context{w->Id(), now, CursorPosition()};
            Queue().Post(input::KeyMessage(context, in));
            if (const auto c = input::ControlCharMessage(context, in)) {
                Queue().Post(*c);
            }
            return;
        }
        case SDL_TEXTINPUT: {
            const SdlWindow* w = WindowForSdlId(event.text.windowID);
            if (w == nullptr) {
                return;
            }
            const input::Context context{w->Id(), now, CursorPosition()};
            for (const Message& m : input::TextMessages(context, event.text.text,
                                                        sdl::ModifiersFromSdl(SDL_GetModState()))) {
                Queue().Post(m);
            }
            return;
        }
        case SDL_MOUSEMOTION: {
            const SdlWindow* w = WindowForSdlId(event.motion.windowID);
            if (w == nullptr) {
                return;
            }
            const Point client = w->WindowToClient(Point{event.motion.x, event.motion.y});
            StoreCursorPosition(w->ClientToScreen(client));
            const input::Context context{w->Id(), now, CursorPosition()};
            Queue().Post(input::MouseMoveMessage(
                context, client,
                input::MouseKeyFlags(MouseButtons(), sdl::ModifiersFromSdl(SDL_GetModState()))));
            return;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            input::MouseButton button = input::MouseButton::Left;
            if (event.button.button == SDL_BUTTON_RIGHT) {
                button = input::MouseButton::Right;
            } else if (event.button.button == SDL_BUTTON_MIDDLE) {
                button = input::MouseButton::Middle;
            } else if (event.button.button != SDL_BUTTON_LEFT) {
                return;  // the side buttons have no message here
            }
            const bool down = event.type == SDL_MOUSEBUTTONDOWN;
            SetMouseButton(button, down);
            const SdlWindow* w = WindowForSdlId(event.button.windowID);
            if (w == nullptr) {
                return;
            }
            const Point client = w->WindowToClient(Point{event.button.x, event.button.y});
            StoreCursorPosition(w->ClientToScreen(client));
            const input::Context context{w->Id(), now, CursorPosition()};
            Queue().Post(input::ButtonMessage(
                context, button, down, event.button.clicks, client,
                input::MouseKeyFlags(MouseButtons(), sdl::ModifiersFromSdl(SDL_GetModState()))));
            return;
        }
        case SDL_MOUSEWHEEL: {
            const SdlWindow* w = WindowForSdlId(event.wheel.windowID);
            const int notches = sdl::WheelNotchesFromSdl(
                event.wheel.y, event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED);
            if (w == nullptr || notches == 0) {
                return;
            }
            const input::Context context{w->Id(), now, CursorPosition()};
            Queue().Post(input::WheelMessage(
                context, notches,
                input::MouseKeyFlags(MouseButtons(), sdl::ModifiersFromSdl(SDL_GetModState()))));
            return;
        }
        case SDL_WINDOWEVENT:
            TranslateWindowEvent(event);
            return;
        case SDL_DISPLAYEVENT:
            PostDisplayChanged(ScreenSize(), DesktopBitsPerPixel());
            return;
        case SDL_QUIT: {
            // A signal or the session ending: ask the main windows to close.
            for (const WindowId id : WindowIds()) {
                const SdlWindow* w = FindSdlWindow(id);
                if (w != nullptr && w->Kind() == WindowKind::Main) {
                    Queue().Post(Message{id, msg::Close, 0, 0, now, CursorPosition()});
                }
            }
            return;
        }
        default:
            return;
    }
}

void SdlWindowSystem::TranslateWindowEvent(const SDL_Event& event) {
    SdlWindow* w = WindowForSdlId(event.window.windowID);
    if (w == nullptr) {
        return;
    }
    input::WindowEvent kind = input::WindowEvent::Exposed;
    switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            kind = input::WindowEvent::FocusGained;
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            kind = input::WindowEvent::FocusLost;
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            kind = input::WindowEvent::Minimized;
            break;
        case SDL_WINDOWEVENT_RESTORED:
            kind = input::WindowEvent::Restored;
            break;
        case SDL_WINDOWEVENT_MAXIMIZED:
            kind = input::WindowEvent::Maximized;
            break;
        case SDL_WINDOWEVENT_MOVED:
            kind = input::WindowEvent::Moved;
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            kind = input::WindowEvent::Exposed;
            break;
        case SDL_WINDOWEVENT_CLOSE:
            kind = input::WindowEvent::Close;
            break;
        case SDL_WINDOWEVENT_SHOWN:
            w->Refresh(mFrame);
            w->MarkExposed();
            return;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            // The picture is fitted to the new size; the program shows it again whole.
            kind = input::WindowEvent::Exposed;
            break;
        default:
            return;
    }
    w->Refresh(mFrame);
    if (kind == input::WindowEvent::Exposed) {
        w->MarkExposed();
    }
    PostWindowEvent(*w, kind);
}

void SdlWindowSystem::OnMessageRegistered(uint32_t kind, const std::string& name) {
    mChannels.emplace(kind, std::make_unique<NotifyChannel>(RuntimeFilePath(name, ".notify")));
}

bool SdlWindowSystem::BroadcastMessage(uint32_t kind, uintptr_t wparam, intptr_t lparam) {
    const auto found = mChannels.find(kind);
    if (found == mChannels.end()) {
        return false;
    }
    found->second->Broadcast(NotifyChannel::Note{wparam, static_cast<int64_t>(lparam)});
    PostToAllWindows(kind, wparam, lparam);
    return true;
}

void SdlWindowSystem::SetCapture(WindowId window) {
    if (FindWindow(window) == nullptr) {
        return;
    }
    mCapture = window;
    if (mVideo) {
        SDL_CaptureMouse(SDL_TRUE);  // refused without focus; the capture id stands anyway
    }
}

void SdlWindowSystem::ReleaseCapture() {
    mCapture = kNoWindow;
    if (mVideo) {
        SDL_CaptureMouse(SDL_FALSE);
    }
}

Point SdlWindowSystem::CursorPosition() const {
    // The mouse events place the cursor. SDL refreshes its global position only on raw
    // device input, which remote desktops and synthetic input never send, so it can stand
    // still while the events move on; it is taken only when it moved itself, for a cursor
    // outside our windows. SDL may only be asked on the main thread.
    if (mVideo && std::this_thread::get_id() == mMainThread) {
        int x = 0;
        int y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        const Point global{x, y};
        if (!mLastGlobalCursor || mLastGlobalCursor->x != x || mLastGlobalCursor->y != y) {
            mLastGlobalCursor = global;
            StoreCursorPosition(global);
        }
    }
    return StoredCursorPosition();
}

WindowId SdlWindowSystem::WindowUnderCursor() const {
    if (!mVideo) {
        return kNoWindow;
    }
    SDL_Window* focus = SDL_GetMouseFocus();
    if (focus == nullptr) {
        return kNoWindow;
    }
    const SdlWindow* w = WindowForSdlId(SDL_GetWindowID(focus));
    if (w == nullptr) {
        return kNoWindow;
    }
    // The mouse focus stays with a capturing window outside it.
    return w->ClientAreaContains(CursorPosition()) ? w->Id() : kNoWindow;
}

CursorHandle SdlWindowSystem::LoadSystemCursor(SystemCursor shape) {
    if (const auto found = mSystemCursors.find(shape); found != mSystemCursors.end()) {
        return found->second;
    }
    if (!mVideo) {
        return kNoCursor;
    }
    SDL_Cursor* cursor = SDL_CreateSystemCursor(SdlShape(shape));
    if (cursor == nullptr) {
        return kNoCursor;
    }
    const CursorHandle handle = mNextCursor++;
    mCursors.emplace(handle, CursorEntry{cursor, true});
    mSystemCursors.emplace(shape, handle);
    return handle;
}

CursorHandle SdlWindowSystem::CreateMaskCursor(const CursorMasks& masks, Point hotSpot) {
    if (!mVideo) {
        return kNoCursor;
    }
    const sdl::SdlCursorBits bits = sdl::SdlCursorBitsFromMasks(masks);
    SDL_Cursor* cursor = SDL_CreateCursor(bits.data.data(), bits.mask.data(), CursorMasks::kSide,
                                          CursorMasks::kSide, hotSpot.x, hotSpot.y);
    if (cursor == nullptr) {
        return kNoCursor;
    }
    const CursorHandle handle = mNextCursor++;
    mCursors.emplace(handle, CursorEntry{cursor, false});
    return handle;
}

CursorHandle SdlWindowSystem::SetCursor(CursorHandle cursor) {
    const CursorHandle previous = mCursorShown ? mCurrentCursor : kNoCursor;
    if (!mVideo) {
        return previous;
    }
    if (cursor == kNoCursor) {
        SDL_ShowCursor(SDL_DISABLE);
        mCursorShown = false;
        return previous;
    }
    const auto found = mCursors.find(cursor);
    if (found == mCursors.end()) {
        return previous;
    }
    if (cursor != mCurrentCursor) {
        SDL_SetCursor(found->second.cursor);
        mCurrentCursor = cursor;
    }
    if (!mCursorShown) {
        SDL_ShowCursor(SDL_ENABLE);
        mCursorShown = true;
    }
    return previous;
}

void SdlWindowSystem::DestroyCursor(CursorHandle cursor) {
    const auto found = mCursors.find(cursor);
    if (found == mCursors.end() || found->second.shared) {
        return;
    }
    if (mCurrentCursor == cursor) {
        const bool shown = mCursorShown;
        SetCursor(LoadSystemCursor(SystemCursor::Arrow));
        if (!shown) {
            SetCursor(kNoCursor);
        }
    }
    SDL_FreeCursor(found->second.cursor);
    mCursors.erase(found);
}

void FreeSdlThreadDataAtThreadEnd() {
    struct ThreadData {
        ~ThreadData() { SDL_TLSCleanup(); }
    };
    thread_local ThreadData data;
    static_cast<void>(data);
}

int SdlWindowSystem::ShowMessageBox(WindowId owner, const std::string& textUtf8,
                                    const std::string& titleUtf8, uint32_t flags) {
    // The loading thread tells of a failed group this way.
    if (std::this_thread::get_id() != mMainThread) {
        FreeSdlThreadDataAtThreadEnd();
    }
    const std::vector<MessageBoxButton> buttons = MessageBoxButtons(flags);
    const int defaultResult = DefaultMessageBoxResult(flags);
    // Escape answers Cancel, or OK when it is the only button, as on Windows.
    int escapeResult = buttons.size() == 1 ? buttons[0].result : 0;
    for (const MessageBoxButton& b : buttons) {
        if (b.result == mb::IdCancel) {
            escapeResult = b.result;
        }
    }
    uint32_t boxFlags = SDL_MESSAGEBOX_INFORMATION;
    switch (flags & mb::IconMask) {
        case mb::IconError:
            boxFlags = SDL_MESSAGEBOX_ERROR;
            break;
        case mb::IconWarning:
            boxFlags = SDL_MESSAGEBOX_WARNING;
            break;
        default:
            break;
    }
    ++mBoxesUp;
    ++mBoxChanges;
    const std::optional<sdl::BoxAnswer> chosen = sdl::ShowMessageBox(
        boxFlags, titleUtf8, textUtf8, buttons, defaultResult, escapeResult, OwnerX11(owner));
    --mBoxesUp;
    ++mBoxChanges;
    if (chosen && chosen->end != sdl::BoxEnd::Signalled) {
        // The box's window took the focus from ours, and a window manager may not hand it back.
        if (std::this_thread::get_id() == mMainThread) {
            FocusAfterBox(owner);
        } else {
            mFocusAfterBox = owner;
        }
    }
    if (!chosen) {
        // Nobody can see it: keep the text where a user or a log can.
        std::fprintf(stderr, "%s: %s\n", titleUtf8.c_str(), textUtf8.c_str());
        return mb::Failed;
    }
    switch (chosen->end) {
        case sdl::BoxEnd::Chosen:
            return chosen->result;
        case sdl::BoxEnd::Closed:
            // As Escape, else the default button.
            return escapeResult != 0 ? escapeResult : defaultResult;
        case sdl::BoxEnd::Signalled:
            break;
    }
    return mb::IdEndedBySignal;
}

unsigned long SdlWindowSystem::OwnerX11(WindowId owner) const {
    const SdlWindow* w = FindSdlWindow(owner);
    return w != nullptr ? w->X11().window : 0;
}

void SdlWindowSystem::FocusAfterBox(WindowId owner) {
    const SdlWindow* w = FindSdlWindow(owner);
    if (w == nullptr || w->Handle() == nullptr ||
        (SDL_GetWindowFlags(w->Handle()) & SDL_WINDOW_SHOWN) == 0) {
        return;
    }
    SDL_RaiseWindow(w->Handle());
    SDL_SetWindowInputFocus(w->Handle());
}

void SdlWindowSystem::ShowCaret() {
    mCaretShown = true;
    SetCaretPosition(mCaretPosition);
}

void SdlWindowSystem::SetCaretPosition(Point client) {
    mCaretPosition = client;
    if (!mVideo || !mCaretShown) {
        return;
    }
    SDL_Rect rect{client.x, client.y, std::max(1, mCaretSize.width),
                  std::max(1, mCaretSize.height)};
    SDL_SetTextInputRect(&rect);
}

bool SdlWindowSystem::SetClipboardText(std::string_view text) {
    return mVideo && SDL_SetClipboardText(text::Utf8FromCp1252(text).c_str()) == 0;
}

std::string SdlWindowSystem::ClipboardText() {
    if (!mVideo || SDL_HasClipboardText() != SDL_TRUE) {
        return {};
    }
    char* utf8 = SDL_GetClipboardText();
    if (utf8 == nullptr) {
        return {};
    }
    std::string text = text::Cp1252FromUtf8(utf8);
    SDL_free(utf8);
    return text;
}

bool SdlWindowSystem::OpenUrl(std::string_view address) {
    // One argument, no shell; a leading '-' would be read as an option.
    if (address.empty() || address.front() == '-' || address.find('\0') != std::string_view::npos) {
        return false;
    }
    std::string program = "xdg-open";
    std::string argument(address);
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        return false;
    }
    mChildren.push_back(child);
    return true;
}

X11ScreenSaver* SdlWindowSystem::ScreenSaver() {
    if (!mScreenSaverTried) {
        mScreenSaverTried = true;
        const char* driver = mVideo ? SDL_GetCurrentVideoDriver() : nullptr;
        if (driver != nullptr && std::string_view(driver) == "x11") {
            mScreenSaver = X11ScreenSaver::Open();
        }
    }
    return mScreenSaver.get();
}

WindowSystem::ScreenSaverSettings SdlWindowSystem::GetScreenSaverSettings() {
    X11ScreenSaver* saver = ScreenSaver();
    if (saver == nullptr) {
        return {};
    }
    const X11ScreenSaver::Settings settings = saver->ReadSettings();
    return ScreenSaverSettings{settings.active, settings.timeoutSeconds};
}

std::optional<uint32_t> SdlWindowSystem::IdleMilliseconds() {
    X11ScreenSaver* saver = ScreenSaver();
    return saver != nullptr ? saver->IdleMilliseconds() : std::nullopt;
}

bool SdlWindowSystem::IsScreenSaverRunning() {
    X11ScreenSaver* saver = ScreenSaver();
    return saver != nullptr && saver->IsRunning();
}

void SdlWindowSystem::ReapChildren() {
    std::erase_if(mChildren, [](int child) {
        int status = 0;
        return waitpid(child, &status, WNOHANG) != 0;  // ended, or not ours any more
    });
}

InstanceLockResult SdlWindowSystem::AcquireInstanceLock(std::string_view name) {
    auto lock = std::make_unique<InstanceLock>(RuntimeFilePath(name, ".lock"));
    const InstanceLockResult result = lock->Acquire();
    if (result == InstanceLockResult::Acquired) {
        mLocks.push_back(std::move(lock));
    }
    return result;
}

}  // namespace platform
