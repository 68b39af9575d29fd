#include "game/core/CBlock.h"

#include <algorithm>
#include <cmath>

#include "game/core/BlockField.h"
#include "game/core/BoardContext.h"
#include "game/core/CAnimation.h"
#include "game/core/CEffectiveProgressBar.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/CObjectList.h"
#include "game/core/CParticleEffect.h"
#include "game/core/GameMath.h"
#include "game/core/GameMedia.h"
#include "graphics/Color.h"
#include "graphics/Graphics.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"
#include "util/GameRandom.h"

int32_t CBlock::swapBackCount = 0;
int32_t CBlock::updateCount = 0;

namespace {

constexpr int32_t kMaxColours = 8;

double Bezier(const std::array<double, 4>& p, double t) {
    const double u = 1.0 - t;
    return u * u * u * p[0] + 3.0 * u * u * t * p[1] + 3.0 * u * t * t * p[2] + t * t * t * p[3];
}

size_t DegreeIndex(double angle) {
    return static_cast<size_t>(std::clamp(std::lround(angle), 0L, 360L));
}

void MoveToLayer(CObject& object, Vesk::BoardContext* board, int32_t layer) {
    if (object.node != nullptr && board != nullptr) {
        board->Objects().SetLayer(&object, layer);
    } else {
        object.layer = layer;
    }
}

}  // namespace

CBlock::CBlock() {
    layer = kRestLayer;
}

CBlock::CBlock(Vesk::BoardContext& board, BlockField& field) : CBlock() {
    mBoard = &board;
    mField = &field;
}

CBlock::~CBlock() = default;

void CBlock::Attach(Vesk::BoardContext& board, BlockField& field) {
    mBoard = &board;
    mField = &field;
}

void CBlock::SetColour(int32_t newColour) {
    colour = newColour;
    if (mBoard == nullptr) {
        return;
    }
    const int32_t slot = std::clamp(newColour, 0, kMaxColours - 1);
    std::unique_ptr<CAnimation> image = mBoard->Media().MakeAnimation(
        static_cast<Vesk::GameAnimation>(static_cast<int32_t>(Vesk::GameAnimation::Block1) + slot));
    if (image && mImage) {
        image->SetPlayState(mImage->GetPlayState());
    }
    mImage = std::move(image);
}

void CBlock::PlayAt(int32_t animation, bool immediate) {
    if (mImage && mBoard != nullptr) {
        mImage->Play(animation, mBoard->GameTime(), immediate, 0.0);
    }
}

void CBlock::QueueRest() {
    if (mBoard == nullptr) {
        return;
    }
    const double delay = mBoard->Random().Next() % 2000;
    if (mImage) {
        mImage->Play(0, mBoard->GameTime(), false, delay);
    }
}

void CBlock::RandomEdgePoint(int32_t& px, int32_t& py) {
    Vesk::GameRandom& random = mBoard->Random();
    const int32_t w = mBoard->GetWidth();
    const int32_t h = mBoard->GetHeight();
    if (random.Next() % 2 == 0) {
        px = random.Next() % w;
        py = random.Next() % 2 == 0 ? -kSize : h + kSize;
    } else {
        py = random.Next() % h;
        px = random.Next() % 2 == 0 ? -kSize : w + kSize;
    }
}

void CBlock::PlaceAt(int32_t column, int32_t row, int32_t newColour) {
    SetColour(newColour);
    int32_t px = 0;
    int32_t py = 0;
    RandomEdgePoint(px, py);
    xd = px;
    yd = py;
    SyncPosition();
    mField->PutInCell(*this, column, row);
    PlanFlight();
    state = kFlyingIn;
    PlayNow(1);
    PlayAt(0, false);
    MoveToLayer(*this, mBoard, kFlightLayer);
}

void CBlock::PlanFlight() {
    Vesk::GameRandom& random = mBoard->Random();
    const int32_t w = mBoard->GetWidth();
    const int32_t h = mBoard->GetHeight();
    spare = random.Next() % 3 + 2;
    t = 0.0;
    dt = kFlightStep;
    curveX[0] = x;
    curveY[0] = y;
    curveX[1] = random.Next() % w;
    curveY[1] = random.Next() % h;
    curveX[2] = random.Next() % w;
    curveY[2] = random.Next() % h;
    curveX[3] = targetX;
    curveY[3] = targetY;
}

void CBlock::Select() {
    state = kSelected;
    PlayNow(3);
}

void CBlock::Deselect() {
    state = kResting;
    QueueRest();
}

