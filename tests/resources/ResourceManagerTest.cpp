// The manifest reader, group loading, counts, lookups and unloading over files made here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/MemoryImage.h"
#include "resources/FontHost.h"
#include "resources/ImageFont.h"
#include "resources/ImageLib.h"
#include "resources/ResourceHost.h"
#include "resources/ResourceManager.h"

namespace {

namespace fs = std::filesystem;
using Vesk::ResourceManager;

// Images from the image readers, sounds as counted ids; paths containing "missing" fail. Image
// fonts read their layers' images through the same shared images.
class TestHost : public Vesk::ResourceHost, public Vesk::FontHost {
public:
    std::map<std::string, std::unique_ptr<Vesk::SharedImage>> mShared;

    // The application deletes its shared images; the test host does it when it goes.
    ~TestHost() override {
        for (auto& [key, slot] : mShared) {
            delete slot->mImage;
        }
    }
    std::vector<std::string> mPopups;
    std::map<int, std::string> mSounds;
    std::map<int, double> mVolumes;
    std::map<int, int> mPans;
    int mNextSoundId = 0;

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
        std::unique_ptr<ImageLib::Image> loaded = ImageLib::GetImage(path, false);
        if (loaded == nullptr) {
            return nullptr;
        }
        auto* image = new Vesk::MemoryImage(nullptr);
        image->SetBits(loaded->GetBits(), loaded->mWidth, loaded->mHeight, true);
        return image;
    }
    Vesk::FontHost* GetFontHost() override { return this; }
    void Popup(const std::string& text) override { mPopups.push_back(text); }
    int GetFreeSoundId() override { return mNextSoundId; }
    bool LoadSound(int id, const std::string& path) override {
        if (path.find("missing") != std::string::npos) {
            return false;
        }
        mSounds[id] = path;
        ++mNextSoundId;
        return true;
    }
    void ReleaseSound(int id) override { mSounds.erase(id); }
    bool SetBaseVolume(int id, double volume) override {
        mVolumes[id] = volume;
        return true;
    }
    bool SetBasePan(int id, int pan) override {
        mPans[id] = pan;
        return true;
    }
};

class ResourceManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        mDir = fs::temp_directory_path() /
               ("vesk_resmgr_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(mDir);
    }
    void TearDown() override { fs::remove_all(mDir); }

    // An opaque image whose blue byte of pixel i is i modulo 256.
    void WriteImage(const std::string& name, int w, int h, uint32_t base = 0xFF102000) {
        ImageLib::Image image(w, h);
        for (int i = 0; i < w * h; ++i) {
            image.mBits[i] = base | static_cast<uint32_t>(i & 0xFF);
        }
        ASSERT_TRUE(ImageLib::WritePNGImage((mDir / name).string(), image));
    }
    std::string WriteText(const std::string& name, const std::string& text) {
        std::ofstream((mDir / name).string(), std::ios::binary) << text;
        return (mDir / name).string();
    }
    // A manifest whose first section starts with defaults pointing into the test folder.
    bool Read(const std::string& body) {
        const bool ok = mManager.ReadManifestFile(WriteText(
            "resources.xml", "<ResourceManifest>\n<Resources id=\"Game\">\n<SetDefaults path=\"" +
                                 mDir.string() + "\"/>\n" + body + "</ResourceManifest>\n"));
        EXPECT_EQ(mManager.GetErrorText(), "");
        return ok;
    }
    ResourceManager::ImageRes& Image(const std::string& id) {
        return static_cast<ResourceManager::ImageRes&>(*mManager.mImageMap.at(id));
    }

    fs::path mDir;
    TestHost mHost;
    ResourceManager mManager{&mHost};
};

