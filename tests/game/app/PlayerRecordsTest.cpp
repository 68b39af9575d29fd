// The player's files: the bytes of game.dat and highscores.dat, best times, the sort, the saved
// game's emptiness, and damaged or hostile files.
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <sstream>

#include "GameAppTestSupport.h"
#include "platform/posix/FileSettingsStore.h"

namespace gameapptest {
namespace {

Bytes Record(uint32_t time, int32_t level, const std::string& holder) {
    Bytes out;
    Put32(out, time);
    Put32(out, static_cast<uint32_t>(level));
    PutName(out, holder);
    return out;
}

Bytes GameData(const std::string& player, const std::vector<Bytes>& records) {
    Bytes out;
    PutName(out, player);
    for (const Bytes& record : records) {
        out.insert(out.end(), record.begin(), record.end());
    }
    return out;
}

TEST_F(GameAppTest, FirstStartWritesTheDefaultPlayerAndHundredFreeRecords) {
    mGame->mShowHelp = 0;
    ASSERT_TRUE(mGame->LoadGameData());
    EXPECT_TRUE(std::filesystem::is_directory(mDir + "/profiles"));
    EXPECT_EQ(mGame->mCurrentPlayer, "Player");
    EXPECT_EQ(mGame->mShowHelp, 1);
    ASSERT_EQ(mGame->mLevelRecords.size(), 100u);
    ASSERT_TRUE(mGame->SaveGameData());

    const Bytes bytes = Read("game.dat");
    ASSERT_EQ(bytes.size(), 1210u);
    const Bytes head = {0x06, 0, 0, 0, 'P', 'l', 'a', 'y', 'e', 'r'};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin()));
    const Bytes free = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    for (size_t at = 10; at < bytes.size(); at += 12) {
        EXPECT_TRUE(std::equal(free.begin(), free.end(), bytes.begin() + at)) << at;
    }
}

TEST_F(GameAppTest, RecordsRoundTripAndBestTimesTakeTheLevelsOwnRecordFirst) {
    mGame->mLevels = 3;
    Write("game.dat", GameData("Ann", {Record(5000, 3, "Ann"), Record(0xFFFFFFFF, -1, ""),
                                       Record(0xFFFFFFFF, -1, "")}));
    mGame->mShowHelp = 0;
    ASSERT_TRUE(mGame->LoadGameData());
    EXPECT_EQ(mGame->mCurrentPlayer, "Ann");
    EXPECT_EQ(mGame->mShowHelp, 0);
    mGame->StoreLevelRecordFor(5, 900);
    mGame->mCurrentPlayer = "Bea";
    mGame->StoreLevelRecordFor(3, 700);
    ASSERT_NE(mGame->FindLevelRecord(5), nullptr);
    EXPECT_EQ(mGame->FindLevelRecord(5), mGame->mLevelRecords[1].get());
    EXPECT_EQ(mGame->mLevelRecords[0]->mBestTime, 700u);
    EXPECT_EQ(mGame->mLevelRecords[0]->mHolderName, "Bea");
    EXPECT_EQ(mGame->mLevelRecords[2]->mLevel, -1);
    EXPECT_EQ(mGame->FindLevelRecord(9), nullptr);
    mGame->SaveGameData();
    EXPECT_EQ(Read("game.dat"), GameData("Bea", {Record(700, 3, "Bea"), Record(900, 5, "Ann"),
                                                 Record(0xFFFFFFFF, -1, "")}));
}

// Closing the program before the menu ever read the records must not replace them.
TEST_F(GameAppTest, NothingIsWrittenBeforeTheRecordsWereRead) {
    const Bytes stored = GameData("Ann", {Record(5000, 1, "Ann")});
    Write("game.dat", stored);
    EXPECT_TRUE(mGame->SaveGameData());
    mGame->ShutdownHook();
    EXPECT_EQ(Read("game.dat"), stored);
}

