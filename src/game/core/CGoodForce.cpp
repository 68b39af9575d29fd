#include "game/core/CGoodForce.h"

#include "game/core/BoardContext.h"
#include "game/core/CEffectiveProgressBar.h"
#include "game/core/CLevelProgressBar.h"

CForce::Point2 CGoodForce::StartPoint(Vesk::BoardContext& board) const {
    CLevelProgressBar* bar = board.GetLevelBar();
    return bar != nullptr ? Point2{double(bar->GetBottomX()), double(bar->GetBottomY())} : Point2{};
}

double CGoodForce::Intensity(Vesk::BoardContext& board) const {
    CEffectiveProgressBar* bar = board.GetEffectivityBar();
    if (bar == nullptr || bar->GetMaximum() == 0) {
        return 0.0;
    }
    return double(bar->GetValue()) / bar->GetMaximum();
}

double CGoodForce::Share(Vesk::BoardContext& board) const {
    CLevelProgressBar* bar = board.GetLevelBar();
    if (bar == nullptr || bar->GetMaximum() == 0) {
        return 0.0;
    }
    return double(bar->GetValue()) / bar->GetMaximum();
}
