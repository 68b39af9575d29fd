#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "graphics/Image.h"
#include "graphics/SharedImage.h"
#include "resources/ResourceManagerException.h"

namespace Vesk {

class Font;
class ResourceHost;
class XMLParser;
struct XMLElement;

// Images, sounds and fonts known by string id. The manifest is read into records grouped by
// its sections; a group is loaded whole or one record at a time and its objects are then
// looked up by id. Errors keep the first text; only the lookups throw.
// Threads: the loading thread may run BeginGroupLoad and LoadNextResource while the main
// thread draws, as long as the main thread leaves the maps alone meanwhile. No lock of its own.
class ResourceManager {
public:
    // Frames an animation of a manifest may hold.
    static constexpr int32_t kMaxAnimFrames = 4096;
    enum ResType : int32_t { ResType_Image = 0, ResType_Sound = 1, ResType_Font = 2 };

    // Group ids compare ignoring case, resource ids exactly.
    struct GroupLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };

    class BaseRes {
    public:
        int32_t mType = ResType_Image;
        std::string mId;
        std::string mResGroup;
        std::string mPath;
        std::map<std::string, std::string> mXMLAttributes;
        bool mFromProgram = false;

        virtual ~BaseRes() = default;
        // Frees the loaded object; the record stays.
        virtual void DeleteResource() {}
    };

    class ImageRes : public BaseRes {
    public:
        SharedImageRef mImage;
        std::string mAlphaImage;
        std::string mAlphaGridImage;
        std::string mVariant;
        bool mNoAlpha = false;
        bool mPalletize = true;
        bool mA4R4G4B4 = false;
        bool mA8R8G8B8 = false;
        bool mDDSurface = false;
        bool mPurgeBits = false;
        bool mMinimizeSubdivisions = false;
        int32_t mRows = 1;
        int32_t mCols = 1;
        uint32_t mAlphaColor = 0xFFFFFF;
        AnimInfo mAnimInfo;

        ImageRes() { mType = ResType_Image; }
        void DeleteResource() override;
    };

    class SoundRes : public BaseRes {
    public:
        int32_t mSoundId = -1;
        double mVolume = -1.0;
        int32_t mPanning = 0;
        ResourceHost* mHost = nullptr;  // not owned; releases the sound id

        SoundRes() { mType = ResType_Sound; }
        void DeleteResource() override;
    };

    class FontRes : public BaseRes {
    public:
        Font* mFont = nullptr;    // owned
        Image* mImage = nullptr;  // owned
        std::string mImagePath;
        std::string mTags;
        bool mSysFont = false;
        int32_t mSize = 0;
        bool mBold = false;
        bool mItalic = false;
        bool mUnderline = false;
        bool mShadow = false;

        FontRes() { mType = ResType_Font; }
        ~FontRes() override;
        void DeleteResource() override;
    };

    using ResMap = std::map<std::string, std::unique_ptr<BaseRes>>;
    using ResList = std::list<BaseRes*>;

    // host (not owned; may be null) supplies images and sounds.
    explicit ResourceManager(ResourceHost* host);
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    // ---- Manifest (ResourceManager.cpp). ----
    virtual bool ReadCommonAttributes(XMLElement& element, BaseRes* res, ResMap& map);
    virtual bool ReadSoundElement(XMLElement& element);
    virtual bool ReadImageElement(XMLElement& element);
    virtual bool ReadFontElement(XMLElement& element);
    virtual bool ReadSetDefaults(XMLElement& element);
    // Reads the children of one "Resources" section up to its end tag, by the kinds of
    // mGroupKinds.
    virtual bool ReadGroupElements();

    // ---- Loading, counts and lookups (ResourceManagerLoad.cpp). ----
    virtual void DeleteGroupResources(const std::string& group);
    virtual void DeleteGroupInMap(ResMap& map, const std::string& group);
    virtual bool LoadImageRecord(ImageRes* res);
    virtual bool LoadFontRecord(FontRes* res);
    virtual bool LoadSoundRecord(SoundRes* res);
    virtual ~ResourceManager();
    // False when nothing is left or an error was recorded.
    virtual bool LoadNextResource();
    // Called with each record right after it loaded.
    virtual void ResourceLoadedHook(BaseRes* res);
    virtual void BeginGroupLoad(const std::string& group);
    [[nodiscard]] virtual bool LoadGroup(const std::string& group);
    // The lookups throw ResourceManagerException for an id with no loaded record.
    virtual SharedImageRef LookupImage(const std::string& id);
    virtual int LookupSound(const std::string& id);
    virtual Font* LookupFont(const std::string& id);

