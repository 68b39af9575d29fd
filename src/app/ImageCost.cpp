#include "app/ImageCost.h"

#include "graphics/DDImage.h"
#include "graphics/MemoryImage.h"
#include "graphics/TextureData.h"

namespace Vesk {

int64_t ImageCost::Total() const {
    return bits + surface + palette + nativeAlpha + rlAlpha + rlAdditive + texture;
}

ImageCost ImageCost::Of(const MemoryImage& image) {
    ImageCost cost;
    const int64_t width = image.GetWidth() > 0 ? image.GetWidth() : 0;
    const int64_t height = image.GetHeight() > 0 ? image.GetHeight() : 0;
    const int64_t pixels = width * height;
    if (image.mBits != nullptr) {
        cost.bits = 4 * pixels;
    }
    const auto* ddImage = dynamic_cast<const DDImage*>(&image);
    if (ddImage != nullptr && ddImage->mSurface != nullptr) {
        cost.surface = 4 * pixels;
    }
    if (image.mPalette != nullptr) {
        cost.palette = pixels + 1024;
    }
    if (image.mNativeAlpha != nullptr) {
        cost.nativeAlpha = image.mPalette != nullptr ? 1024 : 4 * pixels;
    }
    if (image.mRLAlpha != nullptr) {
        cost.rlAlpha = pixels;
    }
    if (image.mRLAdditive != nullptr) {
        cost.rlAdditive = pixels;
    }
    if (image.mTextureData != nullptr) {
        cost.hasTexture = true;
        cost.texture = image.mTextureData->mTexMemSize;
        cost.textureFormat = image.mTextureData->mPixelFormat;
    }
    return cost;
}

std::string ImageCost::TextureFormatName(int32_t format) {
    switch (format) {
        case 1:
            return "A8R8G8B8";
        case 2:
            return "A4R4G4B4";
        case 4:
            return "R5G6B5";
        case 8:
            return "Palette8";
        default:
            return std::string();
    }
}

std::string ImageCost::Commas(int64_t value) {
    if (value < 0) {
        return std::string();
    }
    const std::string digits = std::to_string(value);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) {
            out += ',';
        }
        out += digits[i];
    }
    return out;
}

}  // namespace Vesk
