#pragma once

#include <atomic>
#include <cstdint>

namespace Vesk {

class DDImage;
class Image;

// One entry of the application's shared-image table. The table owns the
// image (a DDImage) and deletes it once a clean-up pass finds the count at 0.
// The count is atomic: the loading thread takes references while the main
// thread releases them.
class SharedImage {
public:
    Image* mImage = nullptr;
    std::atomic<int32_t> mRefCount{0};

    SharedImage() = default;
    SharedImage(const SharedImage&) = delete;
    SharedImage& operator=(const SharedImage&) = delete;
};

// Counted handle to a shared image, or a handle to an image held outside the
// table, which it deletes on release when mOwnsUnshared is set.
class SharedImageRef {
public:
    SharedImage* mSharedImage = nullptr;
    Image* mUnsharedImage = nullptr;
    bool mOwnsUnshared = false;

    SharedImageRef() = default;
    // A copy shares the slot (count + 1) and the unshared image, never owning it.
    SharedImageRef(const SharedImageRef& other);
    // Same as a copy: the slot (count + 1) and the unshared image, not owned.
    SharedImageRef& operator=(const SharedImageRef& other);
    ~SharedImageRef();

    // Adds one to the slot's count; a null slot just releases.
    void AssignShared(SharedImage* slot);
    // mOwnsUnshared keeps its value; the holder sets it.
    void AssignUnshared(Image* image);
    void Release();

    // The unshared image when there is one, else the shared slot's image.
    Image* GetImage() const;
    operator Image*() const { return GetImage(); }

    // The shared slot's image as its surface-image class, or null. A template
    // so that only callers that use it need the full class.
    template <typename T = DDImage>
    T* GetSharedDDImage() const {
        return mSharedImage != nullptr ? dynamic_cast<T*>(mSharedImage->mImage) : nullptr;
    }
};

}  // namespace Vesk
