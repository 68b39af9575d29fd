#include "platform/sdl/SdlConversions.h"

#include <SDL.h>

#include "platform/InputTranslation.h"
#include "platform/VirtualKeys.h"

namespace platform::sdl {

namespace {

uint8_t KeypadKey(int32_t scancode, bool numLock) {
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) {
        const int digit = scancode - SDL_SCANCODE_KP_1 + 1;
        if (numLock) {
            return static_cast<uint8_t>(vk::Numpad0 + digit);
        }
        // Without Num Lock the keypad is a second set of cursor keys.
        static constexpr uint8_t kNavigation[9] = {vk::End,  vk::Down,  vk::PageDown,
                                                   vk::Left, vk::Clear, vk::Right,
                                                   vk::Home, vk::Up,    vk::PageUp};
        return kNavigation[digit - 1];
    }
    switch (scancode) {
        case SDL_SCANCODE_KP_0:
            return numLock ? vk::Numpad0 : vk::Insert;
        case SDL_SCANCODE_KP_PERIOD:
            return numLock ? vk::Decimal : vk::Delete;
        case SDL_SCANCODE_KP_DIVIDE:
            return vk::Divide;
        case SDL_SCANCODE_KP_MULTIPLY:
            return vk::Multiply;
        case SDL_SCANCODE_KP_MINUS:
            return vk::Subtract;
        case SDL_SCANCODE_KP_PLUS:
            return vk::Add;
        case SDL_SCANCODE_KP_ENTER:
            return vk::Enter;
        case SDL_SCANCODE_KP_COMMA:
            return vk::Separator;
        default:
            return 0;
    }
}

}  // namespace

uint8_t VirtualKeyFromSdl(int32_t keycode, int32_t scancode, bool numLock) {
    if (keycode >= 'a' && keycode <= 'z') {
        return static_cast<uint8_t>(keycode - 'a' + vk::A);
    }
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
        return static_cast<uint8_t>(scancode - SDL_SCANCODE_A + vk::A);  // non-Latin layouts
    }
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) {
        return static_cast<uint8_t>(scancode - SDL_SCANCODE_1 + vk::Digit0 + 1);
    }
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) {
        return static_cast<uint8_t>(scancode - SDL_SCANCODE_F1 + vk::F1);
    }
    if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24) {
        return static_cast<uint8_t>(scancode - SDL_SCANCODE_F13 + vk::F1 + 12);
    }
    if (const uint8_t keypad = KeypadKey(scancode, numLock)) {
        return keypad;
    }
    switch (scancode) {
        case SDL_SCANCODE_0:
            return vk::Digit0;
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_RETURN2:
            return vk::Enter;
        case SDL_SCANCODE_ESCAPE:
            return vk::Escape;
        case SDL_SCANCODE_BACKSPACE:
            return vk::Backspace;
        case SDL_SCANCODE_TAB:
            return vk::Tab;
        case SDL_SCANCODE_SPACE:
            return vk::Space;
        case SDL_SCANCODE_MINUS:
            return vk::Minus;
        case SDL_SCANCODE_EQUALS:
            return vk::Equals;
        case SDL_SCANCODE_LEFTBRACKET:
            return vk::LeftBracket;
        case SDL_SCANCODE_RIGHTBRACKET:
            return vk::RightBracket;
        case SDL_SCANCODE_BACKSLASH:
        case SDL_SCANCODE_NONUSHASH:
            return vk::Backslash;
        case SDL_SCANCODE_SEMICOLON:
            return vk::Semicolon;
        case SDL_SCANCODE_APOSTROPHE:
            return vk::Quote;
        case SDL_SCANCODE_GRAVE:
            return vk::Grave;
        case SDL_SCANCODE_COMMA:
            return vk::Comma;
        case SDL_SCANCODE_PERIOD:
            return vk::Period;
        case SDL_SCANCODE_SLASH:
            return vk::Slash;
        case SDL_SCANCODE_NONUSBACKSLASH:
            return vk::IntlBackslash;
        case SDL_SCANCODE_CAPSLOCK:
            return vk::CapsLock;
        case SDL_SCANCODE_PRINTSCREEN:
            return vk::PrintScreen;
        case SDL_SCANCODE_SCROLLLOCK:
            return vk::ScrollLock;
        case SDL_SCANCODE_PAUSE:
            return vk::Pause;
        case SDL_SCANCODE_INSERT:
            return vk::Insert;
        case SDL_SCANCODE_HOME:
            return vk::Home;
        case SDL_SCANCODE_PAGEUP:
            return vk::PageUp;
        case SDL_SCANCODE_DELETE:
            return vk::Delete;
        case SDL_SCANCODE_END:
            return vk::End;
        case SDL_SCANCODE_PAGEDOWN:
            return vk::PageDown;
        case SDL_SCANCODE_RIGHT:
            return vk::Right;
        case SDL_SCANCODE_LEFT:
            return vk::Left;
        case SDL_SCANCODE_DOWN:
            return vk::Down;
        case SDL_SCANCODE_UP:
            return vk::Up;
        case SDL_SCANCODE_NUMLOCKCLEAR:
            return vk::NumLock;
        case SDL_SCANCODE_APPLICATION:
        case SDL_SCANCODE_MENU:
            return vk::Apps;
        case SDL_SCANCODE_EXECUTE:
            return vk::Execute;
        case SDL_SCANCODE_HELP:
            return vk::Help;
        case SDL_SCANCODE_SELECT:
            return vk::Select;
        case SDL_SCANCODE_CLEAR:
            return vk::Clear;
        case SDL_SCANCODE_SLEEP:
            return vk::Sleep;
        // Windows reports either side of a modifier as the plain key.
        case SDL_SCANCODE_LCTRL:
        case SDL_SCANCODE_RCTRL:
            return vk::Control;
        case SDL_SCANCODE_LSHIFT:
        case SDL_SCANCODE_RSHIFT:
            return vk::Shift;
        case SDL_SCANCODE_LALT:
        case SDL_SCANCODE_RALT:
            return vk::Alt;
        case SDL_SCANCODE_LGUI:
            return vk::LeftWindows;
        case SDL_SCANCODE_RGUI:
            return vk::RightWindows;
        default:
            return 0;
    }
}

uint32_t ModifiersFromSdl(uint32_t sdlModifiers) {
    uint32_t mods = 0;
    if ((sdlModifiers & KMOD_SHIFT) != 0) {
        mods |= input::modifier::Shift;
    }
    if ((sdlModifiers & KMOD_CTRL) != 0) {
        mods |= input::modifier::Control;
    }
    if ((sdlModifiers & KMOD_ALT) != 0) {
        mods |= input::modifier::Alt;
    }
    return mods;
}

SdlCursorBits SdlCursorBitsFromMasks(const CursorMasks& masks) {
    // Windows (AND, XOR) -> SDL (data, mask): (1,0) transparent -> (0,0),
    // (0,0) black -> (1,1), (0,1) white -> (0,1), (1,1) invert -> (1,0).
    SdlCursorBits bits;
    for (size_t i = 0; i < CursorMasks::kBytes; ++i) {
        bits.data[i] = static_cast<uint8_t>(~(masks.andMask[i] ^ masks.xorMask[i]));
        bits.mask[i] = static_cast<uint8_t>(~masks.andMask[i]);
    }
    return bits;
}

int WheelNotchesFromSdl(int32_t y, bool flipped) {
    return flipped ? -y : y;
}

}  // namespace platform::sdl
