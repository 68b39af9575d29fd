// The data set's animated images and particle systems as the board and the screens use them.
#ifdef VESK_DATA_PAK

#include "DataSetTestSupport.h"
#include "resources/zmImageEx.h"
#include "resources/zmParticleSystem.h"

namespace apptest {
namespace {

// Cel sizes and the shortest first sequence each animation is played with; 0 leaves it free.
struct CelLayout {
    std::string id;
    int width;
    int height;
    size_t sequences;
    size_t firstFrames;
};

TEST_F(DataSetTest, AnimatedImagesHaveTheirCelsAndSequences) {
    TestApp& app = LoadedApp();
    Vesk::zmResourceManager& manager = *app.mResourceManager;
    LoadAllGroups(manager);
    if (!AnyOfKind(manager, ResourceKind::ImageEx)) {
        GTEST_SKIP() << "the images part made nothing";
    }
    std::vector<CelLayout> layouts = {
        {"IMAGE_BUBBLE_FLARE", 0, 0, 1, 72}, {"IMAGE_PROGRESSBAR_FLOWERS_ANIM", 0, 0, 1, 227},
        {"IMAGE_LUCHEG", 0, 0, 1, 1},        {"IMAGE_MM_SPARK1", 0, 0, 1, 1},
        {"IMAGE_SLOMO_CLOCK", 0, 0, 1, 1},   {"IMAGE_HELP_ARROW", 0, 0, 1, 1},
    };
    for (int colour = 1; colour <= 8; ++colour) {
        layouts.push_back({"IMAGE_BLOCK" + std::to_string(colour), 43, 43, 4, 1});
    }
    for (const CelLayout& want : layouts) {
        Vesk::zmImageEx* image = nullptr;
        try {
            image = manager.LookupImageEx(want.id);
        } catch (const Vesk::ResourceManagerException&) {
        }
        if (image == nullptr) {
            ADD_FAILURE() << want.id << " is missing";
            continue;
        }
        EXPECT_GE(image->mAnimations.size(), want.sequences) << want.id;
        if (image->mAnimations.empty()) {
            continue;
        }
        EXPECT_GE(image->mAnimations[0].mFrames.size(), want.firstFrames) << want.id;
        image->Play(0, 0.0, true, 0.0);
        const Vesk::Rect cel = image->GetCelRect();
        EXPECT_TRUE((want.width == 0 || cel.mWidth == want.width) &&
                    (want.height == 0 || cel.mHeight == want.height))
            << want.id << " has cels of " << cel.mWidth << "x" << cel.mHeight;
    }
    // The help arrow sits its image height back from the target: one row of cels.
    try {
        Vesk::zmImageEx* arrow = manager.LookupImageEx("IMAGE_HELP_ARROW");
        arrow->Play(0, 0.0, true, 0.0);
        EXPECT_EQ(arrow->GetCelRect().mHeight, arrow->GetHeight());
    } catch (const Vesk::ResourceManagerException&) {
    }
}

TEST_F(DataSetTest, ParticleSystemsHaveImagesAndTheBurstsEnd) {
    TestApp& app = LoadedApp();
    Vesk::zmResourceManager& manager = *app.mResourceManager;
    ASSERT_TRUE(manager.LoadGroup("Particles")) << manager.GetErrorText();
    const std::set<std::string> finite = {"PARTICLE_FIREWORKS",  "PARTICLE_FIREWORKS_BOOM",
                                          "PARTICLE_SC_FLASH",   "PARTICLE_BLOCK_BUXPB",
                                          "PARTICLE_ADD_SLOMO",  "PARTICLE_ADD_BUXPB",
                                          "PARTICLE_ADD_BUBBLE", "PARTICLE_ADD_LIVE"};
    for (const ResourceIdEntry& entry : kResourceIdEntries) {
        if (entry.mKind != ResourceKind::Particle) {
            continue;
        }
        Vesk::zmParticleSystem* system = manager.LookupParticle(entry.mName);
        ASSERT_NE(system, nullptr) << entry.mName;
        EXPECT_NE(system->mDefinition.mImage, nullptr) << entry.mName;
        EXPECT_GT(system->mDefinition.mRate, 0) << entry.mName;
        if (finite.count(entry.mName) != 0) {
            EXPECT_GT(system->mDefinition.mDuration, 0.0f) << entry.mName << " must end";
        }
    }
}

}  // namespace
}  // namespace apptest

#endif  // VESK_DATA_PAK
