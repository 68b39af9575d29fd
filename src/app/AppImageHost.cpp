#include "app/AppImageHost.h"

#include "app/VeskAppBase.h"
#include "graphics/D3DInterface.h"
#include "graphics/DDInterface.h"

namespace Vesk {

void AppImageHost::AddMemoryImage(MemoryImage* image) {
    mApp.AddMemoryImage(image);
}

void AppImageHost::RemoveMemoryImage(MemoryImage* image) {
    mApp.RemoveMemoryImage(image);
}

bool AppImageHost::Is3DAccelerated() {
    return mApp.Is3DAccelerated();
}

void AppImageHost::Remove3DData(MemoryImage* image) {
    mApp.Remove3DData(image);
}

bool AppImageHost::IsTextureDataCurrent(const MemoryImage& image) {
    return mApp.mDDInterface != nullptr && mApp.mDDInterface->mD3DInterface != nullptr &&
           mApp.mDDInterface->mD3DInterface->IsTextureDataCurrent(image);
}

bool AppImageHost::ReadTextureBits(MemoryImage& image, uint32_t* bits) {
    return mApp.mDDInterface != nullptr && mApp.mDDInterface->mD3DInterface != nullptr &&
           mApp.mDDInterface->mD3DInterface->RecoverBits(&image, bits);
}

const NativeDisplay* AppImageHost::GetNativeDisplay() {
    return mApp.mDDInterface.get();
}

void AppImageHost::SetCleanSharedImages() {
    mApp.mCleanupSharedImages = true;
}

}  // namespace Vesk