TEST_F(ResourceManagerTest, ImageAttributesDefaultsAndPrefixes) {
    ASSERT_TRUE(Read(
        "<SetDefaults path=\"" + mDir.string() +
        "/images\\\" idprefix=\"IMAGE_\"/>\n"
        "<Image path=\"logo.png\"/>\n"
        "<Image id=\"ALL\" path=\"a.png\" nopal a4r4g4b4 a8r8g8b8 ddsurface nobits minsubdivide "
        "noalpha alphaimage=\"a_.png\" alphacolor=\"ff8000\" variant=\"v\" alphagrid=\"g.png\" "
        "rows=\" 2x\" cols=\"-3\" anim=\"PingPong\" framedelay=\"5\" begindelay=\"7\" "
        "enddelay=\"9\" perframedelay=\"1,2,3\" custom=\"kept\"></Image>\n"
        "<Image id=\"MAP\" path=\"m.png\" cols=\"3\" anim=\"loop\" framemap=\"2,0,1\"/>\n"
        "<Image id=\"P\" path=\"!program\"/>\n"
        "</Resources>\n"));
    const std::string images = mDir.string() + "/images/";

    const ResourceManager::ImageRes& logo = Image("IMAGE_logo");
    EXPECT_EQ(logo.mPath, images + "logo.png");
    EXPECT_TRUE(logo.mPalletize);
    EXPECT_EQ(logo.mRows, 1);
    EXPECT_EQ(logo.mAlphaColor, 0xFFFFFFu);
    EXPECT_EQ(logo.mAnimInfo.mAnimType, Vesk::AnimNone);
    EXPECT_EQ(logo.mResGroup, "Game");

    const ResourceManager::ImageRes& all = Image("IMAGE_ALL");
    EXPECT_FALSE(all.mPalletize);
    EXPECT_TRUE(all.mA4R4G4B4 && all.mA8R8G8B8 && all.mDDSurface && all.mPurgeBits &&
                all.mMinimizeSubdivisions && all.mNoAlpha);
    EXPECT_EQ(all.mAlphaImage, images + "a_.png");
    EXPECT_EQ(all.mAlphaGridImage, images + "g.png");
    EXPECT_EQ(all.mAlphaColor, 0xFF8000u);
    EXPECT_EQ(all.mVariant, "v");
    EXPECT_EQ(all.mRows, 2);
    EXPECT_EQ(all.mCols, 1);  // a negative count would divide by zero when cut into cels
    EXPECT_EQ(all.mXMLAttributes.at("custom"), "kept");
    EXPECT_EQ(all.mAnimInfo.mAnimType, Vesk::AnimPingPong);
    EXPECT_EQ(all.mAnimInfo.mFrameDelay, 5);
    // Two frames in ping-pong: 0, 1; the begin and end delays land on the first and last.
    EXPECT_EQ(all.mAnimInfo.mFrameMap, (std::vector<int32_t>{0, 1}));

    EXPECT_EQ(Image("IMAGE_MAP").mAnimInfo.mFrameMap, (std::vector<int32_t>{2, 0, 1}));
    EXPECT_TRUE(Image("IMAGE_P").mFromProgram);
    EXPECT_EQ(Image("IMAGE_P").mPath, "!program");
}

TEST_F(ResourceManagerTest, SoundAndFontAttributes) {
    ASSERT_TRUE(
        Read("<Sound id=\"S\" path=\"s\" volume=\"0.25\" pan=\"-300\"/>\n"
             "<Font id=\"F\" path=\"f.txt\" image=\"raw/f.png\" tags=\"A, B\"/>\n"
             "<Font id=\"SYS\" path=\"!sys:DejaVu Sans\" size=\"12\" bold italic shadow "
             "underline />\n"
             "</Resources>\n"));
    const auto& sound = static_cast<ResourceManager::SoundRes&>(*mManager.mSoundMap.at("S"));
    EXPECT_DOUBLE_EQ(sound.mVolume, 0.25);
    EXPECT_EQ(sound.mPanning, -300);
    const auto& font = static_cast<ResourceManager::FontRes&>(*mManager.mFontMap.at("F"));
    EXPECT_EQ(font.mImagePath, "raw/f.png");  // no default prefix for the font image
    EXPECT_EQ(font.mTags, "A, B");
    const auto& sys = static_cast<ResourceManager::FontRes&>(*mManager.mFontMap.at("SYS"));
    EXPECT_TRUE(sys.mSysFont);
    EXPECT_EQ(sys.mPath, "DejaVu Sans");
    EXPECT_EQ(sys.mSize, 12);
    EXPECT_TRUE(sys.mBold && sys.mItalic && sys.mShadow && sys.mUnderline);
}

