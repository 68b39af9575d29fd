#include "resources/PakInterface.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <span>
#include <vector>

#include "platform/Debug.h"
#include "platform/FileSystem.h"
#include "platform/MappedFile.h"
#include "util/ByteReader.h"

namespace {

PakInterface* gPublished = nullptr;

char UpperByte(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsArchiveMode(std::string_view mode) {
    const std::string upper = PakInterface::UpperCase(mode);
    return upper == "R" || upper == "RB" || upper == "RT";
}

// The runtime library knows no 't'; without 'b' the mode is a text mode.
std::string DiskMode(std::string_view mode) {
    std::string out;
    for (const char c : mode) {
        if (c != 't' && c != 'T') {
            out.push_back(c);
        }
    }
    return out;
}

PakFileHandle* OpenDisk(const std::string& path, const std::string& mode) {
    const std::string native = platform::fs::NativePath(path);
    // The C library opens a folder for reading too, and every read of it then fails.
    if (platform::fs::IsDirectory(native)) {
        return nullptr;
    }
    std::FILE* file = std::fopen(native.c_str(), DiskMode(mode).c_str());
    if (file == nullptr) {
        return nullptr;
    }
    const bool text = mode.find_first_of("bB") == std::string::npos;
    return new PakFileHandle{nullptr, 0, file, text};
}

int DiskWhence(int origin) {
    return origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : -1;
}

int DiskGetChar(PakFileHandle* handle) {
    int c = std::fgetc(handle->mFP);
    while (handle->mTextMode && c == '\r') {
        c = std::fgetc(handle->mFP);
    }
    return c;
}

char* DiskGetLine(char* buffer, int size, PakFileHandle* handle) {
    int stored = 0;
    while (stored < size - 1) {
        const int c = DiskGetChar(handle);
        if (c < 0) {
            break;
        }
        buffer[stored++] = static_cast<char>(c);
        if (c == '\n') {
            break;
        }
    }
    buffer[stored] = '\0';
    return stored == 0 ? nullptr : buffer;
}

int64_t EntryLeft(const PakFileHandle* handle) {
    return std::max<int64_t>(0, handle->mRecord->mSize - handle->mPos);
}

const uint8_t* EntryBytes(const PakFileHandle* handle) {
    return handle->mRecord->mCollection->mData + handle->mRecord->mStartPos;
}

// Archive bytes are stored scrambled; this loop is the whole cost of a read.
void Descramble(uint8_t* dest, const uint8_t* src, size_t count) {
    constexpr uint64_t kKey = 0x0101010101010101ULL * PakInterface::kScrambleByte;
    size_t i = 0;
    // Four words at a time, which the compiler turns into vector operations.
    for (; i + 32 <= count; i += 32) {
        uint64_t words[4];
        std::memcpy(words, src + i, sizeof(words));
        for (uint64_t& word : words) {
            word ^= kKey;
        }
        std::memcpy(dest + i, words, sizeof(words));
    }
    for (; i < count; ++i) {
        dest[i] = src[i] ^ PakInterface::kScrambleByte;
    }
}

int EntryGetChar(PakFileHandle* handle) {
    const uint8_t* bytes = EntryBytes(handle);
    while (handle->mPos < handle->mRecord->mSize) {
        const uint8_t c = bytes[handle->mPos++] ^ PakInterface::kScrambleByte;
        if (c != '\r') {
            return c;
        }
    }
    return -1;
}

}  // namespace

PakInterface* GetPublishedPakInterface() {
    return gPublished;
}

PakInterface::PakInterface() {
    if (gPublished == nullptr) {
        gPublished = this;
    }
}

PakInterface::~PakInterface() {
    if (gPublished == this) {
        gPublished = nullptr;
    }
}

std::string PakInterface::UpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = UpperByte(c);
    }
    return out;
}

std::string PakInterface::NormalizePath(std::string_view path) {
    // An absolute path inside the current directory becomes relative to it.
    if ((path.size() >= 2 && path[1] == ':') || (!path.empty() && IsSeparator(path[0]))) {
        const std::string prefix = platform::fs::CurrentDirectory() + "/";
        bool inside = prefix.size() > 1 && path.size() >= prefix.size();
        for (size_t i = 0; inside && i < prefix.size(); ++i) {
            const char a = path[i];
            const char b = prefix[i];
            inside = (IsSeparator(a) && IsSeparator(b)) || UpperByte(a) == UpperByte(b);
        }
        if (inside) {
            path.remove_prefix(prefix.size());
        }
    }

    std::string out;
    out.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (IsSeparator(c)) {
            if (out.empty() || out.back() != '\\') {
                out.push_back('\\');
            }
        } else if (c == '.' && !out.empty() && out.back() == '\\' && i + 1 < path.size() &&
                   path[i + 1] == '.') {
            out.pop_back();
            const size_t previous = out.rfind('\\');
            out.resize(previous == std::string::npos ? 0 : previous + 1);
            ++i;
            while (i + 1 < path.size() && IsSeparator(path[i + 1])) {
                ++i;
            }
        } else {
            out.push_back(UpperByte(c));
        }
    }
    return out;
}

