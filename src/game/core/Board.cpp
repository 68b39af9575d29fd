#include "game/core/Board.h"

#include <algorithm>
#include <cmath>

#include "game/core/CAnimation.h"
#include "game/core/CBlock.h"
#include "game/core/CBonusIconBubble.h"
#include "game/core/CBonusIconBuxpb.h"
#include "game/core/CBonusIconSlomo.h"
#include "game/core/CBubble.h"
#include "game/core/CEffectiveProgressBar.h"
#include "game/core/CEvilForce.h"
#include "game/core/CGoodForce.h"
#include "game/core/CImageObject.h"
#include "game/core/CInterfaceObject.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/CLucheg.h"
#include "game/core/CParticleEffect.h"
#include "game/core/CTable.h"
#include "game/core/CTimeObject.h"
#include "game/core/GameMedia.h"
#include "game/core/zmButton.h"
#include "graphics/Image.h"
#include "platform/VirtualKeys.h"
#include "resources/LevelDesc.h"
#include "util/GameRandom.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr int32_t kMinColours = 3;
constexpr int32_t kLifeBurstX = 50;
constexpr int32_t kLifeBurstY = 567;

}  // namespace

Board::Board(BoardHost& host) : mHost(host) {
    // Most of a level's picture stands still from frame to frame.
    mRedrawsChangedAreas = true;
    mHelp = host.MakeHelp(*this);
    host.SeedRandomForDemo();
    Resize(0, 0, host.GetClientWidth(), host.GetClientHeight());
    host.StopAllSounds();
    host.ReloadProperties();
}

Board::~Board() {
    const bool haveObjects = mTable != nullptr || mClock != nullptr;
    if (boardState == kPlaying) {
        rebuildOnLoad = false;
    } else if (boardState == kStageComplete) {
        // Closing during the stage-complete dialog keeps the next level, once.
        if (!stageAdvanced && haveObjects) {
            NextLevel();
        }
        rebuildOnLoad = true;
    }
    if (haveObjects) {
        SaveGame();
    }
    DropOverlay(mLivesOverlay);
    DropOverlay(mKnockdownOverlay);
    DropOverlay(mLevelOverlay);
    DropOverlay(mSlowMotionOverlay);
    if (mHelp != nullptr && HasWidget(mHelp.get())) {
        RemoveWidget(mHelp.get());
    }
    mHelp.reset();
    mObjects.ClearDeleteAllRequest();
    mObjects.DeleteAll();
    ForgetObjects();
}

// ---- What the objects see. ----

uint32_t Board::TickCount() {
    return mHost.TickCount();
}

GameRandom& Board::Random() {
    return mHost.Random();
}

GameMedia& Board::Media() {
    return mHost.Media();
}

bool Board::IsFieldLeaving() const {
    return mTable != nullptr && mTable->phase == 2;
}

Point Board::GetPanelPosition() const {
    if (mPanel != nullptr) {
        return {mPanel->x, mPanel->y};
    }
    Image* panel = mHost.Media().GetImage(GameImage::Interface);
    return {0, mHeight - (panel != nullptr ? panel->GetHeight() : 0)};
}

void Board::GrantBubbleCharge() {
    if (mBubbleIcon != nullptr) {
        mBubbleIcon->AddCharges(1, true);
    } else {
        ++counters.bubbleCharges;
    }
}

void Board::SetCursor(int32_t number) {
    mHost.SetCursor(number);
}

void Board::ReleaseFieldSelection() {
    if (mTable == nullptr) {
        return;
    }
    if (mTable->hasSelection) {
        if (CBlock* block = mTable->BlockAt(mTable->selA, mTable->selB)) {
            block->Deselect();
        }
    }
    mTable->hoverA = -1;
    mTable->hoverB = -1;
}

void Board::SetBonusIcon(CBonusIcon* icon) {
    switch (icon->GetKind()) {
        case CBonusIcon::Kind::Whirlwind:
            mWhirlwindIcon = static_cast<CBonusIconBuxpb*>(icon);
            break;
        case CBonusIcon::Kind::Bubble:
            mBubbleIcon = static_cast<CBonusIconBubble*>(icon);
            break;
        case CBonusIcon::Kind::SlowMotion:
            mSlowMotionIcon = static_cast<CBonusIconSlomo*>(icon);
            break;
    }
}

