#pragma once

#include <cstddef>
#include <string>

// The one archive reader of the process: files of registered archives are served before
// files on disk. Archive reading itself comes with the file layer; until then every archive
// is refused and every file comes from the disk.
class PakInterface {
public:
    PakInterface() = default;
    virtual ~PakInterface() = default;
    PakInterface(const PakInterface&) = delete;
    PakInterface& operator=(const PakInterface&) = delete;

    // Registers an archive; false when it cannot be read.
    virtual bool AddPakFile(const std::string& path);
};

namespace Vesk {

// Never null: the reader is a static object, so start-up can always register archives.
extern PakInterface* gPakInterface;

}  // namespace Vesk

// Whole-file access for the readers of the application frame: archives first, then the disk.
// Until archives are read, every handle is a plain file opened for binary reading.
struct PakFileHandle;

// Null when the file cannot be opened. Paths may use either separator.
PakFileHandle* PakOpenFile(const std::string& path);
// Frees the handle; 0 on success.
int PakCloseFile(PakFileHandle* handle);
// Origins: 0 from the start, 1 from the current position, 2 from the end. 0 on success.
int PakSeekFile(PakFileHandle* handle, long offset, int origin);
// The position in bytes, or -1.
long PakTellFile(PakFileHandle* handle);
// The number of whole elements read.
size_t PakReadFile(void* buffer, size_t elementSize, size_t count, PakFileHandle* handle);
