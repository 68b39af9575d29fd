#include "game/app/CStageCompleteDialog.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "game/app/CComics.h"
#include "game/app/CLandMap.h"
#include "game/app/CMainMenu.h"
#include "game/app/GameApp.h"
#include "game/app/LevelRecord.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "platform/VirtualKeys.h"
#include "resources/ImageFont.h"
#include "resources/zmParticleSystem.h"
#include "sound/SoundInstance.h"
#include "sound/SoundManager.h"
#include "util/Common.h"
#include "util/GameRandom.h"
#include "widgets/DialogButton.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr int kDialogX = 155;
constexpr int kDialogY = 13;
constexpr int kPictureX = 40;
// The label pictures write their words on this line, where the numbers go too.
constexpr int kLabelBaseline = 20;
constexpr int kTimesX = kPictureX + 100;
constexpr int kTextX = 236;
constexpr int kNewRecordX = 336;
constexpr int kTextDrop = 14;
constexpr int kFlashDrop = 6;
constexpr int kRowY[CStageCompleteDialog::kRowCount] = {70,  105, 150, 195, 240, 275,
                                                        320, 350, 380, 410, 440};
constexpr int kLineY[] = {140, 185, 230, 310, 475};

std::unique_ptr<zmParticleSystem> CopyOf(zmParticleSystem* system) {
    return system != nullptr ? zmParticleSystem::zmParticleSystemCopy(*system) : nullptr;
}

bool Finished(const zmParticleSystem* system) {
    return system == nullptr || system->mClock == zmParticleSystem::kUnplaced;
}

}  // namespace

CStageCompleteDialog::CStageCompleteDialog(Board& board)
    : zmDialog(IMAGE_STAGECOMPLETE_BG, kDialogId, "", "", ""),
      mBoard(board),
      mMainMenuButton(std::make_unique<DialogButton>(nullptr, MAINMENU, this)),
      mContinueButton(std::make_unique<DialogButton>(nullptr, CONTINUE, this)) {
    GameApp& app = App();
    if (app.mSoundManager != nullptr) {
        app.mSoundManager->StopAllSounds();
        mCountingSound = app.mSoundManager->GetSoundInstance(SOUND_COUNTING);
    }
    mMainMenuButton->mButtonImage = IMAGE_MAINMENU;
    mMainMenuButton->mOverImage = IMAGE_MAINMENU_OVER;
    mMainMenuButton->mDownImage = IMAGE_MAINMENU_DOWN;
    mContinueButton->mButtonImage = IMAGE_CONTINUE;
    mContinueButton->mOverImage = IMAGE_CONTINUE_OVER;
    mContinueButton->mDownImage = IMAGE_CONTINUE_DOWN;
    const Image* background = IMAGE_STAGECOMPLETE_BG;
    Resize(kDialogX, kDialogY, background != nullptr ? background->GetWidth() : 0,
           background != nullptr ? background->GetHeight() : 0);

    mLevelScore = board.counters.levelScore;
    mLevelTime = static_cast<uint32_t>(board.finishTime);
    mMatchCounts = board.counters.matchCounts;
    mCount = mLevelScore;
    if (FONT_SMALL != nullptr) {
        mNumberFont = NumberFont(*FONT_SMALL);
    }
    mFlashFlags.fill(true);
    for (auto& flash : mFlashes) {
        flash = CopyOf(PARTICLE_SC_FLASH);
    }
    mRocket = CopyOf(PARTICLE_FIREWORKS);
    mBoom = CopyOf(PARTICLE_FIREWORKS_BOOM);

    // Stored before anything shows, so a player who leaves at once keeps the record.
    const LevelRecord* record = app.FindLevelRecord(board.level);
    const LevelRecord freeRecord;
    if (record == nullptr) {
        record = &freeRecord;
    }
    mBestTime = record->mBestTime;
    mBestName = record->mHolderName;

    mTimeBonus = TimeBonus(mLevelTime, mLevelScore);
    // The board leaves both untouched when the bonus is 0.
    mLivesGranted = 0;
    mSlowMotionGranted = 0;
    board.AddBonusPoints(mTimeBonus, &mSlowMotionGranted, &mLivesGranted);

    if (mLevelTime < mBestTime) {
        app.PlaySoundById(SOUND_SC_FW_FULL, true, false);
        app.StoreLevelRecordFor(board.level, mLevelTime);
        mNewBest = true;
    }
    LaunchRocket();
}

