#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/Message.h"
#include "platform/Window.h"

// Turns backend-neutral input records into the messages the application
// expects, following the Windows conventions it was written for. Both
// backends feed their input through here, so scripted tests see exactly the
// messages a real desktop would produce.
namespace platform::input {

namespace modifier {
inline constexpr uint32_t Shift = 1;
inline constexpr uint32_t Control = 2;
inline constexpr uint32_t Alt = 4;
}  // namespace modifier

// Where and when a message is made.
struct Context {
    WindowId window = kNoWindow;
    uint32_t time = 0;
    Point cursor;  // screen position
};

// modifiers: the state during the event, counting the key itself on a press
// and no longer on its release (as desktops report it).
struct KeyInput {
    uint8_t virtualKey = 0;
    bool down = true;
    bool repeat = false;
    uint32_t modifiers = 0;
};

enum class MouseButton { Left, Right, Middle };

enum class WindowEvent {
    FocusGained,
    FocusLost,
    Minimized,
    Restored,
    Maximized,
    Moved,
    Exposed,
    Close,
    DisplayChanged
};

struct WindowEventInput {
    WindowEvent event = WindowEvent::Exposed;
    Point position;            // Moved: client origin on screen
    Size size;                 // Restored, Maximized: client size; DisplayChanged: screen size
    int32_t bitsPerPixel = 0;  // DisplayChanged
};

// Alt held without Control, and F10, make system keys.
Message KeyMessage(const Context& context, const KeyInput& key);

// The character a key press makes on its own: Backspace 8, Tab 9, Enter 13,
// Escape 27, Ctrl+A..Z 1..26. Printable text comes from TextMessages.
std::optional<Message> ControlCharMessage(const Context& context, const KeyInput& key);

// One character message per Windows-1252 byte of the text; characters the
// code page lacks are dropped. Typed with Alt they are system characters;
// with Control alone (no Alt) desktops send stray text that Windows would
// not, so it is dropped.
std::vector<Message> TextMessages(const Context& context, std::string_view utf8,
                                  uint32_t modifiers);

// heldButtons: mouseKey::Left/Right/Middle bits.
uintptr_t MouseKeyFlags(uintptr_t heldButtons, uint32_t modifiers);

Message MouseMoveMessage(const Context& context, Point client, uintptr_t keyFlags);

// Even click counts are double clicks: the desktop keeps counting where
// Windows starts over after a double click.
Message ButtonMessage(const Context& context, MouseButton button, bool down, int clicks,
                      Point client, uintptr_t keyFlags);

// notches: positive away from the user. The delta saturates at 16 bits.
Message WheelMessage(const Context& context, int notches, uintptr_t keyFlags);

Message WindowEventMessage(const Context& context, const WindowEventInput& input);

}  // namespace platform::input
