#pragma once

#include <cstdint>
#include <memory>

#include "game/core/BoardOverlay.h"

namespace Vesk {

class Board;
class Image;
class MemoryImage;

// The slow-motion glow: two pictures turning and shrinking onto the board, then pulsing while
// slow motion runs, then fading as it ends. Play goes on underneath: the mouse and the keys go
// through to the board, and it stands still while the board is paused.
class CSloMo : public BoardOverlay {
public:
    enum Phase { kDone = 0, kArrive = 1, kLeave = 2, kPulse = 3 };

    explicit CSloMo(Board& board);
    ~CSloMo() override;

    void Update() override;
    void Draw(Graphics* g) override;
    void Leave() override;
    void KeyDown(int key) override;
    void MouseMove(int x, int y) override;
    void MouseDown(int x, int y, int clickCount) override;
    void MouseUp(int x, int y, int clickCount) override;
    void MouseDrag(int x, int y) override;

    double angle = 0.0;
    double rotationSpeed = 0.025;
    double scale = 1.21;
    double growthSpeed = 0.0;
    double growthStep = 0.0011;
    int32_t alpha0 = 0;
    int32_t alpha1 = 0;
    double glow = 0.0;
    int32_t phase = kArrive;

private:
    void Pulse();
    // The picture at the scale, turned about the board's centre.
    void DrawTurned(Graphics* g, Image* picture, int32_t alpha, double turn,
                    std::unique_ptr<MemoryImage>& cache);

    Board& board;
    std::unique_ptr<MemoryImage> mScaled0;
    std::unique_ptr<MemoryImage> mScaled1;
};

}  // namespace Vesk
