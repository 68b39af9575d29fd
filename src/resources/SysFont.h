#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "graphics/Font.h"

namespace platform {
class TextFont;
class TextSystem;
}  // namespace platform

namespace Vesk {

// A font of the desktop, drawn through the platform text layer. Sizes are points at 96 dots per
// inch. A face that cannot be made gives zero metrics and draws nothing.
class SysFont : public Font {
public:
    // A black copy one pixel right and below.
    bool mDrawShadow = false;
    // Each pass drawn again one pixel to the right.
    bool mSimulateBold = false;

    // Uses the process's text system.
    SysFont(const std::string& faceName, int32_t pointSize, bool bold = false, bool italic = false,
            bool underline = false);
    // textSystem may be null.
    SysFont(platform::TextSystem* textSystem, const std::string& faceName, int32_t pointSize,
            bool bold = false, bool italic = false, bool underline = false);
    // The same face and metrics; both flags clear.
    SysFont(const SysFont& other);
    SysFont& operator=(const SysFont&) = delete;
    ~SysFont() override;

    // MulDiv(points, 96, 72), rounded to the nearest pixel.
    static int32_t PixelSize(int32_t pointSize);

    int32_t StringWidth(const std::string& text) override;
    void DrawString(Graphics& g, int32_t x, int32_t y, const std::string& text, const Color& color,
                    const Rect& clipRect) override;
    std::unique_ptr<Font> Duplicate() const override;

private:
    std::unique_ptr<platform::TextFont> mTextFont;
};

}  // namespace Vesk
