// Batches of small sprites added into a memory image, as particle systems draw them: thousands
// of blits of a few pixels a frame, where the set-up of one Blt each costs more than the pixels.
// Each blit gives the pixels Blt gives in additive mode.

#include <cstdint>

#include "graphics/MemoryImage.h"
#include "graphics/SpriteAdder.h"

namespace Vesk {

void MemoryImage::AddSprites(std::span<const SpriteBlit> blits) {
    if (blits.empty()) {
        return;
    }
    const SpriteAdder adder(*this);
    MemoryImage* checked = nullptr;
    bool plain = false;
    for (const SpriteBlit& blit : blits) {
        MemoryImage* sprite = blit.mSprite;
        if (sprite != checked) {
            checked = sprite;
            plain = adder.Takes(*sprite);
        }
        // Blt makes the same cut to both images; rectangles already inside both need none.
        const bool inside =
            blit.mSrcX >= 0 && blit.mSrcY >= 0 && blit.mWidth > 0 && blit.mHeight > 0 &&
            int64_t{blit.mSrcX} + blit.mWidth <= sprite->mWidth &&
            int64_t{blit.mSrcY} + blit.mHeight <= sprite->mHeight && blit.mX >= 0 && blit.mY >= 0 &&
            int64_t{blit.mX} + blit.mWidth <= mWidth && int64_t{blit.mY} + blit.mHeight <= mHeight;
        if (!plain || !inside) {
            Blt(sprite, blit.mX, blit.mY, Rect(blit.mSrcX, blit.mSrcY, blit.mWidth, blit.mHeight),
                *blit.mColor, kDrawModeAdditive);
            continue;
        }
        const size_t srcStride = static_cast<size_t>(sprite->mWidth);
        const SpriteAdder::Placed placed{sprite->mBits.get() +
                                             static_cast<size_t>(blit.mSrcY) * srcStride +
                                             static_cast<size_t>(blit.mSrcX),
                                         adder.At(blit.mX, blit.mY),
                                         srcStride,
                                         blit.mWidth,
                                         blit.mHeight,
                                         SpriteAdder::TintOf(*blit.mColor)};
        adder.Add(std::span(&placed, 1));
    }
}

}  // namespace Vesk
