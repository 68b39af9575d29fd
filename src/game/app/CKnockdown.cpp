#include "game/app/CKnockdown.h"

#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "graphics/Image.h"

namespace Vesk {

CKnockdown::CKnockdown(Board& owner) : CZoomOverlay(owner, -3.0, 0.065, 2.0, 0.05) {}

int32_t CKnockdown::PictureWidth() {
    return IMAGE_KNOCKDOWN != nullptr ? IMAGE_KNOCKDOWN->GetWidth() : 0;
}

int32_t CKnockdown::PictureHeight() {
    return IMAGE_KNOCKDOWN != nullptr ? IMAGE_KNOCKDOWN->GetHeight() : 0;
}

void CKnockdown::Update() {
    CZoomOverlay::Update();
    if (board.paused) {
        return;
    }
    switch (phase) {
        case kZoom:
            if (ZoomStep(true)) {
                phase = kHold;
            }
            break;
        case kHold:
            if (board.TickCount() != holdStart) {
                phase = kFade;
            }
            break;
        case kFade:
            ZoomStep(false);
            if (FadeStep()) {
                ResetSize();
                phase = kDone;
                RemoveFromBoard();
                return;
            }
            break;
        default:
            break;
    }
    MarkDirty();
}

void CKnockdown::Draw(Graphics* g) {
    DrawPicture(g, IMAGE_KNOCKDOWN, static_cast<int32_t>((mWidth - width) / 2), 0);
}

void CKnockdown::KeyDown(int key) {
    board.KeyDown(key);
}

void CKnockdown::MouseMove(int x, int y) {
    board.MouseMove(x, y);
}

void CKnockdown::MouseDown(int x, int y, int clickCount) {
    board.MouseDown(x, y, clickCount);
}

void CKnockdown::MouseUp(int x, int y, int clickCount) {
    board.MouseUp(x, y, clickCount);
}

void CKnockdown::MouseDrag(int x, int y) {
    board.MouseDrag(x, y);
}

}  // namespace Vesk
