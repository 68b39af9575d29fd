#include "game/core/CBonusIcon.h"

#include <cmath>

#include "game/core/BoardContext.h"
#include "game/core/BoardCounters.h"
#include "game/core/CParticleEffect.h"
#include "game/core/GameMedia.h"
#include "graphics/Color.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"
#include "util/GameRandom.h"

CBonusIcon::CBonusIcon(const Style& style) : mStyle(style) {
    layer = kLayer;
    x = kStartX;
    y = style.restY;
    xd = x;
    yd = y;
    takesInput = false;
}

CBonusIcon::CBonusIcon(const Style& style, Vesk::BoardContext& board, int32_t startCharges)
    : CBonusIcon(style) {
    mBoard = &board;
    mParticles = board.Media().MakeParticles(style.particles);
    if (startCharges > 0) {
        AddCharges(startCharges, false);
    }
}

CBonusIcon::~CBonusIcon() {
    // The counts outlive the icon in the board's charge fields.
    if (mBoard != nullptr) {
        BoardCharges(*mBoard) = charges;
    }
}

int32_t& CBonusIcon::BoardCharges(Vesk::BoardContext& board) const {
    Vesk::BoardCounters& counters = board.Counters();
    switch (mStyle.kind) {
        case Kind::Whirlwind:
            return counters.whirlwindCharges;
        case Kind::Bubble:
            return counters.bubbleCharges;
        case Kind::SlowMotion:
        default:
            return counters.slowMotionCharges;
    }
}

int CBonusIcon::AddCharges(int32_t n, bool animate) {
    if (n == 0) {
        return 0;
    }
    bool slideIn = charges == 0 && state != InUse;
    if (slideIn) {
        state = SlidingIn;
        if (mBoard != nullptr) {
            if (animate) {
                mBoard->PlaySound(mStyle.cloudSound);
            }
            mBase = (mBoard->Random().Next() & 1) != 0 ? 0 : 1;
        }
    }
    if (mParticles != nullptr) {
        mParticles->ResetAt(static_cast<float>(x + 44), static_cast<float>(y + 44));
    }
    if (animate && !slideIn && mBoard != nullptr) {
        mBoard->PlaySound(mStyle.plainSound);
    }
    charges += n;
    return 1;
}

bool CBonusIcon::InHitRect(int32_t px, int32_t py) const {
    int32_t left = x + mStyle.pictureX + mStyle.hitX;
    int32_t top = y + mStyle.pictureY + mStyle.hitY;
    return px > left && px < left + mStyle.hitWidth && py > top && py < top + mStyle.hitHeight;
}

std::string CBonusIcon::CountText() const {
    return charges > 1 ? std::to_string(charges) : std::string();
}

bool CBonusIcon::MayUse() const {
    return state != SlidingIn && state != InUse && state != SlidingOut;
}

int CBonusIcon::MouseMove(Vesk::ObjectOwner&, int32_t px, int32_t py) {
    if (!InHitRect(px, py)) {
        return 0;
    }
    hover = true;
    return 1;
}

void CBonusIcon::MouseLeave(Vesk::ObjectOwner&) {
    hover = false;
}

int CBonusIcon::MouseDown(Vesk::ObjectOwner& owner, int32_t px, int32_t py) {
    if (!InHitRect(px, py)) {
        return 0;
    }
    Vesk::BoardContext* board = owner.AsBoard();
    // Taken but inert while another bonus is being aimed.
    if (board != nullptr && board->GetBonusMode() == Vesk::BonusMode::kNone && MayUse() &&
        charges > 0) {
        Use(*board);
    }
    return 1;
}

void CBonusIcon::UpdateInUse(Vesk::BoardContext& board) {
    if (board.GetBonusMode() == Vesk::BonusMode::kNone) {
        state = charges > 0 ? Shown : SlidingOut;
    }
}

int CBonusIcon::Update(Vesk::ObjectOwner& owner) {
    CObject::Update(owner);
    Vesk::BoardContext* board = owner.AsBoard();
    switch (state) {
        case SlidingIn:
            x += kSlideStep;
            if (x >= mStyle.targetX) {
                state = Shown;
            }
            break;
        case Shown:
            if (board != nullptr) {
                UpdateShown(*board);
            }
            break;
        case InUse:
            if (board != nullptr) {
                UpdateInUse(*board);
            }
            break;
        case ClockRunsOut:
            if (board != nullptr) {
                UpdateRunOut(*board);
            }
            break;
        case SlidingOut: {
            x -= kSlideStep;
            Vesk::Image* normal = board != nullptr
                                      ? board->Media().GetImage(Vesk::GameImage::BuxpbIconNorm)
                                      : nullptr;
            if (x <= -(normal != nullptr ? normal->GetWidth() : 0)) {
                state = Hidden;
            }
            break;
        }
        default:
            break;
    }
    xd = x;
    if (hover && hoverScale < 1.0) {
        hoverScale += 0.06;
    } else if (!hover && hoverScale > 0.5) {
        hoverScale -= 0.06;
    }
    return 1;
}

