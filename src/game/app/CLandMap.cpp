#include "game/app/CLandMap.h"

#include <algorithm>

#include "game/app/CComics.h"
#include "game/app/CMapDot.h"
#include "game/app/GameApp.h"
#include "game/app/GameAppMedia.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "platform/VirtualKeys.h"
#include "resources/zmParticleSystem.h"
#include "widgets/ButtonWidget.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr int kComicsEndTrack = 6;

}  // namespace

// Indices 0 and 22 repeat the first and last stage: the curve's end control points.
const std::array<CLandMap::StageDot, CLandMap::kStageDotCount> CLandMap::kStageDots = {{
    {-1, CMapDot::kBig, 367, 153},    {1, CMapDot::kBig, 367, 153},
    {2, CMapDot::kMedium, 256, 134},  {3, CMapDot::kMedium, 160, 111},
    {4, CMapDot::kMedium, 176, 217},  {5, CMapDot::kMedium, 278, 200},
    {6, CMapDot::kBig, 261, 281},     {7, CMapDot::kMedium, 160, 307},
    {8, CMapDot::kMedium, 132, 389},  {9, CMapDot::kMedium, 160, 480},
    {10, CMapDot::kMedium, 250, 439}, {11, CMapDot::kBig, 359, 485},
    {12, CMapDot::kMedium, 454, 521}, {13, CMapDot::kMedium, 565, 495},
    {14, CMapDot::kMedium, 476, 426}, {15, CMapDot::kMedium, 466, 338},
    {16, CMapDot::kBig, 579, 373},    {17, CMapDot::kMedium, 665, 288},
    {18, CMapDot::kMedium, 544, 248}, {19, CMapDot::kMedium, 621, 182},
    {20, CMapDot::kMedium, 496, 148}, {21, CMapDot::kBig, 443, 265},
    {21, CMapDot::kBig, 443, 265},
}};

CLandMap::CLandMap() : CScreen(true), mMedia(std::make_unique<GameAppMedia>()) {}

CLandMap::~CLandMap() {
    RemoveAllWidgets(false, false);
    mDots.DeleteAll();
}

uint32_t CLandMap::TickCount() {
    return App().GetGameTickMs();
}

GameRandom& CLandMap::Random() {
    return App().mGameRandom;
}

GameMedia& CLandMap::Media() {
    return *mMedia;
}

int32_t CLandMap::MapLevel() const {
    const Board* board = GetBoard();
    return std::clamp(board != nullptr ? board->level : 1, 1, kLastMapLevel);
}

int32_t CLandMap::MapBestLevel() const {
    const Board* board = GetBoard();
    return board != nullptr ? board->bestLevel : 1;
}

void CLandMap::CurvePoint(const int32_t (&px)[4], const int32_t (&py)[4], double t, int32_t& x,
                          int32_t& y) {
    const auto at = [t](const int32_t(&p)[4]) {
        const double p0 = p[0], p1 = p[1], p2 = p[2], p3 = p[3];
        const double v = 0.5 * (2 * p1 + (p2 - p0) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t * t +
                                (-p0 + 3 * p1 - 3 * p2 + p3) * t * t * t);
        return static_cast<int32_t>(v + 0.5);
    };
    x = at(px);
    y = at(py);
}

void CLandMap::AddedToManager(WidgetManager* manager) {
    zmWidget::AddedToManager(manager);
    SetDisabled(false);
    mCurrentFlash = nullptr;
    mPathRunning = false;
    mPathStep = 0;
    BuildMap();
    AddButtons();
    StartFadeIn();
}

void CLandMap::RemovedFromManager(WidgetManager* manager) {
    RemoveAllWidgets(false, false);
    mDots.DeleteAll();
    mPath.fill(nullptr);
    mCurrentFlash = nullptr;
    mFlashes.clear();
    WidgetContainer::RemovedFromManager(manager);
}

void CLandMap::BuildMap() {
    const int32_t level = MapLevel();
    mPath.fill(nullptr);
    std::array<CMapDot*, kStageDotCount> stages{};
    for (size_t i = 0; i < stages.size(); ++i) {
        const StageDot& d = kStageDots[i];
        stages[i] = new CMapDot(*this, d.stage, d.size, d.x, d.y, true);
    }
    const int32_t pathSegment = (level - 1) / 5 - 1;
    for (int k = 0; k + 3 < kStageDotCount; ++k) {
        const CMapDot* p[4] = {stages[k], stages[k + 1], stages[k + 2], stages[k + 3]};
        const int32_t px[4] = {p[0]->x, p[1]->x, p[2]->x, p[3]->x};
        const int32_t py[4] = {p[0]->y, p[1]->y, p[2]->y, p[3]->y};
        const double start = p[1]->size == CMapDot::kBig ? 1.0 / 8 : 1.0 / 12;
        const double end = p[2]->size == CMapDot::kBig ? 1.0 - 1.0 / 8 : 1.0 - 1.0 / 12;
        const double span = end - start;
        for (int i = 0; i < 5; ++i) {
            int32_t x = 0;
            int32_t y = 0;
            CurvePoint(px, py, start + (i + 1) * span / 6, x, y);
            auto* dot = new CMapDot(*this, k + 2, CMapDot::kSmall, x, y, false);
            if (pathSegment == k) {
                mPath[static_cast<size_t>(i) + 1] = dot;
            }
            mDots.Add(dot);
        }
    }
    if (level > 5) {
        mPath[0] = stages[static_cast<size_t>((level - 1) / 5)];
        mPath[6] = stages[static_cast<size_t>((level - 1) / 5 + 1)];
        mPathRunning = true;
    } else {
        mPath[0] = stages[1];
    }
    if (mCurrentFlash == nullptr) {
        StartFlash(*mPath[static_cast<size_t>(mPathStep)]);
        mPathStep = 1;
    }
    for (CMapDot* dot : stages) {
        mDots.Add(dot);
    }
}

