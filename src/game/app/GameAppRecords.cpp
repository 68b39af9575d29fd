// The player's records: "profiles/game.dat", "profiles/highscores.dat" and the saved game's
// emptiness.
#include <algorithm>
#include <optional>
#include <utility>

#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "game/core/PlayerFiles.h"
#include "platform/Debug.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
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

// The player's files as the game tells of them: in its error log and its message boxes.
class AppPlayerFiles : public PlayerFiles {
public:
    explicit AppPlayerFiles(GameApp& app) : mApp(app) {}

protected:
    void LogError(const std::string& text) override { mApp.LogError(text); }
    void Warn(const std::string& text) override {
        mApp.MsgBox(text, mApp.mTitle, platform::mb::IconWarning);
    }
    void TellCannotSave() override { mApp.TellCannotSave(); }
    std::string Text(const std::string& id, const std::string& defaultText) override {
        return VeskAppBase::GetStringOrDefault(id, defaultText);
    }

private:
    GameApp& mApp;
};

}  // namespace

PlayerFiles& GameApp::Files() {
    if (mFiles == nullptr) {
        mFiles = std::make_unique<AppPlayerFiles>(*this);
    }
    return *mFiles;
}

std::string GameApp::ProfilesFolder() const {
    return GetAppDataFolder() + "profiles/";
}

void GameApp::RemoveDeadWritersFiles() const {
    // A saved game is named after a player, and no player's name is empty.
    for (const char* file : {kGameData, kHighScores, "?*.sav"}) {
        platform::fs::RemoveDeadWritersFiles(ProfilesFolder(), file);
    }
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

std::string GameApp::ParseHighScores(std::span<const uint8_t> bytes,
                                     std::vector<std::unique_ptr<HighScoreRecord>>& records) {
    ByteReader in(bytes);
    while (!in.AtEnd() && !in.Failed()) {
        auto record = std::make_unique<HighScoreRecord>();
        if (!record->Load(in)) {
            break;
        }
        records.push_back(std::move(record));
    }
    return in.Error();
}

bool GameApp::LoadGameData() {
    const std::string folder = ProfilesFolder();
    platform::fs::MakeDirectories(folder);
    const std::string path = folder + kGameData;
    // A file left alone is not read again: play goes on with the records in memory.
    if (mRecordsLoaded && Files().IsLeftAlone(path)) {
        return false;
    }
    mLevelRecords.clear();
    mLevelCount = static_cast<uint8_t>(std::clamp(CountLevelRecords(), 0, 255));
    const platform::fs::FileRead read = Files().Read(path);
    // A missing file is a first start; an empty one was cut short.
    const std::string damage =
        ParseGameData(read.bytes, mLevelCount, mCurrentPlayer, mLevelRecords);
    bool sound = read.Read() ? damage.empty() : read.Missing();
    if (read.Read() && !damage.empty()) {
        const std::string kept = KeepDamagedFile(path, read.bytes);
        if (kept.empty()) {
            Files().LeaveAlone(path, damage + "; it could not be copied aside");
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
    Files().TellDamaged(path,
                        GetStringOrDefault("PLAYER_LIST_DAMAGED",
                                           "The player list was damaged and was started afresh "
                                           "from what could still be read."),
                        kept);
}

void GameApp::TellSavedGameDamaged(const std::string& path, const std::string& kept) {
    Files().TellDamaged(path,
                        GetStringOrDefault("SAVED_GAME_DAMAGED",
                                           "The saved game could not be read, so the level starts "
                                           "afresh."),
                        kept);
}

void GameApp::TellSettingsTrouble() {
    // A played demo answers the settings from its recording; the file was not read.
    if (mPlayingDemoBuffer || mRegKey.empty()) {
        return;
    }
    platform::SettingsStore* store = GetSettingsStore();
    const platform::SettingsTrouble trouble =
        store != nullptr ? store->Trouble() : platform::SettingsTrouble();
    if (trouble.path.empty()) {
        return;
    }
    if (trouble.leftAlone) {
        Files().LeaveAlone(trouble.path, trouble.reason);
        return;
    }
    Files().TellDamaged(
        trouble.path,
        GetStringOrDefault("SETTINGS_DAMAGED",
                           "The settings were damaged, so the game starts with its own."),
        trouble.kept,
        "Settings " + trouble.path + " are damaged (" + trouble.reason + ")" +
            (trouble.kept.empty() ? std::string() : "; kept as " + trouble.kept));
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
    return Files().Write(folder + kGameData, out.Bytes());
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
        Files().Write(path, {});
    }
}

bool GameApp::IsSavedGameEmpty(const std::string& path) {
    // One left alone cannot be resumed, and starting afresh never touches it.
    if (path.empty() || Files().IsLeftAlone(path)) {
        return true;
    }
    const std::optional<uint64_t> size = platform::fs::FileSize(path);
    return !size || *size < 4 || platform::fs::IsDirectory(path);
}

void GameApp::CheckSavedGame() {
    const std::string path = SavedGamePath();
    if (!path.empty()) {
        static_cast<void>(Files().Read(path));
    }
}

bool GameApp::ReadHighScoreFile(const std::string& path,
                                std::vector<std::unique_ptr<HighScoreRecord>>& records,
                                std::vector<uint8_t>& bytes) {
    const platform::fs::FileRead read = Files().Read(path);
    bytes = read.bytes;
    const std::string damage = ParseHighScores(read.bytes, records);
    if (damage.empty()) {
        return !read.Unreadable();
    }
    // Kept as soon as it is found: the next score written replaces the file with the records
    // the list shows.
    const std::string kept = Files().KeepDamagedCopy(path, read.bytes, damage);
    if (!kept.empty()) {
        Files().TellDamaged(
            path,
            GetStringOrDefault("HIGH_SCORES_DAMAGED",
                               "The high scores were damaged; the list shows the "
                               "scores that could still be read."),
            kept, "High scores " + path + " are damaged (" + damage + "); kept as " + kept);
    }
    return false;
}

bool GameApp::AppendHighScore(const std::string& name, int32_t score) {
    const std::string folder = ProfilesFolder();
    platform::fs::MakeDirectories(folder);
    const std::string path = folder + kHighScores;
    // The whole table is written again, so a failed write never leaves half a record.
    std::vector<std::unique_ptr<HighScoreRecord>> records;
    std::vector<uint8_t> bytes;
    ByteWriter out;
    if (ReadHighScoreFile(path, records, bytes)) {
        out.WriteBytes(bytes.data(), bytes.size());
    } else {
        // A record after a spoilt end would never be read: the table goes on from the records
        // as the list shows them.
        for (const auto& record : records) {
            record->Save(out);
        }
    }
    HighScoreRecord(name, score).Save(out);
    return Files().Write(path, out.Bytes());
}

bool GameApp::LoadHighScores() {
    std::vector<uint8_t> bytes;
    return ReadHighScoreFile(ProfilesFolder() + kHighScores, mHighScores, bytes);
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
