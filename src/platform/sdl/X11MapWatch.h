#pragma once

#include <chrono>

namespace platform {

// Maps a top-level X11 window on a connection of its own and waits for the server's word that
// it is mapped. SDL waits for that word with no time limit, and a window manager may drop the
// request (one still starting up does), which left a start hanging before its first picture.
// Once the window is mapped SDL skips its own wait.
class X11MapWatch {
public:
    // Blocks up to twice `patience`: the map is asked for once more after the first. True once
    // the window is mapped; false when it still is not, or the server could not be reached.
    [[nodiscard]] static bool Map(unsigned long window, std::chrono::milliseconds patience);
};

}  // namespace platform
