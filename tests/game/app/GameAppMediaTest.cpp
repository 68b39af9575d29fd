// Board objects' animations: private copies of the bound animated images.
#include <set>

#include "GameAppTestSupport.h"
#include "game/app/CBoardHost.h"
#include "game/app/GameAppMedia.h"
#include "game/app/ResourceIdTable.h"
#include "game/app/ResourceIds.h"
#include "game/core/CAnimation.h"
#include "resources/zmImageEx.h"

namespace gameapptest {
namespace {

// Each medium of an enum reads its own id's variable: `read` must answer what is written there.
template <typename Medium, typename Read>
void ExpectEachReadsItsId(int count, ResourceKind kind, std::set<int>& ids, Read read) {
    for (int i = 0; i < count; ++i) {
        const auto medium = static_cast<Medium>(i);
        const int id = static_cast<int>(MediaResourceId(medium));
        SCOPED_TRACE(GetStringById(id));
        ASSERT_LT(id, kResourceIdCount);
        EXPECT_EQ(kResourceIdEntries[id].mKind, kind);
        EXPECT_TRUE(ids.insert(id).second);
        const std::intptr_t saved = GetResourceById(id);
        const std::intptr_t marker = 0x1000 + 16 * i;
        if (kind == ResourceKind::Sound) {
            *static_cast<int*>(kResourceIdEntries[id].mVariable) = static_cast<int>(marker);
        } else {
            *static_cast<void**>(kResourceIdEntries[id].mVariable) =
                reinterpret_cast<void*>(marker);
        }
        EXPECT_EQ(read(medium), marker);
        if (kind == ResourceKind::Sound) {
            *static_cast<int*>(kResourceIdEntries[id].mVariable) = static_cast<int>(saved);
        } else {
            *static_cast<void**>(kResourceIdEntries[id].mVariable) = reinterpret_cast<void*>(saved);
        }
    }
}

TEST(GameAppMediaTest, EveryMediumReadsItsOwnResource) {
    Vesk::GameAppMedia media;
    std::set<int> ids;
    ExpectEachReadsItsId<Vesk::GameImage>(
        Vesk::kGameImageCount, ResourceKind::Image, ids,
        [&](Vesk::GameImage m) { return reinterpret_cast<std::intptr_t>(media.GetImage(m)); });
    ExpectEachReadsItsId<Vesk::GameFont>(
        Vesk::kGameFontCount, ResourceKind::Font, ids,
        [&](Vesk::GameFont m) { return reinterpret_cast<std::intptr_t>(media.GetFont(m)); });
    ExpectEachReadsItsId<Vesk::GameSound>(
        Vesk::kGameSoundCount, ResourceKind::Sound, ids,
        [](Vesk::GameSound m) { return std::intptr_t{Vesk::CBoardHost::SoundId(m)}; });
    // Animations and particles are copies; only their ids are checked here.
    ExpectEachReadsItsId<Vesk::GameAnimation>(
        Vesk::kGameAnimationCount, ResourceKind::ImageEx, ids, [](Vesk::GameAnimation m) {
            return GetResourceById(static_cast<int>(MediaResourceId(m)));
        });
    ExpectEachReadsItsId<Vesk::GameParticles>(
        Vesk::kGameParticlesCount, ResourceKind::Particle, ids, [](Vesk::GameParticles m) {
            return GetResourceById(static_cast<int>(MediaResourceId(m)));
        });
    EXPECT_EQ(MediaResourceId(static_cast<Vesk::GameImage>(Vesk::kGameImageCount)),
              ResourceId::RESOURCE_ID_MAX);
}

TEST_F(GameAppTest, BlockAnimationsCopyTheColoursTheBoardBound) {
    Vesk::zmImageEx block;
    block.mAnimations.resize(2);
    block.mAnimations[1].mFrames = {{0, 0, 10}, {0, 1, 10}, {0, 2, 10}};
    mGame->mBlockImages[2] = &block;
    Vesk::GameAppMedia media;
    EXPECT_EQ(media.MakeAnimation(Vesk::GameAnimation::Block1), nullptr);
    std::unique_ptr<CAnimation> copy = media.MakeAnimation(Vesk::GameAnimation::Block3);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->AnimationCount(), 2);
    EXPECT_EQ(copy->FrameCount(1), 3);
    EXPECT_EQ(copy->FrameCount(2), 0);
    const CAnimation::PlayState state{-1, 1, 2, 4.0, 30.0};
    copy->SetPlayState(state);
    const CAnimation::PlayState back = copy->GetPlayState();
    EXPECT_EQ(back.current, 1);
    EXPECT_EQ(back.frame, 2);
    EXPECT_EQ(back.firstFrameDelay, 4.0);
    EXPECT_EQ(back.frameStart, 30.0);
    // The resource itself does not move with its copies.
    EXPECT_EQ(block.mCurrentAnim, -1);
}

}  // namespace
}  // namespace gameapptest
