#include "resources/FontData.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <numeric>

#include "graphics/Image.h"
#include "graphics/MemoryImage.h"
#include "resources/FontHost.h"
#include "resources/PakInterface.h"
#include "util/CommonPath.h"
#include "util/CommonText.h"

namespace Vesk {

namespace {

constexpr const char* kBadCount = "Invalid Number of Parameters";
constexpr const char* kBadType = "Invalid Paramater Type";
constexpr const char* kSizeMismatch = "List Size Mismatch";

const std::string& TextOf(const DataElement* value) {
    return static_cast<const SingleDataElement*>(value)->mString;
}

// The scanf-like reading of a legacy width list.
class WidthsScanner {
public:
    explicit WidthsScanner(std::string_view text) : mText(text) {}

    bool Int(int32_t* out) {
        SkipSpace();
        size_t end = mPos;
        if (end < mText.size() && (mText[end] == '-' || mText[end] == '+')) {
            ++end;
        }
        const size_t digits = end;
        int64_t value = 0;
        while (end < mText.size() && std::isdigit(static_cast<unsigned char>(mText[end]))) {
            value = std::min<int64_t>(value * 10 + (mText[end] - '0'), INT32_MAX);
            ++end;
        }
        if (end == digits) {
            return false;
        }
        *out = static_cast<int32_t>(mText[mPos] == '-' ? -value : value);
        mPos = end;
        return true;
    }

    bool Char(char* out) {
        SkipSpace();
        if (mPos >= mText.size()) {
            return false;
        }
        *out = mText[mPos++];
        return true;
    }

private:
    void SkipSpace() {
        while (mPos < mText.size() && std::isspace(static_cast<unsigned char>(mText[mPos]))) {
            ++mPos;
        }
    }

