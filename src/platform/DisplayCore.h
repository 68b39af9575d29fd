#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/DisplaySystem.h"
#include "platform/PixelMemory.h"
#include "platform/PixelOps.h"

namespace platform {

class MemoryDisplay;
class MemorySurface;

// The longest side of any surface or window picture, in pixels.
inline constexpr int32_t kMaxSurfaceSide = 16384;

// Display calls whose next answers a test can turn into failures.
enum class DisplayOp {
    SetCooperativeLevel,
    SetDisplayMode,
    CreatePrimary,
    CreateOffscreen,
    AttachClipper,
    Lock,
    Blt,
    Fill,
    Flip,
    GetMonitorFrequency,
    GetScanLine,
    GetAvailableVidMem,
    GetDeviceIdentifier,
};

// Pixel memory of one surface or of the window's picture; rows are 4-byte aligned.
struct PixelStore {
    PixelWords words;
    // Memory the backend lends instead (the window's picture in its own memory, shown without
    // a copy); not ours to free.
    uint32_t* lent = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
    PixelFormat format;

    // Black pixels; false when the memory could not be had.
    bool Allocate(int32_t newWidth, int32_t newHeight, const PixelFormat& newFormat);
    void Clear();
    uint32_t* Bits() const { return lent != nullptr ? lent : words.get(); }
    size_t Bytes() const { return static_cast<size_t>(pitch) * static_cast<size_t>(height); }
    PixelView View() const {
        return {reinterpret_cast<uint8_t*>(Bits()), pitch, width, height, format.BytesPerPixel()};
    }
};

// State shared by a display and its surfaces. Surfaces keep it alive, so a surface that
// outlives its display still works as memory. Everything is guarded by `mutex`.
struct DisplayCore {
    std::mutex mutex;
    MemoryDisplay* display = nullptr;  // null once the display is gone
    Window* window = nullptr;
    bool levelSet = false;
    CooperativeLevel level = CooperativeLevel::Normal;
    bool fullScreen = false;
    DisplayMode mode;
    // Bumped by every mode change; primaries of an older generation are lost for good.
    uint64_t generation = 0;
    // The client area's picture while windowed.
    PixelStore windowScreen;
    MemorySurface* primary = nullptr;
    std::vector<MemorySurface*> surfaces;
    uint64_t videoBytesUsed = 0;
    // Times the full-screen picture was handed to the desktop (for a message box).
    uint64_t desktopFlips = 0;

    struct Injected {
        DisplayOp op;
        uint32_t skip;
        DisplayResult result;
    };
    std::vector<Injected> failures;

    // The failure armed for this call, or DD_OK.
    DisplayResult TakeFailure(DisplayOp op);
};

}  // namespace platform
