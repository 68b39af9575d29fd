#include "game/app/CBoardHost.h"

#include <algorithm>

#include "game/app/CGameOverDialog.h"
#include "game/app/CHelpWidget.h"
#include "game/app/CKnockdown.h"
#include "game/app/CLivesLeft.h"
#include "game/app/CMainMenu.h"
#include "game/app/CPauseDialog.h"
#include "game/app/CShowLevel.h"
#include "game/app/CSloMo.h"
#include "game/app/CStageCompleteDialog.h"
#include "game/app/GameApp.h"
#include "game/app/GameAppMedia.h"
#include "game/app/ResourceIdTable.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "sound/SoundManager.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr int kLevelIds = 100;

}  // namespace

CBoardHost::CBoardHost(GameApp& app) : mApp(app), mMedia(std::make_unique<GameAppMedia>()) {}

CBoardHost::~CBoardHost() = default;

GameMedia& CBoardHost::Media() {
    return *mMedia;
}

uint32_t CBoardHost::TickCount() {
    return mApp.GetGameTickMs();
}

GameRandom& CBoardHost::Random() {
    return mApp.mGameRandom;
}

int32_t CBoardHost::GetClientWidth() {
    return mApp.mWidth;
}

int32_t CBoardHost::GetClientHeight() {
    return mApp.mHeight;
}

int32_t CBoardHost::GetLevelCount() {
    return std::min<int32_t>(mApp.mLevelCount, kLevelIds);
}

const LevelDesc* CBoardHost::GetLevelDesc(int32_t index) {
    if (index < 0 || index >= kLevelIds || kResourceIdEntries[index].mKind != ResourceKind::Level) {
        return nullptr;
    }
    return reinterpret_cast<const LevelDesc*>(GetResourceById(index));
}

bool CBoardHost::BindBlockImage(int32_t slot, const std::string& name) {
    const int id = GetIdByString(name);
    if (slot < 0 || slot >= static_cast<int32_t>(mApp.mBlockImages.size()) ||
        id >= kResourceIdCount || kResourceIdEntries[id].mKind != ResourceKind::ImageEx) {
        return false;
    }
    auto* image = reinterpret_cast<zmImageEx*>(GetResourceById(id));
    if (image == nullptr) {
        return false;
    }
    mApp.mBlockImages[static_cast<size_t>(slot)] = image;
    return true;
}

int32_t CBoardHost::GetImageIdByName(const std::string& name) {
    const int id = GetIdByString(name);
    return id < kResourceIdCount && kResourceIdEntries[id].mKind == ResourceKind::Image ? id : -1;
}

int CBoardHost::SoundId(GameSound sound) {
    return static_cast<int>(GetResourceById(static_cast<int>(MediaResourceId(sound))));
}

void CBoardHost::PlaySound(GameSound sound, bool slowed) {
    mApp.PlaySoundById(SoundId(sound), false, slowed);
}

SoundInstance* CBoardHost::GetSoundInstance(GameSound sound) {
    return mApp.mSoundManager != nullptr ? mApp.mSoundManager->GetSoundInstance(SoundId(sound))
                                         : nullptr;
}

void CBoardHost::StopAllSounds() {
    if (mApp.mSoundManager != nullptr) {
        mApp.mSoundManager->StopAllSounds();
    }
}

std::string CBoardHost::GetString(const std::string& id) {
    return VeskAppBase::GetStringOrDefault(id, id);
}

void CBoardHost::SetCursor(int32_t number) {
    mApp.SetCursor(number);
}

bool CBoardHost::IsWindowActive() {
    return mApp.mActive;
}

void CBoardHost::LogError(const std::string& text) {
    mApp.LogError(text);
}

std::string CBoardHost::GetProfilesFolder() {
    std::string folder = mApp.ProfilesFolder();
    if (!folder.empty() && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

std::string CBoardHost::GetPlayerName() {
    return mApp.mCurrentPlayer;
}

void CBoardHost::WriteProfiles() {
    mApp.SaveGameData();
}

void CBoardHost::TellSavedGameDamaged(const std::string& path, const std::string& kept) {
    mApp.TellSavedGameDamaged(path, kept);
}

PlayerFiles& CBoardHost::Files() {
    return mApp.Files();
}

void CBoardHost::SeedRandomForDemo() {
    mApp.SeedGameRandomForDemo();
}

std::unique_ptr<BoardOverlay> CBoardHost::MakeOverlay(BoardOverlay::Kind kind, Board& board) {
    return NewOverlay(kind, board);
}

std::unique_ptr<BoardOverlay> CBoardHost::NewOverlay(BoardOverlay::Kind kind, Board& board) {
    switch (kind) {
        case BoardOverlay::Kind::LivesLeft:
            return std::make_unique<CLivesLeft>(board);
        case BoardOverlay::Kind::Knockdown:
            return std::make_unique<CKnockdown>(board);
        case BoardOverlay::Kind::LevelIntro:
            return std::make_unique<CShowLevel>(board);
        case BoardOverlay::Kind::SlowMotion:
            return std::make_unique<CSloMo>(board);
    }
    return nullptr;
}

std::unique_ptr<BoardHelp> CBoardHost::MakeHelp(Board& board) {
    return std::make_unique<CHelpWidget>(board);
}

void CBoardHost::ShowDialog(Dialog dialog, Board& board) {
    Vesk::Dialog* made = nullptr;
    switch (dialog) {
        case Dialog::Pause:
            made = new CPauseDialog(board);
            break;
        case Dialog::GameOver:
            made = new CGameOverDialog(board);
            break;
        case Dialog::StageComplete:
            // Adds itself to the application's dialogs and takes the focus.
            CStageCompleteDialog::Show(board);
            return;
    }
    if (made == nullptr) {
        return;
    }
    // The application's dialog list owns it from here.
    mApp.AddDialogByObject(made);
    mApp.mWidgetManager->SetFocus(made);
}

Widget* CBoardHost::GetMainMenu() {
    return mApp.mMainMenu.get();
}

void CBoardHost::ShowScreen(Widget& screen, WidgetManager& manager) {
    // The application's manager is the one the board was on.
    (void)manager;
    mApp.ShowScreen(&screen);
}

}  // namespace Vesk
