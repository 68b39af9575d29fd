#pragma once

#include <cstdint>

#include "game/core/BoardOverlay.h"

namespace Vesk {

class Board;
class Image;

// An announcement over the whole board whose picture zooms in on a damped spring: it starts
// twice the board's width, overshoots and swings back, each reversal damping it harder, until
// it settles near the board's width. Then it holds and fades while it keeps growing.
class CZoomOverlay : public BoardOverlay {
public:
    CZoomOverlay(Board& board, double accel, double damping, double dampingGrowth,
                 double settledDamping);

    // The picture starts twice as wide as the widget, with the picture's aspect.
    void Resize(int x, int y, int width, int height) override;

    // One spring step. In the zoom-in only, the spring reverses and settles; true once settled.
    bool ZoomStep(bool zoomingIn);
    // One fade step of the picture; true once it is gone.
    bool FadeStep();
    // The start size again (the overlay may be shown once more).
    void ResetSize();
    // Off the board, handing the focus back to it when this had it.
    void RemoveFromBoard();

    double width = 0.0;
    double height = 0.0;
    double velocity = 0.0;
    double accel;
    double damping;
    int32_t dimAlpha = 0;
    int32_t pictureAlpha = 0;
    int32_t phase = 1;
    uint32_t holdStart = 0;
    // Reversals so far, for the curious.
    int32_t reversals = 0;

protected:
    // Of the picture that zooms; zero while it has none.
    virtual int32_t PictureWidth() = 0;
    virtual int32_t PictureHeight() = 0;
    // The picture stretched to width x height at (x, y), at the picture alpha.
    void DrawPicture(Graphics* g, Image* picture, int32_t x, int32_t y);

    Board& board;

private:
    double mStartAccel;
    double mStartDamping;
    double mDampingGrowth;
    double mSettledDamping;
};

}  // namespace Vesk
