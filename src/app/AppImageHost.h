#pragma once

#include "graphics/ImageHost.h"

namespace Vesk {

class VeskAppBase;

// The application as its images see it: the memory-image set, the 3-D flag and texture data,
// the display's pixel layout and the shared-image clean-up flag. The application object owns
// one and installs it as the process's image host while it lives.
class AppImageHost : public ImageHost {
public:
    explicit AppImageHost(VeskAppBase& app) : mApp(app) {}

    void AddMemoryImage(MemoryImage* image) override;
    void RemoveMemoryImage(MemoryImage* image) override;
    bool Is3DAccelerated() override;
    void Remove3DData(MemoryImage* image) override;
    bool IsTextureDataCurrent(const MemoryImage& image) override;
    bool ReadTextureBits(MemoryImage& image, uint32_t* bits) override;
    const NativeDisplay* GetNativeDisplay() override;
    void SetCleanSharedImages() override;

private:
    VeskAppBase& mApp;
};

}  // namespace Vesk
