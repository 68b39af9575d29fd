#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SettingsStore.h"

namespace platform {

// The keys and values behind every settings store, without locking or saving.
class SettingsTree {
public:
    static constexpr size_t kMaxKeyNameLength = 255;
    static constexpr size_t kMaxValueNameLength = 16383;
    static constexpr size_t kMaxValueSize = size_t{1} << 20;

    struct Value {
        std::string name;  // as first set
        uint32_t type = 0;
        std::vector<uint8_t> data;
    };
    struct Key {
        std::string path;                     // each name as first created
        std::map<std::string, Value> values;  // by folded name
    };

    SettingsTree() { Clear(); }

    // ASCII upper case turned to lower case; other bytes are kept.
    static std::string Fold(std::string_view text);
    // "" (the root) or names of 1 to 255 bytes, without zero bytes, joined by "\".
    static bool IsValidKeyPath(std::string_view path);
    static bool IsValidValueName(std::string_view name);
    static bool IsValidValue(uint32_t type, size_t size);

    bool HasKey(std::string_view path) const;
    // Makes the key and every missing parent. False on an invalid path.
    bool CreateKey(std::string_view path);
    // The store's rule for opening a key: WriteOrCreate makes it, the others
    // need it to exist.
    SettingsResult OpenKey(std::string_view path, SettingsAccess access);

    SettingsResult Query(std::string_view path, std::string_view name, uint32_t& type, void* buffer,
                         size_t& size) const;
    // Makes the key when it is missing.
    SettingsResult Set(std::string_view path, std::string_view name, uint32_t type,
                       const void* data, size_t size);
    SettingsResult Delete(std::string_view path, std::string_view name);

    // Every key by folded path, parents before their children; the root is "".
    const std::map<std::string, Key>& Keys() const { return mKeys; }
    void Clear();

private:
    std::map<std::string, Key> mKeys;
};

}  // namespace platform
