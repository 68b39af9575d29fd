// Small services of the application: sounds and volumes with the mute count, the clipboard,
// images from files and from other images, the memory-image set, the shared-image table and
// the 3-D switch.
#include <memory>
#include <mutex>
#include <vector>

#include "app/VeskAppBase.h"
#include "graphics/D3DErrorText.h"
#include "graphics/D3DInterface.h"
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/Graphics.h"
#include "resources/ImageLib.h"
#include "sound/MusicInterface.h"
#include "sound/SoundInstance.h"
#include "sound/SoundManager.h"
#include "util/Common.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

// Runs the operation on every image of the set under the display lock. An image that an
// earlier operation removed from the set is skipped.
template <typename Operation>
void ForEachMemoryImage(VeskAppBase& app, Operation operation) {
    std::lock_guard<CriticalLock> lock(app.DisplayLock());
    const std::vector<MemoryImage*> images(app.mMemoryImageSet.begin(), app.mMemoryImageSet.end());
    for (MemoryImage* image : images) {
        if (app.mMemoryImageSet.count(image) != 0) {
            operation(image);
        }
    }
}

}  // namespace

// ---- Sound ----

void VeskAppBase::PlaySample(int soundId) {
    if (mSoundManager == nullptr) {
        return;
    }
    if (SoundInstance* instance = mSoundManager->GetSoundInstance(soundId)) {
        instance->Play(false, true);
    }
}

void VeskAppBase::PlaySampleWithPan(int soundId, int pan) {
    if (mSoundManager == nullptr) {
        return;
    }
    if (SoundInstance* instance = mSoundManager->GetSoundInstance(soundId)) {
        instance->SetPan(pan);
        instance->Play(false, true);
    }
}

double VeskAppBase::GetMasterVolume() {
    return mSoundManager != nullptr ? mSoundManager->GetMasterVolume() : 0.0;
}

double VeskAppBase::GetMusicVolume() {
    return mMusicVolume;
}

double VeskAppBase::GetSfxVolume() {
    return mSfxVolume;
}

bool VeskAppBase::IsMuted() {
    return mMuteCount > 0;
}

void VeskAppBase::SetMasterVolume(double volume) {
    mSfxVolume = volume;
    if (mSoundManager != nullptr) {
        mSoundManager->SetMasterVolume(volume);
    }
}

void VeskAppBase::SetMusicVolume(double volume) {
    mMusicVolume = volume;
    if (mMusicInterface != nullptr) {
        mMusicInterface->SetVolume(mMuteCount > 0 ? 0.0 : volume);
    }
}

void VeskAppBase::SetSfxVolume(double volume) {
    mSfxVolume = volume;
    if (mSoundManager != nullptr) {
        mSoundManager->SetVolume(mMuteCount > 0 ? 0.0 : volume);
    }
}

void VeskAppBase::Mute(bool autoMute) {
    ++mMuteCount;
    if (autoMute) {
        ++mAutoMuteCount;
    }
    SetMusicVolume(mMusicVolume);
    SetSfxVolume(mSfxVolume);
}

void VeskAppBase::Unmute(bool autoMute) {
    if (mMuteCount <= 0) {
        return;
    }
    --mMuteCount;
    if (autoMute && mAutoMuteCount > 0) {
        --mAutoMuteCount;
    }
    SetMusicVolume(mMusicVolume);
    SetSfxVolume(mSfxVolume);
}

// ---- Clipboard ----

void VeskAppBase::CopyToClipboard(const std::string& text) {
    // A played demo must leave the user's clipboard alone.
    if (mPlayingDemoBuffer || mWindowSystem == nullptr) {
        return;
    }
    mWindowSystem->SetClipboardText(text);
}

std::string VeskAppBase::GetClipboard() {
    std::string text;
    if (!mPlayingDemoBuffer && mWindowSystem != nullptr) {
        text = mWindowSystem->ClipboardText();
    }
    DemoSyncString(&text);
    return text;
}

// ---- Images ----

DDImage* VeskAppBase::GetImage(const std::string& fileName, bool commitBits) {
    std::string error;
    const std::unique_ptr<ImageLib::Image> loaded = ImageLib::GetImage(fileName, true, &error);
    if (loaded == nullptr) {
        // A missing file is the caller's to report; a refused one is logged here.
        if (!error.empty()) {
            LogError(error);
        }
        return nullptr;
    }
    return NewImageFromLoaded(fileName, *loaded, commitBits);
}

DDImage* VeskAppBase::NewImageFromLoaded(const std::string& fileName, const ImageLib::Image& loaded,
                                         bool commitBits) {
    const int32_t width = loaded.GetWidth();
    const int32_t height = loaded.GetHeight();
    if (width < 0 || height < 0 ||
        loaded.mBits.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
        return nullptr;
    }
    auto image = std::make_unique<DDImage>(mDDInterface.get());
    image->mPath = fileName;
    image->SetBits(loaded.GetBits(), width, height, commitBits);
    return image.release();
}