std::string Board::GetString(const std::string& id) {
    return mHost.GetString(id);
}

void Board::LaunchBubble() {
    if (mBubble != nullptr) {
        mBubble->Launch();
    }
}

void Board::ClearBubblePhase() {
    if (mBubble != nullptr) {
        mBubble->phase = 0;
    }
}

bool Board::CaptureInBubble(CBlock& block) {
    return mBubble != nullptr && mBubble->CaptureBlock(block);
}

void Board::MatchMade(int32_t total, Point at) {
    (total == 3 ? lastThreeAt : lastBigAt) = at;
}

void Board::FieldDealt() {
    for (CBonusIcon* icon :
         {static_cast<CBonusIcon*>(mWhirlwindIcon), static_cast<CBonusIcon*>(mBubbleIcon),
          static_cast<CBonusIcon*>(mSlowMotionIcon)}) {
        if (icon != nullptr) {
            icon->takesInput = true;
        }
    }
}

void Board::PlaySound(GameSound sound) {
    // Buttons keep their pitch; the field's sounds slow down with the game.
    const bool slowed =
        slowMotionActive == 1 && sound != GameSound::ButtonOver && sound != GameSound::ButtonDown;
    mHost.PlaySound(sound, slowed);
}

SoundInstance* Board::GetSoundInstance(GameSound sound) {
    return mHost.GetSoundInstance(sound);
}

// ---- Set-up. ----

std::string Board::CheckLevel(const LevelDesc& desc) {
    std::string why = CTable::CheckSize(desc.width, desc.height);
    if (!why.empty()) {
        return why;
    }
    if (desc.cells.size() < desc.width) {
        return "the cell table has fewer columns than the level is wide";
    }
    for (size_t column = 0; column < desc.width; ++column) {
        if (desc.cells[column].size() < desc.height) {
            return "the cell table has fewer rows than the level is high";
        }
    }
    const auto colours = static_cast<int32_t>(desc.blockNames.size());
    if (colours < kMinColours || colours > CTable::kMaxColours) {
        return "a level needs 3 to 8 block colours";
    }
    if (desc.capacity <= 0 || desc.effectcapacity <= 0) {
        return "the capacities must be above 0";
    }
    if (!std::isfinite(desc.start) || !std::isfinite(desc.speed)) {
        return "the start and speed must be numbers";
    }
    return {};
}

bool Board::BindBlockImages(const LevelDesc& desc) {
    for (size_t i = 0; i < desc.blockNames.size(); ++i) {
        if (!mHost.BindBlockImage(static_cast<int32_t>(i), desc.blockNames[i])) {
            mHost.LogError("Level " + std::to_string(level) + ": \"" + desc.blockNames[i] +
                           "\" is not a block image.");
            return false;
        }
    }
    return true;
}

void Board::SetupLevel() {
    skipSetup = true;
    headerByte = 0;
    stageAdvanced = false;
    if (continueSaved) {
        continueSaved = false;
        if (LoadGame(false) == 1) {
            return;
        }
    }
    slowMotionMs = kSlowMotionMs;
    slowMotionActive = 0;
    SetDisabled(false);
    pressed = false;
    rebuildOnLoad = false;
    mClock = new CTimeObject(*this);
    mObjects.Add(mClock);
    if (level > mHost.GetLevelCount()) {
        return;
    }
    const LevelDesc* desc = mHost.GetLevelDesc(level - 1);
    if (desc == nullptr) {
        mHost.LogError("Level " + std::to_string(level) + " has no level record.");
        return;
    }
    const std::string why = CheckLevel(*desc);
    if (!why.empty()) {
        mHost.LogError("Level " + std::to_string(level) + " cannot be built: " + why + ".");
        return;
    }
    if (!BindBlockImages(*desc)) {
        return;
    }
    BuildLevel(*desc);
}

