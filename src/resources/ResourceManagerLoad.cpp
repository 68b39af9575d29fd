// Group loading, counts, lookups and unloading of the resource manager.
#include <cstring>

#include "graphics/DDImage.h"
#include "graphics/Font.h"
#include "resources/ImageLib.h"
#include "resources/ResourceHost.h"
#include "resources/ResourceManager.h"
#include "resources/XMLParser.h"
#include "util/CommonText.h"

namespace Vesk {

void ResourceManager::ImageRes::DeleteResource() {
    mImage.Release();
}

void ResourceManager::SoundRes::DeleteResource() {
    if (mSoundId >= 0 && mHost != nullptr) {
        mHost->ReleaseSound(mSoundId);
    }
    mSoundId = -1;
}

ResourceManager::FontRes::~FontRes() {
    DeleteResource();
}

void ResourceManager::FontRes::DeleteResource() {
    delete mFont;
    mFont = nullptr;
    delete mImage;
    mImage = nullptr;
}

ResourceManager::~ResourceManager() {
    for (ResMap* map : {&mImageMap, &mSoundMap, &mFontMap}) {
        for (auto& [id, res] : *map) {
            res->DeleteResource();
        }
        map->clear();
    }
}

void ResourceManager::BeginGroupLoad(const std::string& group) {
    mError.clear();
    mHasFailed = false;
    mCurResGroup = group;
    mCurResGroupList = &mResGroupMap[group];
    mCurResGroupListItr = mCurResGroupList->begin();
}

bool ResourceManager::LoadNextResource() {
    if (mHasFailed || mCurResGroupList == nullptr) {
        return false;
    }
    while (mCurResGroupListItr != mCurResGroupList->end()) {
        BaseRes* res = *mCurResGroupListItr++;
        const auto kind = mRecordKinds.find(res->mType);
        if (res->mFromProgram || kind == mRecordKinds.end() || kind->second.loaded(*res)) {
            continue;
        }
        return kind->second.load(*res);
    }
    return false;
}

bool ResourceManager::LoadGroup(const std::string& group) {
    mError.clear();
    mHasFailed = false;
    BeginGroupLoad(group);
    while (LoadNextResource()) {
    }
    if (mHasFailed) {
        return false;
    }
    mLoadedGroups.insert(group);
    return true;
}

void ResourceManager::ResourceLoadedHook(BaseRes* res) {
    (void)res;
}

namespace {

// The alpha of every pixel from the blue byte of the matching pixel of the alpha source,
// which is one cel of cols x rows cels (1 x 1 for a whole alpha image).
void MergeAlpha(uint32_t* bits, int32_t width, int32_t height, const uint32_t* alpha,
                int32_t celWidth, int32_t celHeight) {
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* src = alpha + static_cast<size_t>(y % celHeight) * celWidth;
        uint32_t* dst = bits + static_cast<size_t>(y) * width;
        for (int32_t x = 0; x < width; ++x) {
            dst[x] = (dst[x] & 0x00FFFFFF) | ((src[x % celWidth] & 0xFF) << 24);
        }
    }
}

}  // namespace

bool ResourceManager::LoadImageRecord(ImageRes* res) {
    bool isNew = false;
    SharedImageRef ref;
    {
        const uint32_t saved = ImageLib::gAlphaComposeColor;
        ImageLib::gAlphaComposeColor = res->mAlphaColor;
        if (mHost != nullptr) {
            ref = mHost->GetSharedImage(res->mPath, res->mVariant, &isNew);
        }
        ImageLib::gAlphaComposeColor = saved;
    }
    auto* image = dynamic_cast<MemoryImage*>(ref.GetImage());
    auto* ddImage = dynamic_cast<DDImage*>(image);
    if (image == nullptr) {
        return Fail(StrFormat("Failed to load image: %s", res->mPath.c_str()));
    }

    if (isNew) {
        const bool grid = !res->mAlphaGridImage.empty();
        for (const std::string* path : {&res->mAlphaImage, &res->mAlphaGridImage}) {
            if (path->empty()) {
                continue;
            }
            std::unique_ptr<Image> alpha(mHost->GetImage(*path));
            auto* alphaImage = dynamic_cast<MemoryImage*>(alpha.get());
            if (alphaImage == nullptr) {
                return Fail(StrFormat("Failed to load image: %s", path->c_str()));
            }
            const bool isGrid = grid && path == &res->mAlphaGridImage;
            const int32_t wantWidth = isGrid ? image->mWidth / res->mCols : image->mWidth;
            const int32_t wantHeight = isGrid ? image->mHeight / res->mRows : image->mHeight;
            if (alphaImage->mWidth != wantWidth || alphaImage->mHeight != wantHeight ||
                wantWidth <= 0 || wantHeight <= 0) {
                return Fail(StrFormat(isGrid ? "GridAlphaImage size mismatch between %s and %s"
                                             : "AlphaImage size mismatch between %s and %s",
                                      res->mPath.c_str(), path->c_str()));
            }
            // Cels that do not fill the image leave the rest of it as it was.
            MergeAlpha(image->GetBits(), isGrid ? wantWidth * res->mCols : image->mWidth,
                       isGrid ? wantHeight * res->mRows : image->mHeight, alphaImage->GetBits(),
                       wantWidth, wantHeight);
            image->BitsChanged();
        }
    }

    image->CommitBits();
    res->mImage = ref;
    image->mPurgeWanted = res->mPurgeBits;
    if (res->mDDSurface) {
        image->CommitBits();
        if (!image->mHasAlpha && ddImage != nullptr) {
            ddImage->mWantDDSurface = true;
            image->mPurgeWanted = true;
        }
    }
    if (res->mPalletize) {
        if (ddImage == nullptr || ddImage->mSurface == nullptr) {
            image->Palletize();
        } else {
            image->mPalettizeWanted = true;
        }
    }
    if (res->mA4R4G4B4) {
        image->mTextureFlags |= 4;
    }
    if (res->mA8R8G8B8) {
        image->mTextureFlags |= 8;
    }
    if (res->mMinimizeSubdivisions) {
        image->mTextureFlags |= 1;
    }
    if (res->mAnimInfo.mAnimType != AnimNone) {
        image->mAnimInfo = std::make_unique<AnimInfo>(res->mAnimInfo);
    }
    image->mCelRows = res->mRows;
    image->mCelColumns = res->mCols;
    if (image->mPurgeWanted) {
        image->PurgeBits();
    }
    ResourceLoadedHook(res);
    return true;
}

