#include "platform/InputTranslation.h"

#include <algorithm>

#include "platform/TextEncoding.h"
#include "platform/VirtualKeys.h"

namespace platform::input {

namespace {

Message Make(const Context& context, uint32_t kind, uintptr_t wparam, intptr_t lparam) {
    Message m;
    m.window = context.window;
    m.kind = kind;
    m.wparam = wparam;
    m.lparam = lparam;
    m.time = context.time;
    m.point = context.cursor;
    return m;
}

bool AltHeld(const KeyInput& key) {
    return (key.modifiers & modifier::Alt) != 0 || key.virtualKey == vk::Alt;
}

bool ControlHeld(const KeyInput& key) {
    return (key.modifiers & modifier::Control) != 0;
}

}  // namespace

Message KeyMessage(const Context& context, const KeyInput& key) {
    const bool alt = AltHeld(key);
    const bool system = key.virtualKey == vk::F10 || (alt && !ControlHeld(key));
    uint32_t kind = 0;
    if (key.down) {
        kind = system ? msg::SysKeyDown : msg::KeyDown;
    } else {
        kind = system ? msg::SysKeyUp : msg::KeyUp;
    }
    intptr_t lparam = 1;  // repeat count
    if (alt) {
        lparam |= keyFlag::AltHeld;
    }
    if (!key.down || key.repeat) {
        lparam |= keyFlag::WasDown;
    }
    if (!key.down) {
        lparam |= keyFlag::Released;
    }
    return Make(context, kind, key.virtualKey, lparam);
}

std::optional<Message> ControlCharMessage(const Context& context, const KeyInput& key) {
    if (!key.down) {
        return std::nullopt;
    }
    const bool alt = AltHeld(key);
    const bool control = ControlHeld(key);
    if (alt && !control) {
        return std::nullopt;  // Alt combinations belong to the system menu
    }
    unsigned char c = 0;
    switch (key.virtualKey) {
        case vk::Backspace:
            c = 8;
            break;
        case vk::Tab:
            c = 9;
            break;  // Ctrl+Tab too: the widgets move the tab focus with it
        case vk::Enter:
            c = 13;
            break;
        case vk::Escape:
            c = 27;
            break;
        default:
            // Ctrl+Alt is AltGr on many layouts: its text comes as text.
            if (control && !alt && key.virtualKey >= vk::A && key.virtualKey <= vk::Z) {
                c = static_cast<unsigned char>(key.virtualKey - vk::A + 1);
            }
            break;
    }
    if (c == 0) {
        return std::nullopt;
    }
    return Make(context, msg::Char, c, 1);
}

std::vector<Message> TextMessages(const Context& context, std::string_view utf8,
                                  uint32_t modifiers) {
    std::vector<Message> out;
    const bool alt = (modifiers & modifier::Alt) != 0;
    const bool control = (modifiers & modifier::Control) != 0;
    if (control && !alt) {
        return out;
    }
    const uint32_t kind = alt && !control ? msg::SysChar : msg::Char;
    const intptr_t lparam = 1 | (alt ? keyFlag::AltHeld : 0);
    for (const char c : text::Cp1252FromUtf8(utf8)) {
        // Control characters come from the key presses, never twice.
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            continue;
        }
        out.push_back(Make(context, kind, byte, lparam));
    }
    return out;
}

uintptr_t MouseKeyFlags(uintptr_t heldButtons, uint32_t modifiers) {
    uintptr_t flags = heldButtons & (mouseKey::Left | mouseKey::Right | mouseKey::Middle);
    if ((modifiers & modifier::Shift) != 0) {
        flags |= mouseKey::Shift;
    }
    if ((modifiers & modifier::Control) != 0) {
        flags |= mouseKey::Control;
    }
    return flags;
}

Message MouseMoveMessage(const Context& context, Point client, uintptr_t keyFlags) {
    return Make(context, msg::MouseMove, keyFlags, MakeLParam(client.x, client.y));
}

Message ButtonMessage(const Context& context, MouseButton button, bool down, int clicks,
                      Point client, uintptr_t keyFlags) {
    const bool twice = down && clicks > 0 && clicks % 2 == 0;
    uint32_t kind = 0;
    switch (button) {
        case MouseButton::Left:
            kind = !down   ? msg::LeftButtonUp
                   : twice ? msg::LeftButtonDoubleClick
                           : msg::LeftButtonDown;
            break;
        case MouseButton::Right:
            kind = !down   ? msg::RightButtonUp
                   : twice ? msg::RightButtonDoubleClick
                           : msg::RightButtonDown;
            break;
        case MouseButton::Middle:
            kind = !down   ? msg::MiddleButtonUp
                   : twice ? msg::MiddleButtonDoubleClick
                           : msg::MiddleButtonDown;
            break;
    }
    return Make(context, kind, keyFlags, MakeLParam(client.x, client.y));
}

Message WheelMessage(const Context& context, int notches, uintptr_t keyFlags) {
    const long delta = std::clamp(static_cast<long>(notches) * WheelDeltaPerNotch, -32768L, 32767L);
    const uintptr_t wparam = (keyFlags & 0xFFFF) | ((static_cast<uintptr_t>(delta) & 0xFFFF) << 16);
    return Make(context, msg::MouseWheel, wparam, MakeLParam(context.cursor.x, context.cursor.y));
}

Message WindowEventMessage(const Context& context, const WindowEventInput& input) {
    switch (input.event) {
        case WindowEvent::FocusGained:
            return Make(context, msg::ActivateApp, 1, 0);
        case WindowEvent::FocusLost:
            return Make(context, msg::ActivateApp, 0, 0);
        case WindowEvent::Minimized:
            return Make(context, msg::Size, size::Minimized, 0);
        case WindowEvent::Restored:
            return Make(context, msg::Size, size::Restored,
                        MakeLParam(input.size.width, input.size.height));
        case WindowEvent::Maximized:
            return Make(context, msg::Size, size::Maximized,
                        MakeLParam(input.size.width, input.size.height));
        case WindowEvent::Moved:
            return Make(context, msg::Move, 0, MakeLParam(input.position.x, input.position.y));
        case WindowEvent::Exposed:
            return Make(context, msg::Paint, 0, 0);
        case WindowEvent::Close:
            return Make(context, msg::Close, 0, 0);
        case WindowEvent::DisplayChanged:
            return Make(context, msg::DisplayChange,
                        static_cast<uintptr_t>(std::max(input.bitsPerPixel, 0)),
                        MakeLParam(input.size.width, input.size.height));
    }
    return Make(context, msg::Null, 0, 0);
}

}  // namespace platform::input
