#pragma once

#include <string>
#include <string_view>
#include <vector>

// Files named by the player inside one folder (the profiles). Names are Windows-1252 bytes and
// compare ignoring case by that code page's one fixed mapping, as the game's own files expect.
namespace platform::fs {

// True when the name can only mean an entry directly inside a folder: not empty, not "." or
// "..", and without separators or control bytes.
bool IsPlainFileName(std::string_view name);

// The entries of the folder whose names end in the suffix ignoring case, sorted by their
// upper-cased names, then by their bytes; a folder in a file's place is listed too, so its
// owner is not lost from sight. Empty when the folder is missing.
std::vector<std::string> ListNamesEndingIn(std::string_view folder, std::string_view suffix);

// folder + the entry whose name equals the given one ignoring case (the smallest when several
// do), or folder + name when none does; empty when the name is not plain. The folder ends in
// a separator.
std::string PathInFolder(std::string_view folder, std::string_view name);

// Creates the file empty, or empties it. False when it cannot be written.
bool CreateEmptyFile(std::string_view path);

}  // namespace platform::fs
