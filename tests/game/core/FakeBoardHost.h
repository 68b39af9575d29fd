#pragma once

// The game application as the board widget sees it, in memory: levels filled by hand, fake
// media and sound, a scratch profiles folder, and a record of the screens the board asks for.
// Shared by the board tests, the saved-game fuzz target and the board bench.

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FakeBoard.h"
#include "game/core/Board.h"
#include "game/core/BoardHost.h"
#include "game/core/PlayerFiles.h"
#include "resources/LevelDesc.h"

namespace fake {

// Records the calls the board makes on an overlay.
class Overlay : public Vesk::BoardOverlay {
public:
    void Leave() override { ++mLeaves; }
    int mLeaves = 0;
};

class Help : public Vesk::BoardHelp {
public:
    void FillTopicQueue() override { ++mFills; }
    uint32_t SaveTopics() const override { return mTopics; }
    void LoadTopics(uint32_t mask) override { mTopics = mask; }
    uint32_t mTopics = 0;
    int mFills = 0;
};

// Block pictures with their four sequences (rest, flight, dying, selected).
class BoardMedia : public FakeMedia {
public:
    std::unique_ptr<CAnimation> MakeAnimation(Vesk::GameAnimation id) override {
        if (static_cast<int>(id) <= static_cast<int>(Vesk::GameAnimation::Block8)) {
            return std::make_unique<Animation>(std::vector<int32_t>{4, 4, 4, 4});
        }
        return FakeMedia::MakeAnimation(id);
    }
};

// A playable level: width x height real cells, three colours.
inline Vesk::LevelDesc MakeLevel(uint8_t width = 6, uint8_t height = 6) {
    Vesk::LevelDesc desc;
    desc.background = "BACKGROUND_FLOWER1";
    desc.capacity = 1000;
    desc.start = 0.5f;
    desc.speed = 0.0005f;
    desc.effectcapacity = 600;
    desc.blockNames = {"IMAGE_BLOCK1", "IMAGE_BLOCK2", "IMAGE_BLOCK3"};
    desc.blockCount = 3;
    desc.width = width;
    desc.height = height;
    desc.cells.assign(width, std::vector<uint8_t>(height, 1));
    return desc;
}

// The game's own rule for the player's files, telling into lists.
class PlayerFiles : public Vesk::PlayerFiles {
public:
    PlayerFiles(std::vector<std::string>& errors, int& toldCannotSave)
        : mErrors(errors), mToldCannotSave(toldCannotSave) {}
    std::vector<std::string> mWarnings;

protected:
    void LogError(const std::string& text) override { mErrors.push_back(text); }
    void Warn(const std::string& text) override { mWarnings.push_back(text); }
    void TellCannotSave() override { ++mToldCannotSave; }
    std::string Text(const std::string&, const std::string& defaultText) override {
        return defaultText;
    }

private:
    std::vector<std::string>& mErrors;
    int& mToldCannotSave;
};

class BoardHost : public Vesk::BoardHost {
public:
    explicit BoardHost(const std::string& folder = {}) : mFolder(folder) {
        mLevels.push_back(MakeLevel());
        mLevels.push_back(MakeLevel(8, 7));
    }

    Vesk::GameMedia& Media() override { return mMedia; }
    uint32_t TickCount() override { return mTick; }
    Vesk::GameRandom& Random() override { return mRandom; }
    int32_t GetLevelCount() override { return static_cast<int32_t>(mLevels.size()); }
    const Vesk::LevelDesc* GetLevelDesc(int32_t index) override {
        return index >= 0 && index < GetLevelCount() ? &mLevels[static_cast<size_t>(index)]
                                                     : nullptr;
    }
    bool BindBlockImage(int32_t slot, const std::string& name) override {
        mBound.push_back(std::to_string(slot) + " " + name);
        return name.rfind("IMAGE_BLOCK", 0) == 0;
    }
    int32_t GetImageIdByName(const std::string& name) override { return name.empty() ? -1 : 100; }
    void PlaySound(Vesk::GameSound sound, bool slowed) override {
        mPlayed.push_back(sound);
        mSlowed += slowed ? 1 : 0;
    }
    Vesk::SoundInstance* GetSoundInstance(Vesk::GameSound sound) override {
        auto& instance = mInstances.emplace_back(std::make_unique<Sound>());
        instance->mSound = sound;
        return instance.get();
    }
    void StopAllSounds() override { ++mStops; }
    bool IsWindowActive() override { return mActive; }
    void LogError(const std::string& text) override { mErrors.push_back(text); }
    std::string GetProfilesFolder() override { return mFolder + "profiles"; }
    std::string GetPlayerName() override { return mPlayer; }
    void WriteProfiles() override { ++mProfileWrites; }
    void TellSavedGameDamaged(const std::string&, const std::string& kept) override {
        mToldDamaged.push_back(kept);
    }
    PlayerFiles& Files() override { return *mFiles; }
    std::unique_ptr<Vesk::BoardOverlay> MakeOverlay(Vesk::BoardOverlay::Kind kind,
                                                    Vesk::Board&) override {
        mOverlays.push_back(kind);
        return std::make_unique<Overlay>();
    }
    std::unique_ptr<Vesk::BoardHelp> MakeHelp(Vesk::Board&) override {
        return std::make_unique<Help>();
    }
    void ShowDialog(Dialog dialog, Vesk::Board&) override { mDialogs.push_back(dialog); }

    std::string SavePath() const { return mFolder + "profiles/" + mPlayer + ".sav"; }

    std::string mFolder;
    std::string mPlayer = "Player";
    std::vector<Vesk::LevelDesc> mLevels;
    BoardMedia mMedia;
    uint32_t mTick = 5000;
    Vesk::GameRandom mRandom{7};
    bool mActive = true;
    std::vector<std::string> mBound;
    std::vector<Vesk::GameSound> mPlayed;
    int mSlowed = 0;
    std::vector<std::unique_ptr<Sound>> mInstances;
    int mStops = 0;
    std::vector<std::string> mErrors;
    int mProfileWrites = 0;
    std::vector<std::string> mToldDamaged;
    int mToldCannotSave = 0;
    // A test starts a new run's rule by making another.
    std::unique_ptr<PlayerFiles> mFiles = std::make_unique<PlayerFiles>(mErrors, mToldCannotSave);
    std::vector<Vesk::BoardOverlay::Kind> mOverlays;
    std::vector<Dialog> mDialogs;
};

}  // namespace fake
