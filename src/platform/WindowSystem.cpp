#include "platform/WindowSystem.h"

#include <cctype>

#include "platform/TextEncoding.h"
#include "platform/VirtualKeys.h"

namespace platform {

WindowSystem::~WindowSystem() = default;

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
    return ShowMessageBox(owner, text::Utf8FromCp1252(text), text::Utf8FromCp1252(title), flags);
}

int WindowSystem::MessageBoxWide(WindowId owner, std::wstring_view text, std::wstring_view title,
                                 uint32_t flags) {
    return ShowMessageBox(owner, text::Utf8FromWide(text), text::Utf8FromWide(title), flags);
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