TEST_F(ResourceManagerTest, ManifestErrorsKeepTheFirstWithLineAndFile) {
    struct Case {
        const char* body;
        const char* error;
        int line;
    };
    const Case cases[] = {
        {"<Bogus/>\n", "Invalid Section 'Bogus'", 4},
        {"text\n", "Element Not Expected 'text'", 5},  // read up to the next tag
        {"<Image id=\"X\"/>\n", "No path specified.", 4},
        {"<Image id=\"X\" path=\"a\"/>\n<Image id=\"X\" path=\"b\"/>\n",
         "Resource already defined.", 5},
        {"<Image path=\"a\" anim=\"twice\"/>\n", "Invalid animation type.", 4},
        {"<Font path=\"!sys:Face\" size=\"x\"/>\n", "SysFont needs point size", 4},
        {"<Image path=\"a\">\n<Image path=\"b\"/>\n", "Unexpected element found.", 5},
        {"</Resources>\n<Resources>\n", "No id specified.", 5},
        {"</Resources>\n<Other id=\"x\">\n", "Invalid Section 'Other'", 5},
    };
    for (const Case& c : cases) {
        ResourceManager manager(&mHost);
        const std::string file = WriteText(
            "r.xml", std::string("<ResourceManifest>\n<Resources id=\"G\">\n<!-- c -->\n") +
                         c.body + "</Resources>\n</ResourceManifest>\n");
        EXPECT_FALSE(manager.ReadManifestFile(file)) << c.body;
        EXPECT_EQ(manager.GetErrorText(), std::string(c.error) + " on Line " +
                                              std::to_string(c.line) + " in File '" + file + "'")
            << c.body;
    }

    ResourceManager manager(&mHost);
    EXPECT_FALSE(manager.ReadManifestFile(WriteText("w.xml", "<Other/>")));
    EXPECT_EQ(manager.GetErrorText().rfind("Expecting ResourceManifest tag", 0), 0u);
    EXPECT_FALSE(manager.ReadManifestFile((mDir / "none.xml").string()));
    EXPECT_EQ(manager.GetErrorText().rfind("Expecting", 0), 0u);  // the first error stays
    ResourceManager fresh(&mHost);
    EXPECT_FALSE(fresh.ReadManifestFile("nowhere/none.xml"));
    EXPECT_EQ(fresh.GetErrorText(), "Resource file not found: nowhere/none.xml");
}

TEST_F(ResourceManagerTest, GroupsLoadCountDeleteAndReload) {
    WriteImage("a.png", 8, 4);
    WriteImage("b.png", 4, 4);
    ASSERT_TRUE(
        Read("<Image id=\"A\" path=\"a.png\" rows=\"2\" cols=\"4\" nopal />\n"
             "<Image id=\"PROG\" path=\"!program\"/>\n"
             "<Sound id=\"S\" path=\"s\" volume=\"0.5\" pan=\"20\"/>\n"
             "</Resources>\n<Resources id=\"levels\">\n<Image id=\"B\" path=\"b.png\"/>\n"
             "</Resources>\n"));
    EXPECT_EQ(mManager.GetGroupResourceCount("Game"), 2);
    EXPECT_EQ(mManager.GetGroupImageCount("Game"), 1);
    EXPECT_EQ(mManager.GetGroupImageCount("Levels"), 0);  // counts compare the group exactly
    EXPECT_EQ(mManager.GetGroupImageCount(""), 3);
    EXPECT_THROW(mManager.LookupImage("A"), Vesk::ResourceManagerException);

    ASSERT_TRUE(mManager.LoadGroup("Game"));
    Vesk::Image* a = mManager.LookupImage("A").GetImage();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetCelWidth(), 2);
    EXPECT_EQ(a->GetCelHeight(), 2);
    const int sound = mManager.LookupSound("S");
    EXPECT_DOUBLE_EQ(mHost.mVolumes.at(sound), 0.5);
    EXPECT_EQ(mHost.mPans.at(sound), 20);
    EXPECT_TRUE(mManager.IsGroupLoaded("game"));
    EXPECT_TRUE(mManager.LoadGroup("Game"));  // nothing left to load
    EXPECT_EQ(mHost.mNextSoundId, 1);
    ASSERT_TRUE(mManager.LoadGroup("Levels"));  // group lists ignore case
    EXPECT_NE(mManager.LookupImage("B").GetImage(), nullptr);

    mManager.DeleteGroupResources("Game");
    EXPECT_FALSE(mManager.IsGroupLoaded("Game"));
    EXPECT_TRUE(mHost.mSounds.empty());
    EXPECT_THROW(mManager.LookupImage("A"), Vesk::ResourceManagerException);
    EXPECT_THROW(mManager.LookupSound("S"), Vesk::ResourceManagerException);
    EXPECT_NE(mManager.LookupImage("B").GetImage(), nullptr);
    EXPECT_TRUE(mManager.LoadGroup("Game"));
    EXPECT_NO_THROW(mManager.LookupSound("S"));

    // One at a time, as the loading thread does: one true per loaded record.
    mManager.DeleteGroupResources("");
    mManager.BeginGroupLoad("Game");
    int loaded = 0;
    while (mManager.LoadNextResource()) {
        ++loaded;
    }
    EXPECT_EQ(loaded, mManager.GetGroupResourceCount("Game"));
    mManager.BeginGroupLoad("NeverNamed");
    EXPECT_FALSE(mManager.LoadNextResource());
}

