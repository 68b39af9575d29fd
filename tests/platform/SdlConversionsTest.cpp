#include "platform/sdl/SdlConversions.h"

#include <gtest/gtest.h>

#include "platform/InputTranslation.h"
#include "platform/VirtualKeys.h"

namespace platform::sdl {
namespace {

// SDL scancodes are USB HID usage numbers; keycodes of keys without a
// character are the scancode with bit 30 set.
constexpr int32_t kScanA = 4;
constexpr int32_t kScan1 = 30;
constexpr int32_t kScan0 = 39;
constexpr int32_t kScanReturn = 40;
constexpr int32_t kScanEscape = 41;
constexpr int32_t kScanMinus = 45;
constexpr int32_t kScanF1 = 58;
constexpr int32_t kScanF10 = 67;
constexpr int32_t kScanF13 = 104;
constexpr int32_t kScanLeft = 80;
constexpr int32_t kScanKpEnter = 88;
constexpr int32_t kScanKp7 = 95;
constexpr int32_t kScanKp0 = 98;
constexpr int32_t kScanIntlBackslash = 100;
constexpr int32_t kScanLCtrl = 224;
constexpr int32_t kScanRAlt = 230;
constexpr int32_t kScanRShift = 229;
constexpr int32_t Keycode(int32_t scancode) {
    return scancode | (1 << 30);
}

TEST(SdlConversionsTest, LettersFollowTheLayoutAndOtherKeysTheirPlace) {
    EXPECT_EQ(VirtualKeyFromSdl('a', kScanA, false), vk::A);
    EXPECT_EQ(VirtualKeyFromSdl('q', kScanA, false),
              vk::Letter('Q'));                                      // AZERTY: the A place types q
    EXPECT_EQ(VirtualKeyFromSdl(0x0444, kScanA, false), vk::A);      // Cyrillic: by place
    EXPECT_EQ(VirtualKeyFromSdl('&', kScan1, false), vk::Digit(1));  // AZERTY digit row
    EXPECT_EQ(VirtualKeyFromSdl('0', kScan0, false), vk::Digit(0));
    EXPECT_EQ(VirtualKeyFromSdl('\r', kScanReturn, false), vk::Enter);
    EXPECT_EQ(VirtualKeyFromSdl(27, kScanEscape, false), vk::Escape);
    EXPECT_EQ(VirtualKeyFromSdl('-', kScanMinus, false), vk::Minus);
    EXPECT_EQ(VirtualKeyFromSdl(Keycode(kScanF1), kScanF1, false), vk::F1);
    EXPECT_EQ(VirtualKeyFromSdl(Keycode(kScanF10), kScanF10, false), vk::F10);
    EXPECT_EQ(VirtualKeyFromSdl(Keycode(kScanF13), kScanF13, false), vk::Function(13));
    EXPECT_EQ(VirtualKeyFromSdl(Keycode(kScanLeft), kScanLeft, false), vk::Left);
    EXPECT_EQ(VirtualKeyFromSdl('<', kScanIntlBackslash, false), vk::IntlBackslash);
    EXPECT_EQ(VirtualKeyFromSdl(0, 0, false), 0);
}

TEST(SdlConversionsTest, ModifierKeysAreThePlainKeysAndTheKeypadFollowsNumLock) {
    EXPECT_EQ(VirtualKeyFromSdl(Keycode(kScanLCtrl), kScanLCtrl, false), vk::Control);
    EXPECT_EQ(VirtualKeyFromSdl(Keycode(kScanRShift), kScanRShift, false), vk::Shift);
    EXPECT_EQ(VirtualKeyFromSdl(Keycode(kScanRAlt), kScanRAlt, false), vk::Alt);
    EXPECT_EQ(VirtualKeyFromSdl(Keycode(kScanKp7), kScanKp7, true), vk::Numpad0 + 7);
    EXPECT_EQ(VirtualKeyFromSdl(Keycode(kScanKp7), kScanKp7, false), vk::Home);
    EXPECT_EQ(VirtualKeyFromSdl(Keycode(kScanKp0), kScanKp0, true), vk::Numpad0);
    EXPECT_EQ(VirtualKeyFromSdl(Keycode(kScanKp0), kScanKp0, false), vk::Insert);
    EXPECT_EQ(VirtualKeyFromSdl(Keycode(kScanKpEnter), kScanKpEnter, false), vk::Enter);

    // KMOD_LSHIFT 0x1, KMOD_RCTRL 0x80, KMOD_LALT 0x100, KMOD_NUM 0x1000.
    EXPECT_EQ(ModifiersFromSdl(0x1 | 0x80 | 0x100 | 0x1000),
              input::modifier::Shift | input::modifier::Control | input::modifier::Alt);
    EXPECT_EQ(ModifiersFromSdl(0x1000), 0u);
}

TEST(SdlConversionsTest, CursorMasksBecomeSdlDataAndMask) {
    CursorMasks masks;
    // One pixel of each kind in the first byte: transparent, black, white, invert.
    masks.andMask[0] = 0b1001'0000;
    masks.xorMask[0] = 0b0011'0000;
    masks.andMask[1] = 0xFF;  // the rest of the row transparent
    const SdlCursorBits bits = SdlCursorBitsFromMasks(masks);
    EXPECT_EQ(bits.data[0] >> 4, 0b0101);
    EXPECT_EQ(bits.mask[0] >> 4, 0b0110);
    EXPECT_EQ(bits.data[1], 0);
    EXPECT_EQ(bits.mask[1], 0);
}

TEST(SdlConversionsTest, FlippedWheelsTurnRoundTheRightWay) {
    EXPECT_EQ(WheelNotchesFromSdl(2, false), 2);
    EXPECT_EQ(WheelNotchesFromSdl(2, true), -2);
}

}  // namespace
}  // namespace platform::sdl
