#include "game/core/CPoints.h"

#include <utility>

#include "game/core/GameMedia.h"
#include "graphics/Color.h"
#include "graphics/Graphics.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

CPoints::CPoints() {
    layer = kLayer;
}

CPoints::CPoints(std::string text, int32_t atX, int32_t atY) : mText(std::move(text)) {
    layer = kLayer;
    x = atX;
    y = atY;
    xd = atX;
    yd = atY;
}

int CPoints::Update(Vesk::ObjectOwner& owner) {
    CObject::Update(owner);
    mAlpha -= 3;
    if (mAlpha < 1) {
        removeMe = true;
        return 0;
    }
    if (mAlpha % 4 == 1) {
        --y;
    }
    return 1;
}

void CPoints::Draw(Vesk::Graphics& g, Vesk::GameMedia& media) {
    Vesk::Font* font = media.GetFont(Vesk::GameFont::ShowcardGothic);
    if (font == nullptr || mAlpha < 1) {
        return;
    }
    bool colorize = g.GetColorizeImages();
    g.SetFont(font);
    g.SetColor(Vesk::Color(255, 255, 255, mAlpha));
    g.SetColorizeImages(true);
    g.DrawString(mText, x, y);
    g.SetColorizeImages(colorize);
}

int CPoints::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, ObjectTypeId::Points);
    CObject::Save(out);
    out.WriteI32(mCarried);
    out.WriteI32(mAlpha);
    out.WriteString(mText);
    return 1;
}

int CPoints::Load(Vesk::ByteReader& in, Vesk::BoardContext& board) {
    CObject::Load(in, board);
    mCarried = in.I32();
    mAlpha = in.I32In(0, 255, "points alpha");
    mText = in.String(kMaxTextLength);
    return in.Failed() ? 0 : 1;
}