TEST_F(GameAppTest, DamagedGameDataIsReadAsFarAsItIsSound) {
    mGame->mLevels = 3;
    const Bytes whole = GameData("Ann", {Record(5000, 3, "Ann"), Record(6000, 4, "Bo")});
    // Every cut: never more than the level count, and the name only when it is whole.
    for (size_t cut = 0; cut <= whole.size(); ++cut) {
        Write("game.dat", Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)));
        static_cast<void>(mGame->LoadGameData());
        ASSERT_EQ(mGame->mLevelRecords.size(), 3u);
        EXPECT_EQ(mGame->mCurrentPlayer, cut >= 7 ? "Ann" : "Player") << cut;
        EXPECT_EQ(mGame->mLevelRecords[2]->mLevel, -1);
    }
    // Huge lengths: the player's name, then a holder name.
    Bytes hugeName;
    Put32(hugeName, 0xFFFFFFF0u);
    Write("game.dat", hugeName);
    mGame->mShowHelp = 0;
    EXPECT_FALSE(mGame->LoadGameData());
    EXPECT_EQ(mGame->mCurrentPlayer, "Player");
    EXPECT_EQ(mGame->mShowHelp, 1);
    Bytes hugeHolder = GameData("Ann", {Record(5000, 3, "Ann")});
    Put32(hugeHolder, 1);
    Put32(hugeHolder, 4);
    Put32(hugeHolder, 260);
    hugeHolder.resize(hugeHolder.size() + 300, 'x');
    Write("game.dat", hugeHolder);
    EXPECT_FALSE(mGame->LoadGameData());
    EXPECT_EQ(mGame->mLevelRecords[0]->mLevel, 3);
    EXPECT_EQ(mGame->mLevelRecords[1]->mLevel, -1);
    EXPECT_EQ(mGame->mLevelRecords[1]->mBestTime, 0xFFFFFFFFu);
    EXPECT_EQ(mGame->mLevelRecords[1]->mHolderName, "");
}

// A damaged file is copied aside whole and told about once, and stays until the next save
// replaces it; a short but whole one is not damage.
TEST_F(GameAppTest, DamagedGameDataIsKeptAsideAndToldOnce) {
    mGame->mLevels = 2;
    const Bytes one = GameData("Ann", {Record(5000, 3, "Ann")});
    const Bytes surplus =
        GameData("Ann", {Record(5000, 3, "Ann"), Record(1, 4, "Bo"), Record(2, 5, "Cy")});
    Bytes stray = surplus;
    stray.resize(stray.size() + 5, 'x');
    Bytes zeros(4 + 2 * 12, 0);
    zeros.resize(zeros.size() + 42, 0x5A);
    Bytes hugeName;
    Put32(hugeName, 0xFFFFFFF0u);
    const struct {
        const char* what;
        Bytes bytes;
        bool damaged;
    } cases[] = {
        {"one of two records", one, false},
        {"a whole record past the last level", surplus, false},
        {"bytes past the last record", stray, true},
        {"zeros, then stray bytes", zeros, true},
        {"empty", {}, true},
        {"name cut", Bytes(one.begin(), one.begin() + 5), true},
        {"huge name", hugeName, true},
        {"record cut", Bytes(one.begin(), one.end() - 1), true},
    };
    int damagedSoFar = 0;
    for (const auto& c : cases) {
        std::filesystem::remove_all(mDir + "/profiles");
        Write("game.dat", c.bytes);
        EXPECT_EQ(mGame->LoadGameData(), !c.damaged) << c.what;
        EXPECT_EQ(Read("game.dat"), c.bytes) << c.what;
        EXPECT_EQ(std::filesystem::exists(Profiles("game.dat.damaged")), c.damaged) << c.what;
        EXPECT_EQ(Read("game.dat.damaged"), c.damaged ? c.bytes : Bytes{}) << c.what;
        damagedSoFar += c.damaged ? 1 : 0;
        EXPECT_EQ(mGame->mLogged.size(), static_cast<size_t>(damagedSoFar)) << c.what;
    }
    ASSERT_EQ(mGame->mBoxes.size(), 1u);
    EXPECT_NE(mGame->mBoxes[0].find("was damaged"), std::string::npos);
    EXPECT_NE(mGame->mBoxes[0].find(Profiles("game.dat.damaged")), std::string::npos);
    EXPECT_NE(mGame->mLogged.back().find(Profiles("game.dat.damaged")), std::string::npos);

    // An earlier damaged copy is never replaced.
    Write("game.dat", hugeName);
    EXPECT_FALSE(mGame->LoadGameData());
    EXPECT_EQ(Read("game.dat.damaged.2"), hugeName);
    EXPECT_EQ(Read("game.dat.damaged"), Bytes(one.begin(), one.end() - 1));
    ASSERT_TRUE(mGame->SaveGameData());
    EXPECT_EQ(Read("game.dat").size(), 4u + 6 + 2 * 12);

    // Another copy of the game renamed its file in after the damaged one was read.
    const Bytes theirs = GameData("Bo", {Record(7000, 2, "Bo")});
    Write("game.dat", theirs);
    EXPECT_EQ(mGame->KeepDamagedFile(Profiles("game.dat"), hugeName),
              Profiles("game.dat.damaged.2"));
    EXPECT_EQ(Read("game.dat"), theirs);
}