bool PakInterface::Refuse(const std::string& path, const std::string& reason) {
    mErrorText = "Resource archive '" + path + "' refused: " + reason;
    platform::DebugOutput(mErrorText + "\n");
    return false;
}

bool PakInterface::AddPakFile(const std::string& path) {
    mErrorText.clear();
    std::unique_ptr<platform::fs::MappedFile> file = platform::fs::MappedFile::Open(path);
    if (file == nullptr) {
        return Refuse(path, "cannot be opened");
    }

    // Every byte is stored scrambled; the checked reader sees the stored bytes.
    constexpr uint32_t kKey32 = 0x01010101u * kScrambleByte;
    Vesk::ByteReader reader(std::span<const uint8_t>(file->Data(), file->Size()));
    const uint32_t magic = reader.U32() ^ kKey32;
    if (reader.Failed() || magic != kMagic) {
        return Refuse(path, "not a resource archive");
    }
    const uint32_t version = reader.U32() ^ kKey32;
    if (reader.Failed()) {
        return Refuse(path, "the header runs past the end of the file");
    }
    if (version != kVersion) {
        return Refuse(path, "unknown version " + std::to_string(version));
    }

    // The whole directory is checked before anything is registered.
    std::vector<PakRecord> records;
    int64_t dataOffset = 0;
    // An archive that ends where a flags byte is due ends its directory there.
    while (!reader.AtEnd() && ((reader.U8() ^ kScrambleByte) & kEndOfDirectory) == 0) {
        const size_t nameLength = reader.U8() ^ kScrambleByte;
        const std::span<const uint8_t> name = reader.Take(nameLength);
        if (reader.Failed()) {
            return Refuse(path, "an entry name runs past the end of the file");
        }
        const uint32_t size = reader.U32() ^ kKey32;
        const uint32_t timeLow = reader.U32() ^ kKey32;
        const uint32_t timeHigh = reader.U32() ^ kKey32;
        if (reader.Failed()) {
            return Refuse(path, "the directory runs past the end of the file");
        }
        if (size > 0x7FFFFFFFu) {
            return Refuse(path, "an entry size is out of range");
        }
        PakRecord record;
        record.mFileName.resize(nameLength);
        for (size_t i = 0; i < nameLength; ++i) {
            record.mFileName[i] = static_cast<char>(name[i] ^ kScrambleByte);
        }
        record.mFileTime = uint64_t{timeHigh} << 32 | timeLow;
        record.mStartPos = dataOffset;
        record.mSize = size;
        dataOffset += size;
        records.push_back(std::move(record));
    }

    const auto dataStart = static_cast<int64_t>(reader.Position());
    if (dataStart + dataOffset > static_cast<int64_t>(file->Size())) {
        return Refuse(path, "entry data runs past the end of the file");
    }

    PakCollection& collection = mPakCollectionList.emplace_back();
    collection.mData = file->Data();
    collection.mSize = file->Size();
    collection.mFile = std::move(file);
    for (PakRecord& record : records) {
        record.mCollection = &collection;
        record.mStartPos += dataStart;
        mPakRecordMap[UpperCase(record.mFileName)] = std::move(record);
    }
    return true;
}

PakFileHandle* PakInterface::Open(const std::string& path, const std::string& mode) {
    if (IsArchiveMode(mode)) {
        const auto it = mPakRecordMap.find(NormalizePath(path));
        if (it != mPakRecordMap.end()) {
            return new PakFileHandle{&it->second, 0, nullptr, false};
        }
    }
    return OpenDisk(path, mode);
}

int PakInterface::Close(PakFileHandle* handle) {
    if (handle == nullptr) {
        return -1;
    }
    int result = 0;
    if (handle->mFP != nullptr) {
        result = std::fclose(handle->mFP);
    }
    delete handle;
    return result;
}

