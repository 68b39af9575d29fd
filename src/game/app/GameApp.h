#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/VeskAppBase.h"
#include "game/app/HighScoreRecord.h"
#include "game/app/LevelRecord.h"

namespace Vesk {

class Board;
class CBoardHost;
class CMainMenu;
class CTitleScreen;
class Image;
class PlayerFiles;
class zmImageEx;
class zmWidget;

// The game's application: its identity and defaults, the start-up and the loading work, the
// screens, the player's records, the music and the sound effects.
//
// Threads: LoadingThreadProc runs on the loading thread; it writes the comics and help
// screens, which the main thread uses only after LoadingThreadCompleted (the base's finished
// flag publishes them). Everything else is main-thread only.
class GameApp : public VeskAppBase {
public:
    static constexpr int kNoTrack = -1;
    static constexpr const char* kPakFile = "vorns.pak";

    GameApp();
    ~GameApp() override;

    // ---- Start-up, loading and screens (GameApp.cpp). ----

    void InitHook() override;
    void LoadingThreadProc() override;
    void LoadingThreadCompleted() override;
    void ShutdownHook() override;
    void LostFocus() override;
    // A data set in the working folder is used where it is (the run script starts the game
    // there); then an installed one, "../share/vorns/" beside the program's folder (the layout
    // `cmake --install` makes); otherwise the program's own folder becomes the working folder.
    bool ChangeDirHook(const std::string& folder) override;
    // The title screen has left: builds the screens and shows the main menu.
    void CreateScreens();
    // Made on first use.
    zmWidget* GetCredits();
    // The screens the game's flow leads between are the rows of one table (GameApp.cpp), each
    // named by its class: GetScreen<CLandMap>(). not owned; null while the screen is not built
    // or for a class without a row; a screen made on first use is made here. Tests may stand
    // another widget in a screen's place.
    using ScreenKey = const char*;
    template <class T>
    static constexpr ScreenKey ScreenOf() {
        return &kScreenTag<T>;
    }
    template <class T>
    Widget* GetScreen() {
        return GetScreen(ScreenOf<T>());
    }
    Widget* GetScreen(ScreenKey screen);
    // The one hand-over between screens: adds the screen and focuses it; nothing for null.
    void ShowScreen(Widget* screen);

    // ---- Music and sound effects (GameAppMusic.cpp). ----

    // Nothing when the track already plays; else the current one fades out and this one in.
    void SwitchMusic(int track);
    void FadeOutMusic();
    // The track of the board's level.
    void PlayLevelMusic();
    // The track of a level: 4, 1, 2 and 0 for each 25 levels from 1 (level 0 counts as 1);
    // kNoTrack past level 100.
    static int LevelMusicTrack(int level);
    // Fire and forget; slowed plays 13 semitones lower while slow motion runs.
    void PlaySoundById(int soundId, bool looping, bool slowed);

    // ---- Player records (GameAppRecords.cpp). Files live in "profiles/" of the user's data
    // folder and are written whole or not at all. ----

    // Reads "profiles/game.dat" as far as it is sound; the rest of the records are free. A
    // damaged file is moved aside to a free "game.dat.damaged" name, logged, and the player
    // told once. A file that cannot be read is left alone for the run and the records in
    // memory stay. False when the file was damaged or could not be read.
    [[nodiscard]] bool LoadGameData();
    // Writes "profiles/game.dat"; nothing until the records were read once, so a shutdown
    // before the menu never replaces the stored ones. False when the file could not be written.
    bool SaveGameData();
    // The first record of the level, or null.
    LevelRecord* FindLevelRecord(int32_t level);
    // The board's finished level into its record, or into the first free one.
    void StoreLevelRecord();
    void StoreLevelRecordFor(int32_t level, uint32_t levelTime);
    // Empties the current player's saved game.
    void ClearSavedGame();
    // True when the file cannot be read, holds fewer than 4 bytes or is left alone.
    bool IsSavedGameEmpty(const std::string& path);
    // "profiles/<player>.sav" in the data folder; empty for a name that would leave the
    // folder (separators, "." or "..", control bytes), which then has no saved game.
    std::string SavedGamePath() const;
    bool AppendHighScore(const std::string& name, int32_t score);
    // Appends the file's sound records to the list; a damaged or cut record ends the reading
    // and is not shown. A damaged file is copied aside at once, logged and told once. False
    // when the file was damaged or could not be read.
    [[nodiscard]] bool LoadHighScores();
    // Highest first, by exchanges: equal scores are never exchanged with each other directly.
    void SortHighScores();
    void ClearHighScores();
    // The folder of the player's files, ending with '/'.
    std::string ProfilesFolder() const;
    // Removes the temporary files that writes of the player's files, killed midway, left there.
    void RemoveDeadWritersFiles() const;
    // The readers of the two files, as far as the bytes are sound: a damaged name or record
    // ends the reading; game.dat always gives levelCount records. ParseGameData answers why
    // the bytes are damaged, or empty when they are sound: a file that ends where a record
    // would start is an older one with fewer levels, not a damaged one.
    [[nodiscard]] static std::string ParseGameData(
        std::span<const uint8_t> bytes, int levelCount, std::string& player,
        std::vector<std::unique_ptr<LevelRecord>>& records);
    // Why the bytes are damaged (they end inside a record or hold a damaged one), or empty.
    static std::string ParseHighScores(std::span<const uint8_t> bytes,
                                       std::vector<std::unique_ptr<HighScoreRecord>>& records);
    // Reads the current player's saved game to learn whether it can be used: one that cannot is
    // told now, as the player is chosen, not first when play starts.
    void CheckSavedGame();
    // A settings file that could not be read or was damaged is logged and told once, the way
    // the player's files are.
    void TellSettingsTrouble();

