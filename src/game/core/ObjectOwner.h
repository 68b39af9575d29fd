#pragma once

#include <cstdint>

namespace Vesk {

class BoardContext;
class GameMedia;
class GameRandom;

// What the owner of an object list offers its objects: the board, the main menu and the land
// map each own one. Main thread only.
class ObjectOwner {
public:
    ObjectOwner() = default;
    virtual ~ObjectOwner() = default;
    ObjectOwner(const ObjectOwner&) = delete;
    ObjectOwner& operator=(const ObjectOwner&) = delete;

    // The owner widget's update count.
    virtual int32_t GetUpdateCount() const = 0;
    // System milliseconds; wraps at 2^32, so compare differences in unsigned arithmetic.
    virtual uint32_t TickCount() = 0;
    // The game's own generator, shared by every object so that demos replay.
    virtual GameRandom& Random() = 0;
    virtual GameMedia& Media() = 0;
    // Null unless the owner is the board.
    virtual BoardContext* AsBoard() { return nullptr; }
};

}  // namespace Vesk
