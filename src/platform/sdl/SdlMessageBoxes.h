#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/WindowSystem.h"

struct SDL_Window;

namespace platform::sdl {

// Shows a modal SDL message box with the buttons left to right (labels in
// UTF-8); Enter picks the button with returnId and Escape the one with
// escapeId, when there is one. flags are SDL_MESSAGEBOX_* kinds; parent may be
// null. Returns the chosen button's result, -1 when the window manager closed
// the box, or none when no box could be shown (SDL_GetError tells why).
std::optional<int> ShowMessageBox(SDL_Window* parent, uint32_t flags, const std::string& titleUtf8,
                                  const std::string& textUtf8,
                                  const std::vector<MessageBoxButton>& buttons, int returnId,
                                  int escapeId);

}  // namespace platform::sdl
