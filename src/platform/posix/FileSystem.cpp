#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <system_error>

#include "platform/Process.h"
#include "platform/TextEncoding.h"
#include "platform/posix/FileReadCall.h"

namespace platform::fs {

ReadCall gReadCall = &::read;

namespace {

// Names compare as Windows compares them, so files written there resolve the same here.
char FoldCase(char c) {
    return text::UpperCp1252(c);
}

bool LStat(const std::string& path, struct stat& st) {
    return lstat(path.c_str(), &st) == 0;
}

// Takes the marker and the process id after it off the end of the name and answers the id;
// nothing, and the name as it was, unless the name ends so with an id spelt as getpid's.
std::optional<uint32_t> TakeWriterId(std::string_view& name, std::string_view marker) {
    const size_t at = name.rfind(marker);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view digits = name.substr(at + marker.size());
    if (digits.empty() || digits.size() > 10 || digits[0] == '0' ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    // No process id is larger: such a name is no writer's.
    const uint64_t id = std::stoull(std::string(digits));
    if (id > INT32_MAX) {
        return std::nullopt;
    }
    name = name.substr(0, at);
    return static_cast<uint32_t>(id);
}

bool RemoveTreeNative(const std::string& path) {
    struct stat st {};
    if (!LStat(path, st)) {
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        return unlink(path.c_str()) == 0;
    }
    // O_NOFOLLOW guards against the folder being swapped for a link after the lstat.
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return false;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(std::move(name));
        }
    }
    closedir(dir);
    bool ok = true;
    for (const std::string& name : names) {
        ok = RemoveTreeNative(path + "/" + name) && ok;
    }
    return rmdir(path.c_str()) == 0 && ok;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

// The entry of the folder whose name equals the wanted one ignoring case; the smallest such
// name when several differ only in case, so the answer does not hang on the folder's order.
std::optional<std::string> FindIgnoringCase(const std::string& folder, std::string_view wanted) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) {
        return std::nullopt;
    }
    std::optional<std::string> found;
    while (dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (EqualsIgnoreCase(name, wanted) && (!found || name < *found)) {
            found = std::string(name);
        }
    }
    closedir(dir);
    return found;
}

// The data names files in any case ("properties\\default.xml"), so each component that is
// missing as spelled is looked up ignoring case. Components that exist in no spelling are
// kept as given, so a path to be created resolves its existing folders only.
std::string ResolveCase(std::string path) {
    struct stat st {};
    if (path.empty() || lstat(path.c_str(), &st) == 0) {
        return path;
    }
    std::string out;
    size_t at = 0;
    if (path[0] == '/') {
        out = "/";
        at = 1;
    }
    while (at < path.size()) {
        size_t end = path.find('/', at);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string_view component = std::string_view(path).substr(at, end - at);
        std::string candidate = out + std::string(component);
        if (component.empty() || component == "." || component == ".." ||
            lstat(candidate.c_str(), &st) == 0) {
            out = std::move(candidate);
        } else if (std::optional<std::string> match = FindIgnoringCase(out, component)) {
            out += *match;
        } else {
            return out + path.substr(at);
        }
        if (end < path.size()) {
            out += '/';
        }
        at = end + 1;
    }
    return out;
}

}  // namespace

std::string NativePath(std::string_view path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    return ResolveCase(std::move(out));
}

bool Exists(std::string_view path) {
    struct stat st {};
    return stat(NativePath(path).c_str(), &st) == 0;
}

bool IsDirectory(std::string_view path) {
    struct stat st {};
    return stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(std::string_view path) {
    std::string native = NativePath(path);
    if (mkdir(native.c_str(), 0755) == 0) {
        return true;
    }
    return errno == EEXIST && IsDirectory(native);
}

bool MakeDirectories(std::string_view path) {
    std::string native = NativePath(path);
    while (native.size() > 1 && native.back() == '/') {
        native.pop_back();
    }
    if (native.empty()) {
        return false;
    }
    for (size_t i = 1; i < native.size(); ++i) {
        if (native[i] == '/' && !MakeDirectory(native.substr(0, i))) {
            return false;
        }
    }
    return MakeDirectory(native);
}

bool RemoveFile(std::string_view path) {
    return unlink(NativePath(path).c_str()) == 0;
}

bool RemoveDirectory(std::string_view path) {
    return rmdir(NativePath(path).c_str()) == 0;
}

bool RemoveTree(std::string_view path) {
    std::string native = NativePath(path);
    while (native.size() > 1 && native.back() == '/') {
        native.pop_back();
    }
    return !native.empty() && RemoveTreeNative(native);
}

bool MatchPattern(std::string_view pattern, std::string_view name) {
    // Iterative glob with one back-tracking point: linear in practice, no recursion.
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    // "*.*" also matches names without a dot, as users of that pattern expect.
    if (p < pattern.size() && pattern.substr(p) == ".*") {
        return true;
    }
    return p == pattern.size();
}

std::vector<DirEntry> List(std::string_view folder, std::string_view pattern) {
    std::vector<DirEntry> entries;
    const std::string native = folder.empty() ? std::string(".") : NativePath(folder);
    DIR* dir = opendir(native.c_str());
    if (!dir) {
        return entries;
    }
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == ".." || !MatchPattern(pattern, name)) {
            continue;
        }
        struct stat st {};
        bool isDir = LStat(native + "/" + name, st) && S_ISDIR(st.st_mode);
        entries.push_back({std::move(name), isDir});
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return entries;
}

