#pragma once

#include <array>
#include <cstdint>

#include "platform/WindowSystem.h"

// Pure conversions between SDL's numbers and ours. The signatures use plain
// integers so tests need neither SDL headers nor a display.
namespace platform::sdl {

// The Windows virtual key for an SDL key (keycode, scancode), or 0 for keys
// without one. Letters follow the layout; everything else the key's place.
uint8_t VirtualKeyFromSdl(int32_t keycode, int32_t scancode, bool numLock);

// input::modifier bits from an SDL modifier state.
uint32_t ModifiersFromSdl(uint32_t sdlModifiers);

// SDL's data and mask bits for a Windows-form monochrome cursor.
struct SdlCursorBits {
    std::array<uint8_t, CursorMasks::kBytes> data{};
    std::array<uint8_t, CursorMasks::kBytes> mask{};
};
SdlCursorBits SdlCursorBitsFromMasks(const CursorMasks& masks);

// Wheel notches from an SDL wheel event, turned the right way round.
int WheelNotchesFromSdl(int32_t y, bool flipped);

}  // namespace platform::sdl
