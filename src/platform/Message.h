#pragma once

#include <cstdint>

namespace platform {

// Windows are named by ids that are never reused, so a message kept after its
// window was destroyed names nothing rather than a dangling object.
using WindowId = uint32_t;
inline constexpr WindowId kNoWindow = 0;

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// One queued message. The kinds, parameters and their packing follow the
// Windows conventions because the application, its demo files and the widget
// code were written against them.
struct Message {
    WindowId window = kNoWindow;
    uint32_t kind = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
    uint32_t time = 0;  // tick in ms when the message was made
    Point point;        // cursor position in screen pixels at that time
};

namespace msg {
inline constexpr uint32_t Null = 0x0000;
inline constexpr uint32_t Create = 0x0001;
inline constexpr uint32_t Destroy = 0x0002;
inline constexpr uint32_t Move = 0x0003;  // lparam: client origin on screen
inline constexpr uint32_t Size = 0x0005;  // wparam: size::*, lparam: client w, h
inline constexpr uint32_t Activate = 0x0006;
inline constexpr uint32_t SetFocus = 0x0007;
inline constexpr uint32_t KillFocus = 0x0008;
inline constexpr uint32_t Enable = 0x000A;
inline constexpr uint32_t Paint = 0x000F;
inline constexpr uint32_t Close = 0x0010;
inline constexpr uint32_t QueryEndSession = 0x0011;
inline constexpr uint32_t QueryOpen = 0x0013;
inline constexpr uint32_t EraseBackground = 0x0014;
inline constexpr uint32_t SysColorChange = 0x0015;
inline constexpr uint32_t EndSession = 0x0016;
inline constexpr uint32_t ActivateApp = 0x001C;  // wparam: 1 active, 0 inactive
inline constexpr uint32_t SetCursor = 0x0020;
inline constexpr uint32_t DisplayChange = 0x007E;  // wparam: bpp, lparam: w, h
inline constexpr uint32_t NcActivate = 0x0086;
inline constexpr uint32_t NcLeftButtonDown = 0x00A1;
inline constexpr uint32_t KeyDown = 0x0100;  // wparam: virtual key
inline constexpr uint32_t KeyUp = 0x0101;
inline constexpr uint32_t Char = 0x0102;  // wparam: byte in Windows-1252
inline constexpr uint32_t SysKeyDown = 0x0104;
inline constexpr uint32_t SysKeyUp = 0x0105;
inline constexpr uint32_t SysChar = 0x0106;
inline constexpr uint32_t SysCommand = 0x0112;  // wparam: sysCommand::*
inline constexpr uint32_t Timer = 0x0113;       // wparam: timer id
inline constexpr uint32_t MouseMove = 0x0200;   // wparam: mouseKey::*, lparam: client x, y
inline constexpr uint32_t LeftButtonDown = 0x0201;
inline constexpr uint32_t LeftButtonUp = 0x0202;
inline constexpr uint32_t LeftButtonDoubleClick = 0x0203;
inline constexpr uint32_t RightButtonDown = 0x0204;
inline constexpr uint32_t RightButtonUp = 0x0205;
inline constexpr uint32_t RightButtonDoubleClick = 0x0206;
inline constexpr uint32_t MiddleButtonDown = 0x0207;
inline constexpr uint32_t MiddleButtonUp = 0x0208;
inline constexpr uint32_t MiddleButtonDoubleClick = 0x0209;
inline constexpr uint32_t MouseWheel = 0x020A;  // wparam high word: delta, lparam: screen x, y
inline constexpr uint32_t User = 0x0400;
// Ids handed out for registered message names.
inline constexpr uint32_t FirstRegistered = 0xC000;
inline constexpr uint32_t LastRegistered = 0xFFFF;
}  // namespace msg

// wparam of msg::Size.
namespace size {
inline constexpr uintptr_t Restored = 0;
inline constexpr uintptr_t Minimized = 1;
inline constexpr uintptr_t Maximized = 2;
}  // namespace size

// wparam of msg::SysCommand.
namespace sysCommand {
inline constexpr uintptr_t Minimize = 0xF020;
inline constexpr uintptr_t NextWindow = 0xF040;
inline constexpr uintptr_t PrevWindow = 0xF050;
inline constexpr uintptr_t Close = 0xF060;
inline constexpr uintptr_t KeyMenu = 0xF100;
inline constexpr uintptr_t Restore = 0xF120;
inline constexpr uintptr_t ScreenSave = 0xF140;
inline constexpr uintptr_t MonitorPower = 0xF170;
}  // namespace sysCommand

// Flags in the low word of a mouse message's wparam.
namespace mouseKey {
inline constexpr uintptr_t Left = 0x0001;
inline constexpr uintptr_t Right = 0x0002;
inline constexpr uintptr_t Shift = 0x0004;
inline constexpr uintptr_t Control = 0x0008;
inline constexpr uintptr_t Middle = 0x0010;
}  // namespace mouseKey

// Bits of a key message's lparam (the low word is the repeat count).
namespace keyFlag {
inline constexpr intptr_t AltHeld = intptr_t{1} << 29;
inline constexpr intptr_t WasDown = intptr_t{1} << 30;
inline constexpr intptr_t Released = intptr_t{1} << 31;
}  // namespace keyFlag

inline constexpr int WheelDeltaPerNotch = 120;

// Two signed 16-bit values packed as the low and high word.
constexpr intptr_t MakeLParam(int32_t low, int32_t high) {
    return static_cast<intptr_t>((static_cast<uint32_t>(low) & 0xFFFFu) |
                                 ((static_cast<uint32_t>(high) & 0xFFFFu) << 16));
}
constexpr int32_t LowSigned(intptr_t v) {
    return static_cast<int16_t>(static_cast<uint16_t>(v & 0xFFFF));
}
constexpr int32_t HighSigned(intptr_t v) {
    return static_cast<int16_t>(static_cast<uint16_t>((v >> 16) & 0xFFFF));
}
constexpr int32_t WheelDelta(uintptr_t wparam) {
    return HighSigned(static_cast<intptr_t>(wparam));
}

}  // namespace platform
