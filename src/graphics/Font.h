#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "graphics/Color.h"
#include "graphics/Rect.h"

namespace Vesk {

class Graphics;

// The interface every font offers for measuring and drawing text: the image
// fonts and the system fonts derive from it. The metrics are whole pixels.
class Font {
public:
    int32_t mAscent = 0;
    int32_t mAscentPadding = 0;
    int32_t mHeight = 0;
    int32_t mLineSpacingOffset = 0;

    Font() = default;
    Font(const Font&) = default;
    Font& operator=(const Font&) = default;
    virtual ~Font();

    // From the top of the line to the baseline.
    virtual int32_t GetAscent() { return mAscent; }
    // Room counted inside the ascent above the glyphs.
    virtual int32_t GetAscentPadding() { return mAscentPadding; }
    virtual int32_t GetDescent() { return mHeight - mAscent; }
    virtual int32_t GetHeight() { return mHeight; }
    virtual int32_t GetLineSpacingOffset() { return mLineSpacingOffset; }
    // Distance between two baselines.
    virtual int32_t GetLineSpacing() { return mHeight + mLineSpacingOffset; }

    // The width DrawString covers for the string.
    virtual int32_t StringWidth(const std::string& text);
    virtual int32_t CharWidth(char c);
    // Width of c when it follows previous (0: none). Fonts without kerning
    // ignore the previous character.
    virtual int32_t CharWidthKern(char c, char previous);

    // Draws the text with the left end of its baseline at (x, y) in the
    // context's coordinates, so the context's translation and clip apply.
    virtual void DrawString(Graphics& g, int32_t x, int32_t y, const std::string& text,
                            const Color& color, const Rect& clipRect);

    // A new font of the same kind and settings, owned by the caller.
    virtual std::unique_ptr<Font> Duplicate() const = 0;
};

}  // namespace Vesk
