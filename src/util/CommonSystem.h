#pragma once

#include <string>
#include <string_view>

namespace Vesk {

// Operating-system family tests, asked once and remembered for the life of the process. This
// system answers as a modern NT-family one: not 9x, and version 6 or later.
bool IsWin9xPlatform();
bool IsVistaOrLater();

// The per-user data folder that file names are put behind. Stored only when IsVistaOrLater();
// a non-empty path gets a backslash appended unless it already ends in a separator. Safe to
// call from any thread.
void SetAppDataFolder(std::string_view path);
// A copy of the data folder; empty unless set.
std::string GetAppDataFolder();

}  // namespace Vesk
