#pragma once

#include "widgets/Widget.h"
#include "widgets/WidgetHost.h"

namespace Vesk {

// A screen that fades in from black when shown and out to black before it goes, optionally
// leaving the manager at the end. The black layer is a deferred overlay, above the whole frame.
class zmWidget : public Widget {
public:
    enum FadeState { FADE_IN = 0, FADE_OUT = 1, FADE_IDLE = 2 };
    static constexpr int kFadeStep = 3;
    static constexpr int kFadeOutEnd = 252;
    static constexpr int kOverlayPriority = 2;

    zmWidget() = default;
    ~zmWidget() override = default;

    void AddedToManager(WidgetManager* manager) override;
    void Update() override;
    void Draw(Graphics* g) override;
    void DrawOverlay(Graphics* g) override;

    virtual void FadeOutWithCode(int code);
    virtual void RemoveSelf(bool force);
    virtual void StartFadeIn();
    virtual void StartFadeOut(bool remove);
    // Every screen change passes here: no effect outlives its screen.
    virtual void FadeOutDone();
    virtual void FadeInDone() {}

    int mCode = 0;
    int mFadeState = FADE_IN;
    int mAlpha = 255;
    bool mRemoveOnFade = true;
    // Kept past the removal at the end of a fade-out, for FadeOutDone.
    WidgetHost* mHost = nullptr;
};

}  // namespace Vesk
