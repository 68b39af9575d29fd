// Music: one track at a time with its fades, and the level tracks.
#include "GameAppTestSupport.h"

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
    for (const auto& [level, track] : cases)
        EXPECT_EQ(Vesk::GameApp::LevelMusicTrack(level), track) << level;
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