TEST_F(ResourceManagerTest, FailedLoadsStopTheGroupAndKeepTheirText) {
    WriteImage("ok.png", 2, 2);
    ASSERT_TRUE(
        Read("<Image id=\"GONE\" path=\"missing.png\"/>\n<Image id=\"OK\" path=\"ok.png\"/>\n"
             "</Resources>\n<Resources id=\"Snd\">\n<Sound id=\"S\" path=\"missing\"/>\n"
             "</Resources>\n<Resources id=\"Fnt\">\n<Font id=\"F\" path=\"!ref:NOPE\"/>\n"
             "</Resources>\n"));
    const std::string missing = mDir.string() + "/missing.png";
    EXPECT_FALSE(mManager.LoadGroup("Game"));
    EXPECT_EQ(mManager.GetErrorText(), "Failed to load image: " + missing);
    EXPECT_FALSE(mManager.IsGroupLoaded("Game"));
    try {
        mManager.LookupImage("OK");  // never reached by the failed load
        ADD_FAILURE();
    } catch (const Vesk::ResourceManagerException& e) {
        EXPECT_EQ(std::string(e.what()), "Failed to load image: " + missing);
    }
    EXPECT_FALSE(mManager.LoadGroup("Snd"));
    EXPECT_EQ(mManager.GetErrorText(), "Failed to load sound: " + mDir.string() + "/missing");
    EXPECT_FALSE(mManager.LoadGroup("Fnt"));
    EXPECT_EQ(mManager.GetErrorText().rfind("Failed to load font: !ref:NOPE", 0) == 0 ||
                  mManager.GetErrorText() == "Ref font not found: NOPE",
              true);
    try {
        mManager.LookupFont("F");
        ADD_FAILURE();
    } catch (const Vesk::ResourceManagerException& e) {
        EXPECT_EQ(std::string(e.what()), mManager.GetErrorText());
    }
}

TEST_F(ResourceManagerTest, AlphaImagesAndGridsSetAlphaFromTheBlueByte) {
    WriteImage("pic.png", 100, 40);
    WriteImage("alpha.png", 100, 40, 0xFF000000);
    WriteImage("grid.png", 25, 20, 0xFF000000);
    WriteImage("small.png", 20, 20);
    ASSERT_TRUE(
        Read("<Image id=\"A\" path=\"pic.png\" alphaimage=\"alpha.png\" nopal />\n"
             "<Image id=\"G\" path=\"pic.png\" variant=\"g\" rows=\"2\" cols=\"4\" "
             "alphagrid=\"grid.png\" nopal />\n"
             "</Resources>\n<Resources id=\"Bad\">\n"
             "<Image id=\"B\" path=\"pic.png\" variant=\"b\" rows=\"2\" cols=\"4\" "
             "alphagrid=\"small.png\"/>\n</Resources>\n"));
    ASSERT_TRUE(mManager.LoadGroup("Game"));
    auto* a = static_cast<Vesk::MemoryImage*>(mManager.LookupImage("A").GetImage());
    auto* g = static_cast<Vesk::MemoryImage*>(mManager.LookupImage("G").GetImage());
    const uint32_t* abits = a->GetBits();
    const uint32_t* gbits = g->GetBits();
    for (int i : {0, 1, 255, 256, 3999}) {
        EXPECT_EQ(abits[i] >> 24, static_cast<uint32_t>(i & 0xFF)) << i;
        EXPECT_EQ(abits[i] & 0xFFFFFF, 0x102000u | static_cast<uint32_t>(i & 0xFF)) << i;
    }
    // Pixel (x, y) takes the grid's pixel (x mod 25, y mod 20).
    for (auto [x, y] : {std::pair{0, 0}, {26, 1}, {99, 39}, {50, 21}}) {
        EXPECT_EQ(gbits[y * 100 + x] >> 24, static_cast<uint32_t>(((y % 20) * 25 + x % 25) & 0xFF))
            << x << "," << y;
    }
    EXPECT_TRUE(g->mHasAlpha);
    EXPECT_FALSE(mManager.LoadGroup("Bad"));
    EXPECT_EQ(mManager.GetErrorText(), "GridAlphaImage size mismatch between " + mDir.string() +
                                           "/pic.png and " + mDir.string() + "/small.png");
}

