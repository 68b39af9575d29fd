#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "game/app/CScreen.h"
#include "game/core/CObjectList.h"
#include "game/core/ObjectOwner.h"

namespace Vesk {

class CMapDot;
class GameAppMedia;
class zmParticleSystem;

// The twenty stages as dots on the land, joined by paths of small dots. Reached stages are
// green; on reaching a new one a flash runs along the path to it. A reached stage can be
// clicked to replay it; CONTINUE goes to the chosen level (through its comic chapter), MAINMENU
// saves and returns to the menu. Main thread only; the board is the application's.
class CLandMap : public CScreen, public ObjectOwner {
public:
    static constexpr int kStageDotCount = 23;
    static constexpr int kPathLength = 7;
    static constexpr uint32_t kPathStepMs = 300;
    // A finished game stands on the map as level 101.
    static constexpr int32_t kLastMapLevel = 101;
    static constexpr float kFlashElapsed = 0.01f;

    struct StageDot {
        int32_t stage;
        int32_t size;
        int32_t x;
        int32_t y;
    };
    static const std::array<StageDot, kStageDotCount> kStageDots;

    CLandMap();
    ~CLandMap() override;

    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void Update() override;
    void Draw(Graphics* g) override;
    void KeyDown(int key) override;
    void MouseMove(int x, int y) override;
    void MouseDown(int x, int y, int clickCount) override;

    void ButtonDepress(int id) override;

    // ObjectOwner, for the dots.
    int32_t GetUpdateCount() const override { return mUpdateCnt; }
    uint32_t TickCount() override;
    GameRandom& Random() override;
    GameMedia& Media() override;

    // The board's level clamped to 1..101 (1 without a board): saved games are not trusted.
    int32_t MapLevel() const;
    int32_t MapBestLevel() const;
    bool IsPathRunning() const { return mPathRunning; }
    // A reached stage dot was clicked: the flash moves there and the level becomes its first.
    void ChooseStage(CMapDot& dot);

    // The point at t of the uniform Catmull-Rom curve through p0..p3, rounded half up.
    static void CurvePoint(const int32_t (&px)[4], const int32_t (&py)[4], double t, int32_t& x,
                           int32_t& y);

    const CObjectList& Dots() const { return mDots; }
    int PathStep() const { return mPathStep; }
    CMapDot* PathDot(int index) const { return mPath.at(static_cast<size_t>(index)); }
    size_t FlashCount() const { return mFlashes.size(); }
    bool mPathAnimation = true;

private:
    void BuildMap();
    void StartFlash(CMapDot& dot);
    void StepPath();
    void UpdateFlashes();
    void Leave();

    std::unique_ptr<GameAppMedia> mMedia;
    CObjectList mDots{this};
    uint32_t mLastStepTime = 0;
    // not owned; dots of mDots, null where the build set none.
    std::array<CMapDot*, kPathLength> mPath{};
    int mPathStep = 0;
    bool mPathRunning = false;
    // not owned; one of mFlashes or null.
    zmParticleSystem* mCurrentFlash = nullptr;
    std::vector<std::unique_ptr<zmParticleSystem>> mFlashes;
};

}  // namespace Vesk