void Board::BuildLevel(const LevelDesc& desc) {
    GameMedia& media = mHost.Media();
    colourCount = static_cast<int32_t>(desc.blockNames.size());
    mTable = new CTable(*this);
    mTable->SetSize(desc.width, desc.height);
    std::vector<uint8_t> holes(static_cast<size_t>(desc.width) * desc.height, 0);
    for (size_t a = 0; a < desc.width; ++a) {
        for (size_t b = 0; b < desc.height; ++b) {
            holes[b * desc.width + a] = desc.cells[a][b] == 0 ? 1 : 0;
        }
    }
    mTable->SetHoles(holes);
    mObjects.Add(mTable);
    bonusMode = BonusMode::kNone;
    paused = false;

    mBackground = new CImageObject();
    mBackground->SetResourceId(media, mHost.GetImageIdByName(desc.background));
    mObjects.Add(mBackground);
    mPanel = new CInterfaceObject(*this);
    mObjects.Add(mPanel);
    mGuide = new CLucheg(*this);
    mObjects.Add(mGuide);
    mLevelBar = new CLevelProgressBar(desc.speed, 100.0);
    mLevelBar->SetRange(*this, 0, desc.capacity,
                        static_cast<int32_t>(desc.capacity * static_cast<double>(desc.start)));
    mObjects.Add(mLevelBar);
    mEffectivityBar = new CEffectiveProgressBar(media, desc.effectcapacity);
    mEffectivityBar->SetRange(*this, 0, 2000, 0);
    mObjects.Add(mEffectivityBar);

    mWhirlwindIcon = new CBonusIconBuxpb(*this, counters.whirlwindCharges);
    mObjects.Add(mWhirlwindIcon);
    mBubbleIcon = new CBonusIconBubble(*this, counters.bubbleCharges);
    mObjects.Add(mBubbleIcon);
    mSlowMotionIcon = new CBonusIconSlomo(*this, counters.slowMotionCharges);
    mSlowMotionIcon->SetClockAnimation(media.MakeAnimation(GameAnimation::SlomoClock));
    mObjects.Add(mSlowMotionIcon);
    mEvilForce = new CEvilForce(*this);
    mObjects.Add(mEvilForce);
    mGoodForce = new CGoodForce(*this);
    mObjects.Add(mGoodForce);

    // The menu button sits at the right end of the panel.
    Image* normal = media.GetImage(GameImage::Menu);
    const int32_t w = normal != nullptr ? normal->GetWidth() : 0;
    const int32_t h = normal != nullptr ? normal->GetHeight() : 0;
    mMenuButton = new zmButton(*this, mWidth - w - 10, mHeight - h - 10);
    mMenuButton->width = w;
    mMenuButton->height = h;
    mMenuButton->layer = 7;
    mMenuButton->SetImages(media, media.GetImageId(GameImage::Menu),
                           media.GetImageId(GameImage::MenuOver),
                           media.GetImageId(GameImage::MenuDown));
    mObjects.Add(mMenuButton);
}

void Board::AddedToManager(WidgetManager* manager) {
    zmWidget::AddedToManager(manager);
    mManager = manager;
    if (!skipSetup) {
        SetupLevel();
    }
    if (helpShown && mHelp != nullptr) {
        mHelp->FillTopicQueue();
        if (!HasWidget(mHelp.get())) {
            AddWidget(mHelp.get());
        }
    }
    if (level <= mHost.GetLevelCount() && mTable != nullptr) {
        ShowLevelIntro();
    }
}

void Board::RemovedFromManager(WidgetManager* manager) {
    zmWidget::RemovedFromManager(manager);
    RemoveAllWidgets(false, false);
}

// ---- Play. ----

void Board::Update() {
    zmWidget::Update();
    if (boardState == kPlaying && !paused) {
        mObjects.UpdateAll();
        MarkDirty();
    }
}

void Board::Draw(Graphics* g) {
    switch (boardState) {
        case kPaused:
        case kPlaying:
        case kFadedOut:
        case kAnnouncing:
        case kStageComplete:
            mObjects.DrawAll(*g, mHost.Media());
            break;
        default:
            break;
    }
    zmWidget::Draw(g);
}

void Board::MouseMove(int x, int y) {
    cursorX = x;
    cursorY = y;
    mObjects.MouseMove(x, y);
}

void Board::MouseDrag(int x, int y) {
    cursorX = x;
    cursorY = y;
    if (boardState == kPlaying) {
        mObjects.MouseDrag(x, y);
    }
}

void Board::MouseDown(int x, int y, int clickCount) {
    zmWidget::MouseDown(x, y, clickCount);
    if (boardState != kPlaying) {
        return;
    }
    if (clickCount > 0) {
        pressed = true;
        mObjects.MouseDown(x, y);
    } else if (clickCount < 0 && bonusMode != BonusMode::kNone) {
        CancelTargeting(false);
    }
}

