#pragma once

// A board, media and sound instances in memory for the game-core tests and fuzz targets.
// Records what the objects ask of the board.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "game/core/BoardContext.h"
#include "game/core/BoardCounters.h"
#include "game/core/CAnimation.h"
#include "game/core/CObjectList.h"
#include "game/core/CParticleEffect.h"
#include "game/core/GameMedia.h"
#include "sound/SoundInstance.h"
#include "util/GameRandom.h"

namespace fake {

class Animation : public CAnimation {
public:
    explicit Animation(std::vector<int32_t> frameCounts = {4})
        : mFrameCounts(std::move(frameCounts)) {}
    void Play(int32_t index, double time, bool immediate, double firstFrameDelay) override {
        mState.firstFrameDelay = firstFrameDelay;
        if (immediate) {
            mState.pending = -1;
            mState.current = index;
            mState.frame = 0;
            mState.frameStart = time;
        } else {
            mState.pending = index;
        }
    }
    // One frame per call; a cycle ends after the last frame.
    bool Update(double time) override {
        if (mState.current < 0 || FrameCount(mState.current) == 0) {
            return false;
        }
        mState.frameStart = time;
        if (++mState.frame < FrameCount(mState.current)) {
            return false;
        }
        mState.frame = 0;
        return true;
    }
    void Draw(Vesk::Graphics&, int32_t, int32_t, bool) override { ++mDraws; }
    int32_t GetCelWidth() const override { return 20; }
    int32_t GetCelHeight() const override { return 10; }
    int32_t AnimationCount() const override { return static_cast<int32_t>(mFrameCounts.size()); }
    int32_t FrameCount(int32_t animation) const override {
        return animation >= 0 && animation < AnimationCount() ? mFrameCounts[animation] : 0;
    }
    PlayState GetPlayState() const override { return mState; }
    void SetPlayState(const PlayState& state) override { mState = state; }

    std::vector<int32_t> mFrameCounts;
    PlayState mState;
    int mDraws = 0;
};

class Particles : public CParticleEffect {
public:
    void ResetAt(float x, float y) override {
        mState = {0.0f, x, y};
        mLive = 5;
        ++mResets;
    }
    void MoveTo(float x, float y, bool) override {
        mState.x = x;
        mState.y = y;
    }
    void FlagUnplaced() override { mState.clock = -2.0f; }
    void Update(float elapsed) override {
        mElapsed += elapsed;
        if (mState.clock <= -2.0f && mLive > 0) {
            --mLive;
        }
    }
    int LiveCount() const override { return mLive; }
    void Draw(Vesk::Graphics&) override {}
    SavedState GetSavedState() const override { return mState; }
    void Restore(const SavedState& state) override {
        mState = state;
        if (state.clock > -2.0f) {
            ResetAt(state.x, state.y);
        }
    }

    SavedState mState;
    int mLive = 0;
    int mResets = 0;
    float mElapsed = 0.0f;
};

class Sound : public Vesk::SoundInstance {
public:
    void Release() override { mReleased = true; }
    void SetBaseVolume(double) override {}
    void SetBasePan(int) override {}
    void AdjustPitch(double) override {}
    void SetVolume(double) override {}
    void SetPan(int) override {}
    bool Play(bool looping, bool autoRelease) override {
        mPlaying = true;
        mLooping = looping;
        mAutoRelease = autoRelease;
        return true;
    }
    void Stop() override { mPlaying = false; }
    bool IsPlaying() override { return mPlaying; }
    bool IsReleased() override { return mReleased; }
    double GetVolume() override { return 1.0; }

    Vesk::GameSound mSound{};
    bool mPlaying = false;
    bool mLooping = false;
    bool mAutoRelease = true;
    bool mReleased = false;
};

class FakeMedia : public Vesk::GameMedia {
public:
    Vesk::Image* GetImage(Vesk::GameImage id) override {
        auto found = mImages.find(id);
        return found != mImages.end() ? found->second : nullptr;
    }
    Vesk::Image* GetImageById(int32_t resourceId) override {
        mAskedIds.push_back(resourceId);
        auto found = mImagesById.find(resourceId);
        return found != mImagesById.end() ? found->second : nullptr;
    }
    int32_t GetImageId(Vesk::GameImage id) override { return 200 + static_cast<int32_t>(id); }
    Vesk::Font* GetFont(Vesk::GameFont) override { return nullptr; }
    std::unique_ptr<CAnimation> MakeAnimation(Vesk::GameAnimation id) override {
        if (id == Vesk::GameAnimation::ProgressBarFlowers) {
            return std::make_unique<Animation>(std::vector<int32_t>{mFlowerFrames});
        }
        return std::make_unique<Animation>();
    }
    std::unique_ptr<CParticleEffect> MakeParticles(Vesk::GameParticles) override {
        auto particles = std::make_unique<Particles>();
        mLastParticles = particles.get();
        return particles;
    }