int PakInterface::Seek(PakFileHandle* handle, long offset, int origin) {
    if (handle == nullptr) {
        return -1;
    }
    if (handle->mRecord == nullptr) {
        const int whence = DiskWhence(origin);
        return whence < 0 ? -1 : std::fseek(handle->mFP, offset, whence);
    }
    const int64_t size = handle->mRecord->mSize;
    // Entries are below 2 GB, so a bounded offset keeps the sums exact.
    const int64_t bounded = std::clamp<int64_t>(offset, -(int64_t{1} << 40), int64_t{1} << 40);
    int64_t position = handle->mPos;
    if (origin == 0) {
        position = bounded;
    } else if (origin == 1) {
        position += bounded;
    } else if (origin == 2) {
        position = size - bounded;
    }
    handle->mPos = std::clamp<int64_t>(position, 0, size);
    return 0;
}

long PakInterface::Tell(PakFileHandle* handle) {
    if (handle == nullptr) {
        return -1;
    }
    if (handle->mRecord == nullptr) {
        return std::ftell(handle->mFP);
    }
    return static_cast<long>(handle->mPos);
}

size_t PakInterface::Read(void* buffer, size_t elementSize, size_t count, PakFileHandle* handle) {
    if (handle == nullptr || elementSize == 0) {
        return 0;
    }
    if (handle->mRecord == nullptr) {
        return std::fread(buffer, elementSize, count, handle->mFP);
    }
    const auto left = static_cast<size_t>(EntryLeft(handle));
    // count is at most left / elementSize + 1 here, so the product cannot overflow.
    const size_t wanted = count > left / elementSize ? left : elementSize * count;
    Descramble(static_cast<uint8_t*>(buffer), EntryBytes(handle) + handle->mPos, wanted);
    handle->mPos += static_cast<int64_t>(wanted);
    return wanted / elementSize;
}

int PakInterface::GetChar(PakFileHandle* handle) {
    if (handle == nullptr) {
        return -1;
    }
    return handle->mRecord == nullptr ? DiskGetChar(handle) : EntryGetChar(handle);
}

int PakInterface::UngetChar(int c, PakFileHandle* handle) {
    if (handle == nullptr) {
        return -1;
    }
    if (handle->mRecord == nullptr) {
        return std::ungetc(c, handle->mFP);
    }
    handle->mPos = std::max<int64_t>(0, handle->mPos - 1);
    return c;
}

char* PakInterface::GetLine(char* buffer, int size, PakFileHandle* handle) {
    if (handle == nullptr || buffer == nullptr || size < 1) {
        return nullptr;
    }
    if (handle->mRecord == nullptr) {
        return DiskGetLine(buffer, size, handle);
    }
    const bool atEnd = handle->mPos >= handle->mRecord->mSize;
    int stored = 0;
    while (stored < size - 1) {
        const int c = EntryGetChar(handle);
        if (c < 0) {
            break;
        }
        buffer[stored++] = static_cast<char>(c);
        if (c == '\n') {
            break;
        }
    }
    buffer[stored] = '\0';
    return atEnd && stored == 0 ? nullptr : buffer;
}

bool PakInterface::AtEnd(PakFileHandle* handle) {
    if (handle == nullptr) {
        return true;
    }
    if (handle->mRecord == nullptr) {
        return std::feof(handle->mFP) != 0;
    }
    return handle->mPos >= handle->mRecord->mSize;
}

bool PakInterface::FindInArchive(PakFindData* search, platform::fs::FindFileData* out) {
    const std::string& pattern = search->mFindCriteria;
    const size_t star = pattern.find('*');
    if (star == std::string::npos) {
        return false;
    }
    const std::string_view head = std::string_view(pattern).substr(0, star);
    const std::string_view rest = std::string_view(pattern).substr(star + 1);

    auto it = search->mArchiveStarted ? mPakRecordMap.upper_bound(search->mLastFind)
                                      : mPakRecordMap.begin();
    for (; it != mPakRecordMap.end(); ++it) {
        const std::string& key = it->first;
        if (key.compare(0, head.size(), head) != 0 || key.size() < head.size()) {
            continue;
        }
        // The head and the tail are each tested against their own end of the key.
        const bool tailMatches = rest.empty() || rest == ".*" ||
                                 (key.size() >= rest.size() &&
                                  key.compare(key.size() - rest.size(), rest.size(), rest) == 0);
        if (!tailMatches) {
            continue;
        }

        const PakRecord& record = it->second;
        const std::string_view tail =
            std::string_view(key).substr(key.size() - std::min(rest.size(), key.size()));
        out->attributes =
            tail.find('\\') != std::string_view::npos ? platform::fs::kFileAttributeDirectory : 0;
        const size_t slash = record.mFileName.rfind('\\');
        out->fileName =
            slash == std::string::npos ? record.mFileName : record.mFileName.substr(slash + 1);
        out->fileSizeLow = static_cast<uint32_t>(record.mSize);
        out->creationTime = record.mFileTime;
        out->lastAccessTime = record.mFileTime;
        out->lastWriteTime = record.mFileTime;
        search->mLastFind = key;
        search->mArchiveStarted = true;
        return true;
    }
    return false;
}

