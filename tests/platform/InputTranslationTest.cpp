#include "platform/InputTranslation.h"

#include <gtest/gtest.h>

#include "platform/VirtualKeys.h"

namespace platform::input {
namespace {

const Context kContext{7, 1234, Point{500, 300}};

Message Key(uint8_t key, bool down, uint32_t mods, bool repeat = false) {
    return KeyMessage(kContext, KeyInput{key, down, repeat, mods});
}

TEST(InputTranslationTest, PlainKeysAreKeyMessagesWithWindowsFlags) {
    const Message down = Key(vk::A, true, 0);
    EXPECT_EQ(down.kind, msg::KeyDown);
    EXPECT_EQ(down.wparam, vk::A);
    EXPECT_EQ(down.window, 7u);
    EXPECT_EQ(down.time, 1234u);
    EXPECT_EQ(down.point, (Point{500, 300}));
    EXPECT_EQ(down.lparam, 1);

    EXPECT_EQ(Key(vk::A, true, 0, true).lparam, 1 | keyFlag::WasDown);
    const Message up = Key(vk::A, false, 0);
    EXPECT_EQ(up.kind, msg::KeyUp);
    EXPECT_EQ(up.lparam, 1 | keyFlag::WasDown | keyFlag::Released);
}

TEST(InputTranslationTest, AltAndF10MakeSystemKeysButCtrlAltDoesNot) {
    EXPECT_EQ(Key(vk::F4, true, modifier::Alt).kind, msg::SysKeyDown);
    EXPECT_NE(Key(vk::F4, true, modifier::Alt).lparam & keyFlag::AltHeld, 0);
    EXPECT_EQ(Key(vk::Enter, false, modifier::Alt).kind, msg::SysKeyUp);
    // The Alt key itself, pressed and released (no longer held on release).
    EXPECT_EQ(Key(vk::Alt, true, modifier::Alt).kind, msg::SysKeyDown);
    EXPECT_EQ(Key(vk::Alt, false, 0).kind, msg::SysKeyUp);
    EXPECT_EQ(Key(vk::F10, true, 0).kind, msg::SysKeyDown);
    EXPECT_EQ(Key(vk::F10, false, modifier::Shift).kind, msg::SysKeyUp);
    // Ctrl+Alt is AltGr on many layouts.
    EXPECT_EQ(Key(vk::Q, true, modifier::Alt | modifier::Control).kind, msg::KeyDown);
    EXPECT_EQ(Key(vk::Control, true, modifier::Control).kind, msg::KeyDown);
}

TEST(InputTranslationTest, ControlCharactersAreMadeFromKeyPresses) {
    const auto charOf = [](uint8_t key, uint32_t mods, bool down = true) -> int {
        const auto m = ControlCharMessage(kContext, KeyInput{key, down, false, mods});
        if (!m) {
            return -1;
        }
        EXPECT_EQ(m->kind, msg::Char);
        return static_cast<int>(m->wparam);
    };
    EXPECT_EQ(charOf(vk::Backspace, 0), 8);
    EXPECT_EQ(charOf(vk::Tab, 0), 9);
    EXPECT_EQ(charOf(vk::Tab, modifier::Control), 9);  // the widgets move the tab focus with it
    EXPECT_EQ(charOf(vk::Enter, 0), 13);
    EXPECT_EQ(charOf(vk::Escape, modifier::Shift), 27);
    EXPECT_EQ(charOf(vk::A, modifier::Control), 1);
    EXPECT_EQ(charOf(vk::C, modifier::Control), 3);
    EXPECT_EQ(charOf(vk::V, modifier::Control | modifier::Shift), 22);
    EXPECT_EQ(charOf(vk::X, modifier::Control), 24);
    EXPECT_EQ(charOf(vk::Z, modifier::Control), 26);

    EXPECT_EQ(charOf(vk::A, 0), -1);  // printable text comes as text
    EXPECT_EQ(charOf(vk::Digit(1), modifier::Control), -1);
    EXPECT_EQ(charOf(vk::A, modifier::Control | modifier::Alt), -1);
    EXPECT_EQ(charOf(vk::Backspace, modifier::Alt), -1);
    EXPECT_EQ(charOf(vk::Enter, 0, false), -1);  // only presses
    // Repeats type again, as a held Backspace does.
    EXPECT_TRUE(ControlCharMessage(kContext, KeyInput{vk::Backspace, true, true, 0}).has_value());
}

TEST(InputTranslationTest, TextBecomesWindows1252Characters) {
    const auto chars =
        TextMessages(kContext, "a\xE2\x82\xAC\xC3\xA9\xE4\xB8\xAD!", 0);  // a € é 中 !
    ASSERT_EQ(chars.size(), 4u);
    EXPECT_EQ(chars[0].wparam, static_cast<uintptr_t>('a'));
    EXPECT_EQ(chars[1].wparam, 0x80u);
    EXPECT_EQ(chars[2].wparam, 0xE9u);
    EXPECT_EQ(chars[3].wparam, static_cast<uintptr_t>('!'));
    for (const Message& m : chars) {
        EXPECT_EQ(m.kind, msg::Char);
    }

    const auto sys = TextMessages(kContext, "x", modifier::Alt);
    ASSERT_EQ(sys.size(), 1u);
    EXPECT_EQ(sys[0].kind, msg::SysChar);
    EXPECT_EQ(TextMessages(kContext, "@", modifier::Alt | modifier::Control)[0].kind, msg::Char);
    EXPECT_TRUE(TextMessages(kContext, "1", modifier::Control).empty());
    // Control characters only ever come from the key presses.
    EXPECT_TRUE(TextMessages(kContext, "\t\x7F", 0).empty());
}

TEST(InputTranslationTest, MouseMessagesPackClientPointsAndButtons) {
    const Message move =
        MouseMoveMessage(kContext, Point{-5, 70000}, MouseKeyFlags(mouseKey::Left, 0));
    EXPECT_EQ(move.kind, msg::MouseMove);
    EXPECT_EQ(LowSigned(move.lparam), -5);
    EXPECT_EQ(HighSigned(move.lparam), static_cast<int16_t>(70000));
    EXPECT_EQ(move.wparam, mouseKey::Left);
    EXPECT_EQ(MouseKeyFlags(mouseKey::Right | 0x100, modifier::Shift | modifier::Control),
              mouseKey::Right | mouseKey::Shift | mouseKey::Control);

    const auto kind = [](MouseButton b, bool down, int clicks) {
        return ButtonMessage(kContext, b, down, clicks, Point{1, 2}, 0).kind;
    };
    EXPECT_EQ(kind(MouseButton::Left, true, 1), msg::LeftButtonDown);
    EXPECT_EQ(kind(MouseButton::Left, true, 2), msg::LeftButtonDoubleClick);
    EXPECT_EQ(kind(MouseButton::Left, true, 3), msg::LeftButtonDown);  // Windows starts over
    EXPECT_EQ(kind(MouseButton::Left, true, 4), msg::LeftButtonDoubleClick);
    EXPECT_EQ(kind(MouseButton::Left, false, 2), msg::LeftButtonUp);
    EXPECT_EQ(kind(MouseButton::Right, true, 2), msg::RightButtonDoubleClick);
    EXPECT_EQ(kind(MouseButton::Right, false, 1), msg::RightButtonUp);
    EXPECT_EQ(kind(MouseButton::Middle, true, 1), msg::MiddleButtonDown);
    EXPECT_EQ(kind(MouseButton::Middle, false, 1), msg::MiddleButtonUp);
}

TEST(InputTranslationTest, WheelDeltaIsNotchesTimes120AndSaturates) {
    const Message two = WheelMessage(kContext, 2, mouseKey::Control);
    EXPECT_EQ(two.kind, msg::MouseWheel);
    EXPECT_EQ(WheelDelta(two.wparam), 240);
    EXPECT_EQ(two.wparam & 0xFFFF, mouseKey::Control);
    EXPECT_EQ(LowSigned(two.lparam), 500);  // screen position
    EXPECT_EQ(HighSigned(two.lparam), 300);
    EXPECT_EQ(WheelDelta(WheelMessage(kContext, -1, 0).wparam), -120);
    EXPECT_EQ(WheelDelta(WheelMessage(kContext, 1000, 0).wparam), 32767);
    EXPECT_EQ(WheelDelta(WheelMessage(kContext, -1000000, 0).wparam), -32768);
}

TEST(InputTranslationTest, WindowEventsFollowWindowsMessages) {
    const auto make = [](WindowEvent e) {
        WindowEventInput in;
        in.event = e;
        in.position = Point{10, 20};
        in.size = Size{800, 600};
        in.bitsPerPixel = 32;
        return WindowEventMessage(kContext, in);
    };
    EXPECT_EQ(make(WindowEvent::FocusGained).kind, msg::ActivateApp);
    EXPECT_EQ(make(WindowEvent::FocusGained).wparam, 1u);
    EXPECT_EQ(make(WindowEvent::FocusLost).wparam, 0u);
    EXPECT_EQ(make(WindowEvent::Minimized).kind, msg::Size);
    EXPECT_EQ(make(WindowEvent::Minimized).wparam, size::Minimized);
    const Message restored = make(WindowEvent::Restored);
    EXPECT_EQ(restored.wparam, size::Restored);
    EXPECT_EQ(LowSigned(restored.lparam), 800);
    EXPECT_EQ(HighSigned(restored.lparam), 600);
    EXPECT_EQ(make(WindowEvent::Maximized).wparam, size::Maximized);
    const Message moved = make(WindowEvent::Moved);
    EXPECT_EQ(moved.kind, msg::Move);
    EXPECT_EQ(LowSigned(moved.lparam), 10);
    EXPECT_EQ(HighSigned(moved.lparam), 20);
    EXPECT_EQ(make(WindowEvent::Exposed).kind, msg::Paint);
    EXPECT_EQ(make(WindowEvent::Close).kind, msg::Close);
    EXPECT_EQ(make(WindowEvent::DisplayChanged).kind, msg::DisplayChange);
    EXPECT_EQ(make(WindowEvent::DisplayChanged).wparam, 32u);
}

}  // namespace
}  // namespace platform::input