    // not owned
    std::map<Vesk::GameImage, Vesk::Image*> mImages;
    std::vector<int32_t> mAskedIds;
    std::map<int32_t, Vesk::Image*> mImagesById;
    int32_t mFlowerFrames = 227;
    // The latest copy handed out; owned by the object that asked.
    Particles* mLastParticles = nullptr;
};

class Board : public Vesk::BoardContext {
public:
    Board() : mObjects(this) {}

    int32_t GetUpdateCount() const override { return mUpdateCount; }
    uint32_t TickCount() override { return mTick; }
    Vesk::GameRandom& Random() override { return mRandom; }
    Vesk::GameMedia& Media() override { return mMedia; }

    int32_t GetLevel() const override { return mLevel; }
    int32_t GetLives() const override { return mLives; }
    bool IsPaused() const override { return mPaused; }
    int32_t GetWidth() const override { return 800; }
    int32_t GetHeight() const override { return 600; }
    Vesk::BoardCounters& Counters() override { return mCounters; }

    bool AddPoints(int32_t points) override {
        mPoints += points;
        return points != 0;
    }
    void AddWhirlwindProgress(int32_t count) override { mCounters.whirlwindProgress += count; }
    void Knockdown() override { ++mKnockdowns; }
    void LevelWon() override { ++mWins; }
    void LoseLife() override { ++mLifeLosses; }
    void GameOver() override { ++mGameOvers; }

    CObjectList& Objects() override { return mObjects; }
    CTimeObject* GetClock() override { return mClock; }
    void SetClock(CTimeObject* clock) override { mClock = clock; }
    CLevelProgressBar* GetLevelBar() override { return mLevelBar; }
    void SetLevelBar(CLevelProgressBar* bar) override { mLevelBar = bar; }
    CEffectiveProgressBar* GetEffectivityBar() override { return mEffectivityBar; }
    void SetEffectivityBar(CEffectiveProgressBar* bar) override { mEffectivityBar = bar; }
    bool IsFieldLeaving() const override { return mFieldLeaving; }
    Vesk::Point GetPanelPosition() const override { return {0, 520}; }
    void GrantBubbleCharge() override { ++mBubbleGrants; }
    void SetCursor(int32_t number) override { mCursor = number; }
    CLucheg* GetGuide() override { return mGuide; }
    void SetGuide(CLucheg* guide) override { mGuide = guide; }
    void ButtonClicked(int32_t id) override { mClicked.push_back(id); }
    Vesk::BonusMode GetBonusMode() const override { return mBonusMode; }
    void SetBonusMode(Vesk::BonusMode mode) override { mBonusMode = mode; }
    Vesk::Point GetCursorPosition() const override { return mCursorAt; }
    void ReleaseFieldSelection() override { ++mSelectionReleases; }
    int32_t GetSlowMotionFlag() const override { return mSlowMotion; }
    void SetSlowMotionFlag(int32_t flag) override { mSlowMotion = flag; }
    double GetSlowMotionTime() const override { return 5000.0; }
    void ShowSlowMotion() override { mOverlay = true; }
    void HideSlowMotion() override { mOverlay = false; }
    void SetBonusIcon(CBonusIcon* icon) override { mIcons.push_back(icon); }
    CBubble* GetBubble() override { return mBubble; }
    void SetBubble(CBubble* bubble) override { mBubble = bubble; }
    // Ids echo back, so tests see which text was chosen.
    std::string GetString(const std::string& id) override { return id; }

    void PlaySound(Vesk::GameSound sound) override { mPlayed.push_back(sound); }
    Vesk::SoundInstance* GetSoundInstance(Vesk::GameSound sound) override {
        auto& instance = mInstances.emplace_back(std::make_unique<Sound>());
        instance->mSound = sound;
        return instance.get();
    }

    int32_t mUpdateCount = 0;
    uint32_t mTick = 1000;
    Vesk::GameRandom mRandom{1};
    FakeMedia mMedia;
    int32_t mLevel = 1;
    int32_t mLives = 3;
    bool mPaused = false;
    bool mFieldLeaving = false;
    Vesk::BoardCounters mCounters;
    int64_t mPoints = 0;
    int mKnockdowns = 0;
    int mWins = 0;
    int mLifeLosses = 0;
    int mGameOvers = 0;
    int mBubbleGrants = 0;
    int32_t mCursor = 0;
    CLucheg* mGuide = nullptr;
    Vesk::BonusMode mBonusMode = Vesk::BonusMode::kNone;
    Vesk::Point mCursorAt{};
    int mSelectionReleases = 0;
    int32_t mSlowMotion = 0;
    bool mOverlay = false;
    std::vector<CBonusIcon*> mIcons;
    CBubble* mBubble = nullptr;
    std::vector<int32_t> mClicked;
    std::vector<Vesk::GameSound> mPlayed;
    // Every instance handed out, kept so tests can look at released ones.
    std::vector<std::unique_ptr<Sound>> mInstances;
    CTimeObject* mClock = nullptr;
    CLevelProgressBar* mLevelBar = nullptr;
    CEffectiveProgressBar* mEffectivityBar = nullptr;
    // Declared last: objects reach back into the board while the list deletes them.
    CObjectList mObjects;
};

}  // namespace fake
