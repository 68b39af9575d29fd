#pragma once

#include <mutex>

#include "platform/SettingsStore.h"
#include "platform/SettingsTree.h"

namespace platform {

// Settings that live as long as the store, for tests and headless runs.
class MemorySettingsStore : public SettingsStore {
public:
    SettingsResult Open(std::string_view path, SettingsAccess access, Key& key) override;
    SettingsResult Query(const Key& key, std::string_view name, uint32_t& type, void* buffer,
                         size_t& size) override;
    SettingsResult Set(const Key& key, std::string_view name, uint32_t type, const void* data,
                       size_t size) override;
    SettingsResult Delete(const Key& key, std::string_view name) override;

private:
    std::mutex mMutex;
    SettingsTree mTree;
};

}  // namespace platform
