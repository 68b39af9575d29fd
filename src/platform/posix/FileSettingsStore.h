#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/SettingsStore.h"
#include "platform/SettingsTree.h"

namespace platform {

// Settings kept in one file that is rewritten whole, through a temporary file and a rename,
// on every change, so a crash while saving keeps either the old or the new file.
//
// Every call first rereads the file, so stores on the same file (in this process or another)
// see each other's changes. An unreadable or damaged file reads as empty and stays on disk
// until a value is set, when a damaged one's bytes are first kept as "settings.dat.damaged"
// (".damaged.2" and so on beside earlier ones); LoadError tells what is wrong with it now, and
// Trouble what was first found wrong this run. A file
// that cannot be read, or whose damaged bytes cannot be kept, is never written: changes then
// fail with IoError.
class FileSettingsStore : public SettingsStore {
public:
    explicit FileSettingsStore(std::string filePath);

    SettingsResult Open(std::string_view path, SettingsAccess access, Key& key) override;
    SettingsResult Query(const Key& key, std::string_view name, uint32_t& type, void* buffer,
                         size_t& size) override;
    SettingsResult Set(const Key& key, std::string_view name, uint32_t type, const void* data,
                       size_t size) override;
    SettingsResult Delete(const Key& key, std::string_view name) override;

    const std::string& FilePath() const { return mPath; }
    // Why the file could not be used, or "" when it loaded (or does not exist yet).
    std::string LoadError() const;
    SettingsTrouble Trouble() const override;

    // The file contents for a tree, and the way back. Parse gives an empty optional and an
    // error text for anything short, damaged or of another version.
    static std::vector<uint8_t> Serialize(const SettingsTree& tree);
    static std::optional<SettingsTree> Parse(const std::vector<uint8_t>& bytes, std::string& error);

private:
    enum class FileState { Unknown, Missing, Unreadable, Read };

    void Refresh();
    bool Save();
    // Runs a change to the key's values when the key allows it and saves it; a change that
    // cannot be saved is undone.
    SettingsResult Change(const Key& key,
                          const std::function<SettingsResult(const std::string& path)>& change);
    void Fail(std::string error);

    std::string mPath;
    SettingsTree mTree;
    FileState mState = FileState::Unknown;
    std::vector<uint8_t> mSeenBytes;  // the file as last read or written
    std::string mLoadError;
    // The first trouble this run; it stays after the file is replaced.
    SettingsTrouble mTrouble;
    // The damaged bytes last read have a copy beside the file.
    bool mDamagedKept = false;
    // The file could not be read, or its damaged bytes could not be kept aside: it is never
    // written by this store.
    bool mLeftAlone = false;
};

}  // namespace platform
