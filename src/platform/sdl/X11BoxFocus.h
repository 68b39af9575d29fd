#pragma once

#include <chrono>

namespace platform {

// Gives the keyboard to a message box on an X server without a window manager, where a new
// window does not get the focus by itself and typing would still go to the game behind the
// box. Watches, on a thread of its own and for at most `patience`, for a viewable top-level
// window transient for `owner`, and gives it the input focus; does nothing when a window
// manager runs or owner is 0. For the box helper, which ends its threads with the process.
void GiveBoxTheKeyboard(unsigned long owner, std::chrono::milliseconds patience);

}  // namespace platform
