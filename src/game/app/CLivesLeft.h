#pragma once

#include "game/app/CTextOverlay.h"

namespace Vesk {

// How many lives are left, after one was lost; then the board fades out and builds the level
// afresh.
class CLivesLeft : public CTextOverlay {
public:
    explicit CLivesLeft(Board& board);

protected:
    void Finished() override;
};

}  // namespace Vesk