DDImage* VeskAppBase::CopyImageRect(Image* image, const Rect& rect) {
    if (image == nullptr || rect.mWidth < 0 || rect.mHeight < 0) {
        return nullptr;
    }
    auto copy = std::make_unique<DDImage>(mDDInterface.get());
    copy->Create(rect.mWidth, rect.mHeight);
    {
        Graphics graphics(copy.get());
        graphics.DrawImage(image, -rect.mX, -rect.mY);
    }
    copy->CopyAttributes(image);
    return copy.release();
}

DDImage* VeskAppBase::CopyImage(Image* image) {
    if (image == nullptr) {
        return nullptr;
    }
    return CopyImageRect(image, Rect(0, 0, image->GetWidth(), image->GetHeight()));
}

SharedImageRef VeskAppBase::GetSharedImage(const std::string& fileName, const std::string& variant,
                                           bool* isNew) {
    SharedImageRef ref;
    bool added = false;
    {
        std::lock_guard<CriticalLock> lock(DisplayLock());
        auto [it, inserted] = mSharedImageMap.try_emplace({Upper(fileName), Upper(variant)});
        added = inserted;
        ref.AssignShared(&it->second);
        // The image is made before the lock is left: the loading thread and the main thread
        // both ask, and the second must never find the slot without its image.
        if (inserted) {
            if (!fileName.empty() && fileName[0] == '!') {
                it->second.mImage = new DDImage(mDDInterface.get());
            } else {
                it->second.mImage = GetImage(fileName, false);
            }
        }
    }
    if (isNew != nullptr) {
        *isNew = added;
    }
    return ref;
}

void VeskAppBase::AddMemoryImage(MemoryImage* image) {
    std::lock_guard<CriticalLock> lock(DisplayLock());
    mMemoryImageSet.insert(image);
}

void VeskAppBase::RemoveMemoryImage(MemoryImage* image) {
    std::lock_guard<CriticalLock> lock(DisplayLock());
    mMemoryImageSet.erase(image);
    Remove3DData(image);
}

void VeskAppBase::Remove3DData(MemoryImage* image) {
    if (mDDInterface != nullptr) {
        mDDInterface->RemoveImageTextureData(image);
    }
}

void VeskAppBase::DeleteExtraImageBuffers() {
    ForEachMemoryImage(*this, [](MemoryImage* image) { image->DeleteExtraBuffers(); });
}

void VeskAppBase::DeleteImageSurfaces() {
    ForEachMemoryImage(*this, [](MemoryImage* image) {
        auto* ddImage = dynamic_cast<DDImage*>(image);
        // A surface handed in (the screen, the cursor areas) is the display's, not the image's.
        if (ddImage != nullptr && !ddImage->mSurfaceSet) {
            ddImage->DeleteDDSurface();
        }
    });
}

void VeskAppBase::ReInitImages() {
    ForEachMemoryImage(*this, [](MemoryImage* image) { image->ReInit(); });
}

// ---- 3-D acceleration ----

CriticalLock& VeskAppBase::DisplayLock() {
    return mDDInterface != nullptr ? mDDInterface->mCritSect : mCritSect;
}

bool VeskAppBase::Is3DAccelerated() {
    return mDDInterface != nullptr && mDDInterface->mIs3D;
}

bool VeskAppBase::Is3DWorking() {
    return mDDInterface != nullptr && mDDInterface->mD3DInterface != nullptr &&
           mDDInterface->mD3DInterface->GetDevice() != nullptr && gD3DErrorText.empty();
}

bool VeskAppBase::Is3DConfirmed() {
    return Is3DWorking() && !D3DInterface::sRenderTargetLost;
}

bool VeskAppBase::Is3DSuspect() {
    return mDDInterface != nullptr && mDDInterface->mD3DInterface != nullptr &&
           mDDInterface->mD3DInterface->GetDevice() != nullptr && !Is3DConfirmed();
}

void VeskAppBase::Set3DAcceleration(bool is3D, bool reinit) {
    if (mDDInterface == nullptr || mDDInterface->mIs3D == is3D) {
        return;
    }
    m3DChangedDuringRun = true;
    mDDInterface->mIs3D = is3D;
    if (!reinit) {
        return;
    }

    const int result = InitDisplay();
    if (result != DDInterface::RESULT_OK) {
        if (is3D) {
            Set3DAcceleration(false, true);
            return;
        }
        DisplayFailed(DDInterface::ResultToString(result) + " " + mDDInterface->mErrorString);
    }
    ReInitImages();
    mWidgetManager->mImage = mDDInterface->GetScreenImage();
    mWidgetManager->MarkAllDirty();
}

}  // namespace Vesk
