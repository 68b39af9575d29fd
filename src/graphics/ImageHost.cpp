#include "graphics/ImageHost.h"

#include <atomic>

namespace Vesk {

namespace {

// Images are made on the loading thread too.
std::atomic<ImageHost*> gImageHost{nullptr};

}  // namespace

ImageHost* GetImageHost() {
    return gImageHost.load(std::memory_order_acquire);
}

void SetImageHost(ImageHost* host) {
    gImageHost.store(host, std::memory_order_release);
}

}  // namespace Vesk
