#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "game/core/BoardContext.h"
#include "game/core/BoardCounters.h"
#include "game/core/BoardHost.h"
#include "game/core/CObjectList.h"
#include "widgets/zmWidget.h"

class CBonusIconBubble;
class CBonusIconBuxpb;
class CBonusIconSlomo;
class CEvilForce;
class CGoodForce;
class CImageObject;
class CInterfaceObject;
class CTable;
class zmButton;

namespace Vesk {

class ByteReader;
class ByteWriter;
struct LevelDesc;

// The in-game screen: builds each level from its record, runs it through the object list,
// routes the mouse to the objects, ends levels won or lost, and keeps the game in the player's
// saved-game file. Main thread only.
class Board : public zmWidget, public BoardContext {
public:
    enum State : int32_t {
        kCreated = 0,
        kPaused = 1,
        kPlaying = 2,
        kLeaving = 3,
        kFadedOut = 5,
        kAnnouncing = 6,
        kNoPause = 7,
        kStageComplete = 8,
    };
    static constexpr int32_t kSlowMotionMs = 5000;
    static constexpr int32_t kPointsPerLife = 500000;
    static constexpr int32_t kPointsPerSlowMotion = 250000;
    static constexpr int32_t kWhirlwindStep = 15;
    // Board header of the saved game, in bytes.
    static constexpr size_t kHeaderBytes = 77;
    static constexpr int32_t kMaxSavedObjects = 100000;

    explicit Board(BoardHost& host);
    ~Board() override;

    // ---- Widget slots. ----
    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void Update() override;
    void Draw(Graphics* g) override;
    void KeyDown(int key) override;
    void MouseMove(int x, int y) override;
    void MouseDrag(int x, int y) override;
    void MouseDown(int x, int y, int clickCount) override;
    void MouseUp(int x, int y, int clickCount) override;
    void FadeOutDone() override;
    void FadeInDone() override;

    // ---- Levels. ----
    void SetupLevel();
    void NewGame();
    void NextLevel();
    void StageComplete() override;
    void LevelWon() override;
    void LoseLife() override;
    void GameOver() override;
    // Answers 0 for no points.
    bool AddPoints(int32_t points) override;
    // End-of-level points; reports the slow-motion charges and lives they gave.
    bool AddBonusPoints(int32_t points, int16_t* slowMotionGranted, int16_t* livesGranted);
    void AddWhirlwindProgress(int32_t count) override;
    void Knockdown() override;
    // state: the board state to take, or -1 for paused 1 / playing 2.
    void SetPaused(bool flag, int32_t state = -1);
    void SetTimeRate(double rate);
    void LeaveBoard();
    void SetRebuildOnLoad(bool flag) { rebuildOnLoad = flag; }
    void ResumePlay();
    void ButtonClicked(int32_t id) override;

    // ---- Screens. ----
    void ShowPauseDialog();
    void ShowStageComplete();
    void ShowLivesLeft();
    void ShowKnockdown();
    void ShowGameOver();
    void ShowLevelIntro();
    void ShowSlowMotion() override;
    void HideSlowMotion() override;
    // Called by the overlays when they end.
    void LivesOverlayDone();
    void LevelIntroDone();
    void SlowMotionOverlayDone() { slowMotionShowing = false; }

    // ---- Saved game. ----
    // Written whole or not at all; only once a level has been set up.
    bool SaveGame();
    // 1 when the whole game was restored. headerOnly reads the first five fields (a new game).
    // A saved game that cannot be read counts as none and is left alone.
    [[nodiscard]] int LoadGame(bool headerOnly);
    // The saved game's bytes as SaveGame writes them.
    std::vector<uint8_t> SaveGameBytes();
    // The same from bytes; a corrupt game falls back to a fresh level with an error logged.
    int LoadGameBytes(std::span<const uint8_t> bytes, bool headerOnly);
    // Makes, loads and appends one saved object; false when the id or record is bad.
    bool MakeObject(int32_t typeId, ByteReader& in);
    // "profiles/<name>.sav"; nothing for a name that could leave the folder.
    static std::optional<std::string> SavedGamePath(const std::string& folder,
                                                    const std::string& name);
    // Empties the player's saved game (the game is over).
    void ClearSavedGame();

    // ---- What the board's objects see (BoardContext). ----
    int32_t GetUpdateCount() const override { return mUpdateCnt; }
    uint32_t TickCount() override;
    GameRandom& Random() override;
    GameMedia& Media() override;
    int32_t GetLevel() const override { return level; }
    int32_t GetLives() const override { return lives; }
    bool IsPaused() const override { return paused; }
    int32_t GetWidth() const override { return mWidth; }
    int32_t GetHeight() const override { return mHeight; }
    BoardCounters& Counters() override { return counters; }
    CObjectList& Objects() override { return mObjects; }
    CTimeObject* GetClock() override { return mClock; }
    void SetClock(CTimeObject* clock) override { mClock = clock; }
    CLevelProgressBar* GetLevelBar() override { return mLevelBar; }
    void SetLevelBar(CLevelProgressBar* bar) override { mLevelBar = bar; }
    CEffectiveProgressBar* GetEffectivityBar() override { return mEffectivityBar; }
    void SetEffectivityBar(CEffectiveProgressBar* bar) override { mEffectivityBar = bar; }
    bool IsFieldLeaving() const override;
    Point GetPanelPosition() const override;
    void GrantBubbleCharge() override;
    void SetCursor(int32_t number) override;
    CLucheg* GetGuide() override { return mGuide; }
    void SetGuide(CLucheg* guide) override { mGuide = guide; }
    BonusMode GetBonusMode() const override { return bonusMode; }
    void SetBonusMode(BonusMode mode) override { bonusMode = mode; }
    Point GetCursorPosition() const override { return {cursorX, cursorY}; }
    void ReleaseFieldSelection() override;
    int32_t GetSlowMotionFlag() const override { return slowMotionActive; }
    void SetSlowMotionFlag(int32_t flag) override { slowMotionActive = flag; }
    double GetSlowMotionTime() const override { return slowMotionMs; }
    void SetBonusIcon(CBonusIcon* icon) override;
    CBubble* GetBubble() override { return mBubble; }
    void SetBubble(CBubble* bubble) override { mBubble = bubble; }
    std::string GetString(const std::string& id) override;
    int32_t GetColourCount() const override { return colourCount; }
    void LaunchBubble() override;
    void ClearBubblePhase() override;
    bool CaptureInBubble(CBlock& block) override;
    void FieldDealt() override;
    void MatchMade(int32_t total, Point at) override;
    void PlaySound(GameSound sound) override;
    SoundInstance* GetSoundInstance(GameSound sound) override;

