#include "platform/posix/FileSettingsStore.h"

#include <cstring>
#include <mutex>
#include <set>

#include "platform/ByteOrder.h"
#include "platform/Debug.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"

namespace platform {

namespace {

// File layout, little-endian: "VSET", version, key count, then per key its path, value count
// and values (name, type, data), each text or data preceded by its byte count; last a CRC-32
// of everything before it.
constexpr uint8_t kMagic[4] = {'V', 'S', 'E', 'T'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 12;
constexpr size_t kCrcSize = 4;

// One lock for every file store: two stores on one file must not interleave their
// read-change-write cycles and lose a change.
std::mutex& FileMutex() {
    static std::mutex mutex;
    return mutex;
}

uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>(v >> shift));
    }
}

void PutBytes(std::vector<uint8_t>& out, const void* data, size_t size) {
    PutU32(out, static_cast<uint32_t>(size));
    const auto* bytes = static_cast<const uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

uint32_t GetU32(const uint8_t* p) {
    return LoadLittle32(p);
}

// Reads forward through the file and refuses to step past its end.
struct Cursor {
    const uint8_t* pos;
    size_t left;
};

bool ReadU32(Cursor& in, uint32_t& v) {
    if (in.left < 4) {
        return false;
    }
    v = GetU32(in.pos);
    in.pos += 4;
    in.left -= 4;
    return true;
}

bool ReadBlock(Cursor& in, size_t limit, const uint8_t*& data, size_t& size) {
    uint32_t n = 0;
    if (!ReadU32(in, n) || n > limit || n > in.left) {
        return false;
    }
    data = in.pos;
    size = n;
    in.pos += n;
    in.left -= n;
    return true;
}

std::string_view AsText(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace

FileSettingsStore::FileSettingsStore(std::string filePath) : mPath(std::move(filePath)) {
    std::lock_guard lock(FileMutex());
    // What a save killed while writing left beside the file.
    const size_t slash = mPath.find_last_of("/\\");
    if (slash != std::string::npos) {
        fs::RemoveDeadWritersFiles(mPath.substr(0, slash), mPath.substr(slash + 1));
    } else {
        fs::RemoveDeadWritersFiles(".", mPath);
    }
    Refresh();
}

std::vector<uint8_t> FileSettingsStore::Serialize(const SettingsTree& tree) {
    std::vector<uint8_t> out(kMagic, kMagic + sizeof(kMagic));
    PutU32(out, kVersion);
    PutU32(out, static_cast<uint32_t>(tree.Keys().size()));
    for (const auto& [folded, key] : tree.Keys()) {
        PutBytes(out, key.path.data(), key.path.size());
        PutU32(out, static_cast<uint32_t>(key.values.size()));
        for (const auto& [foldedName, value] : key.values) {
            PutBytes(out, value.name.data(), value.name.size());
            PutU32(out, value.type);
            PutBytes(out, value.data.data(), value.data.size());
        }
    }
    PutU32(out, Crc32(out.data(), out.size()));
    return out;
}

std::optional<SettingsTree> FileSettingsStore::Parse(const std::vector<uint8_t>& bytes,
                                                     std::string& error) {
    if (bytes.size() >= sizeof(kMagic) && std::memcmp(bytes.data(), kMagic, sizeof(kMagic)) != 0) {
        error = "not a settings file";
        return std::nullopt;
    }
    if (bytes.size() < kHeaderSize + kCrcSize) {
        error = "truncated (" + std::to_string(bytes.size()) + " bytes)";
        return std::nullopt;
    }
    uint32_t version = GetU32(bytes.data() + 4);
    if (version != kVersion) {
        error = "unsupported version " + std::to_string(version);
        return std::nullopt;
    }
    size_t bodySize = bytes.size() - kCrcSize;
    if (Crc32(bytes.data(), bodySize) != GetU32(bytes.data() + bodySize)) {
        error = "truncated or damaged (checksum mismatch)";
        return std::nullopt;
    }

    Cursor in{bytes.data() + 8, bodySize - 8};
    uint32_t keyCount = 0;
    ReadU32(in, keyCount);
    SettingsTree tree;
    std::set<std::string> listed;
    for (uint32_t k = 0; k < keyCount; ++k) {
        const uint8_t* pathData = nullptr;
        size_t pathSize = 0;
        uint32_t valueCount = 0;
        if (!ReadBlock(in, in.left, pathData, pathSize) || !ReadU32(in, valueCount)) {
            error = "damaged key record " + std::to_string(k);
            return std::nullopt;
        }
        std::string_view path = AsText(pathData, pathSize);
        if (!tree.CreateKey(path) || !listed.insert(SettingsTree::Fold(path)).second) {
            error = "invalid or repeated key \"" + std::string(path) + "\"";
            return std::nullopt;
        }
        for (uint32_t v = 0; v < valueCount; ++v) {
            const uint8_t* nameData = nullptr;
            const uint8_t* data = nullptr;
            size_t nameSize = 0;
            size_t dataSize = 0;
            uint32_t type = 0;
            if (!ReadBlock(in, SettingsTree::kMaxValueNameLength, nameData, nameSize) ||
                !ReadU32(in, type) || !ReadBlock(in, SettingsTree::kMaxValueSize, data, dataSize)) {
                error = "damaged value record under \"" + std::string(path) + "\"";
                return std::nullopt;
            }
            std::string_view name = AsText(nameData, nameSize);
            uint32_t oldType = 0;
            size_t none = 0;
            if (tree.Query(path, name, oldType, nullptr, none) != SettingsResult::NotFound ||
                tree.Set(path, name, type, data, dataSize) != SettingsResult::Ok) {
                error = "invalid or repeated value \"" + std::string(name) + "\" under \"" +
                        std::string(path) + "\"";
                return std::nullopt;
            }
        }
    }
    if (in.left != 0) {
        error = "unexpected data after the last key";
        return std::nullopt;
    }
    return tree;
}

void FileSettingsStore::Fail(std::string error) {
    if (mTrouble.path.empty()) {
        mTrouble.path = mPath;
        mTrouble.reason = error;
    }
    mLoadError = "Settings file \"" + mPath + "\": " + error + "; using empty settings";
    DebugOutput(mLoadError + "\n");
}

void FileSettingsStore::Refresh() {
    fs::FileRead read = fs::ReadFile(mPath, fs::kPlayerFileLimit);
    if (!read.Read()) {
        const FileState state = read.Missing() ? FileState::Missing : FileState::Unreadable;
        // Keys made in memory stay until the file itself changes.
        if (state != mState) {
            mState = state;
            mTree.Clear();
            mSeenBytes.clear();
            mLoadError.clear();
            if (state == FileState::Unreadable) {
                // Whatever it holds is the player's: it is not written over while we run.
                mLeftAlone = true;
                if (mTrouble.path.empty()) {
                    mTrouble.path = mPath;
                    mTrouble.reason = read.reason;
                }
                Fail("cannot be read (" + read.reason + ")");
            }
        }
        return;
    }
    if (mState == FileState::Read && read.bytes == mSeenBytes) {
        return;
    }
    mState = FileState::Read;
    mSeenBytes = std::move(read.bytes);
    mDamagedKept = false;
    std::string error;
    std::optional<SettingsTree> tree = Parse(mSeenBytes, error);
    if (tree) {
        mTree = std::move(*tree);
        mLoadError.clear();
    } else {
        mTree.Clear();
        Fail(error);
    }
}

bool FileSettingsStore::Save() {
    std::vector<uint8_t> bytes = Serialize(mTree);
    size_t slash = mPath.find_last_of("/\\");
    if (slash != std::string::npos && slash > 0) {
        fs::MakeDirectories(mPath.substr(0, slash));
    }
    if (mLeftAlone) {
        DebugOutput("Settings file \"" + mPath + "\" is left as it was; the change is not saved\n");
        return false;
    }
    // The damaged file the player had goes aside before the first save replaces it; when no
    // copy can be made, the file stays as it is.
    if (!mLoadError.empty() && mState == FileState::Read && !mSeenBytes.empty() && !mDamagedKept) {
        const std::string kept = fs::KeepDamagedCopy(mPath, mSeenBytes);
        mDamagedKept = !kept.empty();
        if (mTrouble.kept.empty()) {
            mTrouble.kept = kept;
        }
        DebugOutput("Settings file \"" + mPath + "\" " +
                    (kept.empty() ? "could not be kept aside" : "kept as \"" + kept + "\"") + "\n");
        if (kept.empty()) {
            mLeftAlone = true;
            return false;
        }
    }
    if (!fs::WriteWholeFileAtomic(mPath, bytes.data(), bytes.size())) {
        DebugOutput("Settings file \"" + mPath + "\" could not be saved\n");
        return false;
    }
    if (!mLoadError.empty()) {
        DebugOutput("Settings file \"" + mPath + "\" replaced by the current settings\n");
        mLoadError.clear();
    }
    mState = FileState::Read;
    mSeenBytes = std::move(bytes);
    return true;
}

std::string FileSettingsStore::LoadError() const {
    std::lock_guard lock(FileMutex());
    return mLoadError;
}

SettingsTrouble FileSettingsStore::Trouble() const {
    std::lock_guard lock(FileMutex());
    SettingsTrouble trouble = mTrouble;
    trouble.leftAlone = !trouble.path.empty() && mLeftAlone;
    return trouble;
}

SettingsResult FileSettingsStore::Open(std::string_view path, SettingsAccess access, Key& key) {
    Close(key);
    if (!SettingsTree::IsValidKeyPath(path)) {
        return SettingsResult::InvalidArgument;  // without reading the file
    }
    std::lock_guard lock(FileMutex());
    Refresh();
    const SettingsResult result = mTree.OpenKey(path, access);
    if (result == SettingsResult::Ok) {
        key = MakeKey(std::string(path), access);
    }
    return result;
}

SettingsResult FileSettingsStore::Query(const Key& key, std::string_view name, uint32_t& type,
                                        void* buffer, size_t& size) {
    const std::string* path = PathOf(key);
    if (!path) {
        return SettingsResult::InvalidArgument;
    }
    std::lock_guard lock(FileMutex());
    Refresh();
    return mTree.Query(*path, name, type, buffer, size);
}

SettingsResult FileSettingsStore::Set(const Key& key, std::string_view name, uint32_t type,
                                      const void* data, size_t size) {
    return Change(key,
                  [&](const std::string& path) { return mTree.Set(path, name, type, data, size); });
}

SettingsResult FileSettingsStore::Delete(const Key& key, std::string_view name) {
    return Change(key, [&](const std::string& path) { return mTree.Delete(path, name); });
}

SettingsResult FileSettingsStore::Change(
    const Key& key, const std::function<SettingsResult(const std::string& path)>& change) {
    const std::string* path = PathOf(key);
    if (!path) {
        return SettingsResult::InvalidArgument;
    }
    if (!CanWrite(key)) {
        return SettingsResult::AccessDenied;
    }
    std::lock_guard lock(FileMutex());
    Refresh();
    SettingsTree before = mTree;
    SettingsResult result = change(*path);
    if (result == SettingsResult::Ok && !Save()) {
        mTree = std::move(before);
        return SettingsResult::IoError;
    }
    return result;
}

std::unique_ptr<SettingsStore> MakeFileSettingsStore(std::string_view folder) {
    std::string native = fs::NativePath(folder);
    while (!native.empty() && native.back() == '/') {
        native.pop_back();
    }
    if (native.empty() || native.front() == '/') {
        return nullptr;
    }
    for (size_t start = 0; start <= native.size();) {
        size_t end = native.find('/', start);
        if (end == std::string::npos) {
            end = native.size();
        }
        if (native.compare(start, end - start, "..") == 0) {
            return nullptr;
        }
        start = end + 1;
    }
    return std::make_unique<FileSettingsStore>(ConfigHomeFolder() + native + "/settings.dat");
}

}  // namespace platform
