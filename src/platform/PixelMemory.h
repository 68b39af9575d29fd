#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// Zeroed memory for a picture's pixels, or null when none can be had. A large picture is
// asked of the kernel in huge pages: walked row by row, it would otherwise miss the address
// cache at almost every row.
uint32_t* AllocatePixelWords(size_t count);
void FreePixelWords(uint32_t* words);

struct PixelWordsFree {
    void operator()(uint32_t* words) const { FreePixelWords(words); }
};
using PixelWords = std::unique_ptr<uint32_t[], PixelWordsFree>;

}  // namespace platform