// Root reads past any mode, so the unreadable file is a link whose read fails for everyone; the
// other file is damaged with every name for its copy taken.
TEST_F(GameAppTest, PlayerFilesThatCannotBeReadOrKeptAreToldOnceAndNeverWritten) {
    const Bytes damaged = {1, 2, 3};
    for (const bool unreadable : {true, false}) {
        std::filesystem::remove_all(mDir + "/profiles");
        std::filesystem::create_directories(mDir + "/profiles");
        mGame.reset();
        mGame = std::make_unique<TestGame>();
        TestGame* game = mGame.get();
        game->SetString("PLAYER", u"Player");
        game->mShowHelp = 0;
        for (const char* file : {"game.dat", "highscores.dat"}) {
            if (unreadable) {
                std::filesystem::create_symlink("/proc/self/mem", Profiles(file));
            } else {
                Write(file, damaged);
                Write(std::string(file) + ".damaged", {9});
                for (int i = 2; i <= 100; ++i) {
                    Write(std::string(file) + ".damaged." + std::to_string(i), {9});
                }
            }
        }
        EXPECT_FALSE(game->LoadGameData());
        EXPECT_EQ(game->mShowHelp, unreadable ? 0 : 1);  // unread is no first start
        ASSERT_EQ(game->mBoxes.size(), 1u);
        EXPECT_NE(game->mBoxes[0].find(Profiles("game.dat")), std::string::npos);
        if (unreadable) {
            EXPECT_NE(game->mBoxes[0].find("Input/output error"), std::string::npos);
        }
        // Play goes on with the records in memory; returning to the menu keeps them.
        game->StoreLevelRecordFor(3, 500);
        EXPECT_FALSE(game->LoadGameData());
        EXPECT_EQ(game->mLevelRecords[0]->mLevel, 3);
        EXPECT_FALSE(game->SaveGameData());
        EXPECT_FALSE(game->AppendHighScore("Ann", 10));
        EXPECT_FALSE(game->LoadHighScores());
        // The two files and the failed save, each told once.
        EXPECT_EQ(game->mBoxes.size(), 3u) << unreadable;
        for (const char* file : {"game.dat", "highscores.dat"}) {
            if (unreadable) {
                EXPECT_TRUE(std::filesystem::is_symlink(Profiles(file))) << file;
            } else {
                EXPECT_EQ(Read(file), damaged) << file;
            }
        }
    }
}

// Settings that cannot be read, or are damaged, are logged and told once, as the player's files
// are; the damaged bytes are where the box says.
TEST_F(GameAppTest, SettingsThatCannotBeReadOrAreDamagedAreToldOnce) {
    const std::string file = mDir + "/settings.dat";
    for (const bool unreadable : {true, false}) {
        std::filesystem::remove(file);
        if (unreadable) {
            std::filesystem::create_symlink("/proc/self/mem", file);
        } else {
            std::ofstream(file) << "not settings";
        }
        mGame = std::make_unique<TestGame>();
        mGame->mSettingsStore = std::make_unique<platform::FileSettingsStore>(file);
        // The start writes a value at once.
        static_cast<void>(mGame->RegistryWriteInteger("InProgress", 1));
        mGame->TellSettingsTrouble();
        mGame->TellSettingsTrouble();
        ASSERT_EQ(mGame->mBoxes.size(), 1u) << unreadable;
        EXPECT_EQ(mGame->mLogged.size(), 1u) << unreadable;
        const std::string shown = unreadable ? file : file + ".damaged";
        EXPECT_NE(mGame->mBoxes[0].find(shown), std::string::npos) << mGame->mBoxes[0];
        EXPECT_NE(mGame->mLogged[0].find(shown), std::string::npos) << mGame->mLogged[0];
    }
}

