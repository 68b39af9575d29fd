// The player's records: "profiles/game.dat", "profiles/highscores.dat" and the saved game's
// emptiness.
#include <algorithm>
#include <optional>
#include <utility>

#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "platform/Debug.h"
#include "platform/FileSystem.h"
#include "resources/zmResourceManager.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"
#include "util/CommonSystem.h"

namespace Vesk {

namespace {

constexpr const char* kGameData = "game.dat";
constexpr const char* kHighScores = "highscores.dat";
// Longer player names are taken for damage.
constexpr uint32_t kMaxPlayerNameLength = 259;

// A player name names a file of its own inside the folder, nothing else.
bool IsSafeFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32;
    });
}

}  // namespace

std::string GameApp::ProfilesFolder() const {
    return GetAppDataFolder() + "profiles/";
}

int GameApp::CountLevelRecords() const {
    return mResourceManager != nullptr ? mResourceManager->GetGroupLevelCount("levels") : 0;
}

std::string GameApp::ParseGameData(std::span<const uint8_t> bytes, int levelCount,
                                   std::string& player,
                                   std::vector<std::unique_ptr<LevelRecord>>& records) {
    ByteReader in(bytes);
    player.clear();
    const uint32_t nameLength = in.U32();
    if (nameLength > kMaxPlayerNameLength) {
        in.Fail("the player name is too long");
    } else if (!in.Failed()) {
        const std::span<const uint8_t> name = in.Take(nameLength);
        player.assign(name.begin(), name.end());
    }
    std::string damage = in.Error();
    for (int i = 0; i < levelCount; ++i) {
        auto record = std::make_unique<LevelRecord>();
        // Once the bytes are damaged or spent, the rest are free records with empty names.
        const bool started = !in.AtEnd();
        if (!record->Load(in) && started && damage.empty()) {
            damage = in.Error();
        }
        records.push_back(std::move(record));
    }
    // Whole records past the level count are a larger level set's and are dropped; any other
    // bytes left over mean the file was spoilt.
    while (damage.empty() && !in.AtEnd()) {
        LevelRecord surplus;
        if (!surplus.Load(in)) {
            damage = in.Error();
        }
    }
    return damage;
}

std::string GameApp::KeepDamagedFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    // Not removed: another copy of the game may have renamed its file in since the read, and
    // no call removes a name only while it is still the file read. The next save replaces it
    // whole; a start before that finds the copy made now and makes no second one.
    return platform::fs::KeepDamagedCopy(path, bytes);
}

bool GameApp::ParseHighScores(std::span<const uint8_t> bytes,
                              std::vector<std::unique_ptr<HighScoreRecord>>& records) {
    ByteReader in(bytes);
    while (!in.AtEnd() && !in.Failed()) {
        auto record = std::make_unique<HighScoreRecord>();
        if (!record->Load(in)) {
            break;
        }
        records.push_back(std::move(record));
    }
    return !in.Failed();
}

bool GameApp::LoadGameData() {
    const std::string folder = ProfilesFolder();
    platform::fs::MakeDirectories(folder);
    const std::string path = folder + kGameData;
    // A file left alone is not read again: play goes on with the records in memory.
    if (mRecordsLoaded && mLeftAlone.contains(path)) {
        return false;
    }
    mLevelRecords.clear();
    mLevelCount = static_cast<uint8_t>(std::clamp(CountLevelRecords(), 0, 255));
    const platform::fs::FileRead read =
        platform::fs::ReadFile(path, platform::fs::kPlayerFileLimit);
    if (read.Unreadable()) {
        LeaveFileAlone(path, read.reason);
    }
    // A missing file is a first start; an empty one was cut short.
    const std::string damage =
        ParseGameData(read.bytes, mLevelCount, mCurrentPlayer, mLevelRecords);
    bool sound = read.Read() ? damage.empty() : read.Missing();
    if (read.Read() && !damage.empty()) {
        const std::string kept = KeepDamagedFile(path, read.bytes);
        if (kept.empty()) {
            LeaveFileAlone(path, damage + "; it could not be copied aside");
        } else {
            ReportDamagedGameData(path, damage, kept);
        }
    }
    if (mCurrentPlayer.empty()) {
        mCurrentPlayer = GetString("PLAYER");
        if (!read.Unreadable()) {
            mShowHelp = 1;
        }
    }
    mRecordsLoaded = true;
    return sound;
}

void GameApp::ReportDamagedGameData(const std::string& path, const std::string& damage,
                                    const std::string& kept) {
    LogError("Player list " + path + " is damaged (" + damage + "); kept as " + kept);
    TellDamagedFile(path,
                    GetStringOrDefault("PLAYER_LIST_DAMAGED",
                                       "The player list was damaged and was started afresh from "
                                       "what could still be read."),
                    kept);
}

void GameApp::TellSavedGameDamaged(const std::string& path, const std::string& kept) {
    TellDamagedFile(path,
                    GetStringOrDefault("SAVED_GAME_DAMAGED",
                                       "The saved game could not be read, so the level starts "
                                       "afresh."),
                    kept);
}

void GameApp::TellDamagedFile(const std::string& path, std::string text, const std::string& kept) {
    if (!mToldFiles.insert(path).second) {
        return;
    }
    if (!kept.empty()) {
        text += "\n\n" +
                GetStringOrDefault("DAMAGED_FILE_KEPT_AS", "The damaged file was kept as:") + "\n" +
                kept;
    }
    MsgBox(text, mTitle, platform::mb::IconWarning);
}