void Board::MouseUp(int x, int y, int clickCount) {
    zmWidget::MouseUp(x, y, clickCount);
    if (clickCount > 0) {
        mObjects.MouseUp(x, y);
        pressed = false;
    }
}

void Board::CancelTargeting(bool deleteBubble) {
    if (bonusMode == BonusMode::kWhirlwind && mWhirlwindIcon != nullptr) {
        mWhirlwindIcon->AddCharges(1, false);
        mWhirlwindIcon->state = CBonusIcon::Shown;
    } else if (bonusMode == BonusMode::kBubble) {
        if (mBubble != nullptr) {
            if (deleteBubble) {
                CBubble* bubble = mBubble;
                mObjects.Remove(bubble);
                delete bubble;
                mBubble = nullptr;
            } else {
                mBubble->Finish();
            }
        }
        if (mBubbleIcon != nullptr) {
            mBubbleIcon->AddCharges(1, false);
            mBubbleIcon->state = CBonusIcon::Shown;
        }
    }
    if (bonusMode != BonusMode::kNone && mTable != nullptr &&
        mTable->Inside(mTable->hoverA, mTable->hoverB)) {
        mTable->ClearHighlightAround(mTable->hoverA, mTable->hoverB);
    }
    bonusMode = BonusMode::kNone;
}

void Board::KeyDown(int key) {
    if (key != platform::vk::Escape || boardState == kFadedOut || boardState == kAnnouncing ||
        boardState == kNoPause || mFadeState != FADE_IDLE) {
        return;
    }
    if (boardState == kLeaving) {
        FadeOutWithCode(0);
    } else {
        ShowPauseDialog();
    }
}

void Board::ButtonClicked(int32_t) {
    mHost.StopAllSounds();
    PlaySound(GameSound::ButtonDown);
    if (boardState == kLeaving) {
        mNextWidget = mHost.GetMainMenu();
        FadeOutWithCode(0);
    } else {
        ShowPauseDialog();
    }
}

bool Board::AddPoints(int32_t points) {
    if (points == 0) {
        return false;
    }
    counters.slowMotionCounter += points;
    counters.levelScore += points;
    counters.lifeCounter += points;
    if (counters.slowMotionCounter >= kPointsPerSlowMotion) {
        const int32_t charges = counters.slowMotionCounter / kPointsPerSlowMotion;
        counters.slowMotionCounter %= kPointsPerSlowMotion;
        if (mSlowMotionIcon != nullptr) {
            mSlowMotionIcon->AddCharges(charges, true);
        } else {
            counters.slowMotionCharges += charges;
        }
    }
    if (counters.lifeCounter >= kPointsPerLife) {
        lives += counters.lifeCounter / kPointsPerLife;
        counters.lifeCounter %= kPointsPerLife;
        if (mPanel != nullptr) {
            if (CParticleEffect* burst = mPanel->StartLifeBurst(mHost.Media())) {
                burst->ResetAt(kLifeBurstX, kLifeBurstY);
            }
        }
        PlaySound(GameSound::AddLive);
    }
    return true;
}

bool Board::AddBonusPoints(int32_t points, int16_t* slowMotionGranted, int16_t* livesGranted) {
    if (points == 0) {
        return false;
    }
    counters.levelScore += points;
    counters.lifeCounter += points;
    if (level > 15) {
        counters.slowMotionCounter += points;
    }
    const int32_t charges = counters.slowMotionCounter / kPointsPerSlowMotion;
    counters.slowMotionCounter %= kPointsPerSlowMotion;
    if (charges > 0) {
        if (mSlowMotionIcon != nullptr) {
            mSlowMotionIcon->AddCharges(charges, true);
        } else {
            counters.slowMotionCharges += charges;
        }
    }
    const int32_t gained = counters.lifeCounter / kPointsPerLife;
    counters.lifeCounter %= kPointsPerLife;
    lives += gained;
    if (slowMotionGranted != nullptr) {
        *slowMotionGranted = static_cast<int16_t>(charges);
    }
    if (livesGranted != nullptr) {
        *livesGranted = static_cast<int16_t>(gained);
    }
    return true;
}

