#include "sound/MusicInterface.h"

#include <gtest/gtest.h>

namespace Vesk {
namespace {

TEST(MusicInterfaceTest, TheSilentBaseLoadsNothingAndNeverPlays) {
    MusicInterface music;
    for (int id : {-1, 0, 3, 1000}) {
        EXPECT_FALSE(music.LoadMusic(id, "data/music/main-theme.ogg")) << id;
        music.FadeIn(id, 0, 0.1, false);
        music.Update();
        EXPECT_FALSE(music.IsPlaying(id)) << id;
    }
}

}  // namespace
}  // namespace Vesk