// The paths the start-up builds from the game's names, as the README tells players.
TEST_F(GameAppTest, TheReadmeNamesWhereThePlayersFilesSettingsAndLogAre) {
    std::stringstream readme;
    readme << std::ifstream(VESK_README).rdbuf();
    std::string settings = mGame->mRegKey;
    std::replace(settings.begin(), settings.end(), '\\', '/');
    const std::string data = "$XDG_DATA_HOME/" + mGame->mFullCompanyName + "/" + mGame->mProdName;
    for (const std::string& path : {data + "/profiles/", data + "/ScrError.txt",
                                    "$XDG_CONFIG_HOME/" + settings + "/settings.dat"}) {
        EXPECT_NE(readme.str().find(path), std::string::npos) << path;
    }
}

TEST_F(GameAppTest, HighScoresAppendSortAndSurviveDamage) {
    ASSERT_TRUE(mGame->AppendHighScore("Bob", 1234));
    EXPECT_EQ(Read("highscores.dat"), (Bytes{0xD2, 0x04, 0, 0, 3, 0, 0, 0, 'B', 'o', 'b'}));

    std::filesystem::remove(Profiles("highscores.dat"));
    for (const auto& [name, score] :
         std::vector<std::pair<std::string, int>>{{"A", 1}, {"B", 2}, {"C", 2}, {"D", 3}}) {
        mGame->AppendHighScore(name, score);
    }
    static_cast<void>(mGame->LoadHighScores());
    mGame->SortHighScores();
    std::string order;
    for (const auto& record : mGame->mHighScores) {
        order += record->mName;
    }
    EXPECT_EQ(order, "DCBA");  // an exchange sort: C passes B

    // Ten equal scores keep the file's order.
    mGame->ClearHighScores();
    std::filesystem::remove(Profiles("highscores.dat"));
    for (char c = '0'; c <= '9'; ++c) {
        mGame->AppendHighScore(std::string(1, c), 7);
    }
    static_cast<void>(mGame->LoadHighScores());
    mGame->SortHighScores();
    order.clear();
    for (const auto& record : mGame->mHighScores) {
        order += record->mName;
    }
    EXPECT_EQ(order, "0123456789");

    // A name past 255 bytes ends the reading before it; a record cut short is not shown as if
    // whole. Each damaged file is kept aside when it is found; the player is told once.
    Bytes damaged;
    Put32(damaged, 5);
    PutName(damaged, "Al");
    Put32(damaged, 9);
    Put32(damaged, 256);
    damaged.resize(damaged.size() + 256, 'z');
    Write("highscores.dat", damaged);
    mGame->ClearHighScores();
    EXPECT_FALSE(mGame->LoadHighScores());
    ASSERT_EQ(mGame->mHighScores.size(), 1u);
    EXPECT_EQ(mGame->mHighScores[0]->mName, "Al");
    EXPECT_EQ(Read("highscores.dat.damaged"), damaged);
    Bytes cut;
    Put32(cut, 47973);
    PutName(cut, "PLAYER");
    cut.resize(cut.size() - 1);
    for (int showing = 0; showing < 2; ++showing) {
        Write("highscores.dat", cut);
        mGame->ClearHighScores();
        EXPECT_FALSE(mGame->LoadHighScores());
        EXPECT_TRUE(mGame->mHighScores.empty());
    }
    EXPECT_EQ(Read("highscores.dat.damaged.2"), cut);
    EXPECT_FALSE(std::filesystem::exists(Profiles("highscores.dat.damaged.3")));
    ASSERT_EQ(mGame->mBoxes.size(), 1u);
    EXPECT_NE(mGame->mBoxes[0].find(Profiles("highscores.dat.damaged")), std::string::npos);
    EXPECT_EQ(mGame->mLogged.size(), 1u);

    // A score added after a spoilt end would never be read: the table goes on from what the
    // list shows.
    ASSERT_TRUE(mGame->AppendHighScore("Di", 8));
    mGame->ClearHighScores();
    EXPECT_TRUE(mGame->LoadHighScores());
    ASSERT_EQ(mGame->mHighScores.size(), 1u);
    EXPECT_EQ(mGame->mHighScores[0]->mName, "Di");
    // Stray bytes too few for a score are no record.
    Bytes stray = Read("highscores.dat");
    stray.insert(stray.end(), {1, 2, 3});
    Write("highscores.dat", stray);
    mGame->ClearHighScores();
    static_cast<void>(mGame->LoadHighScores());
    EXPECT_EQ(mGame->mHighScores.size(), 1u);
}

