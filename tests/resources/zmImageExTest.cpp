// Animation timing, queued animations, the saved record and copies of an animated image.
#include <gtest/gtest.h>

#include "graphics/Graphics.h"
#include "resources/zmImageEx.h"
#include "resources/zmParticleSystem.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace {

using Vesk::zmImageEx;

zmImageEx::Animation Frames(std::initializer_list<int32_t> delays) {
    zmImageEx::Animation animation;
    int32_t column = 0;
    for (int32_t delay : delays) {
        animation.mFrames.push_back({0, column++, delay});
    }
    return animation;
}

TEST(zmImageExTest, FramesAdvanceOneAtATimeByTheirDelays) {
    zmImageEx image;
    image.mAnimations = {Frames({10, 10, 10})};
    image.Play(0, 0, true, 0);
    const struct {
        double time;
        bool ended;
        int32_t frame;
        double start;
    } steps[] = {{9, false, 0, 0},  {10, false, 1, 10},   {25, false, 2, 25},
                 {40, true, 0, 40}, {500, false, 1, 500}, {501, false, 1, 500}};
    for (const auto& step : steps) {
        EXPECT_EQ(image.Update(step.time), step.ended) << step.time;
        EXPECT_EQ(image.mFrame, step.frame) << step.time;
        EXPECT_EQ(image.mFrameStartTime, step.start) << step.time;
    }
}

TEST(zmImageExTest, FirstFrameDelayLengthensFrameZeroOfEveryCycle) {
    zmImageEx image;
    image.mAnimations = {Frames({10, 5})};
    image.Play(0, 0, true, 50);
    EXPECT_FALSE(image.Update(59));
    EXPECT_EQ(image.mFrame, 0);
    image.Update(60);
    EXPECT_EQ(image.mFrame, 1);
    EXPECT_TRUE(image.Update(65));
    image.Update(124);
    EXPECT_EQ(image.mFrame, 0);
    image.Update(125);
    EXPECT_EQ(image.mFrame, 1);
}

TEST(zmImageExTest, AQueuedAnimationStartsWhenTheCycleEnds) {
    zmImageEx image;
    image.mAnimations = {Frames({1}), Frames({10, 10}), Frames({5})};
    image.Play(1, 0, true, 0);
    image.Play(2, 3, false, 0);
    EXPECT_EQ(image.mCurrentAnim, 1);
    EXPECT_FALSE(image.Update(10));
    EXPECT_TRUE(image.Update(20));
    EXPECT_EQ(image.mCurrentAnim, 2);
    EXPECT_EQ(image.mPendingAnim, -1);
}

TEST(zmImageExTest, IndexesOutsideTheTableMeanNoAnimation) {
    zmImageEx image;
    image.mAnimations = {Frames({10, 10}), {}};
    image.Play(7, 0, true, 0);
    EXPECT_EQ(image.mCurrentAnim, -1);
    EXPECT_FALSE(image.Update(100));
    image.Play(1, 0, true, 0);
    EXPECT_FALSE(image.Update(100)) << "an empty entry plays nothing";
    EXPECT_EQ(image.GetCelRect().mWidth, 0);
    Vesk::Graphics g(nullptr);
    image.Draw(&g, 0, 0, false);  // no image: nothing to draw
    image.DrawStretched(&g, Vesk::Rect(0, 0, 4, 4));

    Vesk::ByteWriter out;
    out.WriteI32(5);
    out.WriteI32(0);
    out.WriteI32(9);
    out.WriteF64(0);
    out.WriteF64(0);
    Vesk::ByteReader in(out.Bytes());
    image.Load(in);
    EXPECT_EQ(image.mPendingAnim, -1);
    EXPECT_EQ(image.mCurrentAnim, 0);
    EXPECT_EQ(image.mFrame, 1);
}

TEST(zmImageExTest, SavedRecordIsTwentyEightBytesAndRestoresTheTiming) {
    zmImageEx saved;
    saved.mAnimations = {Frames({10, 10, 10}), Frames({3})};
    saved.Play(0, 100, true, 7.5);
    saved.Update(117.5);
    saved.Play(1, 118, false, 7.5);
    Vesk::ByteWriter out;
    saved.Save(out);
    ASSERT_EQ(out.Size(), 28u);

    zmImageEx loaded;
    loaded.mAnimations = saved.mAnimations;
    Vesk::ByteReader in(out.Bytes());
    loaded.Load(in);
    EXPECT_EQ(loaded.mPendingAnim, 1);
    EXPECT_EQ(loaded.mCurrentAnim, 0);
    EXPECT_EQ(loaded.mFrame, 1);
    EXPECT_EQ(loaded.mFirstFrameDelay, 7.5);
    EXPECT_EQ(loaded.mFrameStartTime, 117.5);

    Vesk::ByteReader shortRecord(std::span(out.Bytes()).first(20));
    zmImageEx untouched;
    untouched.Load(shortRecord);
    EXPECT_EQ(untouched.mCurrentAnim, -1);
}

TEST(zmImageExTest, AssignCopiesTheTableAndSharesTheParticleSystem) {
    Vesk::zmParticleSystem::DefinitionFile file;
    Vesk::zmParticleSystem particles(file, 0.0f);
    auto source = std::make_unique<zmImageEx>();
    source->mAnimations = {Frames({10, 20})};
    source->mParticleSystem = &particles;
    source->Play(0, 40, true, 5);
    source->Update(60);

    zmImageEx copy;
    copy.Assign(*source);
    EXPECT_EQ(copy.mParticleSystem, &particles);
    EXPECT_EQ(copy.mCurrentAnim, 0);
    EXPECT_EQ(copy.mFrame, 1);
    EXPECT_EQ(copy.mFrameStartTime, 0.0);
    EXPECT_EQ(copy.mFirstFrameDelay, 0.0);
    source.reset();
    ASSERT_EQ(copy.mAnimations.size(), 1u);
    EXPECT_EQ(copy.mAnimations[0].mFrames[1].mDelay, 20);
    EXPECT_EQ(particles.GetLiveCount(), 0);
}

// A frame drawn twice must not take away the path the emitter travelled since its last step.
TEST(zmImageExTest, DrawingAgainWhereItStandsKeepsTheEmittersPath) {
    Vesk::zmParticleSystem::DefinitionFile file;
    Vesk::zmParticleSystem particles(file, 0.0f);
    particles.ResetAt(10.0f, 20.0f);
    zmImageEx image;
    image.mParticleSystem = &particles;
    Vesk::Graphics g;
    for (int draw = 0; draw < 2; ++draw) {
        image.Draw(&g, 100, 200, false);
        EXPECT_EQ(particles.mPrevX, 10.0f);
        EXPECT_EQ(particles.mPrevY, 20.0f);
        EXPECT_EQ(particles.mCurX, 100.0f);
        EXPECT_EQ(particles.mCurY, 200.0f);
    }
}

}  // namespace
