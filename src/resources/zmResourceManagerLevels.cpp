// The level manifest, its records and the level descriptions made from them.
#include <cstdlib>

#include "resources/XMLElement.h"
#include "resources/XMLParser.h"
#include "resources/zmResourceManager.h"
#include "util/CommonText.h"

namespace Vesk {

namespace {

const std::string* FindAttribute(const XMLElement& element, const char* name) {
    auto it = element.mAttributes.find(name);
    return it != element.mAttributes.end() ? &it->second : nullptr;
}

// Untrimmed pieces between commas; an empty text names nothing.
std::vector<std::string> SplitNames(const std::string& text) {
    std::vector<std::string> names;
    if (text.empty()) {
        return names;
    }
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        if (comma == std::string::npos) {
            names.push_back(text.substr(start));
            return names;
        }
        names.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

}  // namespace

bool zmResourceManager::ReadLevelManifest(const std::string& fileName) {
    return OpenManifestFile(fileName) && ReadLevels();
}

bool zmResourceManager::ReadLevelManifestString(const std::string& text) {
    OpenManifestString(text);
    return ReadLevels();
}

bool zmResourceManager::ReadLevels() {
    XMLElement element;
    // The other manifest's text, kept as the players' error reports know it.
    if (!ReadRootElement(element) || element.mValue != "LevelManifest") {
        Fail("Expecting ResourceManifest tag");
    }
    if (!mXMLParser->HasFailed()) {
        mCurResGroup = "levels";
        mCurResGroupList = &mResGroupMap[mCurResGroup];
        mDefaultPath.clear();
        mDefaultIdPrefix.clear();
        ReadElements(mLevelKinds);
    }
    return CloseManifest();
}

bool zmResourceManager::ReadLevelElement(XMLElement& element) {
    auto res = std::make_unique<LevelRes>();
    res->mXMLAttributes = element.mAttributes;
    res->mFromProgram = false;
    res->mResGroup = mCurResGroup;
    const std::string* id = FindAttribute(element, "id");
    if (id == nullptr || id->empty()) {
        return Fail("No id specified.");
    }
    res->mId = mDefaultIdPrefix + *id;

    if (const std::string* v = FindAttribute(element, "background")) {
        res->mBackground = *v;
    }
    if (const std::string* v = FindAttribute(element, "capacity")) {
        res->mCapacity = ReadDecimal(*v);
    }
    if (const std::string* v = FindAttribute(element, "start")) {
        res->mStart = std::strtof(v->c_str(), nullptr);
    }
    if (const std::string* v = FindAttribute(element, "speed")) {
        res->mSpeed = std::strtof(v->c_str(), nullptr);
    }
    if (const std::string* v = FindAttribute(element, "effectcapacity")) {
        res->mEffectCapacity = ReadDecimal(*v);
    }
    if (const std::string* v = FindAttribute(element, "width")) {
        res->mWidth = static_cast<uint8_t>(ReadDecimal(*v));
    }
    if (const std::string* v = FindAttribute(element, "height")) {
        res->mHeight = static_cast<uint8_t>(ReadDecimal(*v));
    }
    if (const std::string* v = FindAttribute(element, "table")) {
        res->mTable = ReadDecimalList(*v);
    }
    if (const std::string* v = FindAttribute(element, "block")) {
        res->mBlocks = SplitNames(*v);
    }

    // The board's field and block images are fixed in size; a level beyond them is refused
    // here, by name, before anything reads its table.
    const char* name = res->mId.c_str();
    if (res->mWidth < 1 || res->mWidth > kMaxLevelWidth) {
        return Fail(StrFormat("Level '%s': width %d out of range 1 to %d.", name, res->mWidth,
                              kMaxLevelWidth));
    }
    if (res->mHeight < 1 || res->mHeight > kMaxLevelHeight) {
        return Fail(StrFormat("Level '%s': height %d out of range 1 to %d.", name, res->mHeight,
                              kMaxLevelHeight));
    }
    const size_t cells = size_t{res->mWidth} * res->mHeight;
    if (res->mTable.size() < cells) {
        return Fail(StrFormat("Level table too short: '%s' has %zu of %zu cells.", name,
                              res->mTable.size(), cells));
    }
    if (res->mBlocks.empty() || res->mBlocks.size() > size_t{kMaxLevelBlocks}) {
        return Fail(StrFormat("Level '%s': %zu block names, 1 to %d allowed.", name,
                              res->mBlocks.size(), kMaxLevelBlocks));
    }

    auto [it, inserted] = mLevelMap.try_emplace(res->mId);
    if (!inserted) {
        return Fail("Resource already defined.");
    }
    mCurResGroupList->push_back(res.get());
    it->second = std::move(res);
    return true;
}

bool zmResourceManager::LoadLevelRecord(LevelRes* res) {
    auto level = std::make_unique<LevelDesc>();
    level->background = res->mBackground;
    level->capacity = res->mCapacity;
    level->effectcapacity = res->mEffectCapacity;
    level->speed = res->mSpeed;
    level->start = res->mStart;
    level->blockCount = static_cast<int16_t>(res->mBlocks.size());
    level->blockNames = res->mBlocks;
    level->width = res->mWidth;
    level->height = res->mHeight;
    level->cells.assign(res->mWidth, std::vector<uint8_t>(res->mHeight, 0));
    for (size_t x = 0; x < res->mWidth; ++x) {
        for (size_t y = 0; y < res->mHeight; ++y) {
            const size_t item = x * res->mHeight + y;
            // The reader refuses short tables; a record filled by other code reads 0 past its end.
            level->cells[x][y] =
                item < res->mTable.size() ? static_cast<uint8_t>(res->mTable[item]) : 0;
        }
    }
    res->mLevel = std::move(level);
    ResourceLoadedHook(res);
    return true;
}

int zmResourceManager::GetGroupLevelCount(const std::string& group) const {
    if (group.empty()) {
        return static_cast<int>(mLevelMap.size());
    }
    int count = 0;
    for (const auto& [id, res] : mLevelMap) {
        if (res->mResGroup == group) {
            ++count;
        }
    }
    return count;
}

LevelDesc* zmResourceManager::LookupLevel(const std::string& id) {
    auto it = mLevelMap.find(id);
    if (it != mLevelMap.end()) {
        if (LevelDesc* level = static_cast<LevelRes*>(it->second.get())->mLevel.get()) {
            return level;
        }
    }
    ThrowNotFound("Level resource not found: " + id);
}

}  // namespace Vesk