void Board::AddWhirlwindProgress(int32_t count) {
    if (level <= 5) {
        return;
    }
    counters.whirlwindProgress += count;
    if (counters.whirlwindProgress >= kWhirlwindStep) {
        counters.whirlwindProgress -= kWhirlwindStep;
        if (mWhirlwindIcon != nullptr) {
            mWhirlwindIcon->AddCharges(1, true);
        } else {
            ++counters.whirlwindCharges;
        }
    }
}

void Board::Knockdown() {
    const double factor = CTable::KnockdownFactor(counters.knockdownCounter);
    if (factor == 0.0) {
        return;
    }
    if (mLevelBar != nullptr) {
        mLevelBar->ScaleDrainSpeed(factor);
    }
    ShowKnockdown();
}

void Board::SetPaused(bool flag, int32_t state) {
    SetDisabled(flag);
    paused = flag;
    boardState = state >= 0 ? state : (flag ? kPaused : kPlaying);
    if (!flag && mClock != nullptr) {
        mClock->ReBase();
    }
}

void Board::SetTimeRate(double rate) {
    if (mClock != nullptr) {
        mClock->SetTargetRate(rate);
    }
}

void Board::ResumePlay() {
    SetPaused(false);
    if (mManager != nullptr) {
        mManager->SetFocus(this);
    }
}

// ---- Level end. ----

void Board::LevelWon() {
    if (mTable == nullptr) {
        return;
    }
    mTable->phase = 2;
    SetDisabled(true);
    if (mLevelBar != nullptr) {
        mLevelBar->SetStopped(true);
    }
    // Whole milliseconds; a level played for over 24 days keeps the longest time there is.
    finishTime = mClock != nullptr
                     ? static_cast<int32_t>(std::clamp(mClock->GetTime(), 0.0, 2147483647.0))
                     : 0;
    if (slowMotionActive == 1 && mSlowMotionIcon != nullptr) {
        mSlowMotionIcon->End(false);
    }
    PlaySound(GameSound::BlocksInit);
    for (int32_t a = 0; a < mTable->columns; ++a) {
        for (int32_t b = 0; b < mTable->rows; ++b) {
            if (CBlock* block = mTable->BlockAt(a, b)) {
                block->SendOff();
            }
        }
    }
}

void Board::StageComplete() {
    SaveGame();
    ShowStageComplete();
}

void Board::TakeChargesFromIcons() {
    if (mWhirlwindIcon != nullptr) {
        counters.whirlwindCharges = mWhirlwindIcon->charges;
    }
    if (mBubbleIcon != nullptr) {
        counters.bubbleCharges = mBubbleIcon->charges;
    }
    if (mSlowMotionIcon != nullptr) {
        counters.slowMotionCharges = mSlowMotionIcon->charges;
    }
}

void Board::NextLevel() {
    ++level;
    bestLevel = std::max(bestLevel, level);
    counters.totalScore += counters.levelScore;
    counters.levelScore = 0;
    counters.matchCounts.fill(0);
    TakeChargesFromIcons();
    stageAdvanced = true;
}

void Board::LoseLife() {
    --lives;
    SetPaused(true);
    ShowLivesLeft();
}

void Board::GameOver() {
    ClearSavedGame();
    ShowGameOver();
}

void Board::NewGame() {
    lives = 3;
    counters = BoardCounters{};
    bonusMode = BonusMode::kNone;
    bestLevel = 1;
    // A header-only read answers 0 by contract; what counts is the saved best level it sets.
    static_cast<void>(LoadGame(true));
    level = 1;
    helpShown = true;
}

void Board::LeaveBoard() {
    skipSetup = false;
    DeleteObjects();
    if (mManager != nullptr && mWidgetManager != nullptr) {
        mManager->RemoveWidget(this);
    }
    mHost.WriteProfiles();
}

void Board::DeleteObjects() {
    TakeChargesFromIcons();
    if (mObjects.IsIterating()) {
        mObjects.RequestDeleteAll();
    } else {
        mObjects.DeleteAll();
    }
    ForgetObjects();
}

void Board::ForgetObjects() {
    lastThreeAt.reset();
    lastBigAt.reset();
    mBackground = nullptr;
    mPanel = nullptr;
    mGuide = nullptr;
    mWhirlwindIcon = nullptr;
    mBubbleIcon = nullptr;
    mSlowMotionIcon = nullptr;
    mTable = nullptr;
    mClock = nullptr;
    mLevelBar = nullptr;
    mEffectivityBar = nullptr;
    mEvilForce = nullptr;
    mGoodForce = nullptr;
    mBubble = nullptr;
    mMenuButton = nullptr;
}

