#include "platform/FileSearch.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/FileSystem.h"

namespace platform::fs {

std::unique_ptr<FileSearch> FileSearch::Start(std::string_view pattern, FindFileData& out) {
    const std::string native = NativePath(pattern);
    const size_t slash = native.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : native.substr(0, slash);
    const std::string namePattern = slash == std::string::npos ? native : native.substr(slash + 1);
    if (namePattern.empty()) {
        return nullptr;
    }

    auto search = std::unique_ptr<FileSearch>(new FileSearch);
    for (const DirEntry& entry : List(folder, namePattern)) {
        struct stat st {};
        const std::string full = folder + "/" + entry.name;
        if (stat(full.c_str(), &st) != 0 && lstat(full.c_str(), &st) != 0) {
            continue;
        }
        FindFileData data;
        data.attributes = S_ISDIR(st.st_mode) ? kFileAttributeDirectory : 0;
        data.creationTime = ToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
        data.lastAccessTime = ToFileTime(st.st_atim.tv_sec, st.st_atim.tv_nsec);
        data.lastWriteTime = data.creationTime;
        const auto size = static_cast<uint64_t>(S_ISDIR(st.st_mode) ? 0 : st.st_size);
        data.fileSizeHigh = static_cast<uint32_t>(size >> 32);
        data.fileSizeLow = static_cast<uint32_t>(size);
        data.fileName = entry.name;
        search->mResults.push_back(std::move(data));
    }
    if (!search->Next(out)) {
        return nullptr;
    }
    return search;
}

bool FileSearch::Next(FindFileData& out) {
    if (mNext >= mResults.size()) {
        return false;
    }
    out = mResults[mNext++];
    return true;
}

}  // namespace platform::fs
