#include "resources/ImageFont.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "resources/FontData.h"
#include "resources/RenderCommand.h"
#include "util/CommonText.h"

namespace Vesk {

namespace {

constexpr int32_t kBucketCount = 256;
constexpr int64_t kFarAway = int64_t{1} << 28;

struct OrderBucket {
    RenderCommand* first = nullptr;
    RenderCommand* last = nullptr;
};

// Guarded by gFontDrawLock, like the command pool.
std::array<OrderBucket, kBucketCount> gOrderBuckets;

// Descriptor values are untrusted, so sums and scaled values are kept inside 32 bits.
int32_t Truncate(double value) {
    if (!(value > -2147483648.0)) {
        return value != value ? 0 : INT32_MIN;
    }
    return value < 2147483647.0 ? static_cast<int32_t>(value) : INT32_MAX;
}

int32_t Clamp32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

bool Contains(const std::vector<std::string>& tags, const std::string& tag) {
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

}  // namespace

ImageFont::ImageFont(FontHost* host, const std::string& descriptorFile)
    : mFontData(new FontData()) {
    mFontData->AddRef();
    mFontData->Load(host, descriptorFile);
    mPointSize = mFontData->mDefaultPointSize;
    GenerateActiveLayers();
    mActiveListValid = true;
}

ImageFont::ImageFont(FontData* fontData) : mFontData(fontData) {
    mFontData->AddRef();
    mPointSize = mFontData->mDefaultPointSize;
    GenerateActiveLayers();
    mActiveListValid = true;
}

ImageFont::ImageFont(const ImageFont& other)
    : Font(other),
      mFontData(other.mFontData),
      mPointSize(other.mPointSize),
      mTagVector(other.mTagVector),
      mActiveListValid(other.mActiveListValid),
      mScale(other.mScale) {
    mFontData->AddRef();
    if (mActiveListValid) {
        for (const ActiveFontLayer& layer : other.mActiveLayerList) {
            mActiveLayerList.emplace_back(layer);
        }
    }
}

ImageFont::~ImageFont() {
    mActiveLayerList.clear();
    mFontData->Release();
}

std::unique_ptr<ImageFont> ImageFont::ImageFontFromImage(FontHost* host, Image* image,
                                                         const std::string& widthsFile) {
    auto* data = new FontData();
    data->LoadLegacy(host, image, widthsFile);
    return std::make_unique<ImageFont>(data);
}

bool ImageFont::Initialized() const {
    return mFontData->mInitialized;
}

std::unique_ptr<Font> ImageFont::Duplicate() const {
    return std::make_unique<ImageFont>(*this);
}

void ImageFont::GenerateActiveLayers() {
    if (!Initialized()) {
        return;
    }
    mActiveLayerList.clear();
    mAscent = 0;
    mAscentPadding = 0;
    mHeight = 0;
    mLineSpacingOffset = 0;
    bool first = true;

    for (FontLayer& layer : mFontData->mFontLayerList) {
        const bool sizeFits = layer.mMinPointSize <= mPointSize &&
                              (mPointSize <= layer.mMaxPointSize || layer.mMaxPointSize == -1);
        if (!sizeFits) {
            continue;
        }
        bool tagsFit = true;
        for (const std::string& tag : layer.mRequiredTags) {
            tagsFit = tagsFit && Contains(mTagVector, tag);
        }
        for (const std::string& tag : mTagVector) {
            tagsFit = tagsFit && !Contains(layer.mExcludedTags, tag);
        }
        if (!tagsFit) {
            continue;
        }

        ActiveFontLayer& active = mActiveLayerList.emplace_back();
        active.mBaseFontLayer = &layer;
        double numerator = mScale;
        double denominator = 1.0;
        const bool unscaled =
            mScale == 1.0 && (layer.mPointSize == 0 || layer.mPointSize == mPointSize);
        if (layer.mPointSize != 0 && !unscaled) {
            numerator = mPointSize * mScale;
            denominator = layer.mPointSize;
        }
        Image* image = layer.mImage.GetImage();
        if (unscaled || image == nullptr) {
            // A layer without an image keeps its rectangles; it has nothing to rescale.
            active.mScaledImage = image;
            for (size_t c = 0; c < 256; ++c) {
                active.mScaledCharImageRects[c] = layer.mCharData[c].mImageRect;
            }
        } else {
            int32_t runningX = 0;
            int32_t tallest = 0;
            for (size_t c = 0; c < 256; ++c) {
                const Rect& rect = layer.mCharData[c].mImageRect;
                const int32_t w = std::max(0, Truncate(rect.mWidth * numerator / denominator));
                const int32_t h = std::max(0, Truncate(rect.mHeight * numerator / denominator));
                active.mScaledCharImageRects[c] = Rect(runningX, 0, w, h);
                runningX = Clamp32(int64_t{runningX} + w);
                tallest = std::max(tallest, h);
            }
            // A rescaled image past this size is not made; the layer then draws nothing.
            constexpr int64_t kMaxScaledPixels = int64_t{1} << 24;
            if (runningX > 0 && tallest > 0 && int64_t{runningX} * tallest <= kMaxScaledPixels) {
                active.mOwnedImage = std::make_unique<MemoryImage>();
                active.mOwnedImage->Create(runningX, tallest);
                {
                    Graphics g(active.mOwnedImage.get());
                    for (size_t c = 0; c < 256; ++c) {
                        const Rect& dest = active.mScaledCharImageRects[c];
                        if (dest.mWidth > 0 && dest.mHeight > 0) {
                            g.DrawImageStretchedPart(image, dest, layer.mCharData[c].mImageRect);
                        }
                    }
                }
                active.mOwnedImage->Palletize();
                active.mScaledImage = active.mOwnedImage.get();
            }
        }

        const auto scaled = [&](int32_t value) {
            return Truncate(value * numerator / denominator);
        };
        const int32_t height = layer.mHeight != 0 ? layer.mHeight : layer.mDefaultHeight;
        mAscent = std::max(mAscent, scaled(layer.mAscent));
        mHeight = std::max(mHeight, scaled(height));
        if (first) {
            mAscentPadding = scaled(layer.mAscentPadding);
            mLineSpacingOffset = scaled(layer.mLineSpacingOffset);
            first = false;
        } else {
            mAscentPadding = std::min(mAscentPadding, scaled(layer.mAscentPadding));
            mLineSpacingOffset = std::max(mLineSpacingOffset, scaled(layer.mLineSpacingOffset));
        }
    }
}

void ImageFont::Prepare() {
    if (!mActiveListValid) {
        GenerateActiveLayers();
        mActiveListValid = true;
    }
}

int32_t ImageFont::CharWidthKern(char c, char previous) {
    Prepare();
    const uint8_t code = mFontData->mCharMap[static_cast<uint8_t>(c)];
    const uint8_t before =
        previous != 0 ? mFontData->mCharMap[static_cast<uint8_t>(previous)] : uint8_t{0};
    int32_t widest = 0;
    for (const ActiveFontLayer& active : mActiveLayerList) {
        const FontLayer& layer = *active.mBaseFontLayer;
        const double k = layer.mPointSize != 0 ? mPointSize * mScale / layer.mPointSize : mScale;
        const int32_t advance = Truncate(layer.mCharData[code].mWidth * k);
        const int32_t kerning = previous != 0
                                    ? Truncate((layer.mCharData[before].mKerningOffsets[code] +
                                                static_cast<double>(layer.mSpacing)) *
                                               k)
                                    : 0;
        widest = std::max(widest, Clamp32(int64_t{advance} + kerning));
    }
    return widest;
}

int32_t ImageFont::CharWidth(char c) {
    return CharWidthKern(c, 0);
}

int32_t ImageFont::StringWidth(const std::string& text) {
    int32_t width = 0;
    char previous = 0;
    for (const char c : text) {
        width = Clamp32(int64_t{width} + CharWidthKern(c, previous));
        previous = c;
    }
    return width;
}

void ImageFont::DrawString(Graphics& g, int32_t x, int32_t y, const std::string& text,
                           const Color& color, const Rect& clipRect) {
    DrawStringEx(g, x, y, text, color, clipRect, nullptr, nullptr);
}

void ImageFont::DrawStringEx(Graphics& g, int32_t x, int32_t y, const std::string& text,
                             const Color& color, const Rect& clipRect, std::vector<Rect>* rectList,
                             int32_t* width) {
    (void)clipRect;
    std::lock_guard<CriticalLock> lock(gFontDrawLock);
    gOrderBuckets.fill(OrderBucket{});
    if (rectList != nullptr) {
        rectList->clear();
    }
    if (!Initialized()) {
        if (width != nullptr) {
            *width = 0;
        }
        return;
    }
    Prepare();
    const bool colorizeWas = g.GetColorizeImages();
    g.SetColorizeImages(true);

    const std::array<uint8_t, 256>& charMap = mFontData->mCharMap;
    int32_t penX = x;
    int32_t reachedX = x;
    int32_t used = 0;
    const size_t size = text.size();
    for (size_t i = 0; i < size; ++i) {
        const uint8_t c = charMap[static_cast<uint8_t>(text[i])];
        const uint8_t next = i + 1 < size ? charMap[static_cast<uint8_t>(text[i + 1])] : uint8_t{0};
        for (const ActiveFontLayer& active : mActiveLayerList) {
            const FontLayer& layer = *active.mBaseFontLayer;
            const CharData& data = layer.mCharData[c];
            const double k =
                layer.mPointSize != 0 ? mPointSize * mScale / layer.mPointSize : mScale;
            int32_t drawX = 0;
            int32_t drawY = 0;
            int32_t advance = 0;
            int32_t kerning = 0;
            if (k == 1.0) {
                drawX = Clamp32(int64_t{penX} + data.mOffset.mX + layer.mOffsetX);
                drawY = Clamp32(int64_t{y} + data.mOffset.mY - layer.mAscent + layer.mOffsetY);
                advance = data.mWidth;
                kerning =
                    next != 0 ? Clamp32(int64_t{data.mKerningOffsets[next]} + layer.mSpacing) : 0;
            } else {
                drawX =
                    Clamp32(int64_t{penX} +
                            Truncate((static_cast<double>(data.mOffset.mX) + layer.mOffsetX) * k));
                drawY = Clamp32(int64_t{y} - Truncate((static_cast<double>(layer.mAscent) -
                                                       data.mOffset.mY - layer.mOffsetY) *
                                                      k));
                advance = Truncate(data.mWidth * k);
                kerning = next != 0 ? Truncate((data.mKerningOffsets[next] +
                                                static_cast<double>(layer.mSpacing)) *
                                               k)
                                    : 0;
            }
            const auto channel = [](int32_t mult, int32_t value, int32_t add) {
                return std::min(255, mult * std::clamp(value, 0, 255) / 255 + add);
            };
            const Color layerColor(
                channel(layer.mColorMult.mRed, color.mRed, layer.mColorAdd.mRed),
                channel(layer.mColorMult.mGreen, color.mGreen, layer.mColorAdd.mGreen),
                channel(layer.mColorMult.mBlue, color.mBlue, layer.mColorAdd.mBlue),
                channel(layer.mColorMult.mAlpha, color.mAlpha, layer.mColorAdd.mAlpha));
            if (used >= kRenderCommandPoolSize) {
                break;
            }
            RenderCommand& command = gRenderCommandPool[static_cast<size_t>(used++)];
            const Rect& source = active.mScaledCharImageRects[c];
            command.mImage = active.mScaledImage;
            command.mDestX = drawX;
            command.mDestY = drawY;
            command.mSrcRect = source;
            command.mDrawMode = layer.mDrawMode;
            command.mColor = layerColor;
            command.mNext = nullptr;
            const int32_t bucket = std::clamp<int64_t>(
                int64_t{data.mOrder} + layer.mBaseOrder + 128, 0, kBucketCount - 1);
            OrderBucket& slot = gOrderBuckets[static_cast<size_t>(bucket)];
            if (slot.last != nullptr) {
                slot.last->mNext = &command;
            } else {
                slot.first = &command;
            }
            slot.last = &command;
            if (rectList != nullptr) {
                rectList->emplace_back(drawX, drawY, source.mWidth, source.mHeight);
            }
            reachedX = std::max(reachedX, Clamp32(int64_t{penX} + advance + kerning));
        }
        penX = reachedX;
    }
    if (width != nullptr) {
        *width = Clamp32(int64_t{reachedX} - x);
    }

    const Color colorWas = g.GetColor();
    for (const OrderBucket& bucket : gOrderBuckets) {
        for (RenderCommand* command = bucket.first; command != nullptr; command = command->mNext) {
            const DrawMode modeWas = g.GetDrawMode();
            if (command->mDrawMode != -1) {
                g.SetDrawMode(command->mDrawMode);
            }
            g.SetColor(command->mColor);
            // Pieces placed absurdly far away (from untrusted offsets) would overflow the
            // context's clipping sums; they could not be seen anyway.
            const bool near = std::abs(int64_t{command->mDestX}) < kFarAway &&
                              std::abs(int64_t{command->mDestY}) < kFarAway;
            if (command->mImage != nullptr && near) {
                g.DrawImagePart(command->mImage, command->mDestX, command->mDestY,
                                command->mSrcRect);
            }
            g.SetDrawMode(modeWas);
        }
    }
    g.SetColor(colorWas);
    g.SetColorizeImages(colorizeWas);
}

void ImageFont::SetPointSize(int32_t pointSize) {
    mPointSize = pointSize;
    mActiveListValid = false;
}

void ImageFont::SetScale(double scale) {
    mScale = scale;
    mActiveListValid = false;
}

int32_t ImageFont::GetDefaultPointSize() const {
    return mFontData->mDefaultPointSize;
}

bool ImageFont::AddTag(const std::string& tag) {
    const std::string upper = Upper(tag);
    if (HasTag(upper)) {
        return false;
    }
    mTagVector.push_back(upper);
    mActiveListValid = false;
    return true;
}

bool ImageFont::RemoveTag(const std::string& tag) {
    const auto it = std::find(mTagVector.begin(), mTagVector.end(), Upper(tag));
    if (it == mTagVector.end()) {
        return false;
    }
    mTagVector.erase(it);
    mActiveListValid = false;
    return true;
}

bool ImageFont::HasTag(const std::string& tag) const {
    return Contains(mTagVector, tag);
}

std::string ImageFont::GetDefine(const std::string& name) {
    const DataElement* define = mFontData->FindDefine(name);
    return define != nullptr ? DescParser::DataElementToString(define) : std::string();
}

}  // namespace Vesk
