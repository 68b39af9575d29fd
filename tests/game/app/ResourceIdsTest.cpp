// The generated id tables and the group bindings, against a manager that knows chosen names.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "GameAppTestSupport.h"
#include "game/app/ResourceIds.h"
#include "graphics/Image.h"
#include "resources/zmResourceManager.h"
#include "widgets/zmListWidget.h"

namespace {

// Answers every known name of every kind with a distinct fake value; anything else throws.
class NamedManager : public Vesk::zmResourceManager {
public:
    std::set<std::string> mMissing;
    std::map<std::string, Vesk::Image> mImages;
    // Shared images: several names may be given one image.
    std::map<std::string, std::string> mSameImageAs;

    NamedManager() : zmResourceManager(nullptr) {}

    std::intptr_t Value(const std::string& name) {
        if (mMissing.count(name) != 0) {
            Fail("Resource not found: " + name);
            throw Vesk::ResourceManagerException(GetErrorText());
        }
        // Odd addresses no real object has, unique per id.
        return 0x100001 + 2 * GetIdByString(name);
    }
    template <class T>
    T* Fake(const std::string& name) {
        return reinterpret_cast<T*>(Value(name));
    }

    Vesk::SharedImageRef LookupImage(const std::string& id) override {
        Value(id);
        auto same = mSameImageAs.find(id);
        Vesk::SharedImageRef ref;
        ref.AssignUnshared(&mImages[same != mSameImageAs.end() ? same->second : id]);
        ref.mOwnsUnshared = false;
        return ref;
    }
    int LookupSound(const std::string& id) override { return static_cast<int>(Value(id)); }
    Vesk::Font* LookupFont(const std::string& id) override { return Fake<Vesk::Font>(id); }
    Vesk::zmImageEx* LookupImageEx(const std::string& id) override {
        return Fake<Vesk::zmImageEx>(id);
    }
    Vesk::zmParticleSystem* LookupParticle(const std::string& id) override {
        return Fake<Vesk::zmParticleSystem>(id);
    }
    Vesk::LevelDesc* LookupLevel(const std::string& id) override {
        return Fake<Vesk::LevelDesc>(id);
    }
};

bool BindAll(NamedManager& manager) {
    return ExtractLevelsResources(&manager) && ExtractGameResources(&manager) &&
           ExtractTitleScreenResources(&manager) && ExtractInterfaceResources(&manager) &&
           ExtractCreditsResources(&manager) && ExtractParticlesResources(&manager);
}

// Names are exact and ids bounded: anything else is the end of the table.
TEST(ResourceIdsTest, UnknownNamesAndIdsTranslateToTheEnd) {
    EXPECT_EQ(GetIdByString("IMAGE_BUXPbICON_NORM"),
              static_cast<int>(ResourceId::IMAGE_BUXPbICON_NORM));
    for (const char* name : {"IMAGE_BUXPBICON_NORM", "level", ""}) {
        EXPECT_EQ(GetIdByString(name), kResourceIdCount) << name;
    }
    for (int id : {-1, kResourceIdCount}) {
        EXPECT_EQ(GetStringById(id), "") << id;
    }
    EXPECT_EQ(GetResourceById(kResourceIdCount), 0);
}

TEST(ResourceIdsTest, EveryIdBindsByItsName) {
    NamedManager manager;
    ASSERT_TRUE(BindAll(manager)) << manager.GetErrorText();
    for (int id = 0; id < kResourceIdCount; ++id) {
        const std::string name = GetStringById(id);
        const std::intptr_t value = GetResourceById(id);
        const bool isImage = manager.mImages.count(name) != 0;
        EXPECT_EQ(value, isImage ? reinterpret_cast<std::intptr_t>(&manager.mImages[name])
                                 : manager.Value(name))
            << "id " << id << " " << name << " was not bound";
        EXPECT_EQ(GetIdByResource(value), id) << name;
    }
    EXPECT_EQ(IMAGE_BLOCK1, reinterpret_cast<Vesk::zmImageEx*>(manager.Value("IMAGE_BLOCK1")));
    EXPECT_EQ(SOUND_BUTTON_DOWN, manager.Value("SOUND_BUTTON_DOWN"));
    EXPECT_EQ(IMAGE_CELL, &manager.mImages["IMAGE_CELL"]);
    EXPECT_EQ(GetIdByResource(12345), kResourceIdCount);
}

TEST(ResourceIdsTest, AMissingNameLeavesTheWholeGroupAsItWas) {
    NamedManager manager;
    ASSERT_TRUE(BindAll(manager));
    Vesk::Font* const oldFont = FONT_BASIC;
    Vesk::Image* const oldLast = IMAGE_SMALL_HEART;

    NamedManager other;
    other.mMissing.insert("IMAGE_CELL");
    other.mSameImageAs["IMAGE_CELL_OVER"] = "IMAGE_OTHER";
    EXPECT_FALSE(ExtractGameResources(&other));
    EXPECT_EQ(other.GetErrorText(), "Resource not found: IMAGE_CELL");
    EXPECT_EQ(FONT_BASIC, oldFont);  // bound before the missing name, yet unchanged
    EXPECT_EQ(IMAGE_SMALL_HEART, oldLast);

    // Two ids holding one image: the higher id wins, and the map follows the new binding.
    other.mMissing.clear();
    other.mSameImageAs["IMAGE_CELL"] = "IMAGE_OTHER";
    ASSERT_TRUE(ExtractGameResources(&other));
    EXPECT_EQ(GetIdByResource(reinterpret_cast<std::intptr_t>(IMAGE_CELL)),
              static_cast<int>(ResourceId::IMAGE_CELL_OVER));
    EXPECT_EQ(GetIdByResource(reinterpret_cast<std::intptr_t>(oldLast)), kResourceIdCount);
}

class ResourceIdsAppTest : public gameapptest::GameAppTest {};

// The resources die with the application: a second one in the process must not find them bound.
TEST_F(ResourceIdsAppTest, TheBindingsAndListDefaultsGoWithTheApplication) {
    NamedManager manager;
    ASSERT_TRUE(BindAll(manager));
    Vesk::zmListWidget::SetDefaults(nullptr, IMAGE_LISTSELECT, IMAGE_LISTITEM);
    mGame.reset();
    for (int id = 0; id < kResourceIdCount; ++id) {
        EXPECT_EQ(GetResourceById(id), 0) << GetStringById(id);
    }
    EXPECT_EQ(GetIdByResource(0), kResourceIdCount - 1);
    Vesk::zmListWidget list(1, nullptr);
    list.SetHiliteImage();
    list.SetItemImage();
    EXPECT_EQ(list.mRowImage, nullptr);
    EXPECT_EQ(list.mItemImage, nullptr);
}

}  // namespace
