#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "game/core/CObject.h"

class CParticleEffect;

// The in-game panel along the bottom of the board: score, level label, lives. It also makes the
// guide announce new knockdown and whirlwind counts.
class CInterfaceObject : public CObject {
public:
    static constexpr int32_t kLayer = 6;

    CInterfaceObject();
    explicit CInterfaceObject(Vesk::BoardContext& board);
    ~CInterfaceObject() override;

    void Draw(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    int Update(Vesk::ObjectOwner& owner) override;
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;

    // The text id for a count: the singular id, id + "S", or id + "S 2" .
    static std::string CountedTextId(const std::string& singular, int32_t count);
    // "# group-place" for a 1-based level.
    static std::string LevelLabel(int32_t level);

    // The extra-life burst; the board resets it where a life is won. Null until drawn once.
    CParticleEffect* LifeBurst() { return mLifeBurst.get(); }
    // Makes the burst when it is missing; null when the media has none.
    CParticleEffect* StartLifeBurst(Vesk::GameMedia& media);

    uint8_t flag = 0;
    int32_t lastKnockdown = 0;
    int32_t lastWhirlwind = 0;
    int32_t scoreX = 0;
    int32_t scoreY = 0;
    int32_t levelX = 0;
    int32_t levelY = 0;
    int32_t livesX = 0;
    int32_t livesY = 0;

private:
    void Place(int32_t fontAscent);

    Vesk::BoardContext* mBoard = nullptr;
    std::unique_ptr<CParticleEffect> mLifeBurst;
};
