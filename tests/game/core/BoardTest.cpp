#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "FakeBoardHost.h"
#include "FieldCheck.h"
#include "game/core/CBlock.h"
#include "game/core/CBonusIconBubble.h"
#include "game/core/CBonusIconBuxpb.h"
#include "game/core/CBonusIconSlomo.h"
#include "game/core/CBubble.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/CTable.h"
#include "game/core/CTimeObject.h"
#include "game/core/GameMath.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "platform/FileSystem.h"
#include "platform/VirtualKeys.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"
#include "widgets/WidgetManager.h"

namespace {

using Dialog = Vesk::BoardHost::Dialog;
using Kind = Vesk::BoardOverlay::Kind;
using Vesk::Board;

std::string ScratchFolder() {
    static int counter = 0;
    const auto path = std::filesystem::temp_directory_path() /
                      ("vesk-board-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(path);
    return path.string() + "/";
}

class BoardTest : public ::testing::Test {
protected:
    BoardTest() : host(ScratchFolder()) { InitTrigTables(); }
    ~BoardTest() override {
        manager.RemoveAllWidgets(false, false);
        board.reset();
        std::filesystem::remove_all(host.mFolder);
    }

    // Shown on the manager: set-up, the level announcement, then play once it ends.
    Board& Start() {
        board = std::make_unique<Board>(host);
        manager.AddWidget(board.get());
        board->LevelIntroDone();
        RunUntil([&] { return board->boardState == Board::kPlaying; });
        return *board;
    }
    // One frame: 10 ms of system time and an update; false when the condition never held.
    bool RunUntil(const std::function<bool()>& done, int limit = 20000) {
        for (int i = 0; i < limit; ++i) {
            if (done()) {
                return true;
            }
            host.mTick += 10;
            board->Update();
        }
        return done();
    }
    bool Dealt() { return board->GetTable() != nullptr && board->GetTable()->phase == 1; }
    std::vector<uint8_t> SavedFile() {
        auto bytes = platform::fs::ReadWholeFile(host.SavePath());
        return bytes ? *bytes : std::vector<uint8_t>{};
    }
    // Loads bytes into a board of its own and plays it for a while: empty when the field is and
    // stays sound, "refused: ..." when the load refused the bytes, else the fault.
    std::string Reload(const std::vector<uint8_t>& bytes, int updates) {
        host.mErrors.clear();
        Board loaded(host);
        if (loaded.LoadGameBytes(bytes, false) != 1) {
            return "refused: " + (host.mErrors.empty() ? std::string() : host.mErrors[0]);
        }
        loaded.SetPaused(false);
        for (int i = 0; i <= updates; ++i) {
            if (loaded.GetTable() != nullptr) {
                std::string fault = fake::FieldFault(*loaded.GetTable(), loaded.Objects());
                if (!fault.empty()) {
                    return fault + " after " + std::to_string(i) + " updates";
                }
            }
            loaded.Update();
        }
        return {};
    }
    // A click with the mouse moved there first, as the widget manager delivers it.
    void Click(int32_t px, int32_t py) {
        board->MouseMove(px, py);
        board->MouseDown(px, py, 1);
        board->MouseUp(px, py, 1);
    }
    static int32_t I32At(const std::vector<uint8_t>& bytes, size_t at) {
        Vesk::ByteReader in(std::span<const uint8_t>(bytes).subspan(at));
        return static_cast<int32_t>(in.U32());
    }

    fake::BoardHost host;
    Vesk::WidgetManager manager{nullptr};
    std::unique_ptr<Board> board;
};

TEST_F(BoardTest, SetUpBuildsTheLevelInOrderAndAnnouncesIt) {
    Start();
    // Layer order, later arrivals in front of their layer.
    std::vector<ObjectTypeId> types;
    for (int32_t i = 0; i < board->Objects().GetCount(); ++i) {
        ObjectTypeId id{};
        if (auto* object = board->Objects().GetAt(i)) {
            Vesk::ByteWriter out;
            object->Save(out);
            id = static_cast<ObjectTypeId>(I32At(out.Bytes(), 0));
        }
        types.push_back(id);
    }
    using T = ObjectTypeId;
    const std::vector<T> expected = {
        T::ImageObject,     T::Table,           T::Lucheg,
        T::InterfaceObject, T::Button,          T::LevelProgressBar,
        T::GoodForce,       T::EvilForce,       T::EffectiveProgressBar,
        T::BonusIconSlomo,  T::BonusIconBubble, T::BonusIconBuxpb,
        T::TimeObject};
    EXPECT_EQ(types, expected);
    EXPECT_EQ(board->colourCount, 3);
    EXPECT_EQ(host.mBound,
              (std::vector<std::string>{"0 IMAGE_BLOCK1", "1 IMAGE_BLOCK2", "2 IMAGE_BLOCK3"}));
    EXPECT_EQ(host.mOverlays, std::vector<Kind>{Kind::LevelIntro});
    EXPECT_TRUE(board->skipSetup);
    EXPECT_EQ(board->GetLevelBar()->GetValue(), 500);
}

TEST_F(BoardTest, LevelChecksRefuseWhatWouldBreakTheField) {
    struct Case {
        const char* name;
        std::function<void(Vesk::LevelDesc&)> spoil;
    };
    const std::vector<Case> cases = {
        {"18 columns", [](auto& d) { d = fake::MakeLevel(18, 6); }},
        {"13 rows", [](auto& d) { d = fake::MakeLevel(6, 13); }},
        {"no columns", [](auto& d) { d = fake::MakeLevel(0, 6); }},
        {"short cell table", [](auto& d) { d.cells.pop_back(); }},
        {"short column", [](auto& d) { d.cells[2].pop_back(); }},
        {"two colours", [](auto& d) { d.blockNames.pop_back(); }},
        {"nine colours", [](auto& d) { d.blockNames.resize(9, "IMAGE_BLOCK1"); }},
        {"not a block image", [](auto& d) { d.blockNames[1] = "IMAGE_CELL"; }},
        {"no capacity", [](auto& d) { d.capacity = 0; }},
        {"no effect capacity", [](auto& d) { d.effectcapacity = 0; }},
    };
    for (const Case& c : cases) {
        host.mLevels[0] = fake::MakeLevel();
        c.spoil(host.mLevels[0]);
        host.mErrors.clear();
        host.mOverlays.clear();
        Board refused(host);
        refused.SetupLevel();
        EXPECT_EQ(refused.GetTable(), nullptr) << c.name;
        EXPECT_EQ(host.mErrors.size(), 1u) << c.name;
        EXPECT_EQ(refused.Objects().GetCount(), 1) << c.name;  // the clock alone
        refused.skipSetup = false;
    }
    // Past the last level: no field and no announcement.
    host.mLevels[0] = fake::MakeLevel();
    host.mOverlays.clear();
    host.mErrors.clear();
    auto past = std::make_unique<Board>(host);
    past->level = 3;
    manager.AddWidget(past.get());
    EXPECT_EQ(past->GetTable(), nullptr);
    EXPECT_TRUE(host.mOverlays.empty());
    EXPECT_TRUE(host.mErrors.empty());
    manager.RemoveWidget(past.get());
}

TEST_F(BoardTest, ScriptedLevelIsWonSavedAndAdvancedOnce) {
    Start();
    ASSERT_TRUE(RunUntil([&] { return Dealt(); }));
    board->GetLevelBar()->AddValue(100000);
    ASSERT_TRUE(RunUntil([&] { return board->boardState == Board::kStageComplete; }));
    EXPECT_EQ(host.mDialogs, std::vector<Dialog>{Dialog::StageComplete});
    EXPECT_EQ(host.mPlayed.back(), Vesk::GameSound::ScBegin);
    EXPECT_GT(board->finishTime, 0);
    // The save holds the level in progress at its end.
    std::vector<uint8_t> saved = SavedFile();
    ASSERT_GE(saved.size(), Board::kHeaderBytes);
    EXPECT_EQ(I32At(saved, 0), 1);
    EXPECT_EQ(Board(host).LoadGameBytes(saved, false), 1);
    // Closing now advances to level 2 once and marks it to be built afresh.
    board->counters.levelScore = 40;
    board.reset();
    saved = SavedFile();
    EXPECT_EQ(I32At(saved, 0), 2);
    EXPECT_EQ(I32At(saved, 5), 2);    // best level
    EXPECT_EQ(saved[10], 1);          // rebuild on load
    EXPECT_EQ(I32At(saved, 43), 40);  // total score
    // After the dialog's own advance the destructor does not advance again.
    Start();
    EXPECT_EQ(board->level, 2);
    EXPECT_EQ(board->GetTable()->columns, 8);
    board->SetPaused(true, Board::kStageComplete);
    board->NextLevel();
    board->SetRebuildOnLoad(true);
    board->SaveGame();
    board.reset();
    EXPECT_EQ(I32At(SavedFile(), 0), 3);
}

// Over 2^31 game milliseconds in one level: the level's time saturates.
TEST_F(BoardTest, LongestLevelTimeSaturates) {
    Start();
    host.mTick += 3000000000u;
    board->GetClock()->Update(*board);
    board->LevelWon();
    EXPECT_EQ(board->finishTime, INT32_MAX);
}

TEST_F(BoardTest, EmptyBarCostsALifeAndRebuildsThenEndsTheGame) {
    Start();
    ASSERT_TRUE(RunUntil([&] { return Dealt(); }));
    board->GetLevelBar()->SetRange(*board, 0, 1000, 1);
    board->GetLevelBar()->SetStopped(false);
    ASSERT_TRUE(RunUntil([&] { return board->boardState == Board::kPaused; }));
    EXPECT_EQ(board->lives, 2);
    EXPECT_EQ(host.mOverlays.back(), Kind::LivesLeft);
    // The overlay ends: fade out, leave, come back with the same level built afresh.
    board->LivesOverlayDone();
    ASSERT_TRUE(RunUntil([&] { return host.mProfileWrites == 1 && board->GetTable(); }, 200));
    EXPECT_TRUE(manager.HasWidget(board.get()));
    EXPECT_EQ(host.mOverlays.back(), Kind::LevelIntro);
    EXPECT_EQ(board->GetLevelBar()->GetValue(), 500);
    EXPECT_EQ(host.mProfileWrites, 1);

    // No lives left: the game is over and the save is emptied.
    ASSERT_TRUE(board->SaveGame());
    ASSERT_FALSE(SavedFile().empty());
    board->LevelIntroDone();
    ASSERT_TRUE(RunUntil([&] { return board->boardState == Board::kPlaying && Dealt(); }));
    board->lives = 0;
    board->GetLevelBar()->SetRange(*board, 0, 1000, 1);
    board->GetLevelBar()->SetStopped(false);
    ASSERT_TRUE(RunUntil([&] { return board->boardState == Board::kPaused; }));
    EXPECT_EQ(host.mDialogs, std::vector<Dialog>{Dialog::GameOver});
    EXPECT_EQ(host.mPlayed.back(), Vesk::GameSound::GameOver);
    EXPECT_TRUE(platform::fs::Exists(host.SavePath()));
    EXPECT_TRUE(SavedFile().empty());
}

TEST_F(BoardTest, RightClickCancelsTargetingAndRefunds) {
    host.mLevels[0].blockNames.push_back("IMAGE_BLOCK4");
    Start();
    ASSERT_TRUE(RunUntil([&] { return Dealt(); }));
    board->GetWhirlwindIcon()->AddCharges(1, false);
    board->GetBubbleIcon()->AddCharges(1, false);
    RunUntil([&] { return board->GetBubbleIcon()->state == CBonusIcon::Shown; });
    // A right click without targeting does nothing.
    board->MouseDown(400, 300, -1);
    EXPECT_EQ(board->GetWhirlwindIcon()->charges, 1);

    board->MouseMove(64, 227);
    board->MouseDown(64, 227, 1);
    ASSERT_EQ(board->bonusMode, Vesk::BonusMode::kWhirlwind);
    EXPECT_EQ(board->GetWhirlwindIcon()->charges, 0);
    board->MouseUp(64, 227, 1);
    board->MouseDown(400, 300, -1);
    EXPECT_EQ(board->bonusMode, Vesk::BonusMode::kNone);
    EXPECT_EQ(board->GetWhirlwindIcon()->charges, 1);
    EXPECT_EQ(board->GetWhirlwindIcon()->state, CBonusIcon::Shown);

    board->MouseMove(106, 340);
    board->MouseDown(106, 340, 1);
    ASSERT_EQ(board->bonusMode, Vesk::BonusMode::kBubble);
    CBubble* bubble = board->GetBubble();
    ASSERT_NE(bubble, nullptr);
    board->MouseDown(400, 300, -1);
    EXPECT_EQ(bubble->state, CBubble::Finished);
    EXPECT_EQ(board->GetBubbleIcon()->charges, 1);
    RunUntil([&] { return board->GetBubble() == nullptr; }, 5);
    EXPECT_EQ(board->GetBubble(), nullptr);

    // Saving during bubble targeting drops the bubble and gives the charge back.
    board->MouseMove(106, 340);
    board->MouseDown(106, 340, 1);
    ASSERT_NE(board->GetBubble(), nullptr);
    board->SaveGame();
    EXPECT_EQ(board->GetBubble(), nullptr);
    EXPECT_EQ(board->counters.bubbleCharges, 1);
    EXPECT_EQ(I32At(SavedFile(), 11), 0);  // bonus mode
}

// A frame may be drawn more than once (changed areas): the extra draws change neither the game
// nor the picture, and a fade still darkens the frame once.
TEST_F(BoardTest, DrawingAFrameAgainChangesNothing) {
    Vesk::MemoryImage solid[2];
    const Vesk::GameImage drawn[] = {Vesk::GameImage::Cell, Vesk::GameImage::Interface,
                                     Vesk::GameImage::BonusIconBase1};
    for (int i = 0; i < 2; ++i) {
        solid[i].Create(43, 43);
        std::fill_n(solid[i].GetBits(), 43 * 43, i == 0 ? 0xFF3060A0u : 0x80C02010u);
        solid[i].BitsChanged();
    }
    for (size_t i = 0; i < std::size(drawn); ++i) {
        host.mMedia.mImages[drawn[i]] = &solid[i % 2];
    }
    Start();
    ASSERT_TRUE(RunUntil([&] { return Dealt(); }));
    board->GetBubbleIcon()->AddCharges(1, false);
    RunUntil([&] { return board->GetBubbleIcon()->state == CBonusIcon::Shown; });
    Click(106, 340);
    const CTable* table = board->GetTable();
    Click(table->originX + 2 * 43 + 21, table->originY + 2 * 43 + 21);
    ASSERT_NE(board->GetBubble(), nullptr);
    ASSERT_EQ(board->GetBubble()->state, CBubble::Flying);
    RunUntil([] { return false; }, 120);
    ASSERT_NE(board->GetBubble(), nullptr);

    const std::vector<uint8_t> game = board->SaveGameBytes();
    Vesk::MemoryImage frames[2];
    for (Vesk::MemoryImage& frame : frames) {
        frame.Create(board->mWidth, board->mHeight);
        Vesk::Graphics g(&frame);
        board->Draw(&g);
        EXPECT_EQ(board->SaveGameBytes(), game);
    }
    const size_t pixels = static_cast<size_t>(board->mWidth) * board->mHeight;
    EXPECT_TRUE(std::equal(frames[0].GetBits(), frames[0].GetBits() + pixels, frames[1].GetBits()));
    // Something was drawn: the field's cells.
    EXPECT_NE(frames[0].GetBits()[(table->originY + 1) * board->mWidth + table->originX + 1], 0u);

    board->StartFadeIn();
    for (Vesk::MemoryImage& frame : frames) {
        Vesk::Graphics g(&frame);
        board->Draw(&g);
    }
    EXPECT_EQ(manager.mDeferredOverlayWidgets.size(), 1u);
}

TEST_F(BoardTest, PointsCrossTheirThresholds) {
    Start();
    CBonusIconSlomo* slow = board->GetSlowMotionIcon();
    board->AddPoints(500000);
    EXPECT_EQ(board->lives, 4);
    EXPECT_EQ(board->counters.lifeCounter, 0);
    EXPECT_EQ(host.mPlayed.back(), Vesk::GameSound::AddLive);
    board->AddPoints(999999);
    EXPECT_EQ(board->lives, 5);
    EXPECT_EQ(board->counters.lifeCounter, 499999);
    EXPECT_EQ(slow->charges, 2 + 3);
    EXPECT_EQ(board->counters.slowMotionCounter, 249999);
    EXPECT_FALSE(board->AddPoints(0));

    // End-of-level points feed slow motion only past level 15, and make no sound.
    const size_t sounds = host.mPlayed.size();
    int16_t charges = -1;
    int16_t gained = -1;
    EXPECT_TRUE(board->AddBonusPoints(1, &charges, &gained));
    EXPECT_EQ(charges, 0);
    EXPECT_EQ(gained, 1);
    EXPECT_EQ(board->counters.slowMotionCounter, 249999);
    board->level = 16;
    board->AddBonusPoints(250001, &charges, &gained);
    EXPECT_EQ(charges, 2);
    EXPECT_EQ(board->counters.slowMotionCounter, 0);
    EXPECT_EQ(host.mPlayed.size(), sounds + 1);  // the icon's own charge sound

    // Whirlwind progress counts from level 6: 14 + 5 leaves 4 and one charge.
    board->level = 5;
    board->AddWhirlwindProgress(5);
    EXPECT_EQ(board->counters.whirlwindProgress, 0);
    board->level = 6;
    board->counters.whirlwindProgress = 14;
    board->AddWhirlwindProgress(5);
    EXPECT_EQ(board->counters.whirlwindProgress, 4);
    EXPECT_EQ(board->GetWhirlwindIcon()->charges, 1);

    // A knockdown of 7 slows the drain a hundredfold, keeps 2 and opens one overlay at a time.
    board->counters.knockdownCounter = 1;
    board->Knockdown();
    EXPECT_EQ(board->GetOverlay(Kind::Knockdown), nullptr);
    board->GetLevelBar()->SetStopped(false);
    RunUntil([&] { return board->GetLevelBar()->GetDrainSpeed() > 0.0; }, 20);
    board->counters.knockdownCounter = 7;
    const double drain = board->GetLevelBar()->GetDrainSpeed();
    board->Knockdown();
    EXPECT_GT(drain, 0.0);
    EXPECT_EQ(board->GetLevelBar()->GetDrainSpeed(), drain * 0.01);
    EXPECT_EQ(board->counters.knockdownCounter, 2);
    Vesk::BoardOverlay* overlay = board->GetOverlay(Kind::Knockdown);
    ASSERT_NE(overlay, nullptr);
    board->counters.knockdownCounter = 2;
    board->Knockdown();
    EXPECT_EQ(board->GetOverlay(Kind::Knockdown), overlay);
    EXPECT_EQ(board->counters.knockdownCounter, 0);
}

TEST_F(BoardTest, PauseReBasesTheClockAndEscapeOpensThePauseDialog) {
    Start();
    RunUntil([] { return false; }, 5);
    const double before = board->GetClock()->GetTime();
    board->KeyDown(platform::vk::Escape);
    EXPECT_TRUE(board->paused);
    EXPECT_EQ(host.mDialogs, std::vector<Dialog>{Dialog::Pause});
    host.mTick += 60000;
    board->Update();
    EXPECT_EQ(board->GetClock()->GetTime(), before);
    board->ResumePlay();
    EXPECT_EQ(board->boardState, Board::kPlaying);
    host.mTick += 10;
    board->Update();
    EXPECT_NEAR(board->GetClock()->GetTime(), before + 10.0, 1e-9);
}

TEST_F(BoardTest, SaveAndLoadRoundTripByteForByte) {
    Start();
    ASSERT_TRUE(RunUntil([&] { return Dealt(); }));
    RunUntil([] { return false; }, 300);
    board->helpShown = true;
    static_cast<fake::Help*>(board->GetHelp())->mTopics = 0x82;
    board->counters.matchCounts = {1, 2, 3, 4, 5};
    board->bestLevel = 7;
    ASSERT_TRUE(board->SaveGame());
    const std::vector<uint8_t> saved = SavedFile();
    EXPECT_EQ(I32At(saved, 0), 1);
    EXPECT_EQ(saved[4], 1);
    EXPECT_EQ(I32At(saved, 5), 7);
    EXPECT_EQ(I32At(saved, 15), 3);
    EXPECT_EQ(I32At(saved, 19), 3);
    EXPECT_EQ(I32At(saved, 23), 5000);
    EXPECT_EQ(saved[55], 1);
    EXPECT_EQ(saved[63], 5);
    EXPECT_EQ(I32At(saved, 73), board->Objects().GetCount());
    EXPECT_EQ(I32At(saved, 77), 0x82);
    EXPECT_EQ(I32At(saved, 81), static_cast<int32_t>(ObjectTypeId::ImageObject));

    auto loaded = std::make_unique<Board>(host);
    ASSERT_EQ(loaded->LoadGameBytes(saved, false), 1)
        << (host.mErrors.empty() ? "" : host.mErrors[0]);
    EXPECT_EQ(loaded->SaveGameBytes(), saved);
    EXPECT_EQ(static_cast<fake::Help*>(loaded->GetHelp())->mTopics, 0x82u);
    EXPECT_NE(loaded->GetTable(), nullptr);
    EXPECT_NE(loaded->GetTable()->BlockAt(0, 0), nullptr);
    EXPECT_TRUE(host.mErrors.empty());

    // A new game keeps the best level only.
    board->NewGame();
    EXPECT_EQ(board->level, 1);
    EXPECT_EQ(board->bestLevel, 7);
    EXPECT_EQ(board->lives, 3);
    EXPECT_EQ(board->counters.matchCounts[4], 0);
    EXPECT_TRUE(board->helpShown);
}

TEST_F(BoardTest, DamagedSavesFallBackToAFreshLevel) {
    Start();
    ASSERT_TRUE(RunUntil([&] { return Dealt(); }));
    RunUntil([] { return false; }, 300);
    board->SaveGame();
    const std::vector<uint8_t> good = SavedFile();
    size_t table = 0;
    for (size_t i = Board::kHeaderBytes; i + 4 <= good.size(); ++i) {
        if (I32At(good, i) == static_cast<int32_t>(ObjectTypeId::Table)) {
            table = i;
            break;
        }
    }
    ASSERT_GT(table, 0u);
    // The first cell's list index follows the field's 100 fixed bytes, its hole and present.
    const size_t firstCellIndex = table + 100 + 8;
    auto spoil = [&](size_t at, int32_t value) {
        std::vector<uint8_t> bytes = good;
        for (int i = 0; i < 4; ++i) {
            bytes.at(at + i) = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
        }
        return bytes;
    };
    std::vector<std::vector<uint8_t>> damaged = {
        spoil(73, 1 << 30),      // object count
        spoil(73, good.size()),  // more objects than bytes
        spoil(77, 14),           // a type id without a class
        spoil(77, 21),
        spoil(15, 9),  // colour count
        spoil(0, 0),   // level
    };
    for (size_t cut : {size_t{5}, size_t{76}, size_t{90}, good.size() / 2, good.size() - 1}) {
        damaged.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    }
    damaged.push_back(good);
    damaged.back().push_back(0);  // a stray byte past the last object
    // Cells naming no block, or a non-block.
    for (int32_t index : {-1, 0, 100000}) {
        damaged.push_back(spoil(firstCellIndex, index));
    }
    // A block naming another cell than the one holding it; a resting block no cell holds.
    CTable* field = board->GetTable();
    CBlock* first = field->BlockAt(0, 0);
    first->cellA = 1;
    damaged.push_back(board->SaveGameBytes());
    first->cellA = 0;
    field->Cell(0, 0).present = 0;
    field->Cell(0, 0).block = nullptr;
    damaged.push_back(board->SaveGameBytes());
    field->PutInCell(*first, 0, 0);
    for (size_t i = 0; i < damaged.size(); ++i) {
        host.mErrors.clear();
        Board fresh(host);
        EXPECT_EQ(fresh.LoadGameBytes(damaged[i], false), 0) << i;
        EXPECT_EQ(fresh.GetTable(), nullptr) << i;
        EXPECT_EQ(fresh.Objects().GetCount(), 0) << i;
        if (i != 1) {
            EXPECT_EQ(host.mErrors.size(), 1u) << i;
        }
    }
    // The board then builds the level from its record, with the damaged file moved aside
    // before leaving the board saves the fresh level, and the player told.
    std::filesystem::create_directories(host.mFolder + "profiles");
    board.reset();
    platform::fs::WriteWholeFileAtomic(host.SavePath(), damaged[2].data(), damaged[2].size());
    host.mErrors.clear();
    Start();
    EXPECT_EQ(host.mErrors.size(), 2u);
    EXPECT_NE(board->GetTable(), nullptr);
    // An empty save keeps the player listed until the fresh level is saved.
    EXPECT_EQ(std::filesystem::file_size(host.SavePath()), 0u);
    ASSERT_EQ(host.mToldDamaged, std::vector<std::string>{host.SavePath() + ".damaged"});
    board.reset();
    EXPECT_NE(SavedFile(), damaged[2]);
    auto kept = platform::fs::ReadWholeFile(host.SavePath() + ".damaged");
    EXPECT_EQ(kept, damaged[2]);
}

// Every save fails with a folder in the way; the folder stays and the player hears of it.
TEST_F(BoardTest, ASaveThatCannotBeWrittenIsTold) {
    std::filesystem::create_directories(host.SavePath());
    Start();
    EXPECT_FALSE(board->SaveGame());
    board->ClearSavedGame();
    EXPECT_EQ(host.mToldCannotSave, 2);
    EXPECT_TRUE(std::filesystem::is_directory(host.SavePath()));
    board->skipSetup = false;
}

// A saved game that cannot be read, or whose damage cannot be copied aside, is left alone.
TEST_F(BoardTest, ASavedGameThatCannotBeReadOrKeptIsLeftAlone) {
    std::filesystem::create_directories(host.mFolder + "profiles");
    // Root reads past any mode; this link fails with a read error for everyone.
    std::filesystem::create_symlink("/proc/self/mem", host.SavePath());
    Board fresh(host);
    EXPECT_EQ(fresh.LoadGame(true), 0);
    EXPECT_TRUE(host.mFiles->IsLeftAlone(host.SavePath()));
    ASSERT_EQ(host.mFiles->mWarnings.size(), 1u);
    EXPECT_NE(host.mFiles->mWarnings[0].find("Input/output error"), std::string::npos);

    std::filesystem::remove(host.SavePath());
    host.mFiles = std::make_unique<fake::PlayerFiles>(host.mErrors, host.mToldCannotSave);
    const std::vector<uint8_t> damaged(64, 0xEE);
    platform::fs::WriteWholeFileAtomic(host.SavePath(), damaged.data(), damaged.size());
    for (int i = 1; i <= 100; ++i) {
        const std::string name =
            host.SavePath() + ".damaged" + (i > 1 ? "." + std::to_string(i) : "");
        platform::fs::WriteWholeFileAtomic(name, "x", 1);
    }
    EXPECT_EQ(fresh.LoadGame(false), 0);
    EXPECT_TRUE(host.mFiles->IsLeftAlone(host.SavePath()));
    // A name in another case is the same file: a save there would replace it.
    host.mPlayer = "PLAYER";
    fresh.ClearSavedGame();
    host.mPlayer = "Player";
    EXPECT_EQ(host.mToldCannotSave, 1);
    EXPECT_TRUE(host.mToldDamaged.empty());
    EXPECT_EQ(platform::fs::ReadWholeFile(host.SavePath()), damaged);
}

// Seeded random games: swaps anywhere, whirlwinds and bubbles now and then, saved and reloaded
// at random moments. Every save the game writes loads into a sound field that stays sound.
TEST_F(BoardTest, RandomGamesSavedAtRandomMomentsAllLoad) {
    constexpr uint32_t kGames = 16;
    constexpr int kFrames = 4000;
    host.mLevels[0] = fake::MakeLevel(8, 8);
    host.mLevels[0].blockNames.push_back("IMAGE_BLOCK4");
    host.mLevels[0].capacity = 6000;
    int reloads = 0;
    for (uint32_t seed = 1; seed <= kGames; ++seed) {
        host.mRandom.SRand(seed);
        Vesk::GameRandom player(seed * 7919);
        board.reset();  // saves its game: a fresh one each time
        std::filesystem::remove(host.SavePath());
        Start();
        board->GetWhirlwindIcon()->AddCharges(3, false);
        board->GetBubbleIcon()->AddCharges(3, false);
        for (int frame = 0; frame < kFrames && board->boardState == Board::kPlaying; ++frame) {
            host.mTick += 10;
            board->Update();
            const CTable* table = board->GetTable();
            const int32_t column = player.Next() % table->columns;
            const int32_t row = player.Next() % table->rows;
            const int32_t px = table->originX + column * 43 + 21;
            const int32_t py = table->originY + row * 43 + 21;
            const int action = player.Next() % 60;
            if (action < 6) {
                Click(px, py);
                const bool across = (action & 1) != 0;
                Click(px + (across ? 43 : 0), py + (across ? 0 : 43));
            } else if (action == 6) {
                Click(64, 227);  // whirlwind, then where it strikes
                Click(px, py);
            } else if (action == 7) {
                Click(106, 340);  // bubble
                Click(px, py);
            } else if (action == 8) {
                ASSERT_TRUE(board->SaveGame());
                const std::string fault = Reload(SavedFile(), 40);
                ASSERT_EQ(fault, "") << "seed " << seed << ", frame " << frame;
                ++reloads;
            }
        }
    }
    EXPECT_GT(reloads, 300);
}

// Random byte flips of a real save either load into a sound field or are refused.
TEST_F(BoardTest, FlippedBytesOfASaveLoadSoundOrAreRefused) {
    host.mLevels[0].blockNames.push_back("IMAGE_BLOCK4");
    Start();
    ASSERT_TRUE(RunUntil([&] { return Dealt(); }));
    RunUntil([] { return false; }, 200);
    ASSERT_TRUE(board->SaveGame());
    const std::vector<uint8_t> good = SavedFile();
    Vesk::GameRandom flips(99);
    for (int trial = 0; trial < 1500; ++trial) {
        std::vector<uint8_t> bytes = good;
        for (int n = 1 + flips.Next() % 3; n > 0; --n) {
            const size_t at =
                static_cast<size_t>(flips.Next() * 32768 + flips.Next()) % bytes.size();
            bytes[at] ^= static_cast<uint8_t>(1 << (flips.Next() % 8));
        }
        const std::string fault = Reload(bytes, 10);
        ASSERT_TRUE(fault.empty() || fault.rfind("refused", 0) == 0)
            << "trial " << trial << ": " << fault;
    }
}

TEST_F(BoardTest, PlayerNamesStayInsideTheProfilesFolder) {
    for (const char* name : {"", ".", "..", "../x", "a/b", "a\\b", "c:x", "tab\tname", "\x7f"}) {
        EXPECT_FALSE(Board::SavedGamePath("profiles", name)) << name;
    }
    EXPECT_EQ(*Board::SavedGamePath("profiles", "Anna ..x"), "profiles/Anna ..x.sav");
    host.mPlayer = "../escaped";
    Start();
    EXPECT_FALSE(board->SaveGame());
    EXPECT_FALSE(std::filesystem::exists(host.mFolder + "escaped.sav"));
    EXPECT_FALSE(host.mErrors.empty());
    board->skipSetup = false;
}

}  // namespace
