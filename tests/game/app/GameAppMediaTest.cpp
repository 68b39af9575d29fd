// Board objects' animations: private copies of the bound animated images.
#include "GameAppTestSupport.h"
#include "game/app/GameAppMedia.h"
#include "game/core/CAnimation.h"
#include "resources/zmImageEx.h"

namespace gameapptest {
namespace {

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