void CBonusIcon::DrawAura(Vesk::Graphics& g, Vesk::GameMedia& media) {
    Vesk::Image* aura = media.GetImage(mStyle.aura);
    double s = hoverScale;
    if (aura == nullptr || s <= 0.5) {
        return;
    }
    int32_t px = x + mStyle.pictureX;
    int32_t py = y + mStyle.pictureY;
    if (s >= 1.0) {
        g.DrawImage(aura, px, py);
        return;
    }
    int32_t w = aura->GetWidth();
    int32_t h = aura->GetHeight();
    g.DrawImageStretched(aura, px + static_cast<int32_t>(std::lround(w * (1.0 - s) * 0.5)),
                         py + static_cast<int32_t>(std::lround(h * (1.0 - s) * 0.5)),
                         static_cast<int32_t>(w * s + 0.5), static_cast<int32_t>(h * s + 0.5));
}

void CBonusIcon::PictureCentre(Vesk::GameMedia& media, int32_t& cx, int32_t& cy) const {
    const Vesk::Image* normal = media.GetImage(mStyle.normal);
    cx = x + mStyle.pictureX + (normal != nullptr ? normal->GetWidth() / 2 : 0);
    cy = y + mStyle.pictureY + (normal != nullptr ? normal->GetHeight() / 2 : 0);
}

void CBonusIcon::DrawPicture(Vesk::Graphics& g, Vesk::GameMedia& media) {
    if (Vesk::Image* normal = media.GetImage(mStyle.normal)) {
        g.DrawImage(normal, x + mStyle.pictureX, y + mStyle.pictureY);
    }
}

void CBonusIcon::Draw(Vesk::Graphics& g, Vesk::GameMedia& media) {
    if (state == Hidden) {
        return;
    }
    Vesk::GameImage base =
        mBase == 1 ? Vesk::GameImage::BonusIconBase2 : Vesk::GameImage::BonusIconBase1;
    if (Vesk::Image* image = mBase >= 0 ? media.GetImage(base) : nullptr) {
        g.DrawImage(image, x, y);
    }
    if (charges > 0 && DrawsAura()) {
        DrawAura(g, media);
    }
    DrawPicture(g, media);
    if (Vesk::Image* top = media.GetImage(Vesk::GameImage::BonusIconTop)) {
        g.DrawImage(top, x, y);
    }
    DrawExtras(g, media);
    std::string count = CountText();
    if (!count.empty()) {
        g.SetColor(Vesk::Color(255, 255, 255));
        g.SetFont(media.GetFont(Vesk::GameFont::ShowcardGothic));
        g.WriteString(count, x + 35, y + 55);
    }
    if (mParticles != nullptr) {
        mParticles->Draw(g);
    }
}

int CBonusIcon::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, mStyle.typeId);
    CObject::Save(out);
    for (int32_t value :
         {mCarried1, mCarried2, mStyle.targetX, mStyle.restY, mStyle.pictureX, mStyle.pictureY,
          mStyle.hitX, mStyle.hitY, mStyle.hitWidth, mStyle.hitHeight, charges}) {
        out.WriteI32(value);
    }
    out.WriteF64(hoverScale);
    SaveMiddle(out);
    out.WriteBool(hover);
    out.WriteI32(state);
    SaveTail(out);
    int32_t baseId = -1;
    if (mBoard != nullptr && mBase >= 0) {
        baseId = mBoard->Media().GetImageId(mBase == 1 ? Vesk::GameImage::BonusIconBase2
                                                       : Vesk::GameImage::BonusIconBase1);
    }
    out.WriteI32(baseId);
    SaveEnd(out);
    return 1;
}

int CBonusIcon::Load(Vesk::ByteReader& in, Vesk::BoardContext& board) {
    CObject::Load(in, board);
    mBoard = &board;
    mCarried1 = in.I32();
    mCarried2 = in.I32();
    int32_t* geometry[] = {&mStyle.targetX, &mStyle.restY, &mStyle.pictureX, &mStyle.pictureY,
                           &mStyle.hitX,    &mStyle.hitY,  &mStyle.hitWidth, &mStyle.hitHeight};
    for (int32_t* field : geometry) {
        *field = in.I32In(-kMaxCoordinate, kMaxCoordinate, "icon geometry");
    }
    charges = in.I32In(0, 1000000, "icon charges");
    hoverScale = in.F64();
    LoadMiddle(in);
    hover = in.Bool();
    state = in.I32In(Hidden, SlidingOut, "icon state");
    LoadTail(in);
    int32_t baseId = in.I32();
    LoadEnd(in, board);
    if (in.Failed()) {
        // Don't let a half-made icon write its charges back.
        mBoard = nullptr;
        return 0;
    }
    Vesk::GameMedia& media = board.Media();
    mBase = baseId < 0                                                    ? -1
            : baseId == media.GetImageId(Vesk::GameImage::BonusIconBase1) ? 0
            : baseId == media.GetImageId(Vesk::GameImage::BonusIconBase2) ? 1
                                                                          : -1;
    mParticles = media.MakeParticles(mStyle.particles);
    board.SetBonusIcon(this);
    return 1;
}
