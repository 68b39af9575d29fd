#pragma once

#include <cstdint>

#include "widgets/Widget.h"

namespace Vesk {

class GameApp;

// The first screen: the maker's logo fades in and out, the loading starts at frame 800 under
// the game's logo, and a bar shows how far it has come. It hides the cursor while it is up.
class CTitleScreen : public Widget {
public:
    static constexpr int kBarY = 385;
    static constexpr int kMakerLogoFrame = 100;
    static constexpr int kMakerLogoOutFrame = 600;
    static constexpr int kLoadingFrame = 800;

    // not owned
    explicit CTitleScreen(GameApp* app);

    // After the screen was sized to the window and before it is added.
    void Init();
    void AddedToManager(WidgetManager* manager) override;
    void Update() override;
    void Draw(Graphics* g) override;
    // Loading has finished: the screen goes (deleted after this update) and the game's screens
    // come.
    void Leave();

    int GetFrame() const { return mFrame; }
    int GetAlpha() const { return mAlpha; }
    int GetFill() const { return mFill; }
    int GetBarX() const { return mBarX; }

private:
    GameApp* mApp;
    int32_t mBarX = 0;
    int32_t mBarY = kBarY;
    int32_t mBarWidth = 0;
    int32_t mFrame = 0;
    int32_t mFill = 0;
    double mProgress = 0.0;
    int32_t mAlpha = 0;
    int8_t mFadeStep = 1;
};

}  // namespace Vesk