bool ResourceManager::LoadSoundRecord(SoundRes* res) {
    const int id = mHost != nullptr ? mHost->GetFreeSoundId() : -1;
    if (id < 0) {
        return Fail("Out of free sound ids");
    }
    if (!mHost->LoadSound(id, res->mPath)) {
        return Fail(StrFormat("Failed to load sound: %s", res->mPath.c_str()));
    }
    if (res->mVolume >= 0) {
        mHost->SetBaseVolume(id, res->mVolume);
    }
    if (res->mPanning != 0) {
        mHost->SetBasePan(id, res->mPanning);
    }
    res->mSoundId = id;
    ResourceLoadedHook(res);
    return true;
}

void ResourceManager::DeleteGroupResources(const std::string& group) {
    DeleteGroupInMap(mImageMap, group);
    DeleteGroupInMap(mSoundMap, group);
    DeleteGroupInMap(mFontMap, group);
    mLoadedGroups.erase(group);
}

void ResourceManager::DeleteGroupInMap(ResMap& map, const std::string& group) {
    for (auto& [id, res] : map) {
        if (group.empty() || res->mResGroup == group) {
            res->DeleteResource();
        }
    }
}

int ResourceManager::CountInMap(const ResMap& map, const std::string& group) {
    if (group.empty()) {
        return static_cast<int>(map.size());
    }
    int count = 0;
    for (const auto& [id, res] : map) {
        if (res->mResGroup == group && !res->mFromProgram) {
            ++count;
        }
    }
    return count;
}

int ResourceManager::GetGroupImageCount(const std::string& group) const {
    return CountInMap(mImageMap, group);
}

int ResourceManager::GetGroupSoundCount(const std::string& group) const {
    return CountInMap(mSoundMap, group);
}

int ResourceManager::GetGroupFontCount(const std::string& group) const {
    return CountInMap(mFontMap, group);
}

int ResourceManager::GetGroupResourceCount(const std::string& group) const {
    return GetGroupImageCount(group) + GetGroupSoundCount(group) + GetGroupFontCount(group);
}

Font* ResourceManager::GetFont(const std::string& id) {
    auto it = mFontMap.find(id);
    return it != mFontMap.end() ? static_cast<FontRes*>(it->second.get())->mFont : nullptr;
}

SharedImageRef ResourceManager::LookupImage(const std::string& id) {
    auto it = mImageMap.find(id);
    if (it != mImageMap.end()) {
        auto* res = static_cast<ImageRes*>(it->second.get());
        if (res->mImage.GetImage() != nullptr) {
            return res->mImage;
        }
    }
    Fail(StrFormat("Image resource not found: %s", id.c_str()));
    throw ResourceManagerException(GetErrorText());
}

int ResourceManager::LookupSound(const std::string& id) {
    auto it = mSoundMap.find(id);
    if (it != mSoundMap.end()) {
        auto* res = static_cast<SoundRes*>(it->second.get());
        if (res->mSoundId != -1) {
            return res->mSoundId;
        }
    }
    Fail(StrFormat("Sound resource not found: %s", id.c_str()));
    throw ResourceManagerException(GetErrorText());
}

Font* ResourceManager::LookupFont(const std::string& id) {
    if (Font* font = GetFont(id)) {
        return font;
    }
    Fail(StrFormat("Font resource not found: %s", id.c_str()));
    throw ResourceManagerException(GetErrorText());
}

}  // namespace Vesk
