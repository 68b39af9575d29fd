#include "game/core/CBlocksKilledInfo.h"

#include "game/core/BoardContext.h"
#include "game/core/CEffectiveProgressBar.h"
#include "game/core/GameMedia.h"
#include "graphics/Color.h"
#include "graphics/Graphics.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

CBlocksKilledInfo::CBlocksKilledInfo() {
    layer = kLayer;
}

int CBlocksKilledInfo::Update(Vesk::ObjectOwner& owner) {
    CObject::Update(owner);
    Vesk::BoardContext* board = owner.AsBoard();
    CEffectiveProgressBar* bar = board != nullptr ? board->GetEffectivityBar() : nullptr;
    if (bar != nullptr && bar->GetMaximum() != 0) {
        int64_t percent = int64_t{bar->GetValue()} * 100 / bar->GetMaximum();
        mText = std::to_string(percent) + "%";
    }
    return 1;
}

void CBlocksKilledInfo::Draw(Vesk::Graphics& g, Vesk::GameMedia& media) {
    Vesk::Font* font = media.GetFont(Vesk::GameFont::ShowcardGothic);
    if (font == nullptr) {
        return;
    }
    g.SetColor(Vesk::Color(160, 254, 38));
    g.SetFont(font);
    g.DrawString(mText, 10, 100);
}

int CBlocksKilledInfo::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, ObjectTypeId::BlocksKilledInfo);
    out.WriteI32(mCarriedWord);
    out.WriteU8(mCarriedByte);
    return 1;
}

int CBlocksKilledInfo::Load(Vesk::ByteReader& in, Vesk::BoardContext&) {
    mCarriedWord = in.I32();
    mCarriedByte = in.U8();
    return in.Failed() ? 0 : 1;
}
