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

// What reading a file found. Missing is only "no such file"; a file that is there but cannot be
// read (no permission, a folder, a read error, too large) is Unreadable, with the reason.
struct FileRead {
    enum class Status { Read, Missing, Unreadable };
    Status status = Status::Missing;
    std::vector<uint8_t> bytes;
    // Why it could not be read, in words ("Permission denied", "it is a folder"); empty otherwise.
    std::string reason;

    bool Read() const { return status == Status::Read; }
    bool Missing() const { return status == Status::Missing; }
    bool Unreadable() const { return status == Status::Unreadable; }
};

// The player's files are a few KB; a larger one is damaged and never read whole.
inline constexpr uint64_t kPlayerFileLimit = 16u << 20;

// Reads a regular file whole. A file longer than maxBytes is Unreadable and is not read; a
// pipe or device is Unreadable too, so no read can wait forever.
[[nodiscard]] FileRead ReadFile(std::string_view path, uint64_t maxBytes = UINT64_MAX);
// The bytes when the file could be read, otherwise nothing, whatever the reason.
std::optional<std::vector<uint8_t>> ReadWholeFile(std::string_view path);
// Writes a temporary file beside the target and renames it over the target, so a crash
// while writing leaves either the old or the new contents, never half of one.
bool WriteWholeFileAtomic(std::string_view path, const void* data, size_t size);

// Removes from the folder what WriteWholeFileAtomic and KeepDamagedCopy leave beside a file whose
// name matches the pattern when their process is killed while writing: regular files named
// after that file and ".tmp<pid>" or ".keep<pid>" whose writing process no longer runs. A file
// of a running writer stays, as does every other file.
void RemoveDeadWritersFiles(std::string_view folder, std::string_view pattern);

// Keeps the bytes of a damaged file beside it, whole, under the first free name of
// "<path>.damaged", "<path>.damaged.2" and so on; an earlier copy is never replaced, even by a
// copy made at the same moment by another process. An earlier copy that holds the same bytes is
// answered instead of making another. The copy's path, or empty when none could be written.
// The damaged file itself stays.
std::string KeepDamagedCopy(std::string_view path, const std::vector<uint8_t>& bytes);

}  // namespace platform::fs
