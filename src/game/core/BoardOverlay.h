#pragma once

#include "widgets/Widget.h"

namespace Vesk {

// An announcement laid over the whole board (lives left, knockdown, level, slow motion). The
// game application makes them; the board owns each one and shows it as its child.
class BoardOverlay : public Widget {
public:
    enum class Kind { LivesLeft, Knockdown, LevelIntro, SlowMotion };

    // Asked to go away early (slow motion ended); it leaves in its own time.
    virtual void Leave() {}
};

}  // namespace Vesk
