#pragma once

#include "game/core/CForce.h"

// Rises from the level bar's bottom end to its fill boundary; grows with effectivity and fill.
class CGoodForce : public CForce {
public:
    CGoodForce() = default;
    explicit CGoodForce(Vesk::BoardContext& board) { SetUp(board); }

protected:
    Point2 StartPoint(Vesk::BoardContext& board) const override;
    double Intensity(Vesk::BoardContext& board) const override;
    double Share(Vesk::BoardContext& board) const override;
    ObjectTypeId TypeId() const override { return ObjectTypeId::GoodForce; }
    Vesk::Color Tint() const override { return Vesk::Color(148, 233, 55); }
    Vesk::GameImage ParticleImage() const override { return Vesk::GameImage::GoodForceParticle; }
};
