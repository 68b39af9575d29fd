#include "app/AppImageHost.h"

#include "app/VeskAppBase.h"
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

const NativeDisplay* AppImageHost::GetNativeDisplay() {
    return mApp.mDDInterface.get();
}

void AppImageHost::SetCleanSharedImages() {
    mApp.mCleanupSharedImages = true;
}

}  // namespace Vesk
