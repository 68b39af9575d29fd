#include "game/app/CShowLevel.h"

#include "game/app/CountedText.h"
#include "game/core/Board.h"

namespace Vesk {

CShowLevel::CShowLevel(Board& owner)
    : CTextOverlay(
          owner,
          FormatNumbers(owner.GetString("LVL"), {(owner.level + 4) / 5, (owner.level - 1) % 5 + 1}),
          -2.5, 0.1, 2.0, 0.15) {}

void CShowLevel::Finished() {
    RemoveFromBoard();
    board.LevelIntroDone();
}

}  // namespace Vesk
