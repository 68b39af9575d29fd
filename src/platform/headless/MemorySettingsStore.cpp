#include "platform/headless/MemorySettingsStore.h"

namespace platform {

SettingsResult MemorySettingsStore::Open(std::string_view path, SettingsAccess access, Key& key) {
    Close(key);
    std::lock_guard lock(mMutex);
    const SettingsResult result = mTree.OpenKey(path, access);
    if (result == SettingsResult::Ok) {
        key = MakeKey(std::string(path), access);
    }
    return result;
}

SettingsResult MemorySettingsStore::Query(const Key& key, std::string_view name, uint32_t& type,
                                          void* buffer, size_t& size) {
    const std::string* path = PathOf(key);
    if (!path) {
        return SettingsResult::InvalidArgument;
    }
    std::lock_guard lock(mMutex);
    return mTree.Query(*path, name, type, buffer, size);
}

SettingsResult MemorySettingsStore::Set(const Key& key, std::string_view name, uint32_t type,
                                        const void* data, size_t size) {
    const std::string* path = PathOf(key);
    if (!path) {
        return SettingsResult::InvalidArgument;
    }
    if (!CanWrite(key)) {
        return SettingsResult::AccessDenied;
    }
    std::lock_guard lock(mMutex);
    return mTree.Set(*path, name, type, data, size);
}

SettingsResult MemorySettingsStore::Delete(const Key& key, std::string_view name) {
    const std::string* path = PathOf(key);
    if (!path) {
        return SettingsResult::InvalidArgument;
    }
    if (!CanWrite(key)) {
        return SettingsResult::AccessDenied;
    }
    std::lock_guard lock(mMutex);
    return mTree.Delete(*path, name);
}

std::unique_ptr<SettingsStore> MakeMemorySettingsStore() {
    return std::make_unique<MemorySettingsStore>();
}

}  // namespace platform
