#include "platform/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"

namespace platform::fs {

std::unique_ptr<MappedFile> MappedFile::Open(std::string_view path) {
    const int fd = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    const auto size = static_cast<size_t>(st.st_size);
    const uint8_t* data = nullptr;
    if (size > 0) {
        // A private mapping keeps its pages when the file is renamed over; the descriptor is
        // not needed once the mapping stands.
        void* view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (view == MAP_FAILED) {
            close(fd);
            return nullptr;
        }
        data = static_cast<const uint8_t*>(view);
    }
    close(fd);
    return std::unique_ptr<MappedFile>(new MappedFile(data, size));
}

MappedFile::~MappedFile() {
    if (mData != nullptr) {
        munmap(const_cast<uint8_t*>(mData), mSize);
    }
}

}  // namespace platform::fs
