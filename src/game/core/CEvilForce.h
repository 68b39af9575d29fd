#pragma once

#include "game/core/CForce.h"

// Pours from the level bar's top end down to its fill boundary; denser as the drain speeds up.
class CEvilForce : public CForce {
public:
    CEvilForce() = default;
    explicit CEvilForce(Vesk::BoardContext& board) { SetUp(board); }

protected:
    Point2 StartPoint(Vesk::BoardContext& board) const override;
    double Intensity(Vesk::BoardContext& board) const override;
    double Share(Vesk::BoardContext& board) const override;
    ObjectTypeId TypeId() const override { return ObjectTypeId::EvilForce; }
    Vesk::Color Tint() const override { return Vesk::Color(181, 83, 253); }
    Vesk::GameImage ParticleImage() const override { return Vesk::GameImage::EvilForceParticle; }
};
