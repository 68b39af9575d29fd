#include "resources/PakInterface.h"

#include <cstdio>

#include "platform/FileSystem.h"

namespace {

PakInterface gPakInterfaceObject;

}  // namespace

bool PakInterface::AddPakFile(const std::string& path) {
    (void)path;
    return false;
}

namespace Vesk {

PakInterface* gPakInterface = &gPakInterfaceObject;

}  // namespace Vesk

struct PakFileHandle {
    std::FILE* file = nullptr;
};

PakFileHandle* PakOpenFile(const std::string& path) {
    std::FILE* file = std::fopen(platform::fs::NativePath(path).c_str(), "rb");
    if (file == nullptr)
        return nullptr;
    return new PakFileHandle{file};
}

int PakCloseFile(PakFileHandle* handle) {
    if (handle == nullptr)
        return -1;
    const int result = std::fclose(handle->file);
    delete handle;
    return result;
}

int PakSeekFile(PakFileHandle* handle, long offset, int origin) {
    if (handle == nullptr || origin < 0 || origin > 2)
        return -1;
    const int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
    return std::fseek(handle->file, offset, whence);
}

long PakTellFile(PakFileHandle* handle) {
    return handle == nullptr ? -1 : std::ftell(handle->file);
}

size_t PakReadFile(void* buffer, size_t elementSize, size_t count, PakFileHandle* handle) {
    if (handle == nullptr || elementSize == 0)
        return 0;
    return std::fread(buffer, elementSize, count, handle->file);
}