void GameApp::LeaveFileAlone(const std::string& path, const std::string& reason) {
    if (!mLeftAlone.insert(path).second) {
        return;
    }
    LogError(path + " cannot be used (" + reason + "); it is left as it is and not written.");
    if (!mToldFiles.insert(path).second) {
        return;
    }
    MsgBox(GetStringOrDefault("PLAYER_FILE_LEFT_ALONE",
                              "One of your files cannot be read, so the game leaves it as it is "
                              "and saves nothing over it until it starts again:") +
               "\n\n" + path + "\n(" + reason + ")",
           mTitle, platform::mb::IconWarning);
}

void GameApp::TellCannotSave() {
    if (mToldCannotSave) {
        return;
    }
    mToldCannotSave = true;
    MsgBox(GetStringOrDefault("CANNOT_SAVE",
                              "Your progress cannot be saved: the game goes on, but what you "
                              "reach from now on may be lost when it ends.") +
               "\n\n" +
               GetStringOrDefault("PLAYER_FILES_FOLDER", "The player's files are kept in:") + "\n" +
               ProfilesFolder(),
           mTitle, platform::mb::IconWarning);
}

bool GameApp::SaveGameData() {
    if (!mRecordsLoaded) {
        return true;
    }
    ByteWriter out;
    out.WriteString(mCurrentPlayer);
    for (const auto& record : mLevelRecords) {
        record->Save(out);
    }
    const std::string folder = ProfilesFolder();
    platform::fs::MakeDirectories(folder);
    return WritePlayerFile(folder + kGameData, out.Bytes());
}

bool GameApp::WritePlayerFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (mLeftAlone.contains(path)) {
        LogError("Not writing " + path + ": it could not be used, so it stays as it was.");
        TellCannotSave();
        return false;
    }
    if (platform::fs::WriteWholeFileAtomic(path, bytes.data(), bytes.size())) {
        return true;
    }
    LogError("Cannot write " + path + "; the file stays as it was.");
    TellCannotSave();
    return false;
}

LevelRecord* GameApp::FindLevelRecord(int32_t level) {
    for (const auto& record : mLevelRecords) {
        if (record->mLevel == level) {
            return record.get();
        }
    }
    return nullptr;
}

void GameApp::StoreLevelRecord() {
    StoreLevelRecordFor(BoardLevel(), BoardLevelTime());
}

void GameApp::StoreLevelRecordFor(int32_t level, uint32_t levelTime) {
    for (const auto& record : mLevelRecords) {
        if (record->mLevel == level || record->mLevel == LevelRecord::kFree) {
            record->mLevel = level;
            record->mBestTime = levelTime;
            record->mHolderName = mCurrentPlayer;
            return;
        }
    }
}

std::string GameApp::SavedGamePath() const {
    if (!IsSafeFileName(mCurrentPlayer)) {
        return std::string();
    }
    return ProfilesFolder() + mCurrentPlayer + ".sav";
}

void GameApp::ClearSavedGame() {
    const std::string path = SavedGamePath();
    if (!path.empty()) {
        WritePlayerFile(path, {});
    }
}

bool GameApp::IsSavedGameEmpty(const std::string& path) {
    if (path.empty()) {
        return true;
    }
    const std::optional<uint64_t> size = platform::fs::FileSize(path);
    return !size || *size < 4 || platform::fs::IsDirectory(path);
}

bool GameApp::AppendHighScore(const std::string& name, int32_t score) {
    const std::string folder = ProfilesFolder();
    platform::fs::MakeDirectories(folder);
    const std::string path = folder + kHighScores;
    // The whole table is written again, so a failed write never leaves half a record.
    const platform::fs::FileRead read =
        platform::fs::ReadFile(path, platform::fs::kPlayerFileLimit);
    if (read.Unreadable()) {
        LeaveFileAlone(path, read.reason);
    }
    ByteWriter out;
    std::vector<std::unique_ptr<HighScoreRecord>> records;
    if (!ParseHighScores(read.bytes, records)) {
        // A record after a spoilt end would never be read: the table goes on from the records
        // as the list shows them, and the spoilt file is kept.
        const std::string kept = platform::fs::KeepDamagedCopy(path, read.bytes);
        if (kept.empty()) {
            LeaveFileAlone(path, "the high scores are damaged and could not be copied aside");
        } else {
            LogError("High scores " + path + " are damaged; kept as " + kept);
        }
        for (const auto& record : records) {
            record->Save(out);
        }
    } else {
        out.WriteBytes(read.bytes.data(), read.bytes.size());
    }
    HighScoreRecord(name, score).Save(out);
    return WritePlayerFile(path, out.Bytes());
}

bool GameApp::LoadHighScores() {
    const std::string path = ProfilesFolder() + kHighScores;
    const platform::fs::FileRead read =
        platform::fs::ReadFile(path, platform::fs::kPlayerFileLimit);
    if (read.Unreadable()) {
        LeaveFileAlone(path, read.reason);
        return false;
    }
    return ParseHighScores(read.bytes, mHighScores);
}

void GameApp::SortHighScores() {
    for (size_t i = 0; i + 1 < mHighScores.size(); ++i) {
        for (size_t j = i + 1; j < mHighScores.size(); ++j) {
            if (mHighScores[j]->mScore > mHighScores[i]->mScore) {
                std::swap(*mHighScores[i], *mHighScores[j]);
            }
        }
    }
}

void GameApp::ClearHighScores() {
    mHighScores.clear();
}

}  // namespace Vesk