void CBlock::StartFall(int32_t column, int32_t row) {
    mField->PutInCell(*this, column, row);
    state = kFalling;
    PlayAt(0, false);
    MoveToLayer(*this, mBoard, kMovingLayer);
}

void CBlock::SendOff() {
    int32_t px = 0;
    int32_t py = 0;
    RandomEdgePoint(px, py);
    targetX = px;
    targetY = py;
    PlanFlight();
    alpha = 128;
    state = kFlyingOff;
    PlayNow(1);
    MoveToLayer(*this, mBoard, kFlightLayer);
}

int CBlock::ThrowOut(int32_t centreColumn, int32_t centreRow, int32_t angle) {
    if (state != kShaking && state != kResting && state != kSelected) {
        return 0;
    }
    state = kResting;
    mParticles = mBoard->Media().MakeParticles(Vesk::GameParticles::BlockBuxpb);
    if (mParticles) {
        mParticles->ResetAt(static_cast<float>(xd + width / 2),
                            static_cast<float>(yd + height / 2));
    }
    const CEffectiveProgressBar* effectivity = mBoard->GetEffectivityBar();
    const auto points =
        static_cast<int32_t>((effectivity != nullptr ? effectivity->GetCoefficient() : 1.0) * 30);
    if (CLevelProgressBar* bar = mBoard->GetLevelBar()) {
        bar->AddValue(points);
    }
    mBoard->AddPoints(points);
    t = mBoard->Random().Next() % 7 + 2;  // radial speed
    width = kSize;
    height = kSize;
    dt = 1.0;  // size factor
    curveX[0] = mField->CellX(centreColumn);
    curveY[0] = mField->CellY(centreRow);
    SyncPosition();
    curveX[1] =
        FastDistance(static_cast<int32_t>(curveX[0]) - x, static_cast<int32_t>(curveY[0]) - y);
    curveY[1] = angle;
    const size_t index = DegreeIndex(angle);
    xd = curveX[0] + cosTable[index] * curveX[1];
    yd = curveY[0] + sinTable[index] * curveX[1];
    SyncPosition();
    mField->KillBlock(cellA, cellB, kSpiralling);
    MoveToLayer(*this, mBoard, kSpiralLayer);
    return 1;
}

bool CBlock::IsOffBoard() const {
    return x < 0 || y < 0 || x > mBoard->GetWidth() || y > mBoard->GetHeight();
}

bool CBlock::StepToTarget(double step) {
    auto axis = [step](double& value, int32_t target) {
        if (value <= target - step) {
            value += step;
            return false;
        }
        if (value < target + step) {
            return true;
        }
        value -= step;
        return false;
    };
    const bool arrivedX = axis(xd, targetX);
    const bool arrivedY = axis(yd, targetY);
    if (arrivedX && arrivedY) {
        xd = targetX;
        yd = targetY;
    }
    SyncPosition();
    return arrivedX && arrivedY;
}

int32_t CBlock::FreeCellBelow() const {
    if (cellB + 1 >= mField->RowCount()) {
        return -1;
    }
    const int32_t below =
        !mField->IsHole(cellA, cellB + 1) ? cellB + 1 : mField->NextCellBelow(cellA, cellB);
    return below >= 0 && !mField->IsPresent(cellA, below) ? below : -1;
}

void CBlock::OnArrival(int32_t layerAfter) {
    state = kResting;
    QueueRest();
    MoveToLayer(*this, mBoard, layerAfter);
}

void CBlock::FollowCurve() {
    xd = Bezier(curveX, t);
    yd = Bezier(curveY, t);
    SyncPosition();
}

void CBlock::UpdateSpiral(double rate) {
    const int32_t w = mBoard->GetWidth();
    const int32_t h = mBoard->GetHeight();
    const int32_t left = x + (kSize - width) / 2;
    const int32_t top = y + (kSize - height) / 2;
    if (left + width > 0 && left < w && top + height > 0 && top < h) {
        curveX[1] += t * rate;
        curveY[1] += 5.0 * rate;
        if (curveY[1] > 360.0) {
            curveY[1] = 0.0;
        }
        dt += 0.01 * rate;
        width = static_cast<int32_t>(dt * kSize);
        height = width;
        const size_t index = DegreeIndex(curveY[1]);
        xd = curveX[0] + cosTable[index] * curveX[1];
        yd = curveY[0] + sinTable[index] * curveX[1];
        SyncPosition();
        return;
    }
    if (mParticles && mParticles->GetSavedState().clock > -2.0f) {
        mParticles->FlagUnplaced();  // stop emitting once off the board
    }
    if (!mParticles || mParticles->LiveCount() == 0) {
        removeMe = true;
    }
}

