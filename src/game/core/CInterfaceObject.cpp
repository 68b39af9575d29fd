#include "game/core/CInterfaceObject.h"

#include "game/core/BoardContext.h"
#include "game/core/BoardCounters.h"
#include "game/core/CLucheg.h"
#include "game/core/CParticleEffect.h"
#include "game/core/GameMedia.h"
#include "game/core/OneNumberFormat.h"
#include "graphics/Color.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace {

int32_t FontAscent(Vesk::GameMedia& media) {
    Vesk::Font* font = media.GetFont(Vesk::GameFont::ShowcardGothic);
    return font != nullptr ? font->GetAscent() : 0;
}

}  // namespace

CInterfaceObject::CInterfaceObject() {
    layer = kLayer;
    Place(0);
}

CInterfaceObject::CInterfaceObject(Vesk::BoardContext& board) : mBoard(&board) {
    layer = kLayer;
    Vesk::Image* panel = board.Media().GetImage(Vesk::GameImage::Interface);
    y = board.GetHeight() - (panel != nullptr ? panel->GetHeight() : 0);
    yd = y;
    Place(FontAscent(board.Media()));
}

CInterfaceObject::~CInterfaceObject() = default;

void CInterfaceObject::Place(int32_t fontAscent) {
    scoreX = 169;
    scoreY = fontAscent + 22 + y;
    levelX = x + 86;
    levelY = scoreY;
    livesX = x + 25;
    livesY = scoreY;
}

std::string CInterfaceObject::CountedTextId(const std::string& singular, int32_t count) {
    // Only 11 to 14 themselves are exceptions: 111 takes the singular, 112 the second form.
    int32_t ones = count % 10;
    if (ones == 1 && count != 11) {
        return singular;
    }
    if (ones >= 2 && ones <= 4 && (count < 12 || count > 14)) {
        return singular + "S";
    }
    return singular + "S 2";
}

std::string CInterfaceObject::LevelLabel(int32_t level) {
    int32_t place = level % 5 == 0 ? 5 : level % 5;
    return "# " + std::to_string((level + 4) / 5) + "-" + std::to_string(place);
}

int CInterfaceObject::Update(Vesk::ObjectOwner& owner) {
    CObject::Update(owner);
    Vesk::BoardContext* board = owner.AsBoard();
    if (board == nullptr) {
        return 1;
    }
    const Vesk::BoardCounters& counters = board->Counters();
    int32_t k = counters.knockdownCounter;
    int32_t w = counters.whirlwindProgress;
    std::string text;
    if (k != lastKnockdown && k != 0 && k <= w) {
        lastKnockdown = k;
        text = FormatOneNumber(board->GetString(CountedTextId("LUCHEG MESSAGE KNOCKDOWN", k)), k);
    } else if (w != lastWhirlwind && w != 0) {
        lastWhirlwind = w;
        text = FormatOneNumber(board->GetString(CountedTextId("LUCHEG MESSAGE WHIRLWIND", w)), w);
    } else {
        return 1;
    }
    if (CLucheg* guide = board->GetGuide()) {
        guide->Say(text);
    }
    return 1;
}

void CInterfaceObject::Draw(Vesk::Graphics& g, Vesk::GameMedia& media) {
    if (Vesk::Image* panel = media.GetImage(Vesk::GameImage::Interface)) {
        g.DrawImage(panel, x, y);
    }
    if (mBoard == nullptr) {
        return;
    }
    CLucheg* guide = mBoard->GetGuide();
    Vesk::Image* hands = media.GetImage(Vesk::GameImage::LuchegRuchki);
    if (guide != nullptr && guide->up && hands != nullptr) {
        g.DrawImage(hands, static_cast<int32_t>(guide->xd) + CLucheg::kHandsX,
                    static_cast<int32_t>(guide->yd) + CLucheg::kHandsY);
    }
    g.SetColor(Vesk::Color(160, 254, 38));
    g.SetFont(media.GetFont(Vesk::GameFont::ShowcardGothic));
    const Vesk::BoardCounters& counters = mBoard->Counters();
    g.WriteString(std::to_string(static_cast<int64_t>(counters.totalScore) + counters.levelScore),
                  scoreX, scoreY, 110, 0);
    g.WriteString(LevelLabel(mBoard->GetLevel()), levelX, levelY, 78, 0);
    if (Vesk::Image* heart = media.GetImage(Vesk::GameImage::SmallHeart)) {
        g.DrawImage(heart, livesX + 3, livesY - 21);
    }
    g.WriteString(std::to_string(mBoard->GetLives()), livesX, livesY, 82, 0);
    if (mLifeBurst == nullptr) {
        mLifeBurst = media.MakeParticles(Vesk::GameParticles::AddLive);
    }
    if (mLifeBurst != nullptr) {
        mLifeBurst->Draw(g);
    }
}

CParticleEffect* CInterfaceObject::StartLifeBurst(Vesk::GameMedia& media) {
    if (mLifeBurst == nullptr) {
        mLifeBurst = media.MakeParticles(Vesk::GameParticles::AddLive);
    }
    return mLifeBurst.get();
}

int CInterfaceObject::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, ObjectTypeId::InterfaceObject);
    CObject::Save(out);
    out.WriteU8(flag);
    out.WriteI32(scoreX);
    out.WriteI32(scoreY);
    out.WriteI32(levelX);
    out.WriteI32(levelY);
    out.WriteI32(livesX);
    out.WriteI32(livesY);
    return 1;
}

int CInterfaceObject::Load(Vesk::ByteReader& in, Vesk::BoardContext& board) {
    CObject::Load(in, board);
    mBoard = &board;
    flag = in.U8();
    int32_t* fields[] = {&scoreX, &scoreY, &levelX, &levelY, &livesX, &livesY};
    for (int32_t* field : fields) {
        *field = in.I32In(-kMaxCoordinate, kMaxCoordinate, "panel position");
    }
    return in.Failed() ? 0 : 1;
}
