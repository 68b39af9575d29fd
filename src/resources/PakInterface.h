#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSearch.h"

namespace platform::fs {
class MappedFile;
}

// Archive format, all integers little-endian, every byte stored XORed with kScrambleByte:
//   u32 magic 0xBAC04AC0, u32 version 0, then directory entries
//   { u8 flags, u8 name length n, n name bytes, u32 size, u64 FILETIME },
// ended by a flags byte with bit 0x80; then the entries' data back to back in directory order.
// Names are relative paths with '\' separators. tools/pak writes this format.

// One registered archive, mapped whole and kept until the process ends.
struct PakCollection {
    std::unique_ptr<platform::fs::MappedFile> mFile;
    // The mapped bytes, still scrambled.
    const uint8_t* mData = nullptr;
    size_t mSize = 0;
};

// One archive entry; its bytes lie inside its collection's mapping.
struct PakRecord {
    PakCollection* mCollection = nullptr;
    // As stored in the archive.
    std::string mFileName;
    uint64_t mFileTime = 0;
    int64_t mStartPos = 0;
    int64_t mSize = 0;
};

// An open file: an archive entry (mRecord set) or a disk file (mFP set).
struct PakFileHandle {
    PakRecord* mRecord = nullptr;
    // 0 <= position <= the entry's size.
    int64_t mPos = 0;
    std::FILE* mFP = nullptr;
    // Disk files opened in a text mode drop carriage returns in GetChar and GetLine, as the
    // archive entries do.
    bool mTextMode = false;
};

// A search in progress: archive keys first, in key order, then the disk.
struct PakFindData {
    std::unique_ptr<platform::fs::FileSearch> mSearch;
    // The key last returned; an entry may have the empty name, hence the flag.
    std::string mLastFind;
    bool mArchiveStarted = false;
    std::string mFindCriteria;
};

class PakInterfaceBase {
public:
    PakInterfaceBase() = default;
    virtual ~PakInterfaceBase() = default;
    PakInterfaceBase(const PakInterfaceBase&) = delete;
    PakInterfaceBase& operator=(const PakInterfaceBase&) = delete;

    virtual PakFileHandle* Open(const std::string& path, const std::string& mode) = 0;
    virtual int Close(PakFileHandle* handle) = 0;
    virtual int Seek(PakFileHandle* handle, long offset, int origin) = 0;
    virtual long Tell(PakFileHandle* handle) = 0;
    virtual size_t Read(void* buffer, size_t elementSize, size_t count, PakFileHandle* handle) = 0;
    virtual int GetChar(PakFileHandle* handle) = 0;
    virtual int UngetChar(int c, PakFileHandle* handle) = 0;
    virtual char* GetLine(char* buffer, int size, PakFileHandle* handle) = 0;
    virtual bool AtEnd(PakFileHandle* handle) = 0;
    virtual PakFindData* FindFirst(const std::string& pattern, platform::fs::FindFileData* out) = 0;
    virtual bool FindNext(PakFindData* search, platform::fs::FindFileData* out) = 0;
    virtual bool FindClose(PakFindData* search) = 0;
};

// The one archive reader of the process: entries of registered archives are served before
// files on disk, for the read modes "r", "rb" and "rt"; every other mode goes to the disk.
// Threads: archives are registered on the main thread during start-up, before the loading
// thread runs; afterwards the tables are only read. A handle is used by one thread at a time.
class PakInterface : public PakInterfaceBase {
public:
    static constexpr uint32_t kMagic = 0xBAC04AC0;
    static constexpr uint32_t kVersion = 0;
    static constexpr uint8_t kScrambleByte = 0xF7;
    static constexpr uint8_t kEndOfDirectory = 0x80;

    // The first one constructed in the process becomes the published one.
    PakInterface();
    ~PakInterface() override;

    // Registers an archive whole or not at all: a missing file, a bad magic or version, a
    // directory cut short, or an entry running past the file is refused, and GetErrorText
    // then names the file and the reason. A later archive's entry replaces an earlier one of
    // the same name.
    bool AddPakFile(const std::string& path);
    const std::string& GetErrorText() const { return mErrorText; }

