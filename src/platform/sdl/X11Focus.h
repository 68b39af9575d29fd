#pragma once

struct _XDisplay;

namespace platform::x11 {

// Lets no X error of a focus request end the process. The server refuses the focus to a window
// that is mapped but not yet viewable (a window manager maps its frame after the window), and
// both SDL and Xlib's default handler would then end the program; every other error still
// goes to the handler that was there before. Main thread, after SDL's video start, which
// installs a handler of its own; calling it again changes nothing.
void FilterFocusErrors();

// Whether the window is viewable: mapped, and its ancestors too. Only such a window may take
// the keyboard.
bool IsWindowViewable(_XDisplay* display, unsigned long window);

}  // namespace platform::x11
