#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Vesk {

// A separator is a backslash or a slash; the last separator is whichever of the two comes
// later. Paths are handed to the platform layer, which accepts both.

// The name after the last separator without its extension: "data\a.b\c" gives "c".
std::string GetFileName(std::string_view path);
// The text before the last separator, or "" when there is none.
std::string GetFileDir(std::string_view path);
// Drops one final separator.
std::string RemoveTrailingSlash(std::string_view path);
// Appends a backslash unless the path is empty or already ends in a separator.
std::string AddTrailingSlash(std::string_view path);

// Joins a relative path to a base directory. Only the leading "." and ".." segments and the
// first name after them are folded into the directory; the rest is appended as it is. A
// relative path with a drive ("c:...") is returned unchanged. The separator of the result is
// a backslash when either argument holds one, else a slash.
std::string ResolveRelativePath(std::string_view relative, std::string_view directory);

// Last-write time of the file (or of the first match of a "*"/"?" pattern in its name) in
// seconds since 1970-01-01 UTC; 0 when nothing matches.
int64_t GetFileDate(std::string_view path);

// Deletes the folder with everything in it. Symbolic links inside are removed, never entered.
// False when the path is shorter than 2 characters, is no folder, or anything stayed behind.
bool DeleteTree(std::string_view directory);

// Creates every folder along the path; folders that exist already are left alone.
void MakeDirectories(std::string_view path);

}  // namespace Vesk
