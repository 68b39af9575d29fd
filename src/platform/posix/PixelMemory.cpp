#include "platform/PixelMemory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// From about an 800x600 picture on; smaller ones would waste most of their huge page.
constexpr size_t kLeastHuge = size_t{1} << 20;

}  // namespace

uint32_t* AllocatePixelWords(size_t count) {
    if (count > SIZE_MAX / sizeof(uint32_t) - kHugePage) {
        return nullptr;
    }
    const size_t bytes = (count > 0 ? count : 1) * sizeof(uint32_t);
    if (bytes < kLeastHuge) {
        return static_cast<uint32_t*>(std::calloc(bytes / sizeof(uint32_t), sizeof(uint32_t)));
    }
    const size_t whole = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* memory = std::aligned_alloc(kHugePage, whole);
    if (memory == nullptr) {
        return nullptr;
    }
    // Only advice: without huge pages the memory works the same.
    madvise(memory, whole, MADV_HUGEPAGE);
    std::memset(memory, 0, bytes);
    return static_cast<uint32_t*>(memory);
}

void FreePixelWords(uint32_t* words) {
    std::free(words);
}

}  // namespace platform
