// The font loader of the resource manager.
#include "resources/ResourceHost.h"
#include "resources/ResourceManager.h"
#include "util/CommonText.h"

#include "resources/FontData.h"
#include "resources/ImageFont.h"
#include "resources/SysFont.h"

namespace Vesk {

bool ResourceManager::LoadFontRecord(FontRes* res) {
    FontHost* fontHost = mHost != nullptr ? mHost->GetFontHost() : nullptr;
    std::unique_ptr<Font> font;
    if (res->mSysFont) {
        // Bold is asked of the system: simulated bold was only for old Windows.
        auto sysFont = std::make_unique<SysFont>(res->mPath, res->mSize, res->mBold, res->mItalic,
                                                 res->mUnderline);
        sysFont->mDrawShadow = res->mShadow;
        font = std::move(sysFont);
    } else if (!res->mImagePath.empty()) {
        Image* image = mHost != nullptr ? mHost->GetImage(res->mImagePath) : nullptr;
        if (image == nullptr) {
            return Fail(StrFormat("Failed to load image: %s", res->mImagePath.c_str()));
        }
        delete res->mImage;
        res->mImage = image;
        font = ImageFont::ImageFontFromImage(fontHost, image, res->mPath);
    } else if (res->mPath.compare(0, 5, "!ref:") == 0) {
        const std::string refId = res->mPath.substr(5);
        Font* ref = GetFont(refId);
        if (ref == nullptr) {
            return Fail("Ref font not found: " + refId);
        }
        font = ref->Duplicate();
    } else {
        font = std::make_unique<ImageFont>(fontHost, res->mPath);
    }

    auto* imageFont = dynamic_cast<ImageFont*>(font.get());
    if (imageFont != nullptr) {
        if (imageFont->mFontData == nullptr || !imageFont->mFontData->mInitialized) {
            return Fail(StrFormat("Failed to load font: %s", res->mPath.c_str()));
        }
        if (!res->mTags.empty()) {
            // Split the whole text: no fixed buffer limits how many tags a font has.
            static constexpr const char* kSeparators = ", \r\n\t";
            size_t start = res->mTags.find_first_not_of(kSeparators);
            while (start != std::string::npos) {
                const size_t end = res->mTags.find_first_of(kSeparators, start);
                imageFont->AddTag(res->mTags.substr(start, end - start));
                start =
                    end == std::string::npos ? end : res->mTags.find_first_not_of(kSeparators, end);
            }
            imageFont->Prepare();
        }
    }
    res->mFont = font.release();
    ResourceLoadedHook(res);
    return true;
}

}  // namespace Vesk
