#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::fs {

constexpr uint32_t kFileAttributeDirectory = 0x10;

// One search result, shaped like the Windows find data the readers expect.
struct FindFileData {
    uint32_t attributes = 0;
    // FILETIME values: 100-nanosecond ticks since 1601-01-01 UTC.
    uint64_t creationTime = 0;
    uint64_t lastAccessTime = 0;
    uint64_t lastWriteTime = 0;
    uint32_t fileSizeHigh = 0;
    uint32_t fileSizeLow = 0;
    // The name only, in its spelling on disk.
    std::string fileName;
};

// Unix seconds and nanoseconds as a FILETIME.
constexpr uint64_t ToFileTime(int64_t seconds, int64_t nanoseconds = 0) {
    return static_cast<uint64_t>(seconds * 10000000 + nanoseconds / 100 + 116444736000000000LL);
}

// A directory search with Windows wildcard rules: the last path component is the pattern
// ("*", "?", "*.*" for every name, letters compared ignoring case), the folder before it is
// found ignoring case too. "." and ".." are never listed. Results come in name order.
class FileSearch {
public:
    // Null when nothing matches; otherwise the first match is in out.
    static std::unique_ptr<FileSearch> Start(std::string_view pattern, FindFileData& out);
    // False when no further match is left.
    bool Next(FindFileData& out);

private:
    std::vector<FindFileData> mResults;
    size_t mNext = 0;
};

}  // namespace platform::fs
