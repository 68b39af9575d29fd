#include "game/app/CLivesLeft.h"

#include "app/VeskAppBase.h"
#include "game/app/CountedText.h"
#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"

namespace Vesk {

CLivesLeft::CLivesLeft(Board& owner)
    : CTextOverlay(owner, FormatNumbers(owner.GetString(LivesTextId(owner.lives)), {owner.lives}),
                   -1.5, 0.06, 1.5, 0.05) {
    if (GameApp* app = GetGameApp()) {
        app->PlaySoundById(SOUND_LOST_LIFE, false, false);
    }
}

void CLivesLeft::Finished() {
    board.LivesOverlayDone();
}

}  // namespace Vesk