CStageCompleteDialog::~CStageCompleteDialog() {
    // At shutdown the sound manager, and its instances, may be gone before the dialog.
    const GameApp* app = GetGameApp();
    if (mCountingSound != nullptr && app != nullptr && app->mSoundManager != nullptr) {
        mCountingSound->Stop();
        mCountingSound->Release();
        mCountingSound = nullptr;
    }
    RemoveAllWidgets(false, false);
}

CStageCompleteDialog* CStageCompleteDialog::Show(Board& board) {
    GameApp& app = *GetGameApp();
    auto* dialog = new CStageCompleteDialog(board);
    app.AddDialogByObject(dialog);
    app.mWidgetManager->SetFocus(dialog);
    return dialog;
}

GameApp& CStageCompleteDialog::App() const {
    return *GetGameApp();
}

DialogButton* CStageCompleteDialog::GetButton(int id) const {
    return id == CONTINUE ? mContinueButton.get() : mMainMenuButton.get();
}

std::string CStageCompleteDialog::FormatTime(uint32_t ms) {
    const uint32_t hours = ms / 3600000;
    const uint32_t minutes = ms % 3600000 / 60000;
    const uint32_t seconds = ms % 60000 / 1000;
    if (hours > 0) {
        return StrFormat("%u:%u:%02u", hours, minutes, seconds);
    }
    return StrFormat("%u:%02u", minutes, seconds);
}

int32_t CStageCompleteDialog::TimeBonus(uint32_t levelTimeMs, int32_t levelScore) {
    if (levelTimeMs == 0) {
        return 0;
    }
    const double bonus = 50000.0 / levelTimeMs * levelScore;
    return static_cast<int32_t>(
        std::clamp(bonus, 0.0, static_cast<double>(std::numeric_limits<int32_t>::max())));
}

void CStageCompleteDialog::AddedToManager(WidgetManager* manager) {
    zmDialog::AddedToManager(manager);
    AddWidget(mMainMenuButton.get());
    AddWidget(mContinueButton.get());
}

void CStageCompleteDialog::RemovedFromManager(WidgetManager* manager) {
    RemoveAllWidgets(false, false);
    zmDialog::RemovedFromManager(manager);
}

void CStageCompleteDialog::Resize(int x, int y, int width, int height) {
    zmDialog::Resize(x, y, width, height);
    const auto place = [](DialogButton& button, int bx, int by) {
        const Image* image = button.mButtonImage;
        button.Resize(bx, by, image != nullptr ? image->GetWidth() : 0,
                      image != nullptr ? image->GetHeight() : 0);
    };
    place(*mMainMenuButton, 87, 489);
    place(*mContinueButton, 279, 489);
}

int32_t CStageCompleteDialog::RowValue(int row) const {
    switch (row) {
        case 2:
            return mLevelScore;
        case 3:
            return mTimeBonus;
        case 4:
            return mLivesGranted;
        case 5:
            return mSlowMotionGranted;
        case 6:
        case 7:
        case 8:
        case 9:
        case 10:
            return mMatchCounts[static_cast<size_t>(row - 6)];
        default:
            return 0;
    }
}

int32_t CStageCompleteDialog::ShownValue(int row) const {
    if (row < mRow) {
        return RowValue(row);
    }
    return static_cast<int32_t>(RowValue(row) - mCount);
}

std::unique_ptr<Font> CStageCompleteDialog::NumberFont(const Font& small) {
    std::unique_ptr<Font> font = small.Duplicate();
    if (auto* image = dynamic_cast<ImageFont*>(font.get())) {
        image->SetPointSize(kNumberPointSize);
    }
    return font;
}

Point CStageCompleteDialog::TextPosition(int row) {
    return {kTextX, kRowY[row] + kTextDrop};
}

Point CStageCompleteDialog::PicturePosition(int row) {
    return {kPictureX, kRowY[row] + kTextDrop - kLabelBaseline};
}

Point CStageCompleteDialog::NewRecordPosition() {
    return {kNewRecordX, PicturePosition(1).mY};
}

