#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace platform::fs {

// A read-only view of a whole file, mapped into memory. The bytes stay valid and unchanged
// for the object's life even if the file is replaced on disk meanwhile (a rename over it).
class MappedFile {
public:
    // Null when the file is missing, not a regular file, or cannot be mapped.
    static std::unique_ptr<MappedFile> Open(std::string_view path);

    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Null for an empty file.
    const uint8_t* Data() const { return mData; }
    size_t Size() const { return mSize; }

private:
    MappedFile(const uint8_t* data, size_t size) : mData(data), mSize(size) {}

    const uint8_t* mData;
    size_t mSize;
};

}  // namespace platform::fs
