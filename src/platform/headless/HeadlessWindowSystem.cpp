#include "platform/headless/HeadlessWindowSystem.h"

#include <algorithm>

#include "platform/Clock.h"
#include "platform/TextEncoding.h"
#include "platform/VirtualKeys.h"

namespace platform {

namespace {

uint8_t PlainModifierKey(uint8_t key) {
    switch (key) {
        case vk::LeftShift:
        case vk::RightShift:
            return vk::Shift;
        case vk::LeftControl:
        case vk::RightControl:
            return vk::Control;
        case vk::LeftAlt:
        case vk::RightAlt:
            return vk::Alt;
        default:
            return key;
    }
}

}  // namespace

HeadlessWindowSystem::HeadlessWindowSystem(std::shared_ptr<Host> host)
    : mHost(host ? std::move(host) : std::make_shared<Host>()) {
    {
        std::lock_guard lock(mHost->mMutex);
        mHost->mSystems.push_back(this);
    }
    mCurrentCursor = LoadSystemCursor(SystemCursor::Arrow);
}

HeadlessWindowSystem::~HeadlessWindowSystem() {
    std::lock_guard lock(mHost->mMutex);
    std::erase(mHost->mSystems, this);
    for (const std::string& name : mHeldLocks) {
        mHost->mLocks.erase(name);
    }
}

std::unique_ptr<Window> HeadlessWindowSystem::MakeWindow(WindowId id, const WindowParams& params) {
    return std::make_unique<HeadlessWindow>(*this, id, params, mFrame);
}

void HeadlessWindowSystem::OnWindowCreated(Window& window) {
    if (window.IsVisible()) {
        WindowActivated(window.Id());
    }
}

void HeadlessWindowSystem::OnWindowDestroyed(WindowId window) {
    if (mActive == window) {
        mActive = kNoWindow;
    }
    if (mCapture == window) {
        mCapture = kNoWindow;
    }
    mDestroyed.push_back(window);
}

HeadlessWindow* HeadlessWindowSystem::FindHeadlessWindow(WindowId window) const {
    // Every window in the table was made by MakeWindow above.
    return static_cast<HeadlessWindow*>(FindWindow(window));
}

Size HeadlessWindowSystem::ClientToWindowSize(WindowStyle style, Size client) const {
    if (style != WindowStyle::Captioned) {
        return client;
    }
    return Size{client.width + mFrame.left + mFrame.right,
                client.height + mFrame.top + mFrame.bottom};
}

bool HeadlessWindowSystem::BroadcastMessage(uint32_t kind, uintptr_t wparam, intptr_t lparam) {
    const std::string* name = RegisteredName(kind);
    if (name == nullptr) {
        return false;
    }
    std::vector<HeadlessWindowSystem*> systems;
    {
        std::lock_guard lock(mHost->mMutex);
        systems = mHost->mSystems;
    }
    for (HeadlessWindowSystem* system : systems) {
        system->DeliverBroadcast(*name, wparam, lparam);
    }
    return true;
}

void HeadlessWindowSystem::DeliverBroadcast(const std::string& name, uintptr_t wparam,
                                            intptr_t lparam) {
    if (const uint32_t kind = RegisteredId(name); kind != 0) {
        PostToAllWindows(kind, wparam, lparam);
    }
}

WindowId HeadlessWindowSystem::WindowUnderCursor() const {
    const Point cursor = CursorPosition();
    const Window* w = FindNewestWindow([&](const Window& candidate) {
        const auto& headless = static_cast<const HeadlessWindow&>(candidate);
        return headless.IsVisible() && !headless.IsMinimized() &&
               headless.ClientAreaContains(cursor);
    });
    return w != nullptr ? w->Id() : kNoWindow;
}

CursorHandle HeadlessWindowSystem::LoadSystemCursor(SystemCursor shape) {
    if (const auto found = mSystemCursors.find(shape); found != mSystemCursors.end()) {
        return found->second;
    }
    const CursorHandle handle = mNextCursor++;
    CursorRecord record;
    record.shape = shape;
    mCursors.emplace(handle, record);
    mSystemCursors.emplace(shape, handle);
    return handle;
}

CursorHandle HeadlessWindowSystem::CreateMaskCursor(const CursorMasks& masks, Point hotSpot) {
    const CursorHandle handle = mNextCursor++;
    mCursors.emplace(handle, CursorRecord{std::nullopt, masks, hotSpot});
    return handle;
}

CursorHandle HeadlessWindowSystem::SetCursor(CursorHandle cursor) {
    const CursorHandle previous = mCurrentCursor;
    if (cursor == kNoCursor || mCursors.count(cursor) != 0) {
        mCurrentCursor = cursor;
    }
    return previous;
}

void HeadlessWindowSystem::DestroyCursor(CursorHandle cursor) {
    const auto found = mCursors.find(cursor);
    if (found == mCursors.end() || found->second.shape.has_value()) {
        return;
    }
    mCursors.erase(found);
    if (mCurrentCursor == cursor) {
        mCurrentCursor = LoadSystemCursor(SystemCursor::Arrow);
    }
}

const HeadlessWindowSystem::CursorRecord* HeadlessWindowSystem::FindCursor(
    CursorHandle cursor) const {
    const auto found = mCursors.find(cursor);
    return found != mCursors.end() ? &found->second : nullptr;
}

bool HeadlessWindowSystem::SetClipboardText(std::string_view text) {
    mClipboard = text;
    return true;
}

bool HeadlessWindowSystem::OpenUrl(std::string_view address) {
    mOpenedUrls.emplace_back(address);
    return mOpenUrlResult && !address.empty();
}

InstanceLockResult HeadlessWindowSystem::AcquireInstanceLock(std::string_view name) {
    std::lock_guard lock(mHost->mMutex);
    if (!mHost->mLocks.emplace(name).second) {
        return InstanceLockResult::HeldElsewhere;
    }
    mHeldLocks.emplace_back(name);
    return InstanceLockResult::Acquired;
}

int HeadlessWindowSystem::ShowMessageBox(WindowId owner, const std::string& textUtf8,
                                         const std::string& titleUtf8, uint32_t flags) {
    int result = DefaultMessageBoxResult(flags);
    if (!mMessageBoxAnswers.empty()) {
        result = mMessageBoxAnswers.front();
        mMessageBoxAnswers.pop_front();
    }
    mMessageBoxes.push_back(MessageBoxRecord{owner, textUtf8, titleUtf8, flags, result});
    return result;
}

HeadlessWindow* HeadlessWindowSystem::InputWindow() const {
    if (HeadlessWindow* w = FindHeadlessWindow(mCapture)) {
        return w;
    }
    if (HeadlessWindow* w = FindHeadlessWindow(mActive)) {
        return w;
    }
    return static_cast<HeadlessWindow*>(FindNewestWindow(
        [](const Window& candidate) { return candidate.Kind() == WindowKind::Main; }));
}

input::Context HeadlessWindowSystem::ContextFor(WindowId window) const {
    return input::Context{window, GetClock().TickMs(), CursorPosition()};
}

uint32_t HeadlessWindowSystem::Modifiers() const {
    uint32_t mods = 0;
    if (mKeysDown.count(vk::Shift) != 0) {
        mods |= input::modifier::Shift;
    }
    if (mKeysDown.count(vk::Control) != 0) {
        mods |= input::modifier::Control;
    }
    if (mKeysDown.count(vk::Alt) != 0) {
        mods |= input::modifier::Alt;
    }
    return mods;
}

bool HeadlessWindowSystem::PushKeyDown(uint8_t virtualKey, bool repeat) {
    const uint8_t key = PlainModifierKey(virtualKey);
    mKeysDown.insert(key);
    HeadlessWindow* w = InputWindow();
    if (w == nullptr) {
        return false;
    }
    const input::KeyInput in{key, true, repeat, Modifiers()};
    const input::Context context = ContextFor(w->Id());
    bool posted = Queue().Post(input::KeyMessage(context, in));
    if (const auto c = input::ControlCharMessage(context, in)) {
        posted = Queue().Post(*c) && posted;
    }
    return posted;
}

bool HeadlessWindowSystem::PushKeyUp(uint8_t virtualKey) {
    const uint8_t key = PlainModifierKey(virtualKey);
    mKeysDown.erase(key);
    HeadlessWindow* w = InputWindow();
    if (w == nullptr) {
        return false;
    }
    return Queue().Post(
        input::KeyMessage(ContextFor(w->Id()), input::KeyInput{key, false, false, Modifiers()}));
}

bool HeadlessWindowSystem::PushText(std::string_view utf8) {
    HeadlessWindow* w = InputWindow();
    if (w == nullptr) {
        return false;
    }
    bool posted = true;
    for (const Message& m : input::TextMessages(ContextFor(w->Id()), utf8, Modifiers())) {
        posted = Queue().Post(m) && posted;
    }
    return posted;
}

bool HeadlessWindowSystem::PushMouseMove(Point client) {
    HeadlessWindow* w = InputWindow();
    if (w == nullptr) {
        return false;
    }
    SetCursorPosition(w->ClientToScreen(client));
    return Queue().Post(input::MouseMoveMessage(ContextFor(w->Id()), client,
                                                input::MouseKeyFlags(MouseButtons(), Modifiers())));
}

bool HeadlessWindowSystem::PushMouseButton(input::MouseButton button, bool down, int clicks) {
    SetMouseButton(button, down);
    HeadlessWindow* w = InputWindow();
    if (w == nullptr) {
        return false;
    }
    const Point client = w->ScreenToClient(CursorPosition());
    return Queue().Post(input::ButtonMessage(ContextFor(w->Id()), button, down, clicks, client,
                                             input::MouseKeyFlags(MouseButtons(), Modifiers())));
}

bool HeadlessWindowSystem::PushWheel(int notches) {
    HeadlessWindow* w = InputWindow();
    if (w == nullptr) {
        return false;
    }
    return Queue().Post(input::WheelMessage(ContextFor(w->Id()), notches,
                                            input::MouseKeyFlags(MouseButtons(), Modifiers())));
}

void HeadlessWindowSystem::WindowActivated(WindowId window) {
    if (mActive == window) {
        return;
    }
    const bool appWasActive = mActive != kNoWindow;
    mActive = window;
    if (!appWasActive) {
        PostWindowEvent(window, input::WindowEvent::FocusGained);
    }
}

void HeadlessWindowSystem::WindowDeactivated(WindowId window) {
    if (mActive != window) {
        return;
    }
    mActive = kNoWindow;
    PostWindowEvent(window, input::WindowEvent::FocusLost);
}

void HeadlessWindowSystem::PostWindowEvent(WindowId window, input::WindowEvent event) {
    if (const Window* w = FindWindow(window)) {
        WindowSystem::PostWindowEvent(*w, event);
    }
}

bool HeadlessWindowSystem::PushFocus(bool gained) {
    if (!gained) {
        if (mActive == kNoWindow) {
            return false;
        }
        WindowDeactivated(mActive);
        return true;
    }
    HeadlessWindow* w = InputWindow();
    if (w == nullptr) {
        return false;
    }
    WindowActivated(w->Id());
    return true;
}

bool HeadlessWindowSystem::PushMinimize() {
    HeadlessWindow* w = InputWindow();
    if (w == nullptr || w->IsMinimized()) {
        return false;
    }
    w->SetShowState(ShowState::Minimized);
    PostWindowEvent(w->Id(), input::WindowEvent::Minimized);
    WindowDeactivated(w->Id());
    return true;
}

bool HeadlessWindowSystem::PushRestore() {
    HeadlessWindow* w = InputWindow();
    if (w == nullptr || (!w->IsMinimized() && !w->IsMaximized())) {
        return false;
    }
    w->SetShowState(ShowState::Normal);
    PostWindowEvent(w->Id(), input::WindowEvent::Restored);
    WindowActivated(w->Id());
    return true;
}

bool HeadlessWindowSystem::PushMaximize() {
    HeadlessWindow* w = InputWindow();
    if (w == nullptr || w->IsMaximized()) {
        return false;
    }
    w->SetShowState(ShowState::Maximized);
    PostWindowEvent(w->Id(), input::WindowEvent::Maximized);
    WindowActivated(w->Id());
    return true;
}

bool HeadlessWindowSystem::PushMove(Point outer) {
    HeadlessWindow* w = InputWindow();
    if (w == nullptr) {
        return false;
    }
    w->SetPosition(outer);
    PostWindowEvent(w->Id(), input::WindowEvent::Moved);
    return true;
}

bool HeadlessWindowSystem::PushExpose() {
    HeadlessWindow* w = InputWindow();
    if (w == nullptr) {
        return false;
    }
    PostWindowEvent(w->Id(), input::WindowEvent::Exposed);
    return true;
}

bool HeadlessWindowSystem::PushClose() {
    HeadlessWindow* w = InputWindow();
    if (w == nullptr) {
        return false;
    }
    PostWindowEvent(w->Id(), input::WindowEvent::Close);
    return true;
}

void HeadlessWindowSystem::PushDisplayChange(Size screen, int32_t bitsPerPixel) {
    SetScreen(screen, ScreenRect{0, 0, screen.width, screen.height}, bitsPerPixel);
    PostDisplayChanged(screen, bitsPerPixel);
}

void HeadlessWindowSystem::SetScreen(Size screen, ScreenRect workArea, int32_t bitsPerPixel) {
    mScreenSize = screen;
    mWorkArea = workArea;
    mBitsPerPixel = bitsPerPixel;
}

void HeadlessWindowSystem::CreateCaret(Size size) {
    mCaretCalls.push_back("create " + std::to_string(size.width) + " " +
                          std::to_string(size.height));
}

void HeadlessWindowSystem::SetCaretPosition(Point client) {
    mCaretCalls.push_back("move " + std::to_string(client.x) + " " + std::to_string(client.y));
}

}  // namespace platform
