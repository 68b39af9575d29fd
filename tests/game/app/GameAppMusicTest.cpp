// Music: one track at a time with its fades, and the level tracks.
#include "GameAppTestSupport.h"
#include "sound/SoundInstance.h"
#include "sound/SoundManager.h"

namespace gameapptest {
namespace {

TEST_F(GameAppTest, SwitchingFadesTheOldTrackOutAndTheNewOneIn) {
    auto music = std::make_unique<RecordingMusic>();
    RecordingMusic& calls = *music;
    mGame->mMusicInterface = std::move(music);
    mGame->SwitchMusic(3);
    EXPECT_EQ(calls.mCalls, (std::vector<std::string>{"FadeIn 3 0 0.100000 loop"}));
    mGame->SwitchMusic(5);
    mGame->SwitchMusic(5);
    EXPECT_EQ(calls.mCalls,
              (std::vector<std::string>{"FadeIn 3 0 0.100000 loop", "FadeOut 3 stop 0.004000",
                                        "FadeIn 5 0 0.100000 loop"}));
    mGame->FadeOutMusic();
    mGame->FadeOutMusic();
    EXPECT_EQ(calls.mCalls.size(), 4u);
    EXPECT_EQ(mGame->mCurrentTrack, Vesk::GameApp::kNoTrack);
}

TEST_F(GameAppTest, EachQuarterOfTheLevelsHasItsTrack) {
    const std::pair<int, int> cases[] = {{0, 4},  {1, 4},  {25, 4}, {26, 1},  {50, 1},
                                         {51, 2}, {75, 2}, {76, 0}, {100, 0}, {101, -1}};
    for (const auto& [level, track] : cases) {
        EXPECT_EQ(Vesk::GameApp::LevelMusicTrack(level), track) << level;
    }
    mGame->mMusicInterface = std::make_unique<RecordingMusic>();
    mGame->mLevel = 30;
    mGame->PlayLevelMusic();
    EXPECT_EQ(mGame->mCurrentTrack, 1);
    mGame->mLevel = 101;
    mGame->PlayLevelMusic();
    EXPECT_EQ(mGame->mCurrentTrack, 1);
}

}  // namespace
}  // namespace gameapptest

namespace gameapptest {
namespace {

// Hands out one recording instance per request; id 9 has none.
class Sounds : public Vesk::SoundManager {
public:
    struct Instance : Vesk::SoundInstance {
        explicit Instance(std::vector<std::string>* log) : mLog(log) {}
        void Release() override {}
        void SetBaseVolume(double) override {}
        void SetBasePan(int) override {}
        void AdjustPitch(double semitones) override {
            mLog->push_back("pitch " + std::to_string(static_cast<int>(semitones)));
        }
        void SetVolume(double) override {}
        void SetPan(int) override {}
        bool Play(bool looping, bool autoRelease) override {
            mLog->push_back(std::string("play") + (looping ? " loop" : "") +
                            (autoRelease ? " release" : ""));
            return true;
        }
        void Stop() override {}
        bool IsPlaying() override { return false; }
        bool IsReleased() override { return false; }
        double GetVolume() override { return 1.0; }
        std::vector<std::string>* mLog;
    };
    bool Initialized() override { return true; }
    int LoadSoundByName(const std::string&) override { return -1; }
    bool LoadSound(int, const std::string&) override { return false; }
    void ReleaseSound(int) override {}
    void SetVolume(double) override {}
    bool SetBaseVolume(int, double) override { return false; }
    bool SetBasePan(int, int) override { return false; }
    Vesk::SoundInstance* GetSoundInstance(int id) override {
        if (id == 9) {
            return nullptr;
        }
        mInstances.push_back(std::make_unique<Instance>(&mLog));
        return mInstances.back().get();
    }
    void ReleaseSounds() override {}
    void ReleaseChannels() override {}
    double GetMasterVolume() override { return 1.0; }
    void SetMasterVolume(double) override {}
    void SetCooperativeWindow(platform::WindowId, bool) override {}
    void StopAllSounds() override {}
    int GetFreeSoundId() override { return 0; }
    int GetNumSounds() override { return 0; }

    std::vector<std::unique_ptr<Instance>> mInstances;
    std::vector<std::string> mLog;
};

class SlowGame : public TestGame {
public:
    bool BoardSlowMotion() const override { return mSlow; }
    bool mSlow = false;
};

TEST(GameSoundTest, OnlySlowedSoundsDropThirteenSemitonesAndOnlyInSlowMotion) {
    SlowGame game;
    auto sounds = std::make_unique<Sounds>();
    Sounds& s = *sounds;
    game.mSoundManager = std::move(sounds);
    game.PlaySoundById(1, false, true);
    game.mSlow = true;
    game.PlaySoundById(1, true, false);
    game.PlaySoundById(1, false, true);
    game.PlaySoundById(9, false, true);  // no instance: nothing
    EXPECT_EQ(s.mLog, (std::vector<std::string>{"play release", "play loop release", "pitch -13",
                                                "play release"}));
}

}  // namespace
}  // namespace gameapptest