    // Each byte a to z becomes A to Z; every other byte stays.
    static std::string UpperCase(std::string_view text);
    // The archive key of a request: relative to the current directory when it starts with it,
    // separators as single '\', ".." folded, upper case.
    static std::string NormalizePath(std::string_view path);

    // Null when neither an archive nor the disk has the file.
    PakFileHandle* Open(const std::string& path, const std::string& mode) override;
    // Frees the handle; 0.
    int Close(PakFileHandle* handle) override;
    // Origins 0 (start), 1 (current), 2 (back from the end: size - offset). An entry's
    // position is clamped into 0..size; 0.
    int Seek(PakFileHandle* handle, long offset, int origin) override;
    long Tell(PakFileHandle* handle) override;
    // Whole elements read; a final partial element is copied but not counted.
    size_t Read(void* buffer, size_t elementSize, size_t count, PakFileHandle* handle) override;
    // The next byte (0..255), or -1 at the end.
    int GetChar(PakFileHandle* handle) override;
    // An entry steps back one byte (not below 0) and reads it again; returns c.
    int UngetChar(int c, PakFileHandle* handle) override;
    // Up to size - 1 bytes, through the line feed; null at the end or when size < 1.
    char* GetLine(char* buffer, int size, PakFileHandle* handle) override;
    bool AtEnd(PakFileHandle* handle) override;
    // Null when nothing matches. Archive keys match only patterns with a '*'.
    PakFindData* FindFirst(const std::string& pattern, platform::fs::FindFileData* out) override;
    bool FindNext(PakFindData* search, platform::fs::FindFileData* out) override;
    // Frees the search; true.
    bool FindClose(PakFindData* search) override;

private:
    bool Refuse(const std::string& path, const std::string& reason);
    bool FindInArchive(PakFindData* search, platform::fs::FindFileData* out);

    std::list<PakCollection> mPakCollectionList;
    // Keyed by the upper-cased entry name, in byte order.
    std::map<std::string, PakRecord> mPakRecordMap;
    std::string mErrorText;
};

// The published reader, or null before one is constructed.
PakInterface* GetPublishedPakInterface();

namespace Vesk {

// Never null: the reader is a static object, so start-up can always register archives.
extern PakInterface* gPakInterface;

}  // namespace Vesk

// The wrappers every reader uses. They forward to the published reader, and without one use
// the disk directly, so callers always hold a PakFileHandle.

// Null when the file cannot be opened. Paths may use either separator. "rb" and the text
// modes "r" and "rt" look in the archives first.
PakFileHandle* PakOpenFile(const std::string& path, const char* mode = "rb");
// Frees the handle; 0 on success.
int PakCloseFile(PakFileHandle* handle);
// Origins: 0 from the start, 1 from the current position, 2 from the end. 0 on success.
int PakSeekFile(PakFileHandle* handle, long offset, int origin);
// The position in bytes, or -1.
long PakTellFile(PakFileHandle* handle);
// The number of whole elements read.
size_t PakReadFile(void* buffer, size_t elementSize, size_t count, PakFileHandle* handle);
// The next byte, or -1 at the end.
int PakGetChar(PakFileHandle* handle);
int PakUngetChar(int c, PakFileHandle* handle);
bool PakAtEnd(PakFileHandle* handle);

// The most bytes a file read whole may hold. No picture, sound or music of ours comes near
// it; it bounds what a bad name can take.
inline constexpr long kMaxWholeFileBytes = 256L << 20;

// Reads a file whole through the archives, for the loaders that decode from memory. Nothing
// when the file is missing (error left empty) or when it exists but is larger than
// kMaxWholeFileBytes or can't be read to its end (error then "<path>: cannot be read").
[[nodiscard]] std::optional<std::vector<uint8_t>> PakReadWholeFile(const std::string& path,
                                                                   std::string& error);
