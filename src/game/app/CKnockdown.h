#pragma once

#include "game/app/CZoomOverlay.h"

namespace Vesk {

// The knockdown picture zooming onto the top of the board. Play goes on underneath: the mouse
// and the keys go through to the board, and it stands still while the board is paused.
class CKnockdown : public CZoomOverlay {
public:
    enum Phase { kDone = 0, kZoom = 1, kFade = 2, kHold = 3 };

    explicit CKnockdown(Board& board);

    void Update() override;
    void Draw(Graphics* g) override;
    void KeyDown(int key) override;
    void MouseMove(int x, int y) override;
    void MouseDown(int x, int y, int clickCount) override;
    void MouseUp(int x, int y, int clickCount) override;
    void MouseDrag(int x, int y) override;

protected:
    int32_t PictureWidth() override;
    int32_t PictureHeight() override;
};

}  // namespace Vesk
