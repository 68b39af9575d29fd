// The credits' script text and their drawing: the text layer, the cached text images and the
// rippled patch.
#include <algorithm>

#include "game/app/CCredits.h"
#include "game/app/ResourceIds.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace Vesk {

const char* const CCredits::kBuiltInScript = R"(<?xml version="1.0"?>
<Credits>
  <Image id="IMAGE_ZM_LOGO_W"/>
  <Br/>
  <Text string="PRESENTS"/>
  <Br/>
  <Image id="IMAGE_VORNS_LOGO" delay="2"/>
  <Br/>
  <Text string="DEVELOPMENT"/>
  <Text string="ARNE VOLKMANN"/>
  <Text string="LIDA MARKOVA"/>
  <Text string="***"/>
  <Text string="MUSIC &amp; SOUND DESIGN"/>
  <Text string="TOMAS REINHOLT"/>
  <Text string="***"/>
  <Text string="ART"/>
  <Text string="NINA OSTROVSKAYA"/>
  <Text string="PAUL DE VRIES"/>
  <Text string="***"/>
  <Text string="3D MODELING &amp; ADDITIONAL PROGRAMMING"/>
  <Text string="IGOR ZANDER"/>
  <Br/>
  <Text string="THE END" delay="5"/>
</Credits>
)";

Image* CCredits::TextImage(const Item& item) {
    auto it = mTextImages.find(item.text);
    if (it != mTextImages.end()) {
        return it->second.get();
    }
    // Made with the font's full height, so descenders below the ascent are kept.
    auto image = std::make_unique<MemoryImage>();
    image->Create(std::max(item.Width(), 1), std::max(item.font->GetHeight(), 1));
    Graphics g(image.get());
    g.SetFont(item.font);
    g.SetColor(Color(255, 255, 255, 255));
    g.DrawString(item.text, 0, item.font->GetAscent());
    Image* made = image.get();
    mTextImages.emplace(item.text, std::move(image));
    return made;
}

void CCredits::Draw(Graphics* g) {
    if (IMAGE_CREDITS_BACKGROUND != nullptr) {
        g->DrawImage(IMAGE_CREDITS_BACKGROUND, 0, 0);
    }
    if (mTextLayer == nullptr) {
        mTextLayer = std::make_unique<MemoryImage>();
        mTextLayer->Create(kAreaWidth, kAreaHeight);
    }
    mTextLayer->Clear();
    {
        Graphics layer(mTextLayer.get());
        double y = mScrollPos;
        for (const Item& item : mItems) {
            if (!item.visible) {
                continue;
            }
            const int width = item.Width();
            const int x = item.align == LEFT    ? kSideMargin
                          : item.align == RIGHT ? kAreaWidth - width - kSideMargin
                                                : kAreaWidth / 2 - width / 2;
            const int top = static_cast<int>(y);
            if (item.kind == IMAGE && item.image != nullptr) {
                layer.DrawImage(item.image, x, top);
            } else if (item.kind == TEXT && item.font != nullptr) {
                layer.DrawImage(TextImage(item), x, top);
            }
            y += item.Height() + kSpacing;
        }
    }
    g->DrawImage(mTextLayer.get(), kAreaLeft, kAreaTop);
    if (!mRipple.IsIdle()) {
        DrawRipple(g);
    }
    if (IMAGE_CREDITS_FOREGROUND != nullptr) {
        g->DrawImage(IMAGE_CREDITS_FOREGROUND, 0, 0);
    }
    zmWidget::Draw(g);
}

void CCredits::DrawRipple(Graphics* g) {
    constexpr int kSize = CRipple::kSize;
    if (mPatch == nullptr) {
        mPatch = std::make_unique<MemoryImage>();
        mPatch->Create(kSize, kSize);
        mPatchSource.assign(CRipple::kCells, 0);
    }
    const int left = mRippleX - kSize / 2;
    const int top = mRippleY - kSize / 2;
    const uint32_t* layer = mTextLayer->GetBits();
    // Pixels off the layer copy as clear.
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const int lx = left + x;
            const int ly = top + y;
            mPatchSource[static_cast<size_t>(y * kSize + x)] =
                (lx >= 0 && lx < kAreaWidth && ly >= 0 && ly < kAreaHeight)
                    ? layer[static_cast<size_t>(ly * kAreaWidth + lx)]
                    : 0u;
        }
    }
    mRipple.Render(mPatchSource.data(), mPatch->GetBits());
    mPatch->BitsChanged();
    g->DrawImage(mPatch.get(), left, top);
}

}  // namespace Vesk
