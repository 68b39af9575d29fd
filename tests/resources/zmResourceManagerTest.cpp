// The maker's manifest elements (ImageEx with its sequences, Particle), the level manifest made
// by the writer, and loading, lookups and unloading of both.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "graphics/MemoryImage.h"
#include "levels/LevelWriter.h"
#include "particles/ParticleWriter.h"
#include "resources/ParticleRegistry.h"
#include "resources/ResourceHost.h"
#include "resources/zmParticleSystem.h"
#include "resources/zmResourceManager.h"

namespace {

namespace fs = std::filesystem;
using Vesk::zmResourceManager;
using vesk_tools::LevelEntry;

// 40 x 10 images for every path but those containing "missing"; its own particle registry.
class TestHost : public Vesk::ResourceHost {
public:
    std::map<std::string, std::unique_ptr<Vesk::SharedImage>> mShared;
    ParticleRegistry mRegistry{0.0f, this};

    ~TestHost() override {
        for (auto& [key, slot] : mShared) {
            delete slot->mImage;
        }
    }
    Vesk::SharedImageRef GetSharedImage(const std::string& path, const std::string& variant,
                                        bool* isNew) override {
        std::unique_ptr<Vesk::SharedImage>& slot = mShared[path + "|" + variant];
        *isNew = slot == nullptr;
        if (slot == nullptr) {
            slot = std::make_unique<Vesk::SharedImage>();
            slot->mImage = GetImage(path);
        }
        Vesk::SharedImageRef ref;
        if (slot->mImage != nullptr) {
            ref.AssignShared(slot.get());
        }
        return ref;
    }
    Vesk::Image* GetImage(const std::string& path) override {
        if (path.find("missing") != std::string::npos) {
            return nullptr;
        }
        auto* image = new Vesk::MemoryImage();
        image->Create(40, 10);
        return image;
    }
    ParticleRegistry* GetParticleRegistry() override { return &mRegistry; }
};

class zmResourceManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        mDir = fs::temp_directory_path() /
               ("vesk_zmres_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(mDir);
        const std::vector<uint8_t> bytes =
            vesk_tools::WriteParticleDefinition(vesk_tools::ParticleDefinition{});
        std::ofstream((mDir / "spark.bin").string(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        std::ofstream((mDir / "broken.bin").string(), std::ios::binary) << "broken";
    }
    void TearDown() override { fs::remove_all(mDir); }

    bool Read(const std::string& body) {
        return mManager.ReadManifestString("<ResourceManifest><Resources id=\"Game\">" + body +
                                           "</Resources></ResourceManifest>");
    }
    std::string Path(const char* name) const { return (mDir / name).string(); }
    zmResourceManager::ImageExRes& ImageEx(const std::string& id) {
        return static_cast<zmResourceManager::ImageExRes&>(*mManager.mImageMap.at(id));
    }
    static LevelEntry Level(const std::string& id) {
        LevelEntry level;
        level.id = id;
        level.background = "BACKGROUND_FLOWER1";
        level.capacity = 1000;
        level.start = 0.25f;
        level.speed = 1.5f;
        level.effectcapacity = 300;
        level.width = 2;
        level.height = 3;
        level.table = {1, 0, 1, 1, 257, 0};
        level.blocks = {"IMAGE_BLOCK1", "IMAGE_BLOCK2", "IMAGE_BLOCK3"};
        return level;
    }

    fs::path mDir;
    TestHost mHost;
    zmResourceManager mManager{&mHost};
};

TEST_F(zmResourceManagerTest, SequencesBuildTheirFramesDelaysAndTotals) {
    ASSERT_TRUE(
        Read("<ImageEx id=\"A\" path=\"a\" rows=\"2\" cols=\"4\">"
             "<Seq id=\"loop\" anim=\"Loop\" framedelay=\"10\"/>"
             "<Seq id=\"pp\" anim=\"pingpong\" framedelay=\"10\"/>"
             "<Seq id=\"begin\" framedelay=\"10\" begindelay=\"50\" framemap=\"0,1,2\"/>"
             "<Seq id=\"map\" framedelay=\"3\" framemap=\"5,1\" perframedelay=\"7\"/>"
             "</ImageEx>"))
        << mManager.GetErrorText();
    const std::vector<zmResourceManager::SeqRes>& seqs = ImageEx("A").mSequences;
    ASSERT_EQ(seqs.size(), 4u);
    EXPECT_EQ(seqs[0].mAnimInfo.mFrameCount, 4);
    EXPECT_EQ(seqs[0].mAnimInfo.mTotalTime, 40);
    EXPECT_EQ(seqs[1].mAnimInfo.mFrameMap, (std::vector<int32_t>{0, 1, 2, 3, 2, 1}));
    EXPECT_EQ(seqs[2].mAnimInfo.mPerFrameDelay, (std::vector<int32_t>{50, 10, 10}));
    EXPECT_EQ(seqs[2].mAnimInfo.mTotalTime, 70);

    ASSERT_TRUE(mManager.LoadGroup("Game")) << mManager.GetErrorText();
    Vesk::zmImageEx* image = mManager.LookupImageEx("A");
    ASSERT_EQ(image->mAnimations.size(), 4u);
    const auto& loop = image->mAnimations[0].mFrames;
    ASSERT_EQ(loop.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(loop[i].mRow, 0);
        EXPECT_EQ(loop[i].mColumn, i);
        EXPECT_EQ(loop[i].mDelay, 10);
    }
    EXPECT_EQ(image->mAnimations[1].mFrames.size(), 6u);
    const auto& map = image->mAnimations[3].mFrames;
    ASSERT_EQ(map.size(), 2u);
    EXPECT_EQ(map[0].mRow, 1);
    EXPECT_EQ(map[0].mColumn, 1);
    EXPECT_EQ(map[0].mDelay, 7);
    EXPECT_EQ(map[1].mColumn, 1);
    EXPECT_EQ(map[1].mDelay, 3);
    EXPECT_EQ(image->mImage, mManager.LookupImage("A").GetImage());
    EXPECT_EQ(mManager.GetGroupResourceCount("Game"), 1) << "ImageEx counts as an image";
}

TEST_F(zmResourceManagerTest, BadElementsStopTheReadWithTheirText) {
    const struct {
        const char* body;
        const char* error;
    } cases[] = {
        {"<ImageEx id=\"A\" path=\"a\"><Seq id=\"s\" anim=\"bounce\"/></ImageEx>",
         "Invalid animation type."},
        {"<ImageEx id=\"A\" path=\"a\"><Foo/></ImageEx>", "Invalid Section 'Foo'"},
        {"<ImageEx id=\"A\" path=\"a\"><Seq anim=\"loop\"/></ImageEx>", "No id specified."},
        {"<ImageEx id=\"A\" path=\"a\" cols=\"100000\"><Seq id=\"s\" anim=\"pingpong\"/></ImageEx>",
         "Too many frames in sequence 's'."},
        {"<Particle id=\"P\" path=\"p\"><Seq/></Particle>", "Unexpected element found."},
        {"<Image id=\"A\" path=\"a\"/><ImageEx id=\"A\" path=\"b\"/>", "Resource already defined."},
        {"<Level id=\"L\"/>", "Invalid Section 'Level'"},
    };
    for (const auto& c : cases) {
        zmResourceManager manager(&mHost);
        EXPECT_FALSE(manager.ReadManifestString("<ResourceManifest><Resources id=\"G\">" +
                                                std::string(c.body) +
                                                "</Resources></ResourceManifest>"));
        EXPECT_EQ(manager.GetErrorText().rfind(c.error, 0), 0u)
            << c.body << " -> " << manager.GetErrorText();
    }
}

TEST_F(zmResourceManagerTest, ParticlesComeFromTheRegistryAndLookupsKeepTheirKinds) {
    ASSERT_TRUE(Read("<Particle id=\"P\" path=\"" + Path("spark.bin") +
                     "\"/><ImageEx id=\"E\" path=\"e\" particle=\"" + Path("spark.bin") +
                     "\"><Seq id=\"s\"/></ImageEx><Image id=\"I\" path=\"i\"/>"));
    EXPECT_THROW(mManager.LookupParticle("P"), Vesk::ResourceManagerException);
    ASSERT_TRUE(mManager.LoadGroup("Game")) << mManager.GetErrorText();
    Vesk::zmParticleSystem* system = mManager.LookupParticle("P");
    EXPECT_EQ(mHost.mRegistry.mSystems[0].get(), system);
    EXPECT_EQ(mManager.LookupImageEx("E")->mParticleSystem, mHost.mRegistry.mSystems[1].get());
    EXPECT_EQ(mManager.GetGroupResourceCount("Game"), 2);

    EXPECT_THROW(mManager.LookupImageEx("I"), Vesk::ResourceManagerException);
    try {
        mManager.LookupParticle("I");
        FAIL();
    } catch (const Vesk::ResourceManagerException&) {
        EXPECT_EQ(mManager.GetErrorText().rfind("ImageEx resource not found: I", 0), 0u)
            << "the first error stays";
    }

    // Unloading keeps the sequences and the registry's systems; reloading rebuilds the table.
    mManager.DeleteGroupResources("Game");
    EXPECT_THROW(mManager.LookupImageEx("E"), Vesk::ResourceManagerException);
    EXPECT_EQ(mManager.LookupParticle("P"), system);
    ASSERT_TRUE(mManager.LoadGroup("Game"));
    EXPECT_EQ(mManager.LookupImageEx("E")->mAnimations.size(), 1u);
    EXPECT_EQ(mHost.mRegistry.mCount.load(), 3);
}

TEST_F(zmResourceManagerTest, FailedImagesAndCorruptDefinitionsFailTheGroup) {
    ASSERT_TRUE(Read("<ImageEx id=\"E\" path=\"missing\"><Seq id=\"s\"/></ImageEx>"));
    EXPECT_FALSE(mManager.LoadGroup("Game"));
    EXPECT_EQ(ImageEx("E").mImageEx, nullptr);

    zmResourceManager manager(&mHost);
    ASSERT_TRUE(manager.ReadManifestString(
        "<ResourceManifest><Resources id=\"G\"><Particle id=\"P\" path=\"" + Path("broken.bin") +
        "\"/></Resources></ResourceManifest>"));
    EXPECT_FALSE(manager.LoadGroup("G"));
    EXPECT_NE(manager.GetErrorText().find("broken.bin"), std::string::npos);
}

TEST_F(zmResourceManagerTest, LevelsLoadColumnAfterColumnWithTheirBlockNames) {
    LevelEntry odd = Level("LEVEL1");
    odd.width = 258;
    odd.blocks = {"A", "", "B"};
    ASSERT_TRUE(
        mManager.ReadLevelManifestString(vesk_tools::WriteLevelManifest({Level("LEVEL"), odd})))
        << mManager.GetErrorText();
    EXPECT_EQ(mManager.GetGroupLevelCount("levels"), 2);
    EXPECT_EQ(mManager.GetGroupLevelCount("Levels"), 0);
    EXPECT_EQ(mManager.GetGroupResourceCount("levels"), 0);
    EXPECT_THROW(mManager.LookupLevel("LEVEL"), Vesk::ResourceManagerException);

    ASSERT_TRUE(mManager.LoadGroup("Levels"));
    const Vesk::LevelDesc* level = mManager.LookupLevel("LEVEL");
    EXPECT_EQ(level->background, "BACKGROUND_FLOWER1");
    EXPECT_EQ(level->capacity, 1000);
    EXPECT_EQ(level->start, 0.25f);
    EXPECT_EQ(level->speed, 1.5f);
    EXPECT_EQ(level->effectcapacity, 300);
    ASSERT_EQ(level->width, 2);
    ASSERT_EQ(level->height, 3);
    const uint8_t want[2][3] = {{1, 0, 1}, {1, 1, 0}};
    for (int x = 0; x < 2; ++x) {
        for (int y = 0; y < 3; ++y) {
            EXPECT_EQ(level->cells[x][y], want[x][y]) << x << "," << y;
        }
    }
    EXPECT_EQ(level->blockCount, 3);
    EXPECT_EQ(level->blockNames[2], "IMAGE_BLOCK3");
    const Vesk::LevelDesc* second = mManager.LookupLevel("LEVEL1");
    EXPECT_EQ(second->width, 2);
    EXPECT_EQ(second->blockNames, (std::vector<std::string>{"A", "", "B"}));

    mManager.DeleteGroupResources("levels");
    EXPECT_THROW(mManager.LookupLevel("LEVEL"), Vesk::ResourceManagerException);
    ASSERT_TRUE(mManager.LoadGroup("levels"));
    EXPECT_EQ(mManager.LookupLevel("LEVEL")->cells[1][1], 1);
}

TEST_F(zmResourceManagerTest, LevelManifestErrors) {
    LevelEntry noId = Level("");
    LevelEntry wide = Level("W");
    wide.width = 18;
    wide.table.assign(18 * 3, 1);
    LevelEntry flat = Level("H");
    flat.height = 0;
    LevelEntry tall = Level("T");
    tall.height = 13;
    tall.table.assign(2 * 13, 1);
    LevelEntry shortTable = Level("S");
    shortTable.table.pop_back();
    LevelEntry noBlocks = Level("B0");
    noBlocks.blocks.clear();
    LevelEntry manyBlocks = Level("B9");
    manyBlocks.blocks.assign(9, "IMAGE_BLOCK1");
    const std::string good = vesk_tools::WriteLevelManifest({Level("LEVEL")});
    std::string nested = good;
    nested.replace(nested.find("/>"), 2, "><Level/></Level>");
    const std::string noIdText = "<LevelManifest><Level background=\"x\"/></LevelManifest>";
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {noIdText, "No id specified."},
        {vesk_tools::WriteLevelManifest({noId}), "No id specified."},
        {vesk_tools::WriteLevelManifest({wide}), "Level 'W': width 18 out of range 1 to 17."},
        {vesk_tools::WriteLevelManifest({flat}), "Level 'H': height 0 out of range 1 to 12."},
        {vesk_tools::WriteLevelManifest({tall}), "Level 'T': height 13 out of range 1 to 12."},
        {vesk_tools::WriteLevelManifest({shortTable}),
         "Level table too short: 'S' has 5 of 6 cells."},
        {vesk_tools::WriteLevelManifest({noBlocks}), "Level 'B0': 0 block names, 1 to 8"},
        {vesk_tools::WriteLevelManifest({manyBlocks}), "Level 'B9': 9 block names, 1 to 8"},
        {vesk_tools::WriteLevelManifest({Level("D"), Level("D")}), "Resource already defined."},
        {"<LevelManifest><Foo/></LevelManifest>", "Invalid Section 'Foo'"},
        {"<LevelManifest>text</LevelManifest>", "Element Not Expected 'text'"},
        {nested, "Unexpected element found."},
        {"<ResourceManifest>" + good.substr(good.find("<Level ")),
         "Expecting ResourceManifest tag"},
    };
    for (const auto& c : cases) {
        zmResourceManager manager(&mHost);
        EXPECT_FALSE(manager.ReadLevelManifestString(c.text)) << c.error;
        EXPECT_EQ(manager.GetErrorText().rfind(c.error, 0), 0u)
            << c.error << " -> " << manager.GetErrorText();
    }
}

TEST_F(zmResourceManagerTest, LevelManifestEdges) {
    // A wrong root still reads the levels after it; the first record of a duplicate stays.
    std::string text = vesk_tools::WriteLevelManifest({Level("A"), Level("A")});
    text.replace(text.find("<LevelManifest>"), 15, "<Levels>");
    EXPECT_FALSE(mManager.ReadLevelManifestString(text));
    EXPECT_EQ(mManager.GetGroupLevelCount("levels"), 1);

    zmResourceManager empty(&mHost);
    EXPECT_TRUE(empty.ReadLevelManifestString(vesk_tools::WriteLevelManifest({})));
    EXPECT_EQ(empty.GetGroupLevelCount("levels"), 0);

    zmResourceManager missing(&mHost);
    EXPECT_FALSE(missing.ReadLevelManifest(Path("none.xml")));
    EXPECT_EQ(missing.GetErrorText(), "Resource file not found: " + Path("none.xml"));

    zmResourceManager fromFile(&mHost);
    std::ofstream(Path("levels.xml")) << vesk_tools::WriteLevelManifest({Level("LEVEL")});
    EXPECT_TRUE(fromFile.ReadLevelManifest(Path("levels.xml")));
    EXPECT_EQ(fromFile.GetGroupLevelCount(""), 1);
}

}  // namespace