int64_t ModTime(std::string_view path) {
    struct stat st {};
    if (stat(NativePath(path).c_str(), &st) != 0) {
        return 0;
    }
    return static_cast<int64_t>(st.st_mtime);
}

int64_t ModTimeNs(std::string_view path) {
    struct stat st {};
    if (stat(NativePath(path).c_str(), &st) != 0) {
        return 0;
    }
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

std::optional<uint64_t> FileSize(std::string_view path) {
    struct stat st {};
    if (stat(NativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(st.st_size);
}

std::string CurrentDirectory() {
    std::vector<char> buffer(256);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

bool SetCurrentDirectory(std::string_view path) {
    return chdir(NativePath(path).c_str()) == 0;
}

FileRead ReadFile(std::string_view path, uint64_t maxBytes) {
    FileRead result;
    const auto fail = [&result](std::string reason) {
        result.status = FileRead::Status::Unreadable;
        result.reason = std::move(reason);
        result.bytes.clear();
        return std::move(result);
    };
    const auto errorText = [](int error) { return std::generic_category().message(error); };
    // Non-blocking, so a pipe put in a file's place cannot hold the open.
    const int fd = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) {
            return result;
        }
        return fail(errorText(errno));
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        const int error = errno;
        close(fd);
        return fail(errorText(error));
    }
    if (S_ISDIR(st.st_mode)) {
        close(fd);
        return fail("it is a folder");
    }
    if (!S_ISREG(st.st_mode)) {
        close(fd);
        return fail("it is not a regular file");
    }
    // A regular file cannot hold the read up, but a file system that honours the flag (FUSE,
    // some network ones) would answer EAGAIN and the file would pass for unreadable.
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errno;
        close(fd);
        return fail(errorText(error));
    }
    const auto tooLarge = [&] {
        return fail("it is larger than " + std::to_string(maxBytes) + " bytes");
    };
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        close(fd);
        return tooLarge();
    }
    result.bytes.reserve(static_cast<size_t>(st.st_size));
    uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = gReadCall(fd, chunk, sizeof(chunk));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            close(fd);
            return fail(errorText(error));
        }
        if (n == 0) {
            break;
        }
        // The file may grow while it is read.
        if (result.bytes.size() + static_cast<size_t>(n) > maxBytes) {
            close(fd);
            return tooLarge();
        }
        result.bytes.insert(result.bytes.end(), chunk, chunk + n);
    }
    close(fd);
    result.status = FileRead::Status::Read;
    return result;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(std::string_view path) {
    FileRead read = ReadFile(path);
    if (!read.Read()) {
        return std::nullopt;
    }
    return std::move(read.bytes);
}

bool WriteWholeFileAtomic(std::string_view path, const void* data, size_t size) {
    std::string native = NativePath(path);
    std::string temp = native + ".tmp" + std::to_string(ProcessId());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, bytes + done, size - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        done += static_cast<size_t>(n);
    }
    bool ok = done == size && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temp.c_str(), native.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

void RemoveDeadWritersFiles(std::string_view folder, std::string_view pattern) {
    const std::string native = folder.empty() ? std::string(".") : NativePath(folder);
    for (const DirEntry& entry : List(native)) {
        std::string_view target = entry.name;
        // KeepDamagedCopy's private copy is "<file>.keep<pid>", written through
        // "<file>.keep<pid>.tmp<pid>".
        const std::optional<uint32_t> writer = TakeWriterId(target, ".tmp");
        const std::optional<uint32_t> keeper = TakeWriterId(target, ".keep");
        if ((!writer && !keeper) || target.empty() || !MatchPattern(pattern, target) ||
            (writer && ProcessRuns(*writer)) || (keeper && ProcessRuns(*keeper))) {
            continue;
        }
        const std::string path = native + "/" + entry.name;
        struct stat st {};
        if (LStat(path, st) && S_ISREG(st.st_mode)) {
            unlink(path.c_str());
        }
    }
}

std::string KeepDamagedCopy(std::string_view path, const std::vector<uint8_t>& bytes) {
    constexpr int kMaxKept = 100;
    const std::string native = NativePath(path);
    // Written whole under a private name first, then given its name with link(), which never
    // replaces a file: a copy that appeared meanwhile under that name stays.
    const std::string temp = native + ".keep" + std::to_string(ProcessId());
    unlink(temp.c_str());
    if (!WriteWholeFileAtomic(temp, bytes.data(), bytes.size())) {
        return std::string();
    }
    std::string answer;
    for (int i = 1; i <= kMaxKept && answer.empty(); ++i) {
        std::string kept = native + ".damaged" + (i > 1 ? "." + std::to_string(i) : "");
        if (link(temp.c_str(), kept.c_str()) == 0) {
            answer = std::move(kept);
        } else if (errno != EEXIST) {
            break;
        } else {
            // The same bytes kept before need no second copy.
            const FileRead earlier = ReadFile(kept, bytes.size());
            if (earlier.Read() && earlier.bytes == bytes) {
                answer = std::move(kept);
            }
        }
    }
    unlink(temp.c_str());
    return answer;
}

}  // namespace platform::fs