int CBlock::Update(Vesk::ObjectOwner& owner) {
    CObject::Update(owner);
    if (mBoard == nullptr || mField == nullptr) {
        return 1;
    }
    if (mImage) {
        mImage->Update(mBoard->GameTime());
    }
    const double rate = mBoard->TimeRate();
    switch (state) {
        case kResting:
        case kSelected: {
            mField->RemoveFromSwapCells(*this);
            const int32_t below = FreeCellBelow();
            if (below >= 0 && lock != 2) {
                mField->LeaveCell(*this, cellA, cellB);
                StartFall(cellA, below);
            }
            break;
        }
        case kSwapping:
        case kSwappingBack:
            if (StepToTarget(2.0 * rate)) {
                const bool back = state == kSwappingBack;
                if (mField->FindMatch(cellA, cellB, colour, 1) == 0) {
                    if (back) {
                        if (++swapBackCount > 1 && mField->InSwapCells(*this)) {
                            mBoard->PlaySound(Vesk::GameSound::SwapBlocks);
                            swapBackCount = 0;
                        }
                        OnArrival(kRestLayer);
                    } else {
                        if (mField->KnockdownDue()) {
                            mBoard->Knockdown();
                        }
                        state = kSwappingBack;
                        mField->Swap(cellA, cellB, prevA, prevB, kSwappingBack);
                    }
                }
            }
            break;
        case kDying: {
            const int32_t frames = mImage ? mImage->FrameCount(2) : 0;
            if (frames <= 0) {
                removeMe = true;  // no dying animation to wait for
                return 0;
            }
            const int32_t frame = mImage->GetPlayState().frame;
            alpha = (frames - frame) * 255 / frames;
            if (alpha <= 255 / frames) {
                removeMe = true;
                return 0;
            }
            break;
        }
        case kFalling: {
            const int32_t below = FreeCellBelow();
            if (below >= 0) {
                mField->LeaveCell(*this, cellA, cellB);
                mField->PutInCell(*this, cellA, below);
            }
            if (StepToTarget(4.0 * rate)) {
                OnArrival(kRestLayer);
                mField->FindMatch(cellA, cellB, colour, 1);
            }
            break;
        }
        case kFlyingIn:
            // Inside, not just above the last row: a loaded block may name any cell.
            if (mField->Inside(cellA, cellB + 1) && !mField->IsHole(cellA, cellB + 1) &&
                !mField->IsPresent(cellA, cellB + 1) && t < 1.0) {
                mField->LeaveCell(*this, cellA, cellB);
                mField->PutInCell(*this, cellA, cellB + 1);
                // Near the end of a flight 1 - t is tiny and the quotient huge; any step that
                // lands in one update at the slowest rate lands the same, and stays saveable.
                dt = std::min(dt / (1.0 - t), kMaxFlightStep);
                t = 0.0;
                curveX[0] = x;
                curveY[0] = y;
                curveX[1] = curveX[2] = curveX[3];
                curveY[1] = curveY[2] = curveY[3];
                curveX[3] = targetX;
                curveY[3] = targetY;
            } else {
                t += rate * dt;
                if (t <= 1.0) {
                    FollowCurve();
                    alpha = std::max(alpha, static_cast<int32_t>(t * 255));
                } else {
                    alpha = 255;
                    xd = targetX;
                    yd = targetY;
                    SyncPosition();
                    OnArrival(kRestLayer);
                    mField->FindMatch(cellA, cellB, colour, 1);
                }
            }
            break;
        case kFlyingOff:
            t += rate * dt;
            if (t > 1.0 || IsOffBoard()) {
                state = kGone;
                xd = targetX;
                yd = targetY;
                SyncPosition();
                QueueRest();
                MoveToLayer(*this, mBoard, kRestLayer);
            } else {
                FollowCurve();
            }
            break;
        case kSpiralling:
            UpdateSpiral(rate);
            break;
        case kShaking: {
            const auto every = std::max(1, static_cast<int32_t>((1.0 - rate) * 10.0 + 4.5));
            if (mBoard->GetUpdateCount() % every == 0) {
                Vesk::GameRandom& random = mBoard->Random();
                xd = mField->CellX(cellA) + random.Next() % 5;
                yd = mField->CellY(cellB) + random.Next() % 5;
                SyncPosition();
            }
            break;
        }
        default:
            break;
    }
    if (++updateCount >= mField->ColumnCount() * mField->RowCount()) {
        updateCount = 0;
        swapBackCount = 0;
    }
    if (mParticles) {
        mParticles->Update(static_cast<float>(rate * 0.01));
        if (state != kSpiralling && mParticles->LiveCount() == 0) {
            mParticles.reset();
        }
    }
    return 1;
}

