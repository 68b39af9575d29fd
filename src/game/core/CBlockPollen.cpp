#include "game/core/CBlockPollen.h"

#include <cmath>

#include "game/core/BoardContext.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/CParticleEffect.h"
#include "game/core/GameMedia.h"
#include "graphics/Color.h"
#include "graphics/Graphics.h"
#include "util/ByteWriter.h"

namespace {

constexpr double kBlockSize = 43.0;

double Bezier(const std::array<double, 4>& p, double t) {
    double u = 1.0 - t;
    return u * u * u * p[0] + 3 * t * u * u * p[1] + 3 * t * t * u * p[2] + t * t * t * p[3];
}

}  // namespace

CBlockPollen::CBlockPollen() {
    layer = kLayer;
}

CBlockPollen::~CBlockPollen() = default;

CBlockPollen::CBlockPollen(Vesk::BoardContext& board, double blockX, double blockY)
    : mBoard(&board) {
    layer = kLayer;
    mCurveX[0] = blockX + kBlockSize;
    mCurveY[0] = blockY + kBlockSize;
    FollowBar();
    double dx = std::trunc(mCurveX[3] - mCurveX[0]);
    int32_t d = std::fabs(dx) < 1e9 ? static_cast<int32_t>(dx) : 0;
    mCurveX[1] = mCurveX[0] + d / 2;
    mCurveY[1] = mCurveY[0] - d / 2;
    mCurveX[2] = mCurveX[3];
    mCurveY[2] = mCurveY[3] + d;
    xd = mCurveX[0];
    yd = mCurveY[0];
    SyncPosition();
    mParticles = board.Media().MakeParticles(Vesk::GameParticles::BlockPollen);
    if (mParticles) {
        mParticles->ResetAt(static_cast<float>(xd), static_cast<float>(yd));
    }
}

void CBlockPollen::FollowBar() {
    CLevelProgressBar* bar = mBoard != nullptr ? mBoard->GetLevelBar() : nullptr;
    if (bar != nullptr) {
        mCurveX[3] = bar->GetBottomX();
        mCurveY[3] = bar->GetBottomY() - bar->GetFill();
    } else {
        mCurveX[3] = mCurveX[0];
        mCurveY[3] = mCurveY[0];
    }
}

int CBlockPollen::Update(Vesk::ObjectOwner& owner) {
    CObject::Update(owner);
    if (!mParticles || mBoard == nullptr) {
        removeMe = true;
        return 1;
    }
    float elapsed = static_cast<float>(mBoard->TimeRate() * 0.01);
    if (mPhase == 0) {
        mT += mBoard->TimeRate() * mStep;
        if (mT <= 1.0) {
            FollowBar();
            xd = Bezier(mCurveX, mT);
            yd = Bezier(mCurveY, mT);
            SyncPosition();
        } else {
            mParticles->FlagUnplaced();
            mPhase = 1;
        }
        mParticles->MoveTo(static_cast<float>(xd), static_cast<float>(yd), false);
        mParticles->Update(elapsed);
    } else if (mParticles->LiveCount() == 0) {
        removeMe = true;
    } else {
        mParticles->Update(elapsed);
    }
    return 1;
}

void CBlockPollen::Draw(Vesk::Graphics& g, Vesk::GameMedia&) {
    if (!mParticles) {
        return;
    }
    bool colorize = g.GetColorizeImages();
    g.SetColorizeImages(true);
    g.SetColor(Vesk::Color(148, 233, 55));
    mParticles->Draw(g);
    g.SetColorizeImages(colorize);
}

int CBlockPollen::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, ObjectTypeId::BlockPollen);
    return 1;
}

int CBlockPollen::Load(Vesk::ByteReader&, Vesk::BoardContext&) {
    return 1;
}
