#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/Color.h"
#include "graphics/SharedImage.h"
#include "resources/CharData.h"

namespace Vesk {

class FontData;

// One named layer of an image font (a face, a shadow, an outline): an image with the
// rectangle, offset, width, order and kerning of every character. A copy shares the image.
class FontLayer {
public:
    // not owned
    FontData* mFontData = nullptr;
    // Upper case.
    std::vector<std::string> mRequiredTags;
    std::vector<std::string> mExcludedTags;
    std::array<CharData, 256> mCharData{};
    Color mColorMult = Color(255, 255, 255, 255);
    Color mColorAdd = Color(0, 0, 0, 0);
    SharedImageRef mImage;
    // -1 keeps the caller's mode, 0 normal, 1 additive.
    int32_t mDrawMode = -1;
    int32_t mOffsetX = 0;
    int32_t mOffsetY = 0;
    // Extra advance after every character.
    int32_t mSpacing = 0;
    // -1: no limit.
    int32_t mMinPointSize = -1;
    int32_t mMaxPointSize = -1;
    // The size the layer was drawn at; 0 fits every size unscaled.
    int32_t mPointSize = 0;
    int32_t mAscent = 0;
    int32_t mAscentPadding = 0;
    int32_t mHeight = 0;
    // The tallest character box.
    int32_t mDefaultHeight = 0;
    int32_t mLineSpacingOffset = 0;
    int32_t mBaseOrder = 0;
};

}  // namespace Vesk
