// The player's records: "profiles/game.dat", "profiles/highscores.dat" and the saved game's
// emptiness.
#include <algorithm>
#include <optional>
#include <utility>

#include "app/util/ByteReader.h"
#include "app/util/ByteWriter.h"
#include "app/util/CommonSystem.h"
#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "platform/Debug.h"
#include "platform/FileSystem.h"
#include "resources/zmResourceManager.h"

namespace Vesk {

namespace {

constexpr const char* kGameData = "game.dat";
constexpr const char* kHighScores = "highscores.dat";
// Longer player names are taken for damage.
constexpr uint32_t kMaxPlayerNameLength = 259;

std::vector<uint8_t> ReadOrEmpty(const std::string& path) {
    std::optional<std::vector<uint8_t>> bytes = platform::fs::ReadWholeFile(path);
    return bytes ? std::move(*bytes) : std::vector<uint8_t>{};
}

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
    return damage;
}

std::string GameApp::KeepDamagedFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    constexpr int kMaxKept = 100;
    for (int i = 1; i <= kMaxKept; ++i) {
        const std::string kept = path + ".damaged" + (i > 1 ? "." + std::to_string(i) : "");
        if (platform::fs::Exists(kept)) {
            continue;
        }
        // Copied whole before the damaged one goes, so neither step can lose it.
        if (!platform::fs::WriteWholeFileAtomic(kept, bytes.data(), bytes.size()) ||
            !platform::fs::RemoveFile(path)) {
            return std::string();
        }
        return kept;
    }
    return std::string();
}

void GameApp::ParseHighScores(std::span<const uint8_t> bytes,
                              std::vector<std::unique_ptr<HighScoreRecord>>& records) {
    ByteReader in(bytes);
    while (!in.AtEnd() && !in.Failed()) {
        auto record = std::make_unique<HighScoreRecord>();
        if (!record->Load(in)) {
            break;
        }
        records.push_back(std::move(record));
    }
}

bool GameApp::LoadGameData() {
    mLevelRecords.clear();
    mLevelCount = static_cast<uint8_t>(std::clamp(CountLevelRecords(), 0, 255));
    const std::string folder = ProfilesFolder();
    platform::fs::MakeDirectories(folder);
    const std::string path = folder + kGameData;
    // A missing file is a first start; an empty one was cut short.
    const std::optional<std::vector<uint8_t>> bytes = platform::fs::ReadWholeFile(path);
    const std::string damage = ParseGameData(bytes ? *bytes : std::vector<uint8_t>{}, mLevelCount,
                                             mCurrentPlayer, mLevelRecords);
    if (bytes && !damage.empty()) {
        ReportDamagedGameData(path, damage, KeepDamagedFile(path, *bytes));
    }
    if (mCurrentPlayer.empty()) {
        mCurrentPlayer = GetString("PLAYER");
        mShowHelp = 1;
    }
    mRecordsLoaded = true;
    return true;
}

void GameApp::ReportDamagedGameData(const std::string& path, const std::string& damage,
                                    const std::string& kept) {
    LogError("Player list " + path + " is damaged (" + damage + "); " +
             (kept.empty() ? "it could not be kept aside" : "kept as " + kept));
    if (mToldGameDataDamaged) {
        return;
    }
    mToldGameDataDamaged = true;
    std::string text = GetStringOrDefault(
        "PLAYER_LIST_DAMAGED",
        "The player list was damaged and was started afresh from what could still be read.");
    if (!kept.empty()) {
        text += "\n\n" +
                GetStringOrDefault("DAMAGED_FILE_KEPT_AS", "The damaged file was kept as:") + "\n" +
                kept;
    }
    MsgBox(text, mTitle, platform::mb::IconWarning);
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
    return platform::fs::WriteWholeFileAtomic(folder + kGameData, out.Bytes().data(), out.Size());
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
        platform::fs::WriteWholeFileAtomic(path, nullptr, 0);
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
    std::vector<uint8_t> bytes = ReadOrEmpty(path);
    ByteWriter record;
    HighScoreRecord(name, score).Save(record);
    bytes.insert(bytes.end(), record.Bytes().begin(), record.Bytes().end());
    return platform::fs::WriteWholeFileAtomic(path, bytes.data(), bytes.size());
}

bool GameApp::LoadHighScores() {
    ParseHighScores(ReadOrEmpty(ProfilesFolder() + kHighScores), mHighScores);
    return true;
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
