#include "game/core/CEvilForce.h"

#include <algorithm>

#include "game/core/BoardContext.h"
#include "game/core/CLevelProgressBar.h"

CForce::Point2 CEvilForce::StartPoint(Vesk::BoardContext& board) const {
    CLevelProgressBar* bar = board.GetLevelBar();
    return bar != nullptr ? Point2{double(bar->GetTopX()), double(bar->GetTopY())} : Point2{};
}

double CEvilForce::Intensity(Vesk::BoardContext& board) const {
    CLevelProgressBar* bar = board.GetLevelBar();
    return bar != nullptr ? std::min(bar->GetDrainSpeed() / 50.0, 1.0) : 0.0;
}

double CEvilForce::Share(Vesk::BoardContext& board) const {
    CLevelProgressBar* bar = board.GetLevelBar();
    if (bar == nullptr || bar->GetMaximum() == 0) {
        return 0.0;
    }
    return double(bar->GetMaximum() - bar->GetValue()) / bar->GetMaximum();
}
