#include "game/app/CZoomOverlay.h"

#include <algorithm>

#include "game/core/Board.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr double kSettledAccel = 4.0;
constexpr int32_t kBrighten = 3;
constexpr int32_t kFade = 15;

}  // namespace

CZoomOverlay::CZoomOverlay(Board& owner, double startAccel, double startDamping,
                           double dampingGrowth, double settledDamping)
    : accel(startAccel),
      damping(startDamping),
      board(owner),
      mStartAccel(startAccel),
      mStartDamping(startDamping),
      mDampingGrowth(dampingGrowth),
      mSettledDamping(settledDamping) {}

void CZoomOverlay::Resize(int x, int y, int w, int h) {
    BoardOverlay::Resize(x, y, w, h);
    ResetSize();
}

void CZoomOverlay::ResetSize() {
    width = 2.0 * mWidth;
    const int32_t pw = PictureWidth();
    height = pw > 0 ? width * PictureHeight() / pw : 0.0;
    velocity = 0.0;
    accel = mStartAccel;
    damping = mStartDamping;
    reversals = 0;
}

bool CZoomOverlay::ZoomStep(bool zoomingIn) {
    const double oldWidth = width;
    velocity = (1.0 - damping) * velocity + accel;
    width += velocity;
    if (oldWidth != 0.0) {
        height += velocity * height / oldWidth;
    }
    if (!zoomingIn) {
        return false;
    }
    pictureAlpha = std::min(255, pictureAlpha + kBrighten);
    if ((width < mWidth && accel < 0.0) || (width >= mWidth && accel > 0.0)) {
        accel = -accel;
        damping *= mDampingGrowth;
        ++reversals;
    }
    if (damping < 1.0) {
        return false;
    }
    damping = mSettledDamping;
    velocity = 0.0;
    accel = kSettledAccel;
    holdStart = board.TickCount();
    return true;
}

bool CZoomOverlay::FadeStep() {
    pictureAlpha = pictureAlpha < 16 ? 0 : pictureAlpha - kFade;
    return pictureAlpha == 0;
}

void CZoomOverlay::RemoveFromBoard() {
    WidgetManager* manager = mWidgetManager;
    const bool focused = manager != nullptr && manager->mFocusWidget == this;
    if (board.HasWidget(this)) {
        board.RemoveWidget(this);
    }
    if (focused && board.mWidgetManager != nullptr) {
        board.mWidgetManager->SetFocus(&board);
    }
}

void CZoomOverlay::DrawPicture(Graphics* g, Image* picture, int32_t x, int32_t y) {
    if (picture == nullptr || pictureAlpha <= 0) {
        return;
    }
    g->SetColorizeImages(true);
    g->SetColor(Color(255, 255, 255, pictureAlpha));
    g->DrawImageStretched(picture, x, y, static_cast<int32_t>(width), static_cast<int32_t>(height));
    g->SetColorizeImages(false);
}

}  // namespace Vesk
