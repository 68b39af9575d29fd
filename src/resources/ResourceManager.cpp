#include "resources/ResourceManager.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>

#include "resources/ResourceHost.h"
#include "resources/XMLParser.h"
#include "util/CommonPath.h"
#include "util/CommonText.h"

namespace Vesk {

namespace {

const std::string* FindAttribute(const XMLElement& element, const char* name) {
    auto it = element.mAttributes.find(name);
    return it != element.mAttributes.end() ? &it->second : nullptr;
}

bool HasAttribute(const XMLElement& element, const char* name) {
    return element.mAttributes.count(name) != 0;
}

}  // namespace

int32_t ResourceManager::ReadDecimal(const std::string& text) {
    return static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 10));
}

std::vector<int32_t> ResourceManager::ReadDecimalList(const std::string& text) {
    std::vector<int32_t> values;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const size_t end = comma == std::string::npos ? text.size() : comma;
        values.push_back(ReadDecimal(text.substr(start, end - start)));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return values;
}

bool ResourceManager::GroupLess::operator()(const std::string& a, const std::string& b) const {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
}

ResourceManager::ResourceManager(ResourceHost* host) : mHost(host) {
    mGroupKinds = {
        {"Image", {[this](XMLElement& element) { return ReadImageElement(element); }}},
        {"Sound", {[this](XMLElement& element) { return ReadSoundElement(element); }}},
        {"Font", {[this](XMLElement& element) { return ReadFontElement(element); }}},
        {"SetDefaults", {[this](XMLElement& element) { return ReadSetDefaults(element); }}},
    };
    mRecordKinds = {
        {ResType_Image,
         {[](BaseRes& res) { return static_cast<ImageRes&>(res).mImage.GetImage() != nullptr; },
          [this](BaseRes& res) { return LoadImageRecord(&static_cast<ImageRes&>(res)); }}},
        {ResType_Sound,
         {[](BaseRes& res) { return static_cast<SoundRes&>(res).mSoundId != -1; },
          [this](BaseRes& res) { return LoadSoundRecord(&static_cast<SoundRes&>(res)); }}},
        {ResType_Font,
         {[](BaseRes& res) { return static_cast<FontRes&>(res).mFont != nullptr; },
          [this](BaseRes& res) { return LoadFontRecord(&static_cast<FontRes&>(res)); }}},
    };
}

bool ResourceManager::Fail(const std::string& text) {
    if (mHasFailed) {
        return false;
    }
    mHasFailed = true;
    mError = text;
    if (mXMLParser != nullptr) {
        const int32_t line = mXMLParser->GetCurrentLineNum();
        if (line > 0) {
            mError += StrFormat(" on Line %d", line);
        }
        const std::string file = mXMLParser->GetFileName();
        if (!file.empty()) {
            mError += " in File '" + file + "'";
        }
    }
    return false;
}

std::string ResourceManager::PrefixedPath(const std::string& path) const {
    if (!path.empty() && path[0] == '!') {
        return path;
    }
    return mDefaultPath + path;
}

bool ResourceManager::NextElement(XMLElement& element) {
    for (;;) {
        if (!mXMLParser->NextElement(&element)) {
            return false;
        }
        if (element.mType != XMLElement::TYPE_INSTRUCTION &&
            element.mType != XMLElement::TYPE_COMMENT) {
            return true;
        }
    }
}

bool ResourceManager::ReadCommonAttributes(XMLElement& element, BaseRes* res, ResMap& map) {
    std::unique_ptr<BaseRes> owned(res);
    res->mResGroup = mCurResGroup;
    res->mXMLAttributes = element.mAttributes;

    const std::string* path = FindAttribute(element, "path");
    if (path == nullptr || path->empty()) {
        return Fail("No path specified.");
    }
    res->mFromProgram = *path == "!program";
    res->mPath = PrefixedPath(*path);

    const std::string* id = FindAttribute(element, "id");
    res->mId = mDefaultIdPrefix + (id != nullptr ? *id : GetFileName(res->mPath));

    auto [it, inserted] = map.try_emplace(res->mId);
    if (!inserted) {
        return Fail("Resource already defined.");
    }
    it->second = std::move(owned);
    mCurResGroupList->push_back(res);
    return true;
}