    std::string_view mText;
    size_t mPos = 0;
};

}  // namespace

FontData::FontData() {
    std::iota(mCharMap.begin(), mCharMap.end(), uint8_t{0});
}

FontData::~FontData() = default;

void FontData::Release() {
    if (--mRefCount <= 0) {
        delete this;
    }
}

bool FontData::Error(const std::string& text) {
    DescParser::Error(text);
    if (mHost != nullptr) {
        std::string message = mFontErrorHeader + text;
        if (!mCurrentLine.empty()) {
            message += " on Line " + StrFormat("%d:\r\n\r\n", mCurrentLineNum) + mCurrentLine;
        }
        mHost->Popup(message);
    }
    return false;
}

bool FontData::BeginLoad(FontHost* host, const std::string& fileName) {
    if (mInitialized) {
        return false;
    }
    mHost = host;
    mSourceFile = fileName;
    mFontErrorHeader = "Font Descriptor Error in " + fileName + "\r\n";
    return true;
}

bool FontData::Load(FontHost* host, const std::string& fileName) {
    if (!BeginLoad(host, fileName)) {
        return false;
    }
    mInitialized = LoadDescriptor(fileName);
    return true;
}

bool FontData::LoadText(FontHost* host, const std::string& fileName, std::string_view text) {
    if (!BeginLoad(host, fileName)) {
        return false;
    }
    mInitialized = LoadDescriptorText(text);
    return true;
}

bool FontData::LoadLegacy(FontHost* host, Image* image, const std::string& widthsFile) {
    if (mInitialized) {
        return false;
    }
    const std::optional<std::string> text = ReadWholeText(widthsFile);
    return text && LoadLegacyText(host, image, widthsFile, *text);
}

bool FontData::LoadLegacyText(FontHost* host, Image* image, const std::string& widthsFile,
                              std::string_view text) {
    if (mInitialized || image == nullptr) {
        return false;
    }
    mHost = host;
    mSourceFile = widthsFile;
    FontLayer& layer = mFontLayerList.emplace_back();
    layer.mFontData = this;
    mFontLayerMap[""] = &layer;
    layer.mImage.AssignUnshared(image);
    layer.mAscent = image->GetHeight();
    layer.mDefaultHeight = image->GetHeight();

    WidthsScanner scanner(text);
    int32_t spaceWidth = 0;
    int32_t ascent = 0;
    if (scanner.Int(&spaceWidth) && scanner.Int(&ascent)) {
        layer.mCharData[' '].mWidth = spaceWidth;
        layer.mAscent = ascent;
    }
    // The glyphs lie side by side from the left; rectangles past the image are cut to it.
    int64_t x = 0;
    std::array<bool, 256> has{};
    char c = 0;
    int32_t width = 0;
    while (scanner.Char(&c) && scanner.Int(&width)) {
        CharData& data = layer.mCharData[static_cast<uint8_t>(c)];
        const auto left = static_cast<int32_t>(std::clamp<int64_t>(x, 0, image->GetWidth()));
        const auto right =
            static_cast<int32_t>(std::clamp<int64_t>(x + std::max(width, 0), 0, image->GetWidth()));
        data.mImageRect = Rect(left, 0, right - left, image->GetHeight());
        data.mWidth = width;
        has[static_cast<uint8_t>(c)] = true;
        x += std::max(width, 0);
    }
    for (int32_t letter = 0; letter < 26; ++letter) {
        const uint8_t upper = static_cast<uint8_t>('A' + letter);
        const uint8_t lower = static_cast<uint8_t>('a' + letter);
        if (!has[upper] && has[lower]) {
            mCharMap[upper] = lower;
        } else if (!has[lower] && has[upper]) {
            mCharMap[lower] = upper;
        }
    }
    mInitialized = true;
    return true;
}

bool FontData::GetLayerByName(const DataElement* name, FontLayer** layer) {
    if (name == nullptr || name->mIsList) {
        return false;
    }
    std::string text;
    DataToString(name, &text);
    const auto it = mFontLayerMap.find(text);
    if (it == mFontLayerMap.end()) {
        return Error("Undefined Layer");
    }
    *layer = it->second;
    return true;
}

bool FontData::GetInt(const DataElement* value, int32_t* out) {
    std::string text;
    return DataToString(value, &text) && StringToInt(text, *out);
}

bool FontData::GetList(const DataElement* value, ListDataElement* out) {
    if (value == nullptr) {
        return false;
    }
    if (!value->mIsList) {
        const DataElement* define = FindDefine(TextOf(value));
        if (define == nullptr || !define->mIsList) {
            return false;
        }
        value = define;
    }
    return DataToList(value, out);
}

bool FontData::GetIntList(const DataElement* value, size_t count, std::vector<int32_t>* out) {
    return DataToIntVector(value, out) && out->size() == count;
}

bool FontData::GetChar(const DataElement* value, uint8_t* out) {
    if (value == nullptr || value->mIsList) {
        return false;
    }
    const std::string text = Unquote(TextOf(value));
    if (text.size() != 1) {
        return false;
    }
    *out = static_cast<uint8_t>(text[0]);
    return true;
}

bool FontData::GetColor(const DataElement* value, Color* out) {
    if (value == nullptr) {
        return false;
    }
    if (value->mIsList) {
        std::vector<double> channels;
        if (!DataToDoubleVector(value, &channels) || channels.size() < 4) {
            return false;
        }
        // A channel is a byte, whatever the descriptor says.
        const auto channel = [&](size_t i) {
            return static_cast<int32_t>(std::clamp(channels[i] * 255.0, 0.0, 255.0));
        };
        *out = Color(channel(0), channel(1), channel(2), channel(3));
        return true;
    }
    int32_t packed = 0;
    if (!GetInt(value, &packed)) {
        return false;
    }
    *out = Color::ColorFromInt(static_cast<uint32_t>(packed));
    return true;
}

bool FontData::HandleCommand(const ListDataElement& params) {
    const std::string& command = TextOf(params[0]);
    const size_t count = params.size();
    const auto expect = [&](size_t wanted) { return count == wanted || Error(kBadCount); };

    if (command == "Define") {
        return expect(3) && CmdDefine(params);
    }
    if (command == "CreateHorzSpanRectList") {
        return expect(4) && CmdCreateHorzSpanRectList(params);
    }
    if (command == "SetDefaultPointSize") {
        if (!expect(2)) {
            return false;
        }
        return GetInt(params[1], &mDefaultPointSize) || Error(kBadType);
    }
    if (command == "SetCharMap") {
        return expect(3) && CmdSetCharMap(params);
    }
    if (command == "CreateLayer") {
        return expect(2) && CmdCreateLayer(params, false);
    }
    if (command == "CreateLayerFrom") {
        return expect(3) && CmdCreateLayer(params, true);
    }
    if (command == "LayerRequireTags" || command == "LayerExcludeTags") {
        return expect(3) && CmdLayerTags(params, command == "LayerRequireTags");
    }
    if (command == "LayerSetImage") {
        return expect(3) && CmdLayerSetImage(params);
    }
    if (command == "LayerSetImageMap") {
        return expect(4) && CmdLayerSetImageMap(params);
    }
    if (command == "LayerSetKerningPairs") {
        return expect(4) && CmdLayerSetKerningPairs(params);
    }
    if (command == "LayerSetCharWidths" || command == "LayerSetCharOffsets" ||
        command == "LayerSetCharOrders") {
        return expect(4) && CmdLayerPerChar(params, command);
    }
    if (command == "LayerPointRange") {
        return expect(4) && CmdLayerValue(params, command);
    }
    static const char* const kValueCommands[] = {
        "LayerSetPointSize",     "LayerSetHeight",
        "LayerSetDrawMode",      "LayerSetColorMult",
        "LayerSetColorAdd",      "LayerSetAscent",
        "LayerSetAscentPadding", "LayerSetLineSpacingOffset",
        "LayerSetOffset",        "LayerSetSpacing",
        "LayerSetBaseOrder"};
    for (const char* name : kValueCommands) {
        if (command == name) {
            return expect(3) && CmdLayerValue(params, command);
        }
    }
    return Error("Unknown Command");
}

bool FontData::CmdDefine(const ListDataElement& params) {
    if (params[1]->mIsList) {
        return Error(kBadType);
    }
    AddDefine(TextOf(params[1]), *params[2]);
    return true;
}

bool FontData::CmdCreateHorzSpanRectList(const ListDataElement& params) {
    std::vector<int32_t> rect;
    std::vector<int32_t> widths;
    if (params[1]->mIsList || !GetIntList(params[2], 4, &rect) ||
        !DataToIntVector(params[3], &widths)) {
        return Error(kBadType);
    }
    ListDataElement rects;
    int64_t x = rect[0];
    for (const int32_t width : widths) {
        auto item = std::make_unique<ListDataElement>();
        for (const int64_t number : {x, int64_t{rect[1]}, int64_t{width}, int64_t{rect[3]}}) {
            item->mElementVector.push_back(
                std::make_unique<SingleDataElement>(std::to_string(static_cast<int32_t>(number))));
        }
        rects.mElementVector.push_back(std::move(item));
        x += width;
    }
    AddDefine(TextOf(params[1]), rects);
    return true;
}

bool FontData::CmdSetCharMap(const ListDataElement& params) {
    ListDataElement from;
    ListDataElement to;
    if (!GetList(params[1], &from) || !GetList(params[2], &to)) {
        return Error(kBadType);
    }
    bool badType = false;
    for (size_t i = 0; i < std::min(from.size(), to.size()); ++i) {
        uint8_t source = 0;
        uint8_t target = 0;
        if (GetChar(from[i], &source) && GetChar(to[i], &target)) {
            mCharMap[source] = target;
        } else {
            badType = true;
        }
    }
    if (badType) {
        return Error(kBadType);
    }
    return from.size() == to.size() || Error(kSizeMismatch);
}

bool FontData::CmdCreateLayer(const ListDataElement& params, bool fromSource) {
    std::string name;
    if (!DataToString(params[1], &name)) {
        return Error(kBadType);
    }
    FontLayer* source = nullptr;
    if (fromSource && !GetLayerByName(params[2], &source)) {
        return Error(kBadType);
    }
    if (mFontLayerMap.count(name) != 0) {
        return Error("Layer Already Exists");
    }
    FontLayer& layer =
        source != nullptr ? mFontLayerList.emplace_back(*source) : mFontLayerList.emplace_back();
    layer.mFontData = this;
    mFontLayerMap[name] = &layer;
    return true;
}

bool FontData::CmdLayerTags(const ListDataElement& params, bool required) {
    FontLayer* layer = nullptr;
    if (!GetLayerByName(params[1], &layer)) {
        return Error(kBadType);
    }
    std::vector<std::string> tags;
    if (!DataToStringVector(params[2], &tags)) {
        return Error(kBadType);
    }
    std::vector<std::string>& target = required ? layer->mRequiredTags : layer->mExcludedTags;
    for (const std::string& tag : tags) {
        target.push_back(Upper(Unquote(tag)));
    }
    return true;
}

bool FontData::CmdLayerSetImage(const ListDataElement& params) {
    FontLayer* layer = nullptr;
    if (!GetLayerByName(params[1], &layer)) {
        return Error(kBadType);
    }
    std::string fileName;
    if (!DataToString(params[2], &fileName)) {
        return Error(kBadType);
    }
    const std::string path = ResolveRelativePath(fileName, GetFileDir(mSourceFile));
    bool isNew = false;
    SharedImageRef image;
    if (mHost != nullptr) {
        image = mHost->GetSharedImage(path, "", &isNew);
    }
    if (image.GetImage() == nullptr) {
        return Error("Failed to Load Image");
    }
    if (isNew) {
        if (auto* memoryImage = dynamic_cast<MemoryImage*>(image.GetImage())) {
            memoryImage->Palletize();
        }
    }
    layer->mImage = image;
    return true;
}

bool FontData::CmdLayerSetImageMap(const ListDataElement& params) {
    FontLayer* layer = nullptr;
    if (!GetLayerByName(params[1], &layer)) {
        return Error(kBadType);
    }
    const Image* image = layer->mImage.GetImage();
    if (image == nullptr) {
        return Error("Layer image not set");
    }
    ListDataElement chars;
    ListDataElement rects;
    if (!GetList(params[2], &chars) || !GetList(params[3], &rects)) {
        return Error(kBadType);
    }
    bool badType = false;
    for (size_t i = 0; i < std::min(chars.size(), rects.size()); ++i) {
        uint8_t c = 0;
        std::vector<int32_t> r;
        if (!GetChar(chars[i], &c) || !rects[i]->mIsList || !GetIntList(rects[i], 4, &r)) {
            badType = true;
            continue;
        }
        if (r[0] < 0 || r[1] < 0 || r[2] < 0 || r[3] < 0 ||
            static_cast<int64_t>(r[0]) + r[2] > image->GetWidth() ||
            static_cast<int64_t>(r[1]) + r[3] > image->GetHeight()) {
            return Error("Image rectangle out of bounds");
        }
        layer->mCharData[c].mImageRect = Rect(r[0], r[1], r[2], r[3]);
    }
    int64_t tallest = 0;
    for (const CharData& data : layer->mCharData) {
        tallest = std::max<int64_t>(tallest, int64_t{data.mImageRect.mHeight} + data.mOffset.mY);
    }
    layer->mDefaultHeight = static_cast<int32_t>(std::min<int64_t>(tallest, INT32_MAX));
    if (badType) {
        return Error(kBadType);
    }
    return chars.size() == rects.size() || Error(kSizeMismatch);
}

bool FontData::CmdLayerSetKerningPairs(const ListDataElement& params) {
    FontLayer* layer = nullptr;
    if (!GetLayerByName(params[1], &layer)) {
        return Error(kBadType);
    }
    ListDataElement pairs;
    ListDataElement offsets;
    if (!GetList(params[2], &pairs) || !GetList(params[3], &offsets)) {
        return Error(kBadType);
    }
    bool badType = false;
    for (size_t i = 0; i < std::min(pairs.size(), offsets.size()); ++i) {
        int32_t offset = 0;
        const std::string pair = pairs[i]->mIsList ? std::string() : Unquote(TextOf(pairs[i]));
        if (pair.size() != 2 || !GetInt(offsets[i], &offset)) {
            badType = true;
            continue;
        }
        layer->mCharData[static_cast<uint8_t>(pair[0])]
            .mKerningOffsets[static_cast<uint8_t>(pair[1])] = static_cast<int8_t>(offset & 0xFF);
    }
    if (badType) {
        return Error(kBadType);
    }
    return pairs.size() == offsets.size() || Error(kSizeMismatch);
}

bool FontData::CmdLayerPerChar(const ListDataElement& params, const std::string& command) {
    FontLayer* layer = nullptr;
    if (!GetLayerByName(params[1], &layer)) {
        return Error(kBadType);
    }
    ListDataElement chars;
    ListDataElement values;
    if (!GetList(params[2], &chars) || !GetList(params[3], &values)) {
        return Error(kBadType);
    }
    const bool offsets = command == "LayerSetCharOffsets";
    bool badType = false;
    for (size_t i = 0; i < std::min(chars.size(), values.size()); ++i) {
        uint8_t c = 0;
        if (!GetChar(chars[i], &c)) {
            badType = true;
            continue;
        }
        CharData& data = layer->mCharData[c];
        if (offsets) {
            std::vector<int32_t> offset;
            if (!values[i]->mIsList || !GetIntList(values[i], 2, &offset)) {
                badType = true;
                continue;
            }
            data.mOffset = Point{offset[0], offset[1]};
            continue;
        }
        int32_t number = 0;
        if (!GetInt(values[i], &number)) {
            badType = true;
            continue;
        }
        (command == "LayerSetCharWidths" ? data.mWidth : data.mOrder) = number;
    }
    if (badType) {
        return Error(kBadType);
    }
    return chars.size() == values.size() || Error(kSizeMismatch);
}

bool FontData::CmdLayerValue(const ListDataElement& params, const std::string& command) {
    FontLayer* layer = nullptr;
    if (!GetLayerByName(params[1], &layer)) {
        return Error(kBadType);
    }
    const DataElement* value = params[2];
    if (command == "LayerSetColorMult" || command == "LayerSetColorAdd") {
        Color color;
        if (!GetColor(value, &color)) {
            return Error(kBadType);
        }
        (command == "LayerSetColorMult" ? layer->mColorMult : layer->mColorAdd) = color;
        return true;
    }
    if (command == "LayerSetOffset") {
        std::vector<int32_t> offset;
        if (!GetIntList(value, 2, &offset)) {
            return Error(kBadType);
        }
        layer->mOffsetX = offset[0];
        layer->mOffsetY = offset[1];
        return true;
    }
    int32_t number = 0;
    if (!GetInt(value, &number)) {
        return Error(kBadType);
    }
    if (command == "LayerPointRange") {
        int32_t maximum = 0;
        if (!GetInt(params[3], &maximum)) {
            return Error(kBadType);
        }
        layer->mMinPointSize = number;
        layer->mMaxPointSize = maximum;
    } else if (command == "LayerSetDrawMode") {
        if (number != 0 && number != 1) {
            return Error(kBadType);
        }
        layer->mDrawMode = number;
    } else if (command == "LayerSetPointSize") {
        layer->mPointSize = number;
    } else if (command == "LayerSetHeight") {
        layer->mHeight = number;
    } else if (command == "LayerSetAscent") {
        layer->mAscent = number;
    } else if (command == "LayerSetAscentPadding") {
        layer->mAscentPadding = number;
    } else if (command == "LayerSetLineSpacingOffset") {
        layer->mLineSpacingOffset = number;
    } else if (command == "LayerSetSpacing") {
        layer->mSpacing = number;
    } else {
        layer->mBaseOrder = number;
    }
    return true;
}

}  // namespace Vesk
