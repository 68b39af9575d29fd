#include "game/core/CLucheg.h"

#include <cstdint>

#include "game/core/BoardContext.h"
#include "game/core/CAnimation.h"
#include "game/core/GameMedia.h"
#include "graphics/Color.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"
#include "util/GameRandom.h"

namespace {

// Game milliseconds as the 32-bit stamp the record keeps; a damaged clock saturates.
int32_t TimeStamp(double ms) {
    if (!(ms > -2147483648.0)) {
        return ms != ms ? 0 : INT32_MIN;
    }
    return ms < 2147483647.0 ? static_cast<int32_t>(ms) : INT32_MAX;
}

}  // namespace

CLucheg::CLucheg() {
    CommonSetUp(nullptr);
}

CLucheg::CLucheg(Vesk::BoardContext& board) : mBoard(&board) {
    Vesk::Point panel = board.GetPanelPosition();
    x = panel.mX;
    y = panel.mY - 125;
    CommonSetUp(&board);
    stamp = TimeStamp(board.GameTime());
    if (mAnimation != nullptr) {
        mAnimation->Play(0, board.GameTime(), true, 0.0);
    }
}

CLucheg::~CLucheg() = default;

void CLucheg::CommonSetUp(Vesk::BoardContext* board) {
    takesInput = true;
    layer = kLayer;
    idle = true;
    up = false;
    state = Hidden;
    step = 10.0;
    xd = x;
    if (board == nullptr) {
        yd = y + kTravel;
        return;
    }
    Vesk::GameRandom& random = board->Random();
    blinkDelay = random.Next() % 10000;
    mAnimation = board->Media().MakeAnimation(Vesk::GameAnimation::Lucheg);
    showTime = random.Next() % 15000 + 1000;
    yd = y + kTravel;
    for (size_t i = 0; i < lines.size(); ++i) {
        lines[i] = board->GetString("LUCHEG MESSAGE " + std::to_string(i + 1));
    }
}

void CLucheg::Say(const std::string& text) {
    if (state != Hidden) {
        return;
    }
    line = text;
    blinkDelay = 0;
    state = Rising;
}

int CLucheg::Update(Vesk::ObjectOwner& owner) {
    CObject::Update(owner);
    Vesk::BoardContext* board = owner.AsBoard();
    if (board == nullptr) {
        return 1;
    }
    double now = board->GameTime();
    Vesk::GameRandom& random = board->Random();
    switch (state) {
        case Shown:
            if (now - stamp > showTime) {
                state = Sinking;
                line = lines[random.Next() % 15];
            }
            if (!idle) {
                if (mAnimation == nullptr || mAnimation->Update(now)) {
                    idle = true;
                    stamp = TimeStamp(now);
                    blinkDelay = random.Next() % 15000 + 5000;
                }
            } else if (now - stamp > blinkDelay) {
                if (mAnimation != nullptr) {
                    mAnimation->Play(0, now, true, 0.0);
                }
                idle = false;
            }
            break;
        case Hidden:
            if (now - stamp > showTime) {
                state = Rising;
                yd = y + kTravel;
            }
            break;
        case Rising:
            xd = x;
            yd -= step;
            if (yd <= y) {
                yd = y;
                state = Shown;
                board->PlaySound(Vesk::GameSound::Lucheg);
                stamp = TimeStamp(now);
                showTime = line.empty() ? random.Next() % 4000 + 1000 : 5000;
            }
            if (yd - y <= kUpDepth) {
                up = true;
            }
            break;
        case Sinking:
            xd = x;
            yd += step;
            if (yd > y + kTravel) {
                state = Hidden;
                stamp = TimeStamp(now);
                showTime = random.Next() % 60000 + 10000;
            }
            if (yd - y >= kUpDepth) {
                up = false;
            }
            break;
        default:
            break;
    }
    return 1;
}

