#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

// The per-user settings store: hierarchical keys such as "SOFTWARE\company\product" under one
// root, each holding named values. Key and value names compare case-insensitively (ASCII) and
// keep the case they were created with. Every store is safe to use from several threads.
namespace platform {

// Value type codes. They keep the registry's numbers because demos record them.
inline constexpr uint32_t kSettingsText = 1;     // text bytes including the final zero byte
inline constexpr uint32_t kSettingsBinary = 3;   // any bytes
inline constexpr uint32_t kSettingsInteger = 4;  // exactly 4 bytes, little-endian

enum class SettingsAccess {
    Read,           // the key must exist; values can only be queried
    Write,          // the key must exist
    WriteOrCreate,  // makes the key and any missing parent
};

enum class SettingsResult {
    Ok,
    NotFound,         // no such key or value
    TooSmall,         // the caller's buffer is smaller than the value; the size says how big
    AccessDenied,     // a change through a key opened for reading
    InvalidArgument,  // bad name or path, closed or foreign key, bad value size
    IoError,          // the change could not be saved; nothing changed
};

// What a store found wrong with the file behind it, the first time it did.
struct SettingsTrouble {
    // Empty when nothing was wrong.
    std::string path;
    // "cannot be read (Permission denied)", "truncated (9 bytes)".
    std::string reason;
    // The file is never written by this store.
    bool leftAlone = false;
    // Where the damaged bytes were kept; empty until they were.
    std::string kept;
};

class SettingsStore {
public:
    // An open key. It holds no resources: closing it only makes it unusable.
    class Key {
    public:
        bool IsOpen() const { return mStore != nullptr; }

    private:
        friend class SettingsStore;
        const SettingsStore* mStore = nullptr;
        std::string mPath;
        SettingsAccess mAccess = SettingsAccess::Read;
    };

    virtual ~SettingsStore() = default;

    // Paths use "\" between key names of 1 to 255 bytes; "" is the root. Read and Write fail with
    // NotFound when the key is missing. A key made by WriteOrCreate alone is saved with the next
    // change.
    virtual SettingsResult Open(std::string_view path, SettingsAccess access, Key& key) = 0;

    // On entry size is the buffer's capacity (buffer may be null when it is 0). Ok: the value
    // is copied and size is its length. TooSmall: type and the needed size are reported and
    // the buffer is left untouched. NotFound leaves type and size alone.
    virtual SettingsResult Query(const Key& key, std::string_view name, uint32_t& type,
                                 void* buffer, size_t& size) = 0;
    // Replaces or adds a value. Names are at most 16383 bytes and values at most 1 MiB.
    virtual SettingsResult Set(const Key& key, std::string_view name, uint32_t type,
                               const void* data, size_t size) = 0;
    virtual SettingsResult Delete(const Key& key, std::string_view name) = 0;
    // Safe from any thread; nothing for a store without a file.
    virtual SettingsTrouble Trouble() const { return {}; }

    void Close(Key& key) { key = Key(); }

protected:
    Key MakeKey(std::string path, SettingsAccess access) const {
        Key key;
        key.mStore = this;
        key.mPath = std::move(path);
        key.mAccess = access;
        return key;
    }
    // The key's path when it is open on this store, else null.
    const std::string* PathOf(const Key& key) const {
        return key.mStore == this ? &key.mPath : nullptr;
    }
    static bool CanWrite(const Key& key) { return key.mAccess != SettingsAccess::Read; }
};

// Settings kept in memory only, for tests and headless runs.
std::unique_ptr<SettingsStore> MakeMemorySettingsStore();

// Settings kept in "settings.dat" inside the given folder of the user's configuration folder,
// for example "company/product". Null when the folder is absolute or climbs out with "..".
std::unique_ptr<SettingsStore> MakeFileSettingsStore(std::string_view folder);

}  // namespace platform
