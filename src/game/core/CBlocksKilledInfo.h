#pragma once

#include <cstdint>
#include <string>

#include "game/core/CObject.h"

// The effectivity bar's fill as a percentage; only a saved game makes one.
class CBlocksKilledInfo : public CObject {
public:
    static constexpr int32_t kLayer = 12;

    CBlocksKilledInfo();

    void Draw(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    int Update(Vesk::ObjectOwner& owner) override;
    // No object header: the type id, a 32-bit word and a byte.
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;

    const std::string& GetText() const { return mText; }

private:
    int32_t mCarriedWord = 0;
    uint8_t mCarriedByte = 0;
    std::string mText;
};
