#pragma once

#include <memory>
#include <string>

#include "game/core/BoardHost.h"

namespace Vesk {

class GameApp;
class GameAppMedia;

// The board's view of the game application: bound resources, sounds, the player's files and
// the overlays and dialogs of the game's screens. Main thread only.
class CBoardHost : public BoardHost {
public:
    explicit CBoardHost(GameApp& app);
    ~CBoardHost() override;

    GameMedia& Media() override;
    uint32_t TickCount() override;
    GameRandom& Random() override;
    int32_t GetClientWidth() override;
    int32_t GetClientHeight() override;
    int32_t GetLevelCount() override;
    const LevelDesc* GetLevelDesc(int32_t index) override;
    bool BindBlockImage(int32_t slot, const std::string& name) override;
    int32_t GetImageIdByName(const std::string& name) override;
    void PlaySound(GameSound sound, bool slowed) override;
    SoundInstance* GetSoundInstance(GameSound sound) override;
    void StopAllSounds() override;
    std::string GetString(const std::string& id) override;
    void SetCursor(int32_t number) override;
    bool IsWindowActive() override;
    void LogError(const std::string& text) override;
    std::string GetProfilesFolder() override;
    std::string GetPlayerName() override;
    void WriteProfiles() override;
    void TellSavedGameDamaged(const std::string& path, const std::string& kept) override;
    PlayerFiles& Files() override;
    void SeedRandomForDemo() override;
    std::unique_ptr<BoardOverlay> MakeOverlay(BoardOverlay::Kind kind, Board& board) override;
    std::unique_ptr<BoardHelp> MakeHelp(Board& board) override;
    void ShowDialog(Dialog dialog, Board& board) override;
    Widget* GetMainMenu() override;
    void ShowScreen(Widget& screen, WidgetManager& manager) override;

    // The game's overlay of that kind over the board.
    static std::unique_ptr<BoardOverlay> NewOverlay(BoardOverlay::Kind kind, Board& board);
    // The sound id bound to a board sound; 0 when none is.
    static int SoundId(GameSound sound);

private:
    GameApp& mApp;
    std::unique_ptr<GameAppMedia> mMedia;
};

}  // namespace Vesk
