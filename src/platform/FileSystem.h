#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Files and folders. Every path may use '\' or '/' as its separator, and a component missing
// in the spelling given is found ignoring case, as on Windows.
namespace platform::fs {

// The path as the operating system wants it: '/' separators, each existing component in its
// spelling on disk.
std::string NativePath(std::string_view path);

bool Exists(std::string_view path);
bool IsDirectory(std::string_view path);

// True when the folder exists afterwards, including when it was there already.
bool MakeDirectory(std::string_view path);
// Makes every missing folder along the path.
bool MakeDirectories(std::string_view path);

bool RemoveFile(std::string_view path);
// Removes an empty folder.
bool RemoveDirectory(std::string_view path);
// Removes a file or a whole folder tree. A symbolic link is removed itself and never
// followed, so nothing outside the tree can be deleted through one.
bool RemoveTree(std::string_view path);

struct DirEntry {
    std::string name;
    bool isDirectory = false;
};
// Entries of the folder whose names match the pattern ('*' and '?', case-insensitive),
// without "." and "..", sorted by name.
std::vector<DirEntry> List(std::string_view folder, std::string_view pattern = "*");
bool MatchPattern(std::string_view pattern, std::string_view name);

// Modification time in seconds since 1970 UTC; 0 when the file is missing.
int64_t ModTime(std::string_view path);
// The same in nanoseconds; 0 when the file is missing.
int64_t ModTimeNs(std::string_view path);
std::optional<uint64_t> FileSize(std::string_view path);

std::string CurrentDirectory();
bool SetCurrentDirectory(std::string_view path);

std::optional<std::vector<uint8_t>> ReadWholeFile(std::string_view path);
// Writes a temporary file beside the target and renames it over the target, so a crash
// while writing leaves either the old or the new contents, never half of one.
bool WriteWholeFileAtomic(std::string_view path, const void* data, size_t size);

// Keeps the bytes of a damaged file beside it, whole, under the first free name of
// "<path>.damaged", "<path>.damaged.2" and so on; an earlier copy is never replaced. The copy's
// path, or empty when none could be written. The damaged file itself stays.
std::string KeepDamagedCopy(std::string_view path, const std::vector<uint8_t>& bytes);

}  // namespace platform::fs