// ---- Screens. ----

std::unique_ptr<BoardOverlay>& Board::OverlaySlot(BoardOverlay::Kind kind) {
    switch (kind) {
        case BoardOverlay::Kind::LivesLeft:
            return mLivesOverlay;
        case BoardOverlay::Kind::Knockdown:
            return mKnockdownOverlay;
        case BoardOverlay::Kind::LevelIntro:
            return mLevelOverlay;
        case BoardOverlay::Kind::SlowMotion:
        default:
            return mSlowMotionOverlay;
    }
}

BoardOverlay* Board::GetOverlay(BoardOverlay::Kind kind) const {
    return const_cast<Board*>(this)->OverlaySlot(kind).get();
}

void Board::DropOverlay(std::unique_ptr<BoardOverlay>& overlay) {
    if (overlay != nullptr && HasWidget(overlay.get())) {
        RemoveWidget(overlay.get());
    }
    overlay.reset();
}

BoardOverlay* Board::OpenOverlay(BoardOverlay::Kind kind) {
    std::unique_ptr<BoardOverlay>& slot = OverlaySlot(kind);
    DropOverlay(slot);
    slot = mHost.MakeOverlay(kind, *this);
    if (slot == nullptr) {
        return nullptr;
    }
    slot->Resize(0, 0, mWidth, mHeight);
    AddWidget(slot.get());
    if (mManager != nullptr && mWidgetManager != nullptr) {
        mManager->SetFocus(slot.get());
    }
    return slot.get();
}

void Board::ShowPauseDialog() {
    if (!paused) {
        SetPaused(true);
    }
    mHost.ShowDialog(BoardHost::Dialog::Pause, *this);
}

void Board::ShowStageComplete() {
    SetPaused(true, kStageComplete);
    mHost.ShowDialog(BoardHost::Dialog::StageComplete, *this);
    PlaySound(GameSound::ScBegin);
}

void Board::ShowGameOver() {
    SetPaused(true);
    mHost.ShowDialog(BoardHost::Dialog::GameOver, *this);
    PlaySound(GameSound::GameOver);
}

void Board::ShowLivesLeft() {
    OpenOverlay(BoardOverlay::Kind::LivesLeft);
}

void Board::ShowKnockdown() {
    if (mKnockdownOverlay != nullptr && HasWidget(mKnockdownOverlay.get())) {
        return;
    }
    OpenOverlay(BoardOverlay::Kind::Knockdown);
    PlaySound(GameSound::Knockdown);
}

void Board::ShowLevelIntro() {
    SetPaused(true);
    introShowing = true;
    boardState = kAnnouncing;
    OpenOverlay(BoardOverlay::Kind::LevelIntro);
    PlaySound(GameSound::ShowLevel);
}

void Board::ShowSlowMotion() {
    slowMotionShowing = true;
    OpenOverlay(BoardOverlay::Kind::SlowMotion);
    PlaySound(GameSound::SlomoUse);
}

void Board::HideSlowMotion() {
    if (mSlowMotionOverlay != nullptr) {
        mSlowMotionOverlay->Leave();
    }
}

void Board::LivesOverlayDone() {
    mNextWidget = this;
    FadeOutWithCode(0);
}

void Board::LevelIntroDone() {
    introShowing = false;
    StartFadeIn();
}

void Board::FadeInDone() {
    if (introShowing) {
        boardState = kAnnouncing;
    } else {
        if (mTable != nullptr && mTable->phase == 0) {
            PlaySound(GameSound::TableInit);
        }
        SetPaused(false);
    }
    if (!mHost.IsWindowActive() && boardState != kAnnouncing && boardState != kNoPause) {
        SetPaused(true);
        ShowPauseDialog();
    }
}

void Board::FadeOutDone() {
    zmWidget::FadeOutDone();
    if (mNextWidget == nullptr) {
        boardState = kFadedOut;
        return;
    }
    Widget* next = mNextWidget;
    mNextWidget = nullptr;
    WidgetManager* manager = mManager;
    LeaveBoard();
    if (manager != nullptr) {
        mHost.ShowScreen(*next, *manager);
    }
}

}  // namespace Vesk