PakFindData* PakInterface::FindFirst(const std::string& pattern, platform::fs::FindFileData* out) {
    if (out == nullptr) {
        return nullptr;
    }
    auto search = std::make_unique<PakFindData>();
    search->mFindCriteria = NormalizePath(pattern);
    if (FindInArchive(search.get(), out)) {
        return search.release();
    }
    search->mSearch = platform::fs::FileSearch::Start(search->mFindCriteria, *out);
    return search->mSearch != nullptr ? search.release() : nullptr;
}

bool PakInterface::FindNext(PakFindData* search, platform::fs::FindFileData* out) {
    if (search == nullptr || out == nullptr) {
        return false;
    }
    if (search->mSearch == nullptr) {
        if (FindInArchive(search, out)) {
            return true;
        }
        search->mSearch = platform::fs::FileSearch::Start(search->mFindCriteria, *out);
        return search->mSearch != nullptr;
    }
    return search->mSearch->Next(*out);
}

bool PakInterface::FindClose(PakFindData* search) {
    delete search;
    return true;
}

namespace {

PakInterface gPakInterfaceObject;

}  // namespace

namespace Vesk {

PakInterface* gPakInterface = &gPakInterfaceObject;

}  // namespace Vesk

PakFileHandle* PakOpenFile(const std::string& path, const char* mode) {
    const std::string modeText = mode != nullptr ? mode : "rb";
    if (PakInterface* pak = GetPublishedPakInterface()) {
        return pak->Open(path, modeText);
    }
    return OpenDisk(path, modeText);
}

int PakCloseFile(PakFileHandle* handle) {
    if (PakInterface* pak = GetPublishedPakInterface()) {
        return pak->Close(handle);
    }
    if (handle == nullptr) {
        return -1;
    }
    const int result = handle->mFP != nullptr ? std::fclose(handle->mFP) : 0;
    delete handle;
    return result;
}

int PakSeekFile(PakFileHandle* handle, long offset, int origin) {
    if (PakInterface* pak = GetPublishedPakInterface()) {
        return pak->Seek(handle, offset, origin);
    }
    const int whence = DiskWhence(origin);
    return handle == nullptr || whence < 0 ? -1 : std::fseek(handle->mFP, offset, whence);
}

long PakTellFile(PakFileHandle* handle) {
    if (PakInterface* pak = GetPublishedPakInterface()) {
        return pak->Tell(handle);
    }
    return handle == nullptr ? -1 : std::ftell(handle->mFP);
}

size_t PakReadFile(void* buffer, size_t elementSize, size_t count, PakFileHandle* handle) {
    if (PakInterface* pak = GetPublishedPakInterface()) {
        return pak->Read(buffer, elementSize, count, handle);
    }
    if (handle == nullptr || elementSize == 0) {
        return 0;
    }
    return std::fread(buffer, elementSize, count, handle->mFP);
}

int PakGetChar(PakFileHandle* handle) {
    if (PakInterface* pak = GetPublishedPakInterface()) {
        return pak->GetChar(handle);
    }
    return handle == nullptr ? -1 : DiskGetChar(handle);
}

int PakUngetChar(int c, PakFileHandle* handle) {
    if (PakInterface* pak = GetPublishedPakInterface()) {
        return pak->UngetChar(c, handle);
    }
    return handle == nullptr ? -1 : std::ungetc(c, handle->mFP);
}

bool PakAtEnd(PakFileHandle* handle) {
    if (PakInterface* pak = GetPublishedPakInterface()) {
        return pak->AtEnd(handle);
    }
    return handle == nullptr || std::feof(handle->mFP) != 0;
}

std::optional<std::vector<uint8_t>> PakReadWholeFile(const std::string& path, std::string& error) {
    PakFileHandle* file = PakOpenFile(path, "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::optional<std::vector<uint8_t>> bytes;
    long size = -1;
    if (PakSeekFile(file, 0, 2) == 0) {
        size = PakTellFile(file);
    }
    if (size >= 0 && size <= kMaxWholeFileBytes && PakSeekFile(file, 0, 0) == 0) {
        try {
            bytes.emplace(static_cast<size_t>(size));
        } catch (const std::bad_alloc&) {
            // Refused below, as a file that can't be read.
        }
        if (bytes && size > 0 && PakReadFile(bytes->data(), bytes->size(), 1, file) != 1) {
            bytes.reset();
        }
    }
    PakCloseFile(file);
    if (!bytes) {
        error = path + ": cannot be read";
    }
    return bytes;
}
