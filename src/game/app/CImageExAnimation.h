#pragma once

#include "game/core/CAnimation.h"
#include "resources/zmImageEx.h"

namespace Vesk {

// A board object's own copy of an animated-image resource.
class CImageExAnimation : public CAnimation {
public:
    explicit CImageExAnimation(const zmImageEx& resource);

    void Play(int32_t index, double time, bool immediate, double firstFrameDelay) override;
    bool Update(double time) override;
    void Draw(Graphics& g, int32_t x, int32_t y, bool drag) override;
    int32_t GetCelWidth() const override;
    int32_t GetCelHeight() const override;
    int32_t AnimationCount() const override;
    int32_t FrameCount(int32_t animation) const override;
    PlayState GetPlayState() const override;
    void SetPlayState(const PlayState& state) override;

private:
    zmImageEx mImage;
};

}  // namespace Vesk
