#include "platform/ProfileFiles.h"

#include <algorithm>
#include <optional>

#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"

namespace platform::fs {

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32 || c == 127;
    });
}

std::vector<std::string> ListNamesEndingIn(std::string_view folder, std::string_view suffix) {
    std::vector<std::string> names;
    const std::string upperSuffix = text::UpperCp1252(suffix);
    for (DirEntry& entry : List(folder)) {
        if (entry.name.size() < suffix.size() ||
            text::UpperCp1252(
                std::string_view(entry.name).substr(entry.name.size() - suffix.size())) !=
                upperSuffix) {
            continue;
        }
        names.push_back(std::move(entry.name));
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string upperA = text::UpperCp1252(a);
        const std::string upperB = text::UpperCp1252(b);
        return upperA != upperB ? upperA < upperB : a < b;
    });
    return names;
}

std::string PathInFolder(std::string_view folder, std::string_view name) {
    if (!IsPlainFileName(name)) {
        return std::string();
    }
    const std::string wanted = text::UpperCp1252(name);
    std::optional<std::string> found;
    // List sorts by name, so the first match is the smallest.
    for (const DirEntry& entry : List(folder)) {
        if (text::UpperCp1252(entry.name) == wanted) {
            found = entry.name;
            break;
        }
    }
    return std::string(folder) + (found ? *found : std::string(name));
}

bool CreateEmptyFile(std::string_view path) {
    return !IsDirectory(path) && WriteWholeFileAtomic(path, nullptr, 0);
}

}  // namespace platform::fs