    // True when no error was recorded.
    bool ReadManifestFile(const std::string& fileName);
    // The same over text held in memory.
    bool ReadManifestString(const std::string& text);
    bool HadError() const { return mHasFailed; }
    std::string GetErrorText() const { return mError; }
    // Records the first error only; answers false.
    bool Fail(const std::string& text);

    // Counts compare the group exactly and leave out "!program" records; "" counts all.
    int GetGroupImageCount(const std::string& group) const;
    int GetGroupSoundCount(const std::string& group) const;
    int GetGroupFontCount(const std::string& group) const;
    int GetGroupResourceCount(const std::string& group) const;
    bool IsGroupLoaded(const std::string& group) const { return mLoadedGroups.count(group) != 0; }
    // Null when no font record has the id or it is not loaded.
    Font* GetFont(const std::string& id);

    std::set<std::string, GroupLess> mLoadedGroups;
    ResMap mImageMap;
    ResMap mSoundMap;
    ResMap mFontMap;
    std::unique_ptr<XMLParser> mXMLParser;
    std::string mError;
    bool mHasFailed = false;
    ResourceHost* mHost = nullptr;  // not owned; may be null
    std::string mCurResGroup;
    std::string mDefaultPath;
    std::string mDefaultIdPrefix;
    std::map<std::string, ResList, GroupLess> mResGroupMap;
    ResList* mCurResGroupList = nullptr;
    ResList::iterator mCurResGroupListItr;

protected:
    // How one kind of manifest element is read. The reader gets the start tag; unless it
    // reads its own children and end tag, the end tag must follow at once.
    struct ElementKind {
        std::function<bool(XMLElement&)> read;
        bool readsOwnEnd = false;
    };
    // By tag name, compared exactly.
    using ElementTable = std::map<std::string, ElementKind, std::less<>>;

    // Reads elements up to the enclosing end tag, each start tag by its kind. An unknown tag,
    // text or a failed reader ends it with false.
    bool ReadElements(const ElementTable& kinds);
    // Opens the manifest parser over a file; false, with the error recorded, when it can't.
    bool OpenManifestFile(const std::string& fileName);
    void OpenManifestString(const std::string& text);
    // Reads up to the first start tag; false when the parser ends before one.
    bool ReadRootElement(XMLElement& element);
    // Records a parser failure and drops the parser. True when no error was recorded.
    bool CloseManifest();

    // The children of a "Resources" section; the maker's manager adds its own.
    ElementTable mGroupKinds;

    // How one type of record is loaded: whether it holds its object already, and the load,
    // which records its own error.
    struct RecordKind {
        std::function<bool(BaseRes&)> loaded;
        std::function<bool(BaseRes&)> load;
    };
    // By the record's type; LoadNextResource passes over records of a type not here. The
    // maker's manager adds its own.
    std::map<int32_t, RecordKind> mRecordKinds;

    // Leading white space, an optional sign, digits; the rest is ignored and no digits read
    // as 0.
    static int32_t ReadDecimal(const std::string& text);
    // Split at every ','; an empty piece is 0.
    static std::vector<int32_t> ReadDecimalList(const std::string& text);
    // The attributes of an image element other than the common ones and the animation.
    void ReadImageAttributes(XMLElement& element, ImageRes* res);
    // Reads sections until the parser reports the end.
    bool DoParseResources();
    // Passes over instructions and comments; false at the end or on a parser error.
    bool NextElement(XMLElement& element);
    // The path, with the default prefix unless it begins with "!".
    std::string PrefixedPath(const std::string& path) const;

private:
    bool ReadManifest();
    static int CountInMap(const ResMap& map, const std::string& group);
};

}  // namespace Vesk
