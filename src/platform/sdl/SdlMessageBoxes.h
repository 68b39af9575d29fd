#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/WindowSystem.h"

namespace platform::sdl {

// The program that shows the boxes, so that no copy of this process is ever
// forked to show one.
inline constexpr char kMessageBoxHelperName[] = "vesk-message-box";

// Shows a modal SDL message box with the buttons left to right (labels in
// UTF-8); Enter picks the button with returnId and Escape the one with
// escapeId, when there is one. flags are SDL_MESSAGEBOX_* kinds. Any thread;
// one box at a time. Returns the chosen button's result, -1 when the window
// manager closed the box or a SIGTERM or SIGINT ended it (the signal then
// takes its course, and no later box is shown), or none when no box could be
// shown (SDL_GetError tells why).
std::optional<int> ShowMessageBox(uint32_t flags, const std::string& titleUtf8,
                                  const std::string& textUtf8,
                                  const std::vector<MessageBoxButton>& buttons, int returnId,
                                  int escapeId);

// The helper is looked for beside this program, then in ../libexec/vesk/
// beside its folder; a path set here is used instead (tests set theirs).
void SetMessageBoxHelperPath(std::string path);

// The helper's whole work: the box its arguments describe, the chosen
// button's index written to standard output as one byte. The box goes with
// the process that started it, however that one ends.
[[noreturn]] void RunMessageBoxHelper(int argc, char** argv);

}  // namespace platform::sdl
