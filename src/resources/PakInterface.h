#pragma once

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