void CBlock::Draw(Vesk::Graphics& g, Vesk::GameMedia& media) {
    SyncPosition();
    if (state == kSpiralling) {
        if (mParticles) {
            mParticles->Draw(g);
        }
        if (mImage) {
            mImage->Draw(g, x + (kSize - width) / 2, y + (kSize - height) / 2, false);
        }
        return;
    }
    if (!mImage) {
        return;
    }
    if (state != kFlyingIn && state != kFlyingOff) {
        mImage->Draw(g, x, y, false);
        return;
    }
    g.SetColorizeImages(true);
    g.SetColor(Vesk::Color(255, 255, 255, alpha));
    mImage->Draw(g, x, y, false);
    if (Vesk::Image* tail = media.GetImage(Vesk::GameImage::BlockTail)) {
        g.SetDrawMode(Vesk::kDrawModeAdditive);
        g.SetColor(Vesk::Color(125, 125, 255, 30));
        g.DrawImage(tail, x - 26, y - 26);
    }
    g.SetDrawMode(Vesk::kDrawModeNormal);
    g.SetColorizeImages(false);
}

int CBlock::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, ObjectTypeId::Block);
    CObject::Save(out);
    for (int32_t value : {width, height, cellA, cellB, prevA, prevB, targetX, targetY, colour,
                          exitAtBottom, state, lock}) {
        out.WriteI32(value);
    }
    out.WriteF64(t);
    out.WriteF64(dt);
    for (double value : curveX) {
        out.WriteF64(value);
    }
    for (double value : curveY) {
        out.WriteF64(value);
    }
    out.WriteF64(spare);
    out.WriteI32(alpha);
    offset.Save(out);
    if (mImage) {
        mImage->Save(out);
    } else {
        CAnimation::SaveIdle(out);
    }
    return 1;
}

namespace {

constexpr double kMaxFlightParameter = 1000000.0;

double ReadBounded(Vesk::ByteReader& in, double limit, const char* what) {
    const double value = in.F64();
    if (!(value >= -limit && value <= limit)) {
        in.Fail(what);
        return 0.0;
    }
    return value;
}

}  // namespace

int CBlock::Load(Vesk::ByteReader& in, Vesk::BoardContext& board) {
    CObject::Load(in, board);
    mBoard = &board;
    width = in.I32In(0, 100000, "block width");
    height = in.I32In(0, 100000, "block height");
    cellA = in.I32In(-1, BlockField::kMaxColumns - 1, "block column");
    cellB = in.I32In(-1, BlockField::kMaxRows - 1, "block row");
    prevA = in.I32In(-1, BlockField::kMaxColumns - 1, "block previous column");
    prevB = in.I32In(-1, BlockField::kMaxRows - 1, "block previous row");
    targetX = in.I32In(-kMaxCoordinate, kMaxCoordinate, "block target x");
    targetY = in.I32In(-kMaxCoordinate, kMaxCoordinate, "block target y");
    const int32_t loadedColour = in.I32In(0, kMaxColours - 1, "block colour");
    exitAtBottom = in.I32();
    state = in.I32In(kResting, kGone, "block state");
    lock = in.I32();
    // The flight's parameter and the curve feed integer positions and the fade. Blocks out of
    // flight ignore them: older games saved huge values there after a late re-targeting.
    if (state == kFlyingIn || state == kFlyingOff || state == kSpiralling) {
        t = ReadBounded(in, kMaxFlightParameter, "block flight time");
        dt = ReadBounded(in, kMaxFlightParameter, "block flight step");
    } else {
        t = in.F64();
        dt = in.F64();
        if (!(std::abs(t) <= kMaxFlightParameter && std::abs(dt) <= kMaxFlightParameter)) {
            t = 1.0;
            dt = kFlightStep;
        }
    }
    for (double& value : curveX) {
        value = ReadBounded(in, kMaxCoordinate, "block curve");
    }
    for (double& value : curveY) {
        value = ReadBounded(in, kMaxCoordinate, "block curve");
    }
    spare = in.F64();
    alpha = in.I32In(0, 255, "block alpha");
    offset.Load(in);
    if (in.Failed()) {
        return 0;
    }
    SetColour(loadedColour);
    if (mImage) {
        mImage->Load(in);
    } else {
        CAnimation::ReadState(in);
    }
    return in.Failed() ? 0 : 1;
}
