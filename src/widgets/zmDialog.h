#pragma once

#include <cstdint>
#include <string>

#include "widgets/Dialog.h"
#include "widgets/WidgetHost.h"

namespace Vesk {

// A modal dialog without buttons that dims the whole application area behind it while it
// opens, and darkens away before the application kills it. It does not clip, so the dim
// reaches past its own rectangle.
class zmDialog : public Dialog {
public:
    enum DimState { DIM_IN = 0, DIM_CLOSING = 1, DIM_SHOWN = 2 };
    static constexpr int kDimStep = 3;
    static constexpr int kCloseEnd = 253;
    static constexpr int kOverlayPriority = 2;

    zmDialog(Image* componentImage, int id, const std::string& header, const std::string& lines,
             const std::string& footer);
    ~zmDialog() override = default;

    void AddedToManager(WidgetManager* manager) override;
    void Update() override;
    void Draw(Graphics* g) override;
    void DrawOverlay(Graphics* g) override;

    // Asks the application to kill this dialog.
    virtual void Close();
    virtual void FadeOutDone();
    virtual void StartClose() { mDimState = DIM_CLOSING; }

    uint8_t mTargetDim = 200;
    int mDimAlpha = 0;
    int mDimState = DIM_IN;
    // Kept past the kill, for FadeOutDone.
    WidgetHost* mHost = nullptr;

private:
    void FillAppArea(Graphics* g);
};

}  // namespace Vesk
