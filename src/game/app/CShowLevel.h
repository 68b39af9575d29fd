#pragma once

#include "game/app/CTextOverlay.h"

namespace Vesk {

// The level's stage and place within it as the level starts; its end starts the board's
// fade-in, whose end starts play.
class CShowLevel : public CTextOverlay {
public:
    explicit CShowLevel(Board& board);

protected:
    void Finished() override;
};

}  // namespace Vesk
