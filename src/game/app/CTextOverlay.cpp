#include "game/app/CTextOverlay.h"

#include <utility>

#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace Vesk {

CTextOverlay::CTextOverlay(Board& owner, std::string message, double startAccel,
                           double startDamping, double dampingGrowth, double settledDamping)
    : CZoomOverlay(owner, startAccel, startDamping, dampingGrowth, settledDamping),
      text(std::move(message)) {
    if (FONT_HUGE != nullptr) {
        textWidth = FONT_HUGE->StringWidth(text);
        textHeight = FONT_HUGE->GetHeight();
    }
}

CTextOverlay::~CTextOverlay() = default;

void CTextOverlay::Update() {
    CZoomOverlay::Update();
    switch (phase) {
        case kDim:
            dimAlpha += kDimStep;
            if (dimAlpha > kDimEnd) {
                phase = kZoom;
            }
            break;
        case kZoom:
            if (ZoomStep(true)) {
                phase = kHold;
            }
            break;
        case kHold:
            if (board.TickCount() - holdStart >= kHoldMs) {
                phase = kFade;
            }
            break;
        case kFade:
            ZoomStep(false);
            if (FadeStep()) {
                ResetSize();
                phase = kDone;
                Finished();
                return;
            }
            break;
        default:
            break;
    }
    MarkDirty();
}

void CTextOverlay::RenderText() {
    if (FONT_HUGE == nullptr || textWidth <= 0 || textHeight <= 0) {
        return;
    }
    mTextImage = std::make_unique<MemoryImage>(nullptr);
    mTextImage->Create(textWidth, textHeight);
    Graphics g(mTextImage.get());
    g.SetFont(FONT_HUGE);
    g.SetColor(Color(255, 255, 255));
    g.DrawString(text, 0, FONT_HUGE->GetAscent());
}

void CTextOverlay::Draw(Graphics* g) {
    g->SetColor(Color(0, 0, 0, dimAlpha));
    g->FillRect(0, 0, mWidth, mHeight);
    if (mTextImage == nullptr) {
        RenderText();
    }
    DrawPicture(g, mTextImage.get(), static_cast<int32_t>((mWidth - width) / 2),
                static_cast<int32_t>((mHeight - height) / 2));
}

}  // namespace Vesk
