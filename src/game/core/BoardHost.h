#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/core/BoardHelp.h"
#include "game/core/BoardOverlay.h"
#include "game/core/MediaIds.h"

namespace Vesk {

class Board;
class GameMedia;
class GameRandom;
class PlayerFiles;
class SoundInstance;
class Widget;
class WidgetManager;
struct LevelDesc;

// What the board needs of the game application: media, levels, sound, the player's files and
// the screens the application builds (overlays, dialogs, help). Main thread only.
class BoardHost {
public:
    enum class Dialog { Pause, StageComplete, GameOver };

    virtual ~BoardHost() = default;

    virtual GameMedia& Media() = 0;
    // System milliseconds, wrapping at 2^32; the demo player drives it while replaying.
    virtual uint32_t TickCount() = 0;
    virtual GameRandom& Random() = 0;
    virtual int32_t GetClientWidth() { return 800; }
    virtual int32_t GetClientHeight() { return 600; }

    // Playable levels: at most the 100 level records.
    virtual int32_t GetLevelCount() = 0;
    // The record of level index + 1; null when it is missing.
    virtual const LevelDesc* GetLevelDesc(int32_t index) = 0;
    // Makes the named animated block image the blocks' picture of colour slot 0-7; false when
    // the name is not a block image.
    virtual bool BindBlockImage(int32_t slot, const std::string& name) = 0;
    // The saved resource id of a named image; -1 when there is none.
    virtual int32_t GetImageIdByName(const std::string& name) = 0;

    // slowed: the slow-motion pitch applies.
    virtual void PlaySound(GameSound sound, bool slowed) = 0;
    virtual SoundInstance* GetSoundInstance(GameSound sound) = 0;
    virtual void StopAllSounds() = 0;
    virtual std::string GetString(const std::string& id) { return id; }
    virtual void SetCursor(int32_t number) { (void)number; }
    virtual bool IsWindowActive() { return true; }
    virtual void ReloadProperties() {}
    virtual void LogError(const std::string& text) = 0;

    // The folder of the players' files ("profiles").
    virtual std::string GetProfilesFolder() = 0;
    virtual std::string GetPlayerName() = 0;
    virtual void WriteProfiles() {}
    // The saved game at path was damaged and its level starts afresh: the player hears of it,
    // once for each file. kept is where the damaged bytes went.
    virtual void TellSavedGameDamaged(const std::string& path, const std::string& kept) {
        (void)path;
        (void)kept;
    }
    // The rule for the player's files: reads, writes, and which are left alone; lives as long
    // as the host.
    virtual PlayerFiles& Files() = 0;

    // While a demo is recorded, seeds the game's generator from the clock and keeps the seed
    // beside the demo; while one plays, seeds it from there.
    virtual void SeedRandomForDemo() {}

    // Null when the application has no such screen.
    virtual std::unique_ptr<BoardOverlay> MakeOverlay(BoardOverlay::Kind kind, Board& board) {
        (void)kind;
        (void)board;
        return nullptr;
    }
    virtual std::unique_ptr<BoardHelp> MakeHelp(Board& board) {
        (void)board;
        return nullptr;
    }
    // The dialog joins the application's dialog list, which owns it, and takes the focus.
    virtual void ShowDialog(Dialog dialog, Board& board) {
        (void)dialog;
        (void)board;
    }
    // The screen the board fades out toward from its menu button; null for none.
    virtual Widget* GetMainMenu() { return nullptr; }
    // The board has left `manager` for `screen`, which comes on with the focus. The game's
    // application shows every screen its own one way; by default the manager takes it.
    virtual void ShowScreen(Widget& screen, WidgetManager& manager);
};

}  // namespace Vesk
