#include "util/CommonPath.h"

#include <algorithm>
#include <vector>

#include "platform/FileSystem.h"

namespace Vesk {

namespace {

constexpr std::string_view kSeparators = "\\/";

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

}  // namespace

std::string GetFileName(std::string_view path) {
    const size_t sep = path.find_last_of(kSeparators);
    const size_t begin = sep == std::string_view::npos ? 0 : sep + 1;
    const size_t dot = path.rfind('.');
    const size_t end = (dot != std::string_view::npos && dot >= begin) ? dot : path.size();
    return std::string(path.substr(begin, end - begin));
}

std::string GetFileDir(std::string_view path) {
    const size_t sep = path.find_last_of(kSeparators);
    return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep));
}

std::string RemoveTrailingSlash(std::string_view path) {
    if (!path.empty() && IsSeparator(path.back())) {
        path.remove_suffix(1);
    }
    return std::string(path);
}

std::string AddTrailingSlash(std::string_view path) {
    std::string result(path);
    if (!result.empty() && !IsSeparator(result.back())) {
        result.push_back('\\');
    }
    return result;
}

std::string ResolveRelativePath(std::string_view relative, std::string_view directory) {
    if (relative.size() >= 2 && relative[1] == ':') {
        return std::string(relative);
    }

    const bool backslash = relative.find('\\') != std::string_view::npos ||
                           directory.find('\\') != std::string_view::npos;
    const char sep = backslash ? '\\' : '/';

    std::string drive;
    std::string dir(directory);
    if (dir.size() >= 2 && dir[1] == ':') {
        drive = dir.substr(0, 2);
        dir.erase(0, 2);
    }
    if (!dir.empty() && !IsSeparator(dir.back())) {
        dir.push_back(sep);
    }

    // Only the leading "." and ".." segments and the first name after them are folded.
    std::string_view rest = relative;
    while (!dir.empty()) {
        const size_t cut = rest.find_first_of(kSeparators);
        if (cut == std::string_view::npos) {
            break;
        }
        const std::string_view segment = rest.substr(0, cut);
        rest.remove_prefix(cut + 1);

        if (segment == "..") {
            // The directory ends in a separator here; its last component lies before it.
            const size_t finalSep = dir.size() - 1;
            const size_t prevSep =
                finalSep == 0 ? std::string::npos : dir.find_last_of(kSeparators, finalSep - 1);
            const size_t start = prevSep == std::string::npos ? 0 : prevSep + 1;
            const std::string_view component =
                std::string_view(dir).substr(start, finalSep - start);
            if (component == "..") {
                dir += "..";
                dir.push_back(sep);
            } else if (dir.size() > 1) {
                dir.erase(start);
            }  // else the directory is the root alone, and nothing lies above it
        } else if (segment == ".") {
            continue;
        } else if (segment.empty()) {
            dir.assign(1, sep);
            break;
        } else {
            dir.append(segment);
            dir.push_back(sep);
            break;
        }
    }

    std::string result = drive + dir + std::string(rest);
    std::replace(result.begin(), result.end(), backslash ? '/' : '\\', sep);
    return result;
}

int64_t GetFileDate(std::string_view path) {
    const size_t sep = path.find_last_of(kSeparators);
    const std::string_view name = sep == std::string_view::npos ? path : path.substr(sep + 1);
    if (name.find_first_of("*?") == std::string_view::npos) {
        return platform::fs::ModTime(path);
    }

    const std::string folder(sep == std::string_view::npos ? std::string_view()
                                                           : path.substr(0, sep + 1));
    const std::vector<platform::fs::DirEntry> matches = platform::fs::List(folder, name);
    return matches.empty() ? 0 : platform::fs::ModTime(folder + matches.front().name);
}

bool DeleteTree(std::string_view directory) {
    if (directory.size() < 2 || !platform::fs::IsDirectory(directory)) {
        return false;
    }
    // Removes links themselves rather than what they point to.
    return platform::fs::RemoveTree(directory);
}

void MakeDirectories(std::string_view path) {
    // Every prefix that ends just before a separator, then the whole path; folders that exist
    // already, and prefixes such as a drive, simply fail and are passed over.
    for (size_t i = 1; i < path.size(); ++i) {
        if (IsSeparator(path[i]) && !IsSeparator(path[i - 1])) {
            platform::fs::MakeDirectory(path.substr(0, i));
        }
    }
    if (!path.empty()) {
        platform::fs::MakeDirectory(path);
    }
}

}  // namespace Vesk
