#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "game/core/CObject.h"

class CAnimation;

// The guide: rises from behind the in-game panel now and then, blinks, says a line in a balloon
// and sinks again. A click on the balloon makes him shout his panic line.
class CLucheg : public CObject {
public:
    enum State : int32_t { Shown = 0, Hidden = 1, Rising = 2, Sinking = 3 };
    static constexpr int32_t kLayer = 5;
    // How far below his rest y he goes when hidden, and how much must show for "up".
    static constexpr double kTravel = 175.0;
    static constexpr double kUpDepth = 87.0;
    // Where the panel draws his hands, and his balloon, relative to him.
    static constexpr int32_t kHandsX = 60;
    static constexpr int32_t kHandsY = 136;
    static constexpr int32_t kBalloonX = 110;
    static constexpr int32_t kBalloonY = 55;
    // The balloon's text rectangle, relative to the balloon.
    static constexpr int32_t kTextLeft = 30;
    static constexpr int32_t kTextTop = 10;
    static constexpr int32_t kTextWidth = 155;
    static constexpr int32_t kTextHeight = 72;

    CLucheg();
    explicit CLucheg(Vesk::BoardContext& board);
    ~CLucheg() override;

    void Draw(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    int Update(Vesk::ObjectOwner& owner) override;
    int MouseDown(Vesk::ObjectOwner& owner, int32_t x, int32_t y) override;
    int MouseMove(Vesk::ObjectOwner& owner, int32_t x, int32_t y) override;
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;

    // Only while hidden: he rises at once with the text. Dropped otherwise.
    void Say(const std::string& text);

    int32_t state = Hidden;
    int32_t showTime = 0;
    double step = 10.0;
    bool up = false;
    int32_t blinkDelay = 0;
    int32_t stamp = 0;
    bool idle = true;
    std::string line;
    std::array<std::string, 15> lines;

    CAnimation* Animation() { return mAnimation.get(); }

private:
    void CommonSetUp(Vesk::BoardContext* board);
    bool InBalloonText(int32_t px, int32_t py) const;

    Vesk::BoardContext* mBoard = nullptr;
    std::unique_ptr<CAnimation> mAnimation;
};