std::string CStageCompleteDialog::RowText(int row) const {
    switch (row) {
        case 0:
            return FormatTime(mLevelTime);
        case 1:
            // A free record's time is no time: a first completion shows its own.
            if (mNewBest) {
                return FormatTime(mLevelTime);
            }
            return mBestTime == LevelRecord::kNoTime ? std::string("-:--") : FormatTime(mBestTime);
        case 4:
        case 5:
            return StrFormat("+%d", ShownValue(row));
        default:
            return StrFormat("%d", ShownValue(row));
    }
}

void CStageCompleteDialog::StepCounting() {
    if (mCount > 1.0) {
        if (mCountingSound != nullptr && !mCountingSound->IsPlaying()) {
            mCountingSound->Play(true, false);
        }
        mCount -= std::max(mCount / 13.0, 1.0);
        return;
    }
    if (mCountingSound != nullptr) {
        mCountingSound->Stop();
    }
    mCount = 0.0;
    ++mRow;
    if (mRow >= kRowCount) {
        mCounting = false;
        return;
    }
    mCount = RowValue(mRow);
}

void CStageCompleteDialog::LaunchRocket() {
    GameRandom& random = App().mGameRandom;
    const int width = std::max(mWidth, 1);
    const int height = std::max(mHeight / 4, 1);
    mTargetX = random.Next() % width;
    mTargetY = random.Next() % height;
    mStepX = static_cast<float>(mTargetX - mStartX) / kFireworkSteps;
    mStepY = static_cast<float>(mTargetY - mStartY) / kFireworkSteps;
    mRocketX = static_cast<float>(mStartX);
    mRocketY = static_cast<float>(mStartY);
    if (mRocket != nullptr) {
        mRocket->ResetAt(mRocketX, mRocketY);
    }
}

void CStageCompleteDialog::StepFireworks() {
    const bool atX = std::fabs(mRocketX - static_cast<float>(mTargetX)) <= std::fabs(mStepX) + 1;
    const bool atY = std::fabs(mRocketY - static_cast<float>(mTargetY)) <= std::fabs(mStepY) + 1;
    if (!atX) {
        mRocketX += mStepX;
    }
    if (!atY) {
        mRocketY += mStepY;
    }
    if (!atX || !atY) {
        if (mRocket != nullptr) {
            mRocket->MoveTo(mRocketX, mRocketY, false);
        }
    } else if (Finished(mRocket.get())) {
        LaunchRocket();
    } else {
        // The rocket stops at its burst, so the next one launches once its trail is done.
        mBurst = true;
        if (mBoom != nullptr) {
            mBoom->ResetAt(mRocketX, mRocketY);
        }
        mRocket->FlagUnplaced();
    }
    if (mBurst && Finished(mBoom.get())) {
        mBurst = false;
    }
    if (mRocket != nullptr) {
        mRocket->Update(kParticleElapsed);
    }
    if (mBoom != nullptr) {
        mBoom->Update(kParticleElapsed);
    }
}

void CStageCompleteDialog::Update() {
    zmDialog::Update();
    StepFireworks();
    if (mCounting && mUpdateCnt % 2 == 0) {
        StepCounting();
    }
    for (auto& flash : mFlashes) {
        if (flash != nullptr) {
            flash->Update(kParticleElapsed);
        }
    }
}

void CStageCompleteDialog::FlashRow(int row, int textX, int textY, int textWidth) {
    const size_t index = static_cast<size_t>(row);
    if (!mFlashFlags[index] || ShownValue(row) < RowValue(row)) {
        return;
    }
    mFlashFlags[index] = false;
    ++mRowEndSounds;
    App().PlaySoundById(SOUND_COUNTING_END, false, false);
    if (mFlashes[index] != nullptr) {
        mFlashes[index]->ResetAt(static_cast<float>(textX + textWidth / 2),
                                 static_cast<float>(textY + kFlashDrop));
    }
}

