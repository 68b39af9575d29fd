#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "graphics/Rect.h"
#include "widgets/zmDialog.h"

namespace Vesk {

class Board;
class DialogButton;
class Font;
class GameApp;
class SoundInstance;
class zmParticleSystem;

// The results of a won level: counts each row up with a ticking sound and a flash, records a
// new best time, grants the time bonus, fires fireworks, and on continue moves the game to the
// next level, the land map or the comics, or, after the last level, ends the game with a
// high-score entry. The application's dialog list owns it. Main thread only.
class CStageCompleteDialog : public zmDialog {
public:
    enum ButtonId { MAINMENU = 0, CONTINUE = 1 };
    static constexpr int kDialogId = 20;
    static constexpr int kRowCount = 11;
    static constexpr int kFirstCountedRow = 2;
    static constexpr int kFireworkSteps = 88;
    static constexpr float kParticleElapsed = 0.01f;

    // The board is the application's and outlives the dialog.
    explicit CStageCompleteDialog(Board& board);
    ~CStageCompleteDialog() override;

    // What the board's host does for a won level: the dialog joins the application's dialogs
    // and takes the focus. The pointer lives until the application kills the dialog.
    static CStageCompleteDialog* Show(Board& board);

    // "h:m:ss" from an hour on, else "m:ss".
    static std::string FormatTime(uint32_t ms);
    // 50000 / time x score, 0 for a time of 0, at most 2^31 - 1.
    static int32_t TimeBonus(uint32_t levelTimeMs, int32_t levelScore);

    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void Resize(int x, int y, int width, int height) override;
    void Update() override;
    void Draw(Graphics* g) override;
    void KeyDown(int key) override;
    void ButtonDepress(int id) override;
    void ButtonMouseEnter(int id) override;
    void FadeOutDone() override;

    // Where a row's number is written (its baseline's left end), where its label picture and
    // the new-record picture go, in the dialog's coordinates.
    static Point TextPosition(int row);
    static Point PicturePosition(int row);
    static Point NewRecordPosition();
    // The rows' numbers: the small font asked for its large size, so they match the labels.
    static constexpr int32_t kNumberPointSize = 20;
    static std::unique_ptr<Font> NumberFont(const Font& small);
    // The dark field inside the background that every row stays in.
    static constexpr Rect kPanel{24, 62, 444, 414};

    // The number a counted row reaches; rows 0 and 1 are times.
    int32_t RowValue(int row) const;
    // The number a row shows now.
    int32_t ShownValue(int row) const;
    std::string RowText(int row) const;
    void Continue();
    void LeaveForMenu();

    DialogButton* GetButton(int id) const;
    const SoundInstance* GetCountingSound() const { return mCountingSound; }

    Widget* mNextScreen = nullptr;
    bool mContinuing = false;
    uint32_t mLevelTime = 0;
    int32_t mLevelScore = 0;
    std::array<uint16_t, 5> mMatchCounts{};
    int32_t mTimeBonus = 0;
    std::array<bool, kRowCount> mFlashFlags{};
    int16_t mLivesGranted = 0;
    int16_t mSlowMotionGranted = 0;
    bool mNewBest = false;
    bool mCounting = true;
    double mCount = 0.0;
    int mRow = kFirstCountedRow;
    uint32_t mBestTime = 0;
    std::string mBestName;
    // Fireworks, in the dialog's coordinates.
    bool mBurst = false;
    float mRocketX = 0.0f;
    float mRocketY = 0.0f;
    float mStepX = 0.0f;
    float mStepY = 0.0f;
    int32_t mStartX = 260;
    int32_t mStartY = 600;
    int32_t mTargetX = 0;
    int32_t mTargetY = 0;
    // Rows' sounds and flashes that the draws have played.
    int mRowEndSounds = 0;

private:
    GameApp& App() const;
    void StepCounting();
    void LaunchRocket();
    void StepFireworks();
    void FinishGame();
    void FlashRow(int row, int textX, int textY, int textWidth);

    Board& mBoard;
    std::unique_ptr<DialogButton> mMainMenuButton;
    std::unique_ptr<DialogButton> mContinueButton;
    // Null without the small font.
    std::unique_ptr<Font> mNumberFont;
    // Taken at construction; stopped and released with the dialog, so won levels do not use up
    // the sound manager's instances. Null when none was free.
    SoundInstance* mCountingSound = nullptr;
    std::array<std::unique_ptr<zmParticleSystem>, kRowCount> mFlashes;
    std::unique_ptr<zmParticleSystem> mRocket;
    std::unique_ptr<zmParticleSystem> mBoom;
};

}  // namespace Vesk
