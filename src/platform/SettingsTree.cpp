#include "platform/SettingsTree.h"

#include <cstring>

namespace platform {

std::string SettingsTree::Fold(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

bool SettingsTree::IsValidKeyPath(std::string_view path) {
    if (path.empty()) {
        return true;
    }
    size_t start = 0;
    while (true) {
        size_t end = path.find('\\', start);
        std::string_view name =
            path.substr(start, end == std::string_view::npos ? end : end - start);
        if (name.empty() || name.size() > kMaxKeyNameLength ||
            name.find('\0') != std::string_view::npos) {
            return false;
        }
        if (end == std::string_view::npos) {
            return true;
        }
        start = end + 1;
    }
}

bool SettingsTree::IsValidValueName(std::string_view name) {
    return name.size() <= kMaxValueNameLength && name.find('\0') == std::string_view::npos;
}

bool SettingsTree::IsValidValue(uint32_t type, size_t size) {
    if (size > kMaxValueSize) {
        return false;
    }
    return type != kSettingsInteger || size == 4;
}

void SettingsTree::Clear() {
    mKeys.clear();
    mKeys.emplace("", Key{});
}

bool SettingsTree::HasKey(std::string_view path) const {
    return mKeys.count(Fold(path)) != 0;
}

bool SettingsTree::CreateKey(std::string_view path) {
    if (!IsValidKeyPath(path)) {
        return false;
    }
    if (path.empty()) {
        return true;
    }
    // Walk down from the root so existing parents keep their case.
    std::string folded = Fold(path);
    std::string parentPath;
    size_t start = 0;
    while (true) {
        size_t end = path.find('\\', start);
        size_t stop = end == std::string_view::npos ? path.size() : end;
        auto [it, added] = mKeys.try_emplace(folded.substr(0, stop));
        if (added) {
            it->second.path =
                parentPath.empty()
                    ? std::string(path.substr(start, stop - start))
                    : parentPath + "\\" + std::string(path.substr(start, stop - start));
        }
        if (end == std::string_view::npos) {
            return true;
        }
        parentPath = it->second.path;
        start = end + 1;
    }
}

SettingsResult SettingsTree::OpenKey(std::string_view path, SettingsAccess access) {
    if (!IsValidKeyPath(path)) {
        return SettingsResult::InvalidArgument;
    }
    if (access == SettingsAccess::WriteOrCreate) {
        CreateKey(path);
    } else if (!HasKey(path)) {
        return SettingsResult::NotFound;
    }
    return SettingsResult::Ok;
}

SettingsResult SettingsTree::Query(std::string_view path, std::string_view name, uint32_t& type,
                                   void* buffer, size_t& size) const {
    if (buffer == nullptr && size != 0) {
        return SettingsResult::InvalidArgument;
    }
    auto key = mKeys.find(Fold(path));
    if (key == mKeys.end()) {
        return SettingsResult::NotFound;
    }
    auto value = key->second.values.find(Fold(name));
    if (value == key->second.values.end()) {
        return SettingsResult::NotFound;
    }
    const std::vector<uint8_t>& data = value->second.data;
    type = value->second.type;
    if (data.size() > size) {
        size = data.size();
        return SettingsResult::TooSmall;
    }
    if (!data.empty()) {
        std::memcpy(buffer, data.data(), data.size());
    }
    size = data.size();
    return SettingsResult::Ok;
}

SettingsResult SettingsTree::Set(std::string_view path, std::string_view name, uint32_t type,
                                 const void* data, size_t size) {
    if (!IsValidKeyPath(path) || !IsValidValueName(name) || !IsValidValue(type, size) ||
        (data == nullptr && size != 0)) {
        return SettingsResult::InvalidArgument;
    }
    CreateKey(path);
    Key& key = mKeys[Fold(path)];
    auto [it, added] = key.values.try_emplace(Fold(name));
    if (added) {
        it->second.name = std::string(name);
    }
    it->second.type = type;
    const auto* bytes = static_cast<const uint8_t*>(data);
    it->second.data.assign(bytes, bytes + size);
    return SettingsResult::Ok;
}

SettingsResult SettingsTree::Delete(std::string_view path, std::string_view name) {
    auto key = mKeys.find(Fold(path));
    if (key == mKeys.end()) {
        return SettingsResult::NotFound;
    }
    return key->second.values.erase(Fold(name)) != 0 ? SettingsResult::Ok
                                                     : SettingsResult::NotFound;
}

}  // namespace platform