bool CLucheg::InBalloonText(int32_t px, int32_t py) const {
    int32_t left = static_cast<int32_t>(xd) + kBalloonX + kTextLeft;
    int32_t top = static_cast<int32_t>(yd) + kBalloonY + kTextTop;
    return px > left && px < left + kTextWidth && py > top && py < top + kTextHeight;
}

int CLucheg::MouseDown(Vesk::ObjectOwner& owner, int32_t px, int32_t py) {
    if (state == Shown && InBalloonText(px, py)) {
        if (Vesk::BoardContext* board = owner.AsBoard()) {
            line = board->GetString("LUCHEG MESSAGE PANIC");
            board->PlaySound(Vesk::GameSound::LuchegSupport);
        }
    }
    return 0;
}

int CLucheg::MouseMove(Vesk::ObjectOwner&, int32_t px, int32_t py) {
    return state == Shown && InBalloonText(px, py) ? 1 : 0;
}

void CLucheg::Draw(Vesk::Graphics& g, Vesk::GameMedia& media) {
    if (state == Hidden || mBoard == nullptr) {
        return;
    }
    int32_t drawX = static_cast<int32_t>(xd);
    int32_t drawY = static_cast<int32_t>(yd);
    Vesk::Image* panel = media.GetImage(Vesk::GameImage::Interface);
    int32_t panelHalf = panel != nullptr ? panel->GetHeight() / 2 : 0;
    int32_t visible = static_cast<int32_t>(mBoard->GetPanelPosition().mY + panelHalf - yd);
    if (visible > 0 && mAnimation != nullptr) {
        // The clip keeps him behind the panel; a cel shorter than the visible part still draws.
        g.PushState();
        g.ClipRect(drawX, drawY, mAnimation->GetCelWidth(), visible);
        mAnimation->Draw(g, drawX, drawY, false);
        g.PopState();
    }
    if (state != Shown || line.empty()) {
        return;
    }
    int32_t balloonX = drawX + kBalloonX;
    int32_t balloonY = drawY + kBalloonY;
    if (Vesk::Image* shout = media.GetImage(Vesk::GameImage::LuchegShout)) {
        g.DrawImage(shout, balloonX, balloonY);
    }
    g.SetFont(media.GetFont(Vesk::GameFont::Small));
    int32_t top = (kTextHeight - g.GetWordWrappedHeight(line, kTextWidth)) / 2 + kTextTop;
    g.SetColor(Vesk::Color(255, 255, 255));
    g.WriteWordWrapped(Vesk::Rect(balloonX + kTextLeft, balloonY + top, kTextWidth, kTextHeight),
                       line);
}

int CLucheg::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, ObjectTypeId::Lucheg);
    CObject::Save(out);
    out.WriteI32(blinkDelay);
    out.WriteI32(stamp);
    out.WriteBool(idle);
    out.WriteI32(state);
    out.WriteBool(up);
    if (mAnimation != nullptr) {
        mAnimation->Save(out);
    } else {
        CAnimation::SaveIdle(out);
    }
    return 1;
}

int CLucheg::Load(Vesk::ByteReader& in, Vesk::BoardContext& board) {
    CObject::Load(in, board);
    mBoard = &board;
    blinkDelay = in.I32();
    stamp = in.I32();
    idle = in.Bool();
    state = in.I32In(Shown, Sinking, "guide state");
    up = in.Bool();
    mAnimation = board.Media().MakeAnimation(Vesk::GameAnimation::Lucheg);
    if (mAnimation != nullptr) {
        mAnimation->Load(in);
    } else {
        CAnimation::ReadState(in);
    }
    if (in.Failed()) {
        return 0;
    }
    // The lines and the show time are not saved: draw them as a new guide would.
    for (size_t i = 0; i < lines.size(); ++i) {
        lines[i] = board.GetString("LUCHEG MESSAGE " + std::to_string(i + 1));
    }
    showTime = board.Random().Next() % 15000 + 1000;
    board.SetGuide(this);
    return 1;
}