void CLandMap::StartFlash(CMapDot& dot) {
    mLastStepTime = TickCount();
    dot.TurnGreen();
    if (PARTICLE_LM_FLASH == nullptr) {
        return;
    }
    auto flash = zmParticleSystem::zmParticleSystemCopy(*PARTICLE_LM_FLASH);
    flash->ResetAt(static_cast<float>(dot.x), static_cast<float>(dot.y));
    mCurrentFlash = flash.get();
    mFlashes.push_back(std::move(flash));
}

void CLandMap::StepPath() {
    if (!mPathAnimation || mPathStep >= kPathLength || MapLevel() <= 5 ||
        TickCount() - mLastStepTime <= kPathStepMs) {
        return;
    }
    if (mCurrentFlash != nullptr) {
        mCurrentFlash->FlagUnplaced();
        mCurrentFlash = nullptr;
    }
    if (CMapDot* dot = mPath[static_cast<size_t>(mPathStep)]) {
        StartFlash(*dot);
    }
    ++mPathStep;
    if (mPathStep >= kPathLength) {
        mPathRunning = false;
    }
}

void CLandMap::ChooseStage(CMapDot& dot) {
    if (mCurrentFlash != nullptr) {
        mCurrentFlash->FlagUnplaced();
        mCurrentFlash = nullptr;
    }
    StartFlash(dot);
    mPathStep = kPathLength;
    if (Board* board = GetBoard()) {
        board->level = dot.FirstLevel();
    }
}

void CLandMap::UpdateFlashes() {
    for (auto& flash : mFlashes) {
        flash->Update(kFlashElapsed);
    }
    std::erase_if(mFlashes, [this](const std::unique_ptr<zmParticleSystem>& flash) {
        const bool done =
            flash->mClock == zmParticleSystem::kUnplaced && flash->GetLiveCount() == 0;
        if (done && flash.get() == mCurrentFlash) {
            mCurrentFlash = nullptr;
        }
        return done;
    });
}

void CLandMap::Update() {
    zmWidget::Update();
    mDots.UpdateAll();
    if (mFadeState == FADE_IDLE) {
        StepPath();
        UpdateFlashes();
    }
    MarkDirty();
}

void CLandMap::Draw(Graphics* g) {
    zmWidget::Draw(g);
    if (IMAGE_LANDMAP != nullptr) {
        g->DrawImage(IMAGE_LANDMAP, 0, 0);
    }
    for (auto& flash : mFlashes) {
        flash->Draw(g);
    }
    mDots.DrawAll(*g, *mMedia);
}

void CLandMap::MouseMove(int x, int y) {
    zmWidget::MouseMove(x, y);
    mDots.MouseMove(x, y);
}

void CLandMap::MouseDown(int x, int y, int clickCount) {
    zmWidget::MouseDown(x, y, clickCount);
    mDots.MouseDown(x, y);
}

void CLandMap::KeyDown(int key) {
    zmWidget::KeyDown(key);
    // Once leaving has begun a second Escape would leave twice.
    if (key == platform::vk::Escape && !mDisabled && mFadeState == FADE_IDLE) {
        SetDisabled(true);
        Leave();
    }
}

void CLandMap::ButtonDepress(int id) {
    App().PlaySoundById(SOUND_BUTTON_DOWN, false, false);
    if (mDisabled || mFadeState != FADE_IDLE) {
        return;
    }
    SetDisabled(true);
    if (id == CONTINUE) {
        Leave();
    } else if (id == MAINMENU) {
        SaveAndLeaveToMenu();
    }
}

void CLandMap::Leave() {
    GameApp& app = App();
    Board* board = GetBoard();
    auto* comics = dynamic_cast<CComics*>(app.GetScreen<CComics>());
    if (comics != nullptr && comics->HasChapter()) {
        const int32_t level = MapLevel();
        if (level > 1) {
            app.PlayLevelMusic();
        }
        if (level == kLastMapLevel) {
            app.SwitchMusic(kComicsEndTrack);
        }
        LeaveTo(comics);
    } else {
        if (board != nullptr) {
            board->LeaveBoard();
        }
        app.PlayLevelMusic();
        LeaveTo<Board>();
    }
}

}  // namespace Vesk