    // ---- What the application reads of the board (the board's own values once it plays). ----

    virtual int32_t BoardLevel() const;
    // The time the board's last level was finished in.
    virtual uint32_t BoardLevelTime() const;
    // The board's slow-motion flag is 1 (running).
    virtual bool BoardSlowMotion() const;
    // Level records of the level manifest.
    virtual int CountLevelRecords() const;

    // ---- Fields. ----

    // What the board asks of the application; outlives the board.
    std::unique_ptr<CBoardHost> mBoardHost;
    std::unique_ptr<Board> mBoard;
    std::unique_ptr<zmWidget> mCredits;
    std::unique_ptr<CMainMenu> mMainMenu;
    std::unique_ptr<zmWidget> mHelp;
    std::unique_ptr<zmWidget> mComics;
    uint8_t mShowHelp = 1;
    // Owned by the widget manager's safe-delete list once it has left.
    CTitleScreen* mTitleScreen = nullptr;
    std::unique_ptr<zmWidget> mLandMap;
    std::string mCurrentPlayer;
    uint8_t mLevelCount = 0;
    int mCurrentTrack = kNoTrack;
    Image* mCellImage = nullptr;
    Image* mCellOverImage = nullptr;
    Image* mBlockTailImage = nullptr;
    std::array<zmImageEx*, 8> mBlockImages{};
    std::vector<std::unique_ptr<LevelRecord>> mLevelRecords;
    std::vector<std::unique_ptr<HighScoreRecord>> mHighScores;
    // Set by the first LoadGameData.
    bool mRecordsLoaded = false;
    // The player was told that a save failed; once a run is enough.
    bool mToldCannotSave = false;
    std::unique_ptr<PlayerFiles> mFiles;
    // The screens of rows without a member of their own.
    std::map<ScreenKey, std::unique_ptr<Widget>> mMoreScreens;

protected:
    // One address per class, the same in every file.
    template <class T>
    static constexpr char kScreenTag = 0;

    // Copies the damaged file whole to the first free "<path>.damaged[.N]"; the file stays for
    // the next save to replace. Answers the copy's path, or empty when it could not be kept (the
    // file is then left alone).
    std::string KeepDamagedFile(const std::string& path, const std::vector<uint8_t>& bytes);
    // The error log's line, and the player's message box the first time in a run.
    void ReportDamagedGameData(const std::string& path, const std::string& damage,
                               const std::string& kept);

public:
    // The player's message boxes: the saved level at path could not be read (kept: where the
    // damaged file went), once for each file; and progress cannot be saved (with the folder
    // of the player's files), once a run. The error log has the details from the callers.
    void TellSavedGameDamaged(const std::string& path, const std::string& kept);
    void TellCannotSave();
    // The rule every player file is read and written by; made on first use.
    PlayerFiles& Files();

protected:
    // The file's sound records into the list, and its bytes as read; see LoadHighScores.
    bool ReadHighScoreFile(const std::string& path,
                           std::vector<std::unique_ptr<HighScoreRecord>>& records,
                           std::vector<uint8_t>& bytes);

    // One group of the loading work, counted resource by resource, then bound. False when it
    // failed or a shutdown stopped it (stopped then says which).
    bool LoadGroupInThread(const std::string& group, bool (*bind)(zmResourceManager*),
                           bool& stopped);

    // Set by the loading thread when a group failed; the main thread shows the error as the
    // shutdown it asked for begins.
    std::atomic<bool> mLoadingFailed{false};
};

// The application, when it is a GameApp; null otherwise.
GameApp* GetGameApp();

}  // namespace Vesk
