#include "graphics/SharedImage.h"

#include <atomic>

#include "graphics/Image.h"
#include "graphics/ImageHost.h"

namespace Vesk {

SharedImageRef::SharedImageRef(const SharedImageRef& other)
    : mSharedImage(other.mSharedImage), mUnsharedImage(other.mUnsharedImage), mOwnsUnshared(false) {
    if (mSharedImage != nullptr) {
        mSharedImage->mRefCount.fetch_add(1, std::memory_order_relaxed);
    }
}

SharedImageRef& SharedImageRef::operator=(const SharedImageRef& other) {
    if (this == &other) {
        return *this;
    }
    // Take the other's slot before releasing ours, in case both are the same.
    SharedImage* slot = other.mSharedImage;
    if (slot != nullptr) {
        slot->mRefCount.fetch_add(1, std::memory_order_relaxed);
    }
    Image* unshared = other.mUnsharedImage;
    Release();
    mSharedImage = slot;
    mUnsharedImage = unshared;
    mOwnsUnshared = false;
    return *this;
}

SharedImageRef::~SharedImageRef() {
    Release();
}

void SharedImageRef::AssignShared(SharedImage* slot) {
    if (slot == nullptr) {
        Release();
        return;
    }
    slot->mRefCount.fetch_add(1, std::memory_order_relaxed);
    Release();
    mSharedImage = slot;
}

void SharedImageRef::AssignUnshared(Image* image) {
    if (image == mUnsharedImage) {
        // Releasing first would delete the very image we are handed.
        if (mSharedImage != nullptr) {
            Image* keep = mUnsharedImage;
            mUnsharedImage = nullptr;
            Release();
            mUnsharedImage = keep;
        }
        return;
    }
    Release();
    mUnsharedImage = image;
}

void SharedImageRef::Release() {
    if (mOwnsUnshared && mUnsharedImage != nullptr) {
        delete mUnsharedImage;
    }
    mUnsharedImage = nullptr;
    if (mSharedImage != nullptr) {
        if (mSharedImage->mRefCount.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            if (ImageHost* host = GetImageHost()) {
                host->SetCleanSharedImages();
            }
        }
        mSharedImage = nullptr;
    }
}

Image* SharedImageRef::GetImage() const {
    if (mUnsharedImage != nullptr) {
        return mUnsharedImage;
    }
    return mSharedImage != nullptr ? mSharedImage->mImage : nullptr;
}

}  // namespace Vesk