void CStageCompleteDialog::Draw(Graphics* g) {
    zmDialog::Draw(g);
    const auto picture = [g](Image* image, int x, int y) {
        if (image != nullptr) {
            g->DrawImage(image, x, y);
        }
    };
    Image* const pictures[kRowCount] = {IMAGE_YOURTIME,  IMAGE_BESTTIME, IMAGE_SCORE,
                                        IMAGE_TIMEBONUS, IMAGE_ICONLIFE, IMAGE_ICONSLOMO,
                                        IMAGE_MATCHES,   IMAGE_MATCHES,  IMAGE_MATCHES,
                                        IMAGE_MATCHES,   IMAGE_MATCHES};
    Image* const times[5] = {IMAGE_X3, IMAGE_X4, IMAGE_X5, IMAGE_X6, IMAGE_X7};
    for (int row = 0; row < kRowCount; ++row) {
        const Point at = PicturePosition(row);
        picture(pictures[row], at.mX, at.mY);
        if (row >= 6) {
            picture(times[row - 6], kTimesX, at.mY);
        }
    }
    if (mNewBest) {
        const Point at = NewRecordPosition();
        picture(IMAGE_NEWRECORD, at.mX, at.mY);
    }
    if (IMAGE_HORLINE != nullptr) {
        for (int y : kLineY) {
            picture(IMAGE_HORLINE, (mWidth - IMAGE_HORLINE->GetWidth()) / 2, y);
        }
    }
    Font* font = mNumberFont.get();
    const int lastRow = std::min(mRow, kRowCount - 1);
    for (int row = 0; row <= lastRow; ++row) {
        const std::string text = RowText(row);
        const int width = font != nullptr ? font->StringWidth(text) : 0;
        if (font != nullptr) {
            g->SetFont(font);
            g->SetColor(Color::White);
            const Point at = TextPosition(row);
            g->DrawString(text, at.mX, at.mY);
        }
        FlashRow(row, kTextX, kRowY[row], width);
    }
    for (auto& flash : mFlashes) {
        if (flash != nullptr) {
            flash->Draw(g);
        }
    }
    if (mRocket != nullptr) {
        mRocket->Draw(g);
    }
    if (mBurst && mBoom != nullptr) {
        mBoom->Draw(g);
    }
}

void CStageCompleteDialog::KeyDown(int key) {
    zmDialog::KeyDown(key);
    if (key == platform::vk::Escape || key == platform::vk::Enter || key == platform::vk::Space) {
        Continue();
    }
}

void CStageCompleteDialog::ButtonMouseEnter(int id) {
    (void)id;
    App().PlaySoundById(SOUND_BUTTON_OVER, false, false);
}

void CStageCompleteDialog::ButtonDepress(int id) {
    App().PlaySoundById(SOUND_BUTTON_DOWN, false, false);
    if (id == CONTINUE) {
        Continue();
    } else if (id == MAINMENU) {
        LeaveForMenu();
    }
}

void CStageCompleteDialog::FinishGame() {
    mBoard.headerByte = 1;
    mBoard.SaveGame();
    GameApp& app = App();
    app.AppendHighScore(app.mCurrentPlayer, mBoard.counters.totalScore);
}

// Buttons and keys alike act once: a second press during the closing fade would skip a level.
void CStageCompleteDialog::Continue() {
    if (mContinuing) {
        return;
    }
    mContinuing = true;
    GameApp& app = App();
    mBoard.NextLevel();
    const int32_t level = mBoard.level;
    if (level > app.CountLevelRecords()) {
        FinishGame();
    }
    auto* comics = dynamic_cast<CComics*>(app.GetScreen<CComics>());
    if ((level - 1) % 5 == 0) {
        app.PlayLevelMusic();
        mNextScreen = app.GetScreen<CLandMap>();
    } else if (comics != nullptr && comics->HasChapter()) {
        mNextScreen = comics;
    } else {
        mBoard.LeaveBoard();
        mNextScreen = &mBoard;
    }
    StartClose();
}

void CStageCompleteDialog::LeaveForMenu() {
    if (mContinuing) {
        return;
    }
    mContinuing = true;
    GameApp& app = App();
    mNextScreen = app.GetScreen<CMainMenu>();
    mBoard.continueSaved = true;
    mBoard.NextLevel();
    // Leaving after the last level still ends the game, or it would come back unfinished.
    if (mBoard.level > app.CountLevelRecords()) {
        FinishGame();
    }
    mBoard.SetRebuildOnLoad(true);
    mBoard.SaveGame();
    mBoard.LeaveBoard();
    StartClose();
}

void CStageCompleteDialog::FadeOutDone() {
    zmDialog::FadeOutDone();
    App().ShowScreen(mNextScreen);
}

}  // namespace Vesk
