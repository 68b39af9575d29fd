#pragma once

#include <memory>
#include <string>

#include "game/app/CZoomOverlay.h"

namespace Vesk {

class MemoryImage;

// A message in the huge font over the dimmed board: the board darkens, the message zooms in,
// holds for a moment and fades, and then the overlay hands over to its board (Finished).
class CTextOverlay : public CZoomOverlay {
public:
    enum Phase { kDone = 0, kDim = 1, kZoom = 2, kFade = 3, kHold = 4 };
    static constexpr int32_t kDimStep = 5;
    static constexpr int32_t kDimEnd = 199;
    static constexpr uint32_t kHoldMs = 300;

    CTextOverlay(Board& board, std::string text, double accel, double damping, double dampingGrowth,
                 double settledDamping);
    ~CTextOverlay() override;

    void Update() override;
    void Draw(Graphics* g) override;

    std::string text;
    int32_t textWidth = 0;
    int32_t textHeight = 0;

protected:
    int32_t PictureWidth() override { return textWidth; }
    int32_t PictureHeight() override { return textHeight; }
    // The fade has ended; the overlay is reset and its phase is 0.
    virtual void Finished() = 0;

private:
    void RenderText();

    std::unique_ptr<MemoryImage> mTextImage;
};

}  // namespace Vesk
