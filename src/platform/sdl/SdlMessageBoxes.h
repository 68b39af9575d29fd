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

// How a box ended: a button, the window manager's close, or SIGTERM or SIGINT
// (the signal then takes its course, and no later box is shown).
enum class BoxEnd { Chosen, Closed, Signalled };
struct BoxAnswer {
    BoxEnd end = BoxEnd::Closed;
    int result = 0;  // the chosen button's, for Chosen
};

// Shows a modal SDL message box with the buttons left to right (labels in
// UTF-8); Enter picks the button with returnId and Escape the one with
// escapeId, when there is one. flags are SDL_MESSAGEBOX_* kinds. The box is
// transient for the X11 window ownerX11 when that is not 0, and is given the
// keyboard once shown. Any thread; one box at a time. None when no box could be shown (SDL_GetError
// tells why).
std::optional<BoxAnswer> ShowMessageBox(uint32_t flags, const std::string& titleUtf8,
                                        const std::string& textUtf8,
                                        const std::vector<MessageBoxButton>& buttons, int returnId,
                                        int escapeId, unsigned long ownerX11 = 0);

// Notes SIGTERM and SIGINT for the rest of the process and hands each on to
// the handler in place (SDL's, which makes a quit event of it). Installed after
// SDL's, taken out before SDL takes its own out. Main thread.
void WatchEndingSignals();
void UnwatchEndingSignals();
// True once SIGTERM or SIGINT has come while watched or while a box was up.
bool EndingSignalSeen();

// The helper is looked for beside this program, then in ../libexec/vesk/
// beside its folder; a path set here is used instead (tests set theirs).
void SetMessageBoxHelperPath(std::string path);
// Tests only: runs in each box's helper lookup, before the box's own signal watch is up.
void SetHelperLookupHook(void (*hook)());

// The helper's whole work: the box its arguments describe, the chosen
// button's index written to standard output as one byte. The box goes with
// the process that started it, however that one ends.
[[noreturn]] void RunMessageBoxHelper(int argc, char** argv);

}  // namespace platform::sdl