void ResourceManager::ReadImageAttributes(XMLElement& element, ImageRes* res) {
    res->mPalletize = !HasAttribute(element, "nopal");
    res->mA4R4G4B4 = HasAttribute(element, "a4r4g4b4");
    res->mA8R8G8B8 = HasAttribute(element, "a8r8g8b8");
    res->mDDSurface = HasAttribute(element, "ddsurface");
    const bool is3D = mHost != nullptr && mHost->Is3DAccelerated();
    res->mPurgeBits = HasAttribute(element, "nobits") ||
                      (HasAttribute(element, "nobits3d") && is3D) ||
                      (HasAttribute(element, "nobits2d") && !is3D);
    res->mMinimizeSubdivisions = HasAttribute(element, "minsubdivide");
    res->mNoAlpha = HasAttribute(element, "noalpha");
    if (const std::string* v = FindAttribute(element, "alphaimage")) {
        res->mAlphaImage = mDefaultPath + *v;
    }
    if (const std::string* v = FindAttribute(element, "alphacolor")) {
        unsigned int color = 0xFFFFFF;
        if (std::sscanf(v->c_str(), "%x", &color) == 1) {
            res->mAlphaColor = color;
        }
    }
    if (const std::string* v = FindAttribute(element, "variant")) {
        res->mVariant = *v;
    }
    if (const std::string* v = FindAttribute(element, "alphagrid")) {
        res->mAlphaGridImage = mDefaultPath + *v;
    }
    // Below 1 a grid would divide by zero when cut into cels.
    if (const std::string* v = FindAttribute(element, "rows")) {
        res->mRows = std::max(1, ReadDecimal(*v));
    }
    if (const std::string* v = FindAttribute(element, "cols")) {
        res->mCols = std::max(1, ReadDecimal(*v));
    }
}

bool ResourceManager::ReadImageElement(XMLElement& element) {
    auto* res = new ImageRes();
    if (!ReadCommonAttributes(element, res, mImageMap)) {
        return false;
    }
    ReadImageAttributes(element, res);

    AnimInfo& anim = res->mAnimInfo;
    anim.mAnimType = AnimNone;
    if (const std::string* v = FindAttribute(element, "anim")) {
        const std::string type = Lower(*v);
        if (type == "none") {
            anim.mAnimType = AnimNone;
        } else if (type == "once") {
            anim.mAnimType = AnimOnce;
        } else if (type == "pingpong") {
            anim.mAnimType = AnimPingPong;
        } else if (type == "loop") {
            anim.mAnimType = AnimLoop;
        } else {
            return Fail("Invalid animation type.");
        }
    }
    if (anim.mAnimType == AnimNone) {
        return true;
    }
    const int32_t frames = std::max(res->mRows, res->mCols);
    int32_t beginDelay = 0;
    int32_t endDelay = 0;
    if (const std::string* v = FindAttribute(element, "framedelay")) {
        anim.mFrameDelay = ReadDecimal(*v);
    }
    if (const std::string* v = FindAttribute(element, "begindelay")) {
        beginDelay = ReadDecimal(*v);
    }
    if (const std::string* v = FindAttribute(element, "enddelay")) {
        endDelay = ReadDecimal(*v);
    }
    if (const std::string* v = FindAttribute(element, "perframedelay")) {
        const std::vector<int32_t> delays = ReadDecimalList(*v);
        for (size_t i = 0; i < delays.size(); ++i) {
            anim.SetPerFrameDelay(static_cast<int32_t>(i), delays[i]);
        }
    }
    if (const std::string* v = FindAttribute(element, "framemap")) {
        anim.mFrameMap = ReadDecimalList(*v);
    }
    // Rows and columns come from the manifest: a ping-pong map is built from their count.
    if (frames > kMaxAnimFrames || anim.mFrameMap.size() > size_t{kMaxAnimFrames} ||
        anim.mPerFrameDelay.size() > size_t{kMaxAnimFrames}) {
        return Fail("Too many animation frames.");
    }
    anim.Compute(frames, beginDelay, endDelay);
    return true;
}

bool ResourceManager::ReadSoundElement(XMLElement& element) {
    auto* res = new SoundRes();
    res->mHost = mHost;
    if (!ReadCommonAttributes(element, res, mSoundMap)) {
        return false;
    }
    if (const std::string* v = FindAttribute(element, "volume")) {
        double volume = -1.0;
        if (std::sscanf(v->c_str(), "%lf", &volume) == 1) {
            res->mVolume = volume;
        }
    }
    if (const std::string* v = FindAttribute(element, "pan")) {
        int pan = 0;
        if (std::sscanf(v->c_str(), "%d", &pan) == 1) {
            res->mPanning = pan;
        }
    }
    return true;
}

