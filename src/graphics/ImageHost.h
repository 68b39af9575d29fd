#pragma once

#include <cstdint>

namespace Vesk {

class MemoryImage;
class NativeDisplay;

// What images need of the application that holds them. The application
// object implements it; every call has a harmless default so an image can
// live without one (tools, tests).
class ImageHost {
public:
    virtual ~ImageHost() = default;

    // The set of live memory images; the host guards it with its display lock.
    virtual void AddMemoryImage(MemoryImage* image) { (void)image; }
    virtual void RemoveMemoryImage(MemoryImage* image) { (void)image; }

    virtual bool Is3DAccelerated() { return false; }
    // Drops the image's device texture data.
    virtual void Remove3DData(MemoryImage* image) { (void)image; }
    // True while the image's texture data still matches its change count.
    virtual bool IsTextureDataCurrent(const MemoryImage& image) {
        (void)image;
        return false;
    }
    // Reads the image's texture data back into bits (width x height words);
    // false when it can't (no data, or stale).
    virtual bool ReadTextureBits(MemoryImage& image, uint32_t* bits) {
        (void)image;
        (void)bits;
        return false;
    }

    // The display whose layout purged images are kept in; null means the
    // 8-8-8 layout at shifts 16, 8, 0.
    virtual const NativeDisplay* GetNativeDisplay() { return nullptr; }

    // Raised when a shared image's last reference goes away.
    virtual void SetCleanSharedImages() {}
};

// The process's application as images see it; null when there is none.
// The application sets it in its constructor and clears it in its destructor.
ImageHost* GetImageHost();
void SetImageHost(ImageHost* host);

}  // namespace Vesk
