#include "platform/WindowSystem.h"

#include <cctype>

#include "platform/Clock.h"
#include "platform/TextEncoding.h"
#include "platform/VirtualKeys.h"

namespace platform {

WindowSystem::~WindowSystem() = default;

Window* WindowSystem::CreateWindow(const WindowParams& params) {
    const WindowId id = mNextId;
    std::unique_ptr<Window> window = MakeWindow(id, params);
    if (!window) {
        return nullptr;
    }
    ++mNextId;
    Window* raw = window.get();
    {
        std::lock_guard lock(mWindowsMutex);
        mWindows.emplace(id, std::move(window));
    }
    Dispatch(Message{id, msg::Create, 0, 0, GetClock().TickMs(), CursorPosition()});
    if (FindWindow(id) != raw) {
        return nullptr;  // the procedure destroyed it
    }
    OnWindowCreated(*raw);
    return raw;
}

void WindowSystem::DestroyWindow(WindowId window) {
    // A procedure that destroys its window again while handling Destroy
    // must not start over.
    if (FindWindow(window) == nullptr || !mDestroying.insert(window).second) {
        return;
    }
    Dispatch(Message{window, msg::Destroy, 0, 0, GetClock().TickMs(), CursorPosition()});
    mDestroying.erase(window);
    std::unique_ptr<Window> gone;
    {
        std::lock_guard lock(mWindowsMutex);
        const auto found = mWindows.find(window);
        if (found == mWindows.end()) {
            return;  // the procedure destroyed it already
        }
        gone = std::move(found->second);
        mWindows.erase(found);
    }
    mQueue.RemoveWindow(window);
    OnWindowDestroyed(window);
}

Window* WindowSystem::FindWindow(WindowId window) const {
    std::lock_guard lock(mWindowsMutex);
    const auto found = mWindows.find(window);
    return found != mWindows.end() ? found->second.get() : nullptr;
}

std::vector<WindowId> WindowSystem::WindowIds() const {
    std::vector<WindowId> ids;
    std::lock_guard lock(mWindowsMutex);
    for (const auto& entry : mWindows) {
        ids.push_back(entry.first);
    }
    return ids;
}

Window* WindowSystem::FindNewestWindow(const std::function<bool(const Window&)>& match) const {
    std::lock_guard lock(mWindowsMutex);
    for (auto it = mWindows.rbegin(); it != mWindows.rend(); ++it) {
        if (match(*it->second)) {
            return it->second.get();
        }
    }
    return nullptr;
}

void WindowSystem::DropAllWindows() {
    std::lock_guard lock(mWindowsMutex);
    mWindows.clear();
}

std::optional<Message> WindowSystem::PeekMessage(bool remove) {
    PumpEvents();
    return mQueue.Peek(remove, GetClock().TickMs(), CursorPosition());
}

bool WindowSystem::PostMessage(WindowId window, uint32_t kind, uintptr_t wparam, intptr_t lparam) {
    if (FindWindow(window) == nullptr) {
        return false;
    }
    return mQueue.Post(
        Message{window, kind, wparam, lparam, GetClock().TickMs(), CursorPosition()});
}

void WindowSystem::PostToAllWindows(uint32_t kind, uintptr_t wparam, intptr_t lparam) {
    for (const WindowId id : WindowIds()) {
        PostMessage(id, kind, wparam, lparam);
    }
}

void WindowSystem::PostWindowEvent(const Window& window, input::WindowEvent event) {
    input::WindowEventInput in;
    in.event = event;
    in.position = window.ClientToScreen(Point{});
    in.size = window.ClientSize();
    const Message m = input::WindowEventMessage(
        input::Context{window.Id(), GetClock().TickMs(), CursorPosition()}, in);
    if (event == input::WindowEvent::Exposed) {
        mQueue.PostCoalesced(m);
    } else {
        mQueue.Post(m);
    }
}

void WindowSystem::PostDisplayChanged(Size screen, int32_t bitsPerPixel) {
    input::WindowEventInput in;
    in.event = input::WindowEvent::DisplayChanged;
    in.size = screen;
    in.bitsPerPixel = bitsPerPixel;
    const uint32_t now = GetClock().TickMs();
    const Point cursor = CursorPosition();
    for (const WindowId id : WindowIds()) {
        mQueue.Post(input::WindowEventMessage(input::Context{id, now, cursor}, in));
    }
}

void WindowSystem::SetTimer(WindowId window, uint32_t id, uint32_t periodMs) {
    if (FindWindow(window) != nullptr) {
        mQueue.SetTimer(window, id, periodMs, GetClock().TickMs());
    }
}

void WindowSystem::KillTimer(WindowId window, uint32_t id) {
    mQueue.KillTimer(window, id);
}

void WindowSystem::SetMouseButton(input::MouseButton button, bool down) {
    uintptr_t bit = 0;
    switch (button) {
        case input::MouseButton::Left:
            bit = mouseKey::Left;
            break;
        case input::MouseButton::Right:
            bit = mouseKey::Right;
            break;
        case input::MouseButton::Middle:
            bit = mouseKey::Middle;
            break;
    }
    mMouseButtons = down ? (mMouseButtons | bit) : (mMouseButtons & ~bit);
}

void WindowSystem::StoreCursorPosition(Point screen) const {
    mCursorX.store(screen.x);
    mCursorY.store(screen.y);
}

intptr_t WindowSystem::Dispatch(const Message& message) {
    Window* window = FindWindow(message.window);
    if (window == nullptr || !window->Procedure()) {
        return 0;
    }
    // A copy, so the procedure may destroy its own window.
    const WindowProcedure procedure = window->Procedure();
    return procedure(message);
}

intptr_t WindowSystem::DefaultProcessing(const Message& message) {
    switch (message.kind) {
        case msg::SysKeyDown:
            if (message.wparam == vk::F4 && (message.lparam & keyFlag::AltHeld) != 0) {
                PostMessage(message.window, msg::SysCommand, sysCommand::Close, 0);
            }
            return 0;
        case msg::SysCommand:
            switch (message.wparam & 0xFFF0) {
                case sysCommand::Close:
                    PostMessage(message.window, msg::Close, 0, 0);
                    break;
                case sysCommand::Minimize:
                    if (Window* w = FindWindow(message.window)) {
                        w->Show(ShowCommand::Minimize);
                    }
                    break;
                case sysCommand::Restore:
                    if (Window* w = FindWindow(message.window)) {
                        w->Show(ShowCommand::Restore);
                    }
                    break;
                default:
                    break;
            }
            return 0;
        case msg::Close:
            DestroyWindow(message.window);
            return 0;
        default:
            return 0;
    }
}

uint32_t WindowSystem::RegisterMessage(std::string_view name) {
    std::string key;
    key.reserve(name.size());
    for (const char c : name) {
        key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    if (const auto found = mRegistered.find(key); found != mRegistered.end()) {
        return found->second;
    }
    const auto next = msg::FirstRegistered + static_cast<uint32_t>(mRegistered.size());
    if (key.empty() || next > msg::LastRegistered) {
        return 0;
    }
    mRegistered.emplace(key, next);
    OnMessageRegistered(next, key);
    return next;
}

const std::string* WindowSystem::RegisteredName(uint32_t kind) const {
    for (const auto& [name, id] : mRegistered) {
        if (id == kind) {
            return &name;
        }
    }
    return nullptr;
}

uint32_t WindowSystem::RegisteredId(const std::string& name) const {
    const auto found = mRegistered.find(name);
    return found != mRegistered.end() ? found->second : 0;
}

int WindowSystem::MessageBox(WindowId owner, std::string_view text, std::string_view title,
                             uint32_t flags) {
    return BoxUnlessQuitting(owner, text::Utf8FromCp1252(text), text::Utf8FromCp1252(title), flags);
}

int WindowSystem::MessageBoxWide(WindowId owner, std::wstring_view text, std::wstring_view title,
                                 uint32_t flags) {
    return BoxUnlessQuitting(owner, text::Utf8FromWide(text), text::Utf8FromWide(title), flags);
}

int WindowSystem::BoxUnlessQuitting(WindowId owner, const std::string& textUtf8,
                                    const std::string& titleUtf8, uint32_t flags) {
    if (QuitSignalled()) {
        return mb::IdEndedBySignal;
    }
    const int result = ShowMessageBox(owner, textUtf8, titleUtf8, flags);
    if (result == mb::IdEndedBySignal) {
        NoteQuitSignal();
    }
    return result;
}

std::vector<MessageBoxButton> WindowSystem::MessageBoxButtons(uint32_t flags) {
    switch (flags & mb::ButtonsMask) {
        case mb::OkCancel:
            return {{"OK", mb::IdOk}, {"Cancel", mb::IdCancel}};
        case mb::AbortRetryIgnore:
            return {{"Abort", mb::IdAbort}, {"Retry", mb::IdRetry}, {"Ignore", mb::IdIgnore}};
        case mb::YesNoCancel:
            return {{"Yes", mb::IdYes}, {"No", mb::IdNo}, {"Cancel", mb::IdCancel}};
        case mb::YesNo:
            return {{"Yes", mb::IdYes}, {"No", mb::IdNo}};
        case mb::RetryCancel:
            return {{"Retry", mb::IdRetry}, {"Cancel", mb::IdCancel}};
        default:
            return {{"OK", mb::IdOk}};
    }
}

int WindowSystem::DefaultMessageBoxResult(uint32_t flags) {
    const auto buttons = MessageBoxButtons(flags);
    size_t index = 0;
    if ((flags & mb::DefaultButtonMask) == mb::DefaultButton2) {
        index = 1;
    } else if ((flags & mb::DefaultButtonMask) == mb::DefaultButton3) {
        index = 2;
    }
    return buttons[index < buttons.size() ? index : 0].result;
}

}  // namespace platform
