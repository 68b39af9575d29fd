#pragma once

#include <memory>
#include <string>
#include <vector>

#include "graphics/Image.h"
#include "resources/LevelDesc.h"
#include "resources/ResourceManager.h"
#include "resources/zmImageEx.h"

namespace Vesk {

class zmParticleSystem;

// The maker's resource manager: animated images (ImageEx), particle systems (Particle) and the
// levels of a second manifest beside the base kinds. Particle systems belong to the host's
// particle registry; animated images and levels to their records.
// Threads: as the base manager.
class zmResourceManager : public ResourceManager {
public:
    enum : int32_t { ResType_ImageEx = 3, ResType_Level = 4, ResType_Particle = 5 };

    // The game's field and image slots bound what a level may ask for.
    static constexpr int kMaxLevelWidth = 17;
    static constexpr int kMaxLevelHeight = 12;
    static constexpr int kMaxLevelBlocks = 8;
    // No animation has more frames; a bigger count is refused before anything is allocated.
    static constexpr int32_t kMaxSeqFrames = 4096;

    // One animation of an ImageEx: type, delays, frame map, frame count and total time.
    struct SeqRes {
        std::string mId;
        AnimInfo mAnimInfo;
    };

    class ImageExRes : public ImageRes {
    public:
        std::unique_ptr<zmImageEx> mImageEx;
        // Kept when the group is unloaded, so loading it again builds the same table.
        std::vector<SeqRes> mSequences;
        std::string mParticle;  // definition path; empty when none

        ImageExRes() { mType = ResType_ImageEx; }
        void DeleteResource() override;
    };

    class ParticleSystemRes : public BaseRes {
    public:
        zmParticleSystem* mSystem = nullptr;  // not owned: the particle registry's

        ParticleSystemRes() { mType = ResType_Particle; }
    };

    class LevelRes : public BaseRes {
    public:
        std::string mBackground;
        int32_t mCapacity = 0;
        float mStart = 0.0f;
        float mSpeed = 0.0f;
        int32_t mEffectCapacity = 0;
        uint8_t mWidth = 0;
        uint8_t mHeight = 0;
        std::vector<int32_t> mTable;
        std::vector<std::string> mBlocks;
        std::unique_ptr<LevelDesc> mLevel;

        LevelRes() { mType = ResType_Level; }
        void DeleteResource() override { mLevel.reset(); }
    };

    // Adds ImageEx and Particle to the kinds of a "Resources" section, and their records and
    // the levels' to the kinds loaded.
    explicit zmResourceManager(ResourceHost* host);
    ~zmResourceManager() override;

    void DeleteGroupResources(const std::string& group) override;

    // ---- Levels (zmResourceManagerLevels.cpp). ----
    // Reads "properties\levels.xml" into records of the group "levels". True when no error
    // was recorded.
    bool ReadLevelManifest(const std::string& fileName);
    // The same over text held in memory.
    bool ReadLevelManifestString(const std::string& text);
    // Level records of the group (compared exactly); "" counts all.
    int GetGroupLevelCount(const std::string& group) const;

    // Throw ResourceManagerException for an id with no loaded record.
    virtual zmImageEx* LookupImageEx(const std::string& id);
    virtual zmParticleSystem* LookupParticle(const std::string& id);
    virtual LevelDesc* LookupLevel(const std::string& id);

    ResMap mLevelMap;
    ResMap mParticleMap;

protected:
    bool ReadImageExElement(XMLElement& element);
    bool ReadSeqElement(XMLElement& element, ImageExRes* res);
    bool ReadParticleElement(XMLElement& element);
    bool LoadImageExRecord(ImageExRes* res);
    bool LoadParticleRecord(ParticleSystemRes* res);
    bool LoadLevelRecord(LevelRes* res);
    // Records the text (the first error stays) and throws.
    [[noreturn]] void ThrowNotFound(const std::string& text);

private:
    bool ReadLevels();
    bool ReadLevelElement(XMLElement& element);

    // The children of an ImageEx, read into the record just added to the group.
    ElementTable mSeqKinds;
    // The children of a LevelManifest.
    ElementTable mLevelKinds;
};

}  // namespace Vesk