TEST_F(ResourceManagerTest, ManifestInMemoryAndAcrossSections) {
    // Defaults stay across sections; ids repeated in a later section are refused.
    EXPECT_FALSE(mManager.ReadManifestString(
        "<ResourceManifest><Resources id=\"A\"><SetDefaults idprefix=\"P_/\"/>"
        "<Image path=\"x/y.z.png\"/></Resources><Resources id=\"B\"><Image path=\"q/y.z.png\"/>"
        "</Resources></ResourceManifest>"));
    EXPECT_EQ(mManager.GetErrorText().rfind("Resource already defined.", 0), 0u);
    EXPECT_EQ(Image("P_y.z").mResGroup, "A");
}

}  // namespace

namespace {

TEST_F(ResourceManagerTest, FontsLoadThroughTheFontClasses) {
    WriteImage("glyphs.png", 32, 16);
    WriteImage("legacy.png", 10, 12);
    // The descriptor names its image relative to its own folder.
    WriteText("face.txt",
              "SetDefaultPointSize 10; CreateLayer Main; LayerSetImage Main \"glyphs.png\";"
              "LayerSetAscent Main 8; LayerSetImageMap Main (\"A\" \"V\") ((0 0 4 8) (4 0 4 8));"
              "LayerSetCharWidths Main (\"A\" \"V\") (4 5); CreateLayer Glow;"
              "LayerSetImage Glow \"glyphs.png\"; LayerRequireTags Glow (\"GLOW\");");
    WriteText("legacy.txt", "4 9\na 3 B 5\n");
    ASSERT_TRUE(
        Read("<Font id=\"FACE\" path=\"face.txt\"/>\n"
             "<Font id=\"GLOWING\" path=\"face.txt\" tags=\"GLOW, BIG\"/>\n"
             "<Font id=\"COPY\" path=\"!ref:FACE\"/>\n"
             "<Font id=\"OLD\" path=\"legacy.txt\" image=\"" +
             (mDir / "legacy.png").string() + "\"/>\n</Resources>\n"));
    ASSERT_TRUE(mManager.LoadGroup("Game")) << mManager.GetErrorText();
    EXPECT_EQ(mManager.GetGroupFontCount("Game"), 4);

    auto* face = dynamic_cast<Vesk::ImageFont*>(mManager.LookupFont("FACE"));
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->StringWidth("AV"), 9);
    EXPECT_EQ(face->mActiveLayerList.size(), 1U);
    auto* glowing = dynamic_cast<Vesk::ImageFont*>(mManager.LookupFont("GLOWING"));
    ASSERT_NE(glowing, nullptr);
    EXPECT_EQ(glowing->mTagVector, (std::vector<std::string>{"GLOW", "BIG"}));
    EXPECT_EQ(glowing->mActiveLayerList.size(), 2U);
    auto* copy = dynamic_cast<Vesk::ImageFont*>(mManager.LookupFont("COPY"));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, face);
    EXPECT_EQ(copy->mFontData, face->mFontData);
    EXPECT_EQ(mManager.LookupFont("OLD")->StringWidth("Ab "), 12);

    mManager.DeleteGroupResources("Game");
    EXPECT_THROW(mManager.LookupFont("FACE"), Vesk::ResourceManagerException);
    ASSERT_TRUE(mManager.LoadGroup("Game")) << mManager.GetErrorText();
    EXPECT_EQ(mManager.LookupFont("FACE")->StringWidth("VA"), 9);
    EXPECT_TRUE(mHost.mPopups.empty());
}

TEST_F(ResourceManagerTest, ABrokenFontDescriptorFailsTheGroup) {
    WriteText("broken.txt", "CreateLayer Main; LayerSetImage Main \"nowhere.png\";");
    ASSERT_TRUE(Read("<Font id=\"F\" path=\"broken.txt\"/>\n</Resources>\n"));
    EXPECT_FALSE(mManager.LoadGroup("Game"));
    EXPECT_EQ(mManager.GetErrorText(), "Failed to load font: " + (mDir / "broken.txt").string());
    EXPECT_THROW(mManager.LookupFont("F"), Vesk::ResourceManagerException);
    EXPECT_EQ(mHost.mPopups.size(), 1U);
}

}  // namespace