// Every save fails, by a file-size limit or a folder where game.dat belongs: the files stay as
// they were and the player is told once, with the folder of the files.
TEST_F(GameAppTest, SavesThatFailAreToldOnceAndHarmNothing) {
    ASSERT_TRUE(mGame->LoadGameData());
    ASSERT_TRUE(mGame->SaveGameData());
    const Bytes stored = Read("game.dat");
    for (const bool limit : {true, false}) {
        mGame->mBoxes.clear();
        mGame->mToldCannotSave = false;
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        if (limit) {
            rlimit small = old;
            small.rlim_cur = 64;
            setrlimit(RLIMIT_FSIZE, &small);
        } else {
            std::filesystem::remove(Profiles("game.dat"));
            std::filesystem::create_directories(Profiles("game.dat"));
            std::filesystem::create_directories(Profiles("highscores.dat"));
        }
        EXPECT_FALSE(mGame->SaveGameData());
        EXPECT_FALSE(mGame->SaveGameData());
        EXPECT_FALSE(mGame->AppendHighScore(std::string(100, 'n'), 1));
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldSignal);
        // A folder in the high scores' place cannot be read either, which is told apart.
        ASSERT_EQ(mGame->mBoxes.size(), limit ? 1u : 2u) << limit;
        EXPECT_NE(mGame->mBoxes[0].find(mGame->ProfilesFolder()), std::string::npos);
        EXPECT_EQ(mGame->mLogged.size(), limit ? 3u : 4u);
        mGame->mLogged.clear();
        if (limit) {
            EXPECT_EQ(Read("game.dat"), stored);
            EXPECT_FALSE(std::filesystem::exists(Profiles("highscores.dat")));
        } else {
            EXPECT_TRUE(std::filesystem::is_directory(Profiles("game.dat")));
        }
    }
    // A saved game that could not be read is told once for each file.
    mGame->mBoxes.clear();
    mGame->TellSavedGameDamaged(Profiles("Ann.sav"), Profiles("Ann.sav.damaged"));
    mGame->TellSavedGameDamaged(Profiles("Ann.sav"), Profiles("Ann.sav.damaged.2"));
    mGame->TellSavedGameDamaged(Profiles("Bo.sav"), Profiles("Bo.sav.damaged"));
    ASSERT_EQ(mGame->mBoxes.size(), 2u);
    EXPECT_NE(mGame->mBoxes[0].find(Profiles("Ann.sav.damaged")), std::string::npos);
    EXPECT_NE(mGame->mBoxes[1].find(Profiles("Bo.sav.damaged")), std::string::npos);
}

TEST_F(GameAppTest, SavedGamesCountFromFourBytesAndNamesNeverLeaveTheFolder) {
    mGame->mCurrentPlayer = "Ann";
    const std::string path = mGame->SavedGamePath();
    EXPECT_EQ(path, Profiles("Ann.sav"));
    EXPECT_TRUE(mGame->IsSavedGameEmpty(path));
    for (const auto& [size, empty] :
         std::vector<std::pair<size_t, bool>>{{0, true}, {3, true}, {4, false}, {100, false}}) {
        Write("Ann.sav", Bytes(size, 1));
        EXPECT_EQ(mGame->IsSavedGameEmpty(path), empty) << size;
    }
    mGame->ClearSavedGame();
    EXPECT_TRUE(Read("Ann.sav").empty());
    EXPECT_TRUE(std::filesystem::exists(Profiles("Ann.sav")));

    std::ofstream(mDir + "/victim.sav") << "keep me";
    for (const std::string& name :
         std::vector<std::string>{"../victim", "a/b", "..", ".", "", "x\\y", "a\nb"}) {
        mGame->mCurrentPlayer = name;
        EXPECT_EQ(mGame->SavedGamePath(), "") << name;
        mGame->ClearSavedGame();
        EXPECT_TRUE(mGame->IsSavedGameEmpty(mGame->SavedGamePath()));
    }
    EXPECT_EQ(std::filesystem::file_size(mDir + "/victim.sav"), 7u);
}

}  // namespace
}  // namespace gameapptest

namespace gameapptest {
namespace {

// The sound and music caches live in the data folder, and that is the folder that goes.
TEST_F(GameAppTest, TheCacheFolderOfTheDataFolderGoesWithTheGame) {
    std::filesystem::create_directories(mDir + "/cached/sounds");
    std::ofstream(mDir + "/cached/sounds/a.wav") << "x";
    mGame.reset();
    EXPECT_FALSE(std::filesystem::exists(mDir + "/cached"));
    EXPECT_TRUE(std::filesystem::exists(mDir));
}

}  // namespace
}  // namespace gameapptest
