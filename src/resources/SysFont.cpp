#include "resources/SysFont.h"

#include <algorithm>
#include <vector>

#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "platform/TextSystem.h"

namespace Vesk {

namespace {

// Straight-alpha "over" of one pass into the canvas at (dx, dy).
void Composite(std::vector<uint32_t>& canvas, int32_t canvasWidth, const platform::TextImage& pass,
               int32_t dx, int32_t dy) {
    for (int32_t y = 0; y < pass.height; ++y) {
        for (int32_t x = 0; x < pass.width; ++x) {
            const uint32_t src = pass.pixels[static_cast<size_t>(y * pass.width + x)];
            const uint32_t srcAlpha = src >> 24;
            if (srcAlpha == 0) {
                continue;
            }
            uint32_t& dst = canvas[static_cast<size_t>((y + dy) * canvasWidth + x + dx)];
            const uint32_t dstAlpha = dst >> 24;
            const uint32_t outAlpha = srcAlpha + dstAlpha * (255 - srcAlpha) / 255;
            uint32_t out = outAlpha << 24;
            for (int shift = 0; shift <= 16; shift += 8) {
                const uint32_t s = (src >> shift) & 0xFF;
                const uint32_t d = (dst >> shift) & 0xFF;
                const uint32_t value =
                    (s * srcAlpha + d * dstAlpha * (255 - srcAlpha) / 255) / outAlpha;
                out |= std::min<uint32_t>(value, 255) << shift;
            }
            dst = out;
        }
    }
}

}  // namespace

int32_t SysFont::PixelSize(int32_t pointSize) {
    const int64_t product = static_cast<int64_t>(pointSize) * 96;
    return static_cast<int32_t>(product >= 0 ? (product + 36) / 72 : (product - 36) / 72);
}

SysFont::SysFont(const std::string& faceName, int32_t pointSize, bool bold, bool italic,
                 bool underline)
    : SysFont(platform::GetTextSystem(), faceName, pointSize, bold, italic, underline) {}

SysFont::SysFont(platform::TextSystem* textSystem, const std::string& faceName, int32_t pointSize,
                 bool bold, bool italic, bool underline) {
    if (textSystem != nullptr) {
        mTextFont = textSystem->CreateFont(faceName, PixelSize(pointSize), bold, italic, underline);
    }
    if (mTextFont != nullptr) {
        const platform::TextMetrics metrics = mTextFont->Metrics();
        mHeight = metrics.height;
        mAscent = metrics.ascent;
    }
}

SysFont::SysFont(const SysFont& other) : Font(other) {
    if (other.mTextFont != nullptr) {
        mTextFont = other.mTextFont->Copy();
    }
}

SysFont::~SysFont() = default;

std::unique_ptr<Font> SysFont::Duplicate() const {
    return std::make_unique<SysFont>(*this);
}

int32_t SysFont::StringWidth(const std::string& text) {
    return mTextFont != nullptr ? mTextFont->Measure(text) : 0;
}

void SysFont::DrawString(Graphics& g, int32_t x, int32_t y, const std::string& text,
                         const Color& color, const Rect& clipRect) {
    (void)clipRect;
    if (mTextFont == nullptr || g.mDestImage == nullptr || text.empty()) {
        return;
    }
    const uint32_t rgb = (static_cast<uint32_t>(color.mRed & 0xFF) << 16) |
                         (static_cast<uint32_t>(color.mGreen & 0xFF) << 8) |
                         static_cast<uint32_t>(color.mBlue & 0xFF);
    const platform::TextImage face = mTextFont->Render(text, rgb);
    if (face.width <= 0 || face.height <= 0) {
        return;
    }
    const int32_t strike = mSimulateBold ? 1 : 0;
    const int32_t width = face.width + strike + (mDrawShadow ? 1 : 0);
    const int32_t height = face.height + (mDrawShadow ? 1 : 0);
    std::vector<uint32_t> canvas(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    if (mDrawShadow) {
        const platform::TextImage shadow = mTextFont->Render(text, 0);
        Composite(canvas, width, shadow, 1, 1);
        if (mSimulateBold) {
            Composite(canvas, width, shadow, 2, 1);
        }
    }
    Composite(canvas, width, face, 0, 0);
    if (mSimulateBold) {
        Composite(canvas, width, face, 1, 0);
    }
    MemoryImage image(nullptr);
    image.SetBits(canvas.data(), width, height, false);
    g.DrawImage(&image, x, y - mAscent);
}

}  // namespace Vesk
