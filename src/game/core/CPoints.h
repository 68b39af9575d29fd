#pragma once

#include <cstdint>
#include <string>

#include "game/core/CObject.h"

// The floating "+N" of a match: it fades by 3 per update and rises a pixel every fourth.
class CPoints : public CObject {
public:
    static constexpr int32_t kLayer = 12;
    // Longest text a saved record may carry.
    static constexpr uint32_t kMaxTextLength = 256;

    // For the factory.
    CPoints();
    CPoints(std::string text, int32_t x, int32_t y);

    void Draw(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    int Update(Vesk::ObjectOwner& owner) override;
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;

    int32_t GetAlpha() const { return mAlpha; }
    const std::string& GetText() const { return mText; }

private:
    int32_t mCarried = 0;
    int32_t mAlpha = 255;
    std::string mText;
};
