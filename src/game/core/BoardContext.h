#pragma once

#include <cstdint>
#include <string>

#include "game/core/MediaIds.h"
#include "game/core/ObjectOwner.h"
#include "graphics/Rect.h"

class CBlock;
class CEffectiveProgressBar;
class CLevelProgressBar;
class CLucheg;
class CBonusIcon;
class CBubble;
class CObjectList;
class CTimeObject;

namespace Vesk {

class SoundInstance;
struct BoardCounters;

// What a press on the field does: play, or strike with the bonus being aimed.
enum class BonusMode : int32_t { kNone = 0, kWhirlwind = 1, kBubble = 2 };

// The board as its objects see it. The board widget implements it; tests use a fake board.
// Main thread only. Pointers it hands out are owned by the board's object list.
class BoardContext : public ObjectOwner {
public:
    BoardContext* AsBoard() override { return this; }

    // ---- The game's numbers. ----
    // 1-based.
    virtual int32_t GetLevel() const = 0;
    virtual int32_t GetLives() const = 0;
    virtual bool IsPaused() const = 0;
    // The board's size in pixels (the client area).
    virtual int32_t GetWidth() const = 0;
    virtual int32_t GetHeight() const = 0;
    virtual BoardCounters& Counters() = 0;

    // ---- Play. ----
    // False when points is 0.
    virtual bool AddPoints(int32_t points) = 0;
    virtual void AddWhirlwindProgress(int32_t count) = 0;
    virtual void Knockdown() = 0;
    virtual void LevelWon() = 0;
    virtual void LoseLife() = 0;
    virtual void GameOver() = 0;

    // ---- The objects the board keeps track of (null while none exists). ----
    virtual CObjectList& Objects() = 0;
    virtual CTimeObject* GetClock() = 0;
    virtual void SetClock(CTimeObject* clock) = 0;
    virtual CLevelProgressBar* GetLevelBar() = 0;
    virtual void SetLevelBar(CLevelProgressBar* bar) = 0;
    virtual CEffectiveProgressBar* GetEffectivityBar() = 0;
    virtual void SetEffectivityBar(CEffectiveProgressBar* bar) = 0;
    // True while the field slides out at the end of a level.
    virtual bool IsFieldLeaving() const = 0;
    // Top-left corner of the in-game panel.
    virtual Point GetPanelPosition() const = 0;
    // One bubble charge, shown with the icon's charge animation.
    virtual void GrantBubbleCharge() = 0;
    // 0 arrow, 1 hand.
    virtual void SetCursor(int32_t number) = 0;
    virtual CLucheg* GetGuide() = 0;
    virtual void SetGuide(CLucheg* guide) = 0;
    // A board button was clicked.
    virtual void ButtonClicked(int32_t id) = 0;
    // ---- Bonuses. ----
    virtual BonusMode GetBonusMode() const = 0;
    virtual void SetBonusMode(BonusMode mode) = 0;
    // The mouse in board coordinates.
    virtual Point GetCursorPosition() const = 0;
    // Before targeting: the selected block lets go (the field keeps its selected cell) and no
    // cell stays hovered.
    virtual void ReleaseFieldSelection() = 0;
    // 0 never ran this level, 1 running, 2 ended.
    virtual int32_t GetSlowMotionFlag() const = 0;
    virtual void SetSlowMotionFlag(int32_t flag) = 0;
    // Game milliseconds one slow motion lasts.
    virtual double GetSlowMotionTime() const = 0;
    virtual void ShowSlowMotion() = 0;
    // Sends the overlay away; nothing happens while there is none.
    virtual void HideSlowMotion() = 0;
    // The icon registers under its own kind (whirlwind, bubble or slow motion).
    virtual void SetBonusIcon(CBonusIcon* icon) = 0;
    virtual CBubble* GetBubble() = 0;
    virtual void SetBubble(CBubble* bubble) = 0;
    // The string table's text for the id; the id itself when the table lacks it.
    virtual std::string GetString(const std::string& id) = 0;

    // ---- The field. ----
    // Colours of the level's blocks (3 to 8, checked by the level set-up).
    virtual int32_t GetColourCount() const { return 3; }
    virtual void LaunchBubble() {}
    virtual void ClearBubblePhase() {}
    // False when the bubble does not take the block.
    virtual bool CaptureInBubble(CBlock& /*block*/) { return false; }
    // The field has dealt its first blocks: the bonus icons take input from now on.
    virtual void FieldDealt() {}
    // A scoring match of total blocks had its centre in the cell whose corner is at.
    virtual void MatchMade(int32_t /*total*/, Point /*at*/) {}
    // The field has slid out after a won level.
    virtual void StageComplete() {}

    // ---- Sound. ----
    // Fire and forget; the board applies the slow-motion pitch.
    virtual void PlaySound(GameSound sound) = 0;
    // An instance the caller releases; null when the sound is not loaded or no channel is free.
    virtual SoundInstance* GetSoundInstance(GameSound sound) = 0;

    // ---- Level clock (CTimeObject), with a still clock while the board has none. ----
    double GameTime();
    double TimeRate();
};

}  // namespace Vesk