    // ---- For the screens and tests. ----
    CTable* GetTable() const { return mTable; }
    CBonusIconBuxpb* GetWhirlwindIcon() const { return mWhirlwindIcon; }
    CBonusIconBubble* GetBubbleIcon() const { return mBubbleIcon; }
    CBonusIconSlomo* GetSlowMotionIcon() const { return mSlowMotionIcon; }
    BoardHelp* GetHelp() const { return mHelp.get(); }
    BoardOverlay* GetOverlay(BoardOverlay::Kind kind) const;
    // The level record checks: empty when the board can build it, else why not.
    static std::string CheckLevel(const LevelDesc& desc);

    // The game's running numbers (saved in the header).
    bool pressed = false;
    bool slowMotionShowing = false;
    bool rebuildOnLoad = false;
    bool continueSaved = true;
    bool skipSetup = false;
    // Set when the last level has been finished; cleared by the set-up.
    uint8_t headerByte = 0;
    int32_t cursorX = 0;
    int32_t cursorY = 0;
    int32_t boardState = kCreated;
    bool paused = false;
    BonusMode bonusMode = BonusMode::kNone;
    int32_t colourCount = 0;
    int32_t level = 1;
    int32_t bestLevel = 1;
    int32_t lives = 3;
    int32_t slowMotionMs = kSlowMotionMs;
    int32_t finishTime = 0;
    BoardCounters counters;
    int32_t slowMotionActive = 0;
    bool helpShown = false;
    bool introShowing = false;
    // Set by NextLevel, cleared by the set-up: the stage has been advanced once already.
    bool stageAdvanced = false;
    // Set while a load found the saved game damaged.
    bool loadDamaged = false;
    // Corners of the centre cells of the latest line of three and of the latest longer line on
    // this field. Places, not blocks: the centre block dies with its match. Unknown after a load.
    std::optional<Point> lastThreeAt;
    std::optional<Point> lastBigAt;

private:
    // Deletes every object (deferred while a pass runs) and forgets the board's pointers.
    void DeleteObjects();
    void ForgetObjects();
    // Points the board's fields at the loaded objects; false when a needed one is missing.
    bool FindLoadedObjects();
    // Right click or save: ends a bonus targeting and gives its charge back.
    void CancelTargeting(bool deleteBubble);
    void TakeChargesFromIcons();
    void BuildLevel(const LevelDesc& desc);
    bool BindBlockImages(const LevelDesc& desc);
    BoardOverlay* OpenOverlay(BoardOverlay::Kind kind);
    std::unique_ptr<BoardOverlay>& OverlaySlot(BoardOverlay::Kind kind);
    void DropOverlay(std::unique_ptr<BoardOverlay>& overlay);
    void WriteHeader(ByteWriter& out, int32_t objectCount);
    bool ReadHeader(ByteReader& in, bool headerOnly, int32_t& objectCount);
    void DropObjectsKeepingCounters();
    std::optional<std::string> SavePath();
    void LogLoadFailure(const std::string& why);
    // Copies a damaged saved game aside and empties it, before the fresh level's save could
    // replace it; one that cannot be copied is left alone.
    void KeepDamagedSave(const std::string& path, const std::vector<uint8_t>& bytes);

    BoardHost& mHost;
    // not owned; kept past the removal at the end of a fade-out.
    WidgetManager* mManager = nullptr;
    // not owned; the screen to show after the fade-out (the board itself to rebuild a level).
    Widget* mNextWidget = nullptr;
    std::unique_ptr<BoardOverlay> mLivesOverlay;
    std::unique_ptr<BoardOverlay> mKnockdownOverlay;
    std::unique_ptr<BoardOverlay> mLevelOverlay;
    std::unique_ptr<BoardOverlay> mSlowMotionOverlay;
    std::unique_ptr<BoardHelp> mHelp;
    // The objects below belong to mObjects; null while none exists.
    CImageObject* mBackground = nullptr;
    CInterfaceObject* mPanel = nullptr;
    CLucheg* mGuide = nullptr;
    CBonusIconBuxpb* mWhirlwindIcon = nullptr;
    CBonusIconBubble* mBubbleIcon = nullptr;
    CBonusIconSlomo* mSlowMotionIcon = nullptr;
    CTable* mTable = nullptr;
    CTimeObject* mClock = nullptr;
    CLevelProgressBar* mLevelBar = nullptr;
    CEffectiveProgressBar* mEffectivityBar = nullptr;
    CEvilForce* mEvilForce = nullptr;
    CGoodForce* mGoodForce = nullptr;
    CBubble* mBubble = nullptr;
    zmButton* mMenuButton = nullptr;
    // Declared last: objects reach back into the board while the list deletes them.
    CObjectList mObjects{this};
};

}  // namespace Vesk
