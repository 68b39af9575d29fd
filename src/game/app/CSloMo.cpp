#include "game/app/CSloMo.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "graphics/DrawMode.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "graphics/MemoryImage.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr double kStartScale = 1.21;

// The picture scaled into the cache (kept while the size holds); the picture itself at 1.0.
Image* Scaled(Image* picture, double scale, std::unique_ptr<MemoryImage>& cache) {
    const int32_t w = static_cast<int32_t>(picture->GetWidth() * scale + 0.5);
    const int32_t h = static_cast<int32_t>(picture->GetHeight() * scale + 0.5);
    if (w <= 0 || h <= 0 || (w == picture->GetWidth() && h == picture->GetHeight())) {
        return picture;
    }
    if (cache == nullptr || cache->GetWidth() != w || cache->GetHeight() != h) {
        cache = std::make_unique<MemoryImage>(nullptr);
        cache->Create(w, h);
    }
    std::fill_n(cache->GetBits(), static_cast<size_t>(w) * h, 0u);
    cache->BitsChanged();
    Graphics g(cache.get());
    g.DrawImageStretched(picture, 0, 0, w, h);
    return cache.get();
}

}  // namespace

void CSloMo::DrawTurned(Graphics* g, Image* picture, int32_t alpha, double turn,
                        std::unique_ptr<MemoryImage>& cache) {
    if (picture == nullptr || alpha <= 0) {
        return;
    }
    Image* image = Scaled(picture, scale, cache);
    const float cx = static_cast<float>(image->GetWidth()) / 2.0f;
    const float cy = static_cast<float>(image->GetHeight()) / 2.0f;
    g->SetColor(Color(255, 255, 255, alpha));
    g->DrawImageRotatedF(image, static_cast<float>(mWidth) / 2.0f - cx,
                         static_cast<float>(mHeight) / 2.0f - cy, turn, cx, cy);
}

CSloMo::CSloMo(Board& owner) : board(owner) {
    board.slowMotionShowing = true;
}

CSloMo::~CSloMo() = default;

void CSloMo::Pulse() {
    const double c = 255.0 * std::cos(glow);
    alpha0 = std::clamp(static_cast<int32_t>(127.0 - c / 2.0), 0, 255);
    alpha1 = 255 - alpha0;
}

void CSloMo::Update() {
    BoardOverlay::Update();
    if (board.paused) {
        return;
    }
    angle -= rotationSpeed;
    switch (phase) {
        case kArrive: {
            growthSpeed = growthSpeed * 0.97 + growthStep;
            scale -= growthSpeed;
            if (growthStep > 0.0) {
                growthStep /= 1.2;
            }
            rotationSpeed = rotationSpeed * 0.981 - growthStep * 0.5;
            const double progress =
                std::clamp((kStartScale - scale) / (kStartScale - 1.0), 0.0, 1.0);
            alpha0 =
                static_cast<int32_t>(255.0 * (1.0 - std::cos(std::numbers::pi * progress)) / 2.0);
            glow = glow * 0.995 + 0.0398;
            if (scale <= 1.0) {
                phase = kPulse;
                rotationSpeed = 0.003;
                scale = 1.0;
                growthSpeed = 0.0;
                growthStep = 0.0001;
            }
            break;
        }
        case kPulse:
            glow += 0.005;
            Pulse();
            break;
        case kLeave:
            rotationSpeed *= 1.014;
            alpha0 = std::max(0, alpha0 - 1);
            alpha1 = std::max(0, alpha1 - 1);
            if (alpha0 == 0 && alpha1 == 0) {
                phase = kDone;
                board.SlowMotionOverlayDone();
                WidgetManager* manager = mWidgetManager;
                const bool focused = manager != nullptr && manager->mFocusWidget == this;
                if (board.HasWidget(this)) {
                    board.RemoveWidget(this);
                }
                if (focused && board.mWidgetManager != nullptr) {
                    board.mWidgetManager->SetFocus(&board);
                }
                return;
            }
            growthSpeed += growthStep;
            scale += growthSpeed;
            break;
        default:
            break;
    }
    MarkDirty();
}

void CSloMo::Leave() {
    if (phase != kDone) {
        phase = kLeave;
    }
}

void CSloMo::Draw(Graphics* g) {
    g->PushState();
    g->SetDrawMode(kDrawModeAdditive);
    g->SetColorizeImages(true);
    DrawTurned(g, IMAGE_SLOMO_EFFECT_F0, alpha0, angle, mScaled0);
    DrawTurned(g, IMAGE_SLOMO_EFFECT_F1, alpha1, -angle, mScaled1);
    g->PopState();
}

void CSloMo::KeyDown(int key) {
    board.KeyDown(key);
}

void CSloMo::MouseMove(int x, int y) {
    board.MouseMove(x, y);
}

void CSloMo::MouseDown(int x, int y, int clickCount) {
    board.MouseDown(x, y, clickCount);
}

void CSloMo::MouseUp(int x, int y, int clickCount) {
    board.MouseUp(x, y, clickCount);
}

void CSloMo::MouseDrag(int x, int y) {
    board.MouseDrag(x, y);
}

}  // namespace Vesk
