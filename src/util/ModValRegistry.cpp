#include "util/ModValRegistry.h"

#include "util/ModValMark.h"

namespace Vesk {

ModValRegistry& ModValRegistry::Instance() {
    // Never destroyed: marks of other translation units may leave it during exit.
    static ModValRegistry* registry = new ModValRegistry();
    return *registry;
}

void ModValRegistry::Register(ModValMark& mark) {
    std::lock_guard<std::mutex> lock(mMutex);
    mFiles[mark.File()].marks.emplace(PlaceKey(mark.Line(), mark.Order()), &mark);
}

void ModValRegistry::Unregister(const ModValMark& mark) {
    std::lock_guard<std::mutex> lock(mMutex);
    const auto file = mFiles.find(mark.File());
    if (file == mFiles.end()) {
        return;
    }
    auto& marks = file->second.marks;
    const auto [first, last] = marks.equal_range(PlaceKey(mark.Line(), mark.Order()));
    for (auto it = first; it != last; ++it) {
        if (it->second == &mark) {
            marks.erase(it);
            break;
        }
    }
    // A file without marks is never read again.
    if (marks.empty()) {
        mFiles.erase(file);
    }
}

void ModValRegistry::MarkUsed(const ModValMark& mark) {
    std::lock_guard<std::mutex> lock(mMutex);
    const auto file = mFiles.find(mark.File());
    if (file != mFiles.end()) {
        file->second.used = true;
    }
}

void ModValRegistry::SetIntConstant(std::string_view name, int32_t value) {
    std::lock_guard<std::mutex> lock(mMutex);
    mIntConstants.insert_or_assign(std::string(name), value);
}

std::optional<int32_t> ModValRegistry::FindIntConstant(std::string_view name) const {
    std::lock_guard<std::mutex> lock(mMutex);
    const auto it = mIntConstants.find(name);
    if (it == mIntConstants.end()) {
        return std::nullopt;
    }
    return it->second;
}

int64_t ModValRegistry::NewestSourceTime() const {
    std::lock_guard<std::mutex> lock(mMutex);
    return mNewestSourceTime;
}

bool ModValRegistry::TakeNewerSourceTime(int64_t seconds) {
    std::lock_guard<std::mutex> lock(mMutex);
    if (seconds <= mNewestSourceTime) {
        return false;
    }
    mNewestSourceTime = seconds;
    return true;
}

std::vector<ModValRegistry::UsedFile> ModValRegistry::UsedFiles() const {
    std::lock_guard<std::mutex> lock(mMutex);
    std::vector<UsedFile> files;
    for (const auto& [name, entry] : mFiles) {
        if (!entry.used) {
            continue;
        }
        UsedFile file{name, {}};
        for (const auto& [key, mark] : entry.marks) {
            if (file.marks.empty() || file.marks.back().line != key.first ||
                file.marks.back().order != key.second) {
                file.marks.push_back(MarkPlace{key.first, key.second});
            }
        }
        files.push_back(std::move(file));
    }
    return files;
}

bool ModValRegistry::Store(std::string_view file, MarkPlace place, int32_t intValue,
                           double floatValue, std::string_view text) {
    std::lock_guard<std::mutex> lock(mMutex);
    const auto entry = mFiles.find(file);
    if (entry == mFiles.end()) {
        return false;
    }
    const auto [first, last] = entry->second.marks.equal_range(PlaceKey(place.line, place.order));
    if (first == last) {
        return false;
    }
    for (auto it = first; it != last; ++it) {
        it->second->Store(intValue, floatValue, text);
    }
    entry->second.used = true;
    return true;
}

}  // namespace Vesk
