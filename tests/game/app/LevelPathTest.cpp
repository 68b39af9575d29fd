// Winning level 5 headless: the stage-complete dialog, the land map, then level 6. A picture of
// each screen is written beside the tests as an artefact.
#include <filesystem>

#include "ScreenTestSupport.h"
#include "game/app/CStageCompleteDialog.h"
#include "graphics/DDImage.h"
#include "resources/ImageLib.h"

namespace gameapptest {
namespace {

class LevelPathTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        Bind(IMAGE_STAGECOMPLETE_BG, 492, Vesk::Color(30, 30, 120), 570);
        mScreen.Create(800, 600);
        Manager().mImage = &mScreen;
        ASSERT_TRUE(mGame->LoadGameData());
    }
    void TearDown() override {
        Manager().mImage = nullptr;
        ScreenTest::TearDown();
    }
    void Frames(int count) {
        for (int i = 0; i < count; ++i) {
            mClock.Advance(10);
            Manager().UpdateFrame();
        }
    }
    // The whole screen as drawn now, kept as a PNG.
    ImageLib::Image Shot(const std::string& name) {
        mScreen.FillRect(Vesk::Rect(0, 0, 800, 600), Vesk::Color(0, 0, 0), Vesk::kDrawModeNormal);
        for (Vesk::Widget* widget : Manager().mWidgets) {
            widget->MarkAllDirty();
        }
        Manager().DrawScreen();
        ImageLib::Image shot(800, 600);
        const uint32_t* bits = mScreen.GetBits();
        shot.mBits.assign(bits, bits + 800 * 600);
        std::filesystem::create_directories("screen-artefacts");
        EXPECT_TRUE(ImageLib::WritePNGImage("screen-artefacts/" + name + ".png", shot));
        return shot;
    }
    static uint32_t At(const ImageLib::Image& shot, int x, int y) {
        return shot.mBits[static_cast<size_t>(y) * 800 + static_cast<size_t>(x)] & 0xFFFFFF;
    }

    Vesk::DDImage mScreen;
};

TEST_F(LevelPathTest, WinningLevelFiveShowsTheResultsThenTheMapThenLevelSix) {
    Vesk::Board& board = GetBoard();
    board.level = 5;
    board.bestLevel = 5;
    board.continueSaved = false;
    Show(&board);
    ASSERT_NE(board.GetTable(), nullptr);
    board.boardState = Vesk::Board::kPlaying;
    board.counters.levelScore = 2400;
    board.finishTime = 95000;
    board.StageComplete();
    ASSERT_FALSE(mHost->mDialogs.empty());
    EXPECT_EQ(mHost->mDialogs.back(), Vesk::BoardHost::Dialog::StageComplete);
    Vesk::CStageCompleteDialog* dialog = Vesk::CStageCompleteDialog::Show(board);
    Frames(100);
    const ImageLib::Image results = Shot("1-stage-complete");
    const uint32_t background = At(results, 155 + 10, 13 + 300);
    EXPECT_GT(background & 0xFF, 0x60u) << "the dialog's background";
    EXPECT_LT(background >> 16, 0x30u);

    dialog->KeyDown(13);
    Frames(120);
    ASSERT_TRUE(Manager().HasWidget(&Map()));
    EXPECT_EQ(board.level, 6);
    // The flash runs from stage 1 to stage 2 once the map has faded in.
    Frames(90);
    EXPECT_LT(Map().PathStep(), Vesk::CLandMap::kPathLength);
    EXPECT_EQ(At(Shot("2-land-map-path"), 256, 134), 0xB400DCu) << "stage 2 not yet reached";
    Frames(300);
    EXPECT_EQ(Map().PathStep(), Vesk::CLandMap::kPathLength);
    EXPECT_EQ(At(Shot("2-land-map"), 256, 134), 0x00DC00u) << "stage 2 reached";

    Map().ButtonDepress(Vesk::CLandMap::CONTINUE);
    Frames(120);
    EXPECT_FALSE(Manager().HasWidget(&Map()));
    ASSERT_TRUE(Manager().HasWidget(&board));
    EXPECT_EQ(board.level, 6);
    ASSERT_NE(board.GetTable(), nullptr);
    Shot("3-level-6");
}

}  // namespace
}  // namespace gameapptest
