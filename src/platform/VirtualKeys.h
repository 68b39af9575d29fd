#pragma once

#include <cstdint>

// Virtual-key numbers. They keep the Windows numbering: demo files store them
// as bytes and the widgets compare against them.
namespace platform::vk {

inline constexpr uint8_t LeftButton = 0x01;
inline constexpr uint8_t RightButton = 0x02;
inline constexpr uint8_t MiddleButton = 0x04;
inline constexpr uint8_t Backspace = 0x08;
inline constexpr uint8_t Tab = 0x09;
inline constexpr uint8_t Clear = 0x0C;
inline constexpr uint8_t Enter = 0x0D;
inline constexpr uint8_t Shift = 0x10;
inline constexpr uint8_t Control = 0x11;
inline constexpr uint8_t Alt = 0x12;
inline constexpr uint8_t Pause = 0x13;
inline constexpr uint8_t CapsLock = 0x14;
inline constexpr uint8_t Escape = 0x1B;
inline constexpr uint8_t Space = 0x20;
inline constexpr uint8_t PageUp = 0x21;
inline constexpr uint8_t PageDown = 0x22;
inline constexpr uint8_t End = 0x23;
inline constexpr uint8_t Home = 0x24;
inline constexpr uint8_t Left = 0x25;
inline constexpr uint8_t Up = 0x26;
inline constexpr uint8_t Right = 0x27;
inline constexpr uint8_t Down = 0x28;
inline constexpr uint8_t Select = 0x29;
inline constexpr uint8_t Print = 0x2A;
inline constexpr uint8_t Execute = 0x2B;
inline constexpr uint8_t PrintScreen = 0x2C;
inline constexpr uint8_t Insert = 0x2D;
inline constexpr uint8_t Delete = 0x2E;
inline constexpr uint8_t Help = 0x2F;
// '0'..'9' and 'A'..'Z' are their own ASCII codes.
inline constexpr uint8_t Digit0 = 0x30;
inline constexpr uint8_t Digit1 = 0x31;
inline constexpr uint8_t Digit2 = 0x32;
inline constexpr uint8_t Digit3 = 0x33;
inline constexpr uint8_t Digit4 = 0x34;
inline constexpr uint8_t Digit5 = 0x35;
inline constexpr uint8_t Digit6 = 0x36;
inline constexpr uint8_t Digit7 = 0x37;
inline constexpr uint8_t Digit8 = 0x38;
inline constexpr uint8_t Digit9 = 0x39;
inline constexpr uint8_t A = 0x41;
inline constexpr uint8_t B = 0x42;
inline constexpr uint8_t C = 0x43;
inline constexpr uint8_t D = 0x44;
inline constexpr uint8_t E = 0x45;
inline constexpr uint8_t F = 0x46;
inline constexpr uint8_t G = 0x47;
inline constexpr uint8_t H = 0x48;
inline constexpr uint8_t I = 0x49;
inline constexpr uint8_t J = 0x4A;
inline constexpr uint8_t K = 0x4B;
inline constexpr uint8_t L = 0x4C;
inline constexpr uint8_t M = 0x4D;
inline constexpr uint8_t N = 0x4E;
inline constexpr uint8_t O = 0x4F;
inline constexpr uint8_t P = 0x50;
inline constexpr uint8_t Q = 0x51;
inline constexpr uint8_t R = 0x52;
inline constexpr uint8_t S = 0x53;
inline constexpr uint8_t T = 0x54;
inline constexpr uint8_t U = 0x55;
inline constexpr uint8_t V = 0x56;
inline constexpr uint8_t W = 0x57;
inline constexpr uint8_t X = 0x58;
inline constexpr uint8_t Y = 0x59;
inline constexpr uint8_t Z = 0x5A;
inline constexpr uint8_t LeftWindows = 0x5B;
inline constexpr uint8_t RightWindows = 0x5C;
inline constexpr uint8_t Apps = 0x5D;
inline constexpr uint8_t Sleep = 0x5F;
inline constexpr uint8_t Numpad0 = 0x60;
inline constexpr uint8_t Numpad9 = 0x69;
inline constexpr uint8_t Multiply = 0x6A;
inline constexpr uint8_t Add = 0x6B;
inline constexpr uint8_t Separator = 0x6C;
inline constexpr uint8_t Subtract = 0x6D;
inline constexpr uint8_t Decimal = 0x6E;
inline constexpr uint8_t Divide = 0x6F;
inline constexpr uint8_t F1 = 0x70;
inline constexpr uint8_t F2 = 0x71;
inline constexpr uint8_t F3 = 0x72;
inline constexpr uint8_t F4 = 0x73;
inline constexpr uint8_t F5 = 0x74;
inline constexpr uint8_t F6 = 0x75;
inline constexpr uint8_t F7 = 0x76;
inline constexpr uint8_t F8 = 0x77;
inline constexpr uint8_t F9 = 0x78;
inline constexpr uint8_t F10 = 0x79;
inline constexpr uint8_t F11 = 0x7A;
inline constexpr uint8_t F12 = 0x7B;
inline constexpr uint8_t F24 = 0x87;
inline constexpr uint8_t NumLock = 0x90;
inline constexpr uint8_t ScrollLock = 0x91;
inline constexpr uint8_t LeftShift = 0xA0;
inline constexpr uint8_t RightShift = 0xA1;
inline constexpr uint8_t LeftControl = 0xA2;
inline constexpr uint8_t RightControl = 0xA3;
inline constexpr uint8_t LeftAlt = 0xA4;
inline constexpr uint8_t RightAlt = 0xA5;
// Punctuation keys, named by their place on a US keyboard.
inline constexpr uint8_t Semicolon = 0xBA;
inline constexpr uint8_t Equals = 0xBB;
inline constexpr uint8_t Comma = 0xBC;
inline constexpr uint8_t Minus = 0xBD;
inline constexpr uint8_t Period = 0xBE;
inline constexpr uint8_t Slash = 0xBF;
inline constexpr uint8_t Grave = 0xC0;
inline constexpr uint8_t LeftBracket = 0xDB;
inline constexpr uint8_t Backslash = 0xDC;
inline constexpr uint8_t RightBracket = 0xDD;
inline constexpr uint8_t Quote = 0xDE;
inline constexpr uint8_t IntlBackslash = 0xE2;  // the extra key left of Z on ISO keyboards

constexpr uint8_t Letter(char upper) {
    return static_cast<uint8_t>(upper);
}
constexpr uint8_t Digit(int d) {
    return static_cast<uint8_t>(Digit0 + d);
}
constexpr uint8_t Function(int n) {
    return static_cast<uint8_t>(F1 + n - 1);
}  // F1..F24

}  // namespace platform::vk
