#pragma once

#include <array>
#include <cstdint>

#include "graphics/Color.h"
#include "graphics/Rect.h"
#include "util/CriticalLock.h"

namespace Vesk {

class Image;

// One glyph piece queued by the image font's string drawing. Pieces wait in order buckets
// and reach the screen bucket by bucket, so every layer of a string is drawn in the font's
// order rather than character by character.
struct RenderCommand {
    Image* mImage = nullptr;
    int32_t mDestX = 0;
    int32_t mDestY = 0;
    Rect mSrcRect;
    // -1 keeps the caller's draw mode.
    int32_t mDrawMode = 0;
    Color mColor;
    // The next command of the same bucket.
    RenderCommand* mNext = nullptr;
};

inline constexpr int32_t kRenderCommandPoolSize = 4096;

// Reused by every string drawing of every image font; touched only while gFontDrawLock is
// held. Constant-initialised, so it is ready before any other global is built.
extern std::array<RenderCommand, kRenderCommandPoolSize> gRenderCommandPool;

// Guards the render-command pool and the order buckets of the image fonts.
extern CriticalLock gFontDrawLock;

}  // namespace Vesk
