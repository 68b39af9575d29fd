#pragma once

#include <cstdint>

#include "widgets/Widget.h"

namespace Vesk {

// The in-game help bubbles. The game application makes it; the board owns it, shows it as its
// child while help is on, and keeps its pending topics in the saved game.
class BoardHelp : public Widget {
public:
    // Queues the topics of a new level unless some are still pending.
    virtual void FillTopicQueue() {}
    // Pending topics as a mask of bits 1 to 128.
    virtual uint32_t SaveTopics() const { return 0; }
    virtual void LoadTopics(uint32_t mask) { (void)mask; }
};

}  // namespace Vesk