bool ResourceManager::ReadFontElement(XMLElement& element) {
    auto* res = new FontRes();
    if (!ReadCommonAttributes(element, res, mFontMap)) {
        return false;
    }
    if (const std::string* v = FindAttribute(element, "image")) {
        res->mImagePath = *v;
    }
    if (const std::string* v = FindAttribute(element, "tags")) {
        res->mTags = *v;
    }
    static constexpr std::string_view kSys = "!sys:";
    if (res->mPath.compare(0, kSys.size(), kSys) == 0) {
        res->mSysFont = true;
        res->mPath = res->mPath.substr(kSys.size());
        const std::string* size = FindAttribute(element, "size");
        res->mSize = size != nullptr ? ReadDecimal(*size) : 0;
        if (res->mSize <= 0) {
            return Fail("SysFont needs point size");
        }
        res->mBold = HasAttribute(element, "bold");
        res->mItalic = HasAttribute(element, "italic");
        res->mShadow = HasAttribute(element, "shadow");
        res->mUnderline = HasAttribute(element, "underline");
    }
    return true;
}

bool ResourceManager::ReadSetDefaults(XMLElement& element) {
    if (const std::string* v = FindAttribute(element, "path")) {
        mDefaultPath = RemoveTrailingSlash(*v) + '/';
    }
    if (const std::string* v = FindAttribute(element, "idprefix")) {
        mDefaultIdPrefix = RemoveTrailingSlash(*v);
    }
    return true;
}

bool ResourceManager::ReadElements(const ElementTable& kinds) {
    XMLElement element;
    while (NextElement(element)) {
        if (element.mType == XMLElement::TYPE_START) {
            const auto kind = kinds.find(element.mValue);
            if (kind == kinds.end()) {
                return Fail("Invalid Section '" + element.mValue + "'");
            }
            if (!kind->second.read(element)) {
                return false;
            }
            if (kind->second.readsOwnEnd) {
                continue;
            }
            XMLElement end;
            if (!NextElement(end)) {
                return false;
            }
            if (end.mType != XMLElement::TYPE_END) {
                return Fail("Unexpected element found.");
            }
        } else if (element.mType == XMLElement::TYPE_TEXT) {
            return Fail("Element Not Expected '" + element.mValue + "'");
        } else if (element.mType == XMLElement::TYPE_END) {
            return true;
        }
    }
    return false;
}

bool ResourceManager::ReadGroupElements() {
    return ReadElements(mGroupKinds);
}

bool ResourceManager::DoParseResources() {
    XMLElement element;
    while (NextElement(element)) {
        if (element.mType == XMLElement::TYPE_START) {
            if (element.mValue != "Resources") {
                return Fail("Invalid Section '" + element.mValue + "'");
            }
            const std::string* id = FindAttribute(element, "id");
            if (id == nullptr || id->empty()) {
                return Fail("No id specified.");
            }
            mCurResGroup = *id;
            mCurResGroupList = &mResGroupMap[mCurResGroup];
            if (!ReadGroupElements()) {
                return false;
            }
        } else if (element.mType == XMLElement::TYPE_TEXT) {
            return Fail("Element Not Expected '" + element.mValue + "'");
        }
    }
    return !mHasFailed;
}

bool ResourceManager::OpenManifestFile(const std::string& fileName) {
    mXMLParser = std::make_unique<XMLParser>();
    if (!mXMLParser->OpenFile(fileName)) {
        mXMLParser.reset();
        return Fail("Resource file not found: " + fileName);
    }
    return true;
}

void ResourceManager::OpenManifestString(const std::string& text) {
    mXMLParser = std::make_unique<XMLParser>();
    mXMLParser->SetString(text);
}

bool ResourceManager::ReadRootElement(XMLElement& element) {
    while (NextElement(element)) {
        if (element.mType == XMLElement::TYPE_START) {
            return true;
        }
    }
    return false;
}

bool ResourceManager::CloseManifest() {
    if (mXMLParser->HasFailed()) {
        Fail(mXMLParser->GetErrorText());
    }
    mXMLParser.reset();
    mCurResGroupList = nullptr;
    return !mHasFailed;
}

bool ResourceManager::ReadManifest() {
    XMLElement element;
    if (ReadRootElement(element)) {
        if (element.mValue != "ResourceManifest") {
            Fail("Expecting ResourceManifest tag");
        } else {
            DoParseResources();
        }
    }
    return CloseManifest();
}

bool ResourceManager::ReadManifestFile(const std::string& fileName) {
    return OpenManifestFile(fileName) && ReadManifest();
}

bool ResourceManager::ReadManifestString(const std::string& text) {
    OpenManifestString(text);
    return ReadManifest();
}

}  // namespace Vesk
