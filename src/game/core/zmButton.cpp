#include "game/core/zmButton.h"

#include "game/core/BoardContext.h"
#include "game/core/GameMedia.h"
#include "graphics/Graphics.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

zmButton::zmButton(Vesk::BoardContext&, int32_t atX, int32_t atY) {
    takesInput = true;
    x = atX;
    y = atY;
    xd = atX;
    yd = atY;
}

bool zmButton::Contains(int32_t px, int32_t py) const {
    return px >= x && px <= x + width && py >= y && py <= y + height;
}

void zmButton::SetImages(Vesk::GameMedia& media, int32_t normalId, int32_t hoveredId,
                         int32_t pressedId) {
    mNormalId = normalId;
    mHoveredId = hoveredId;
    mPressedId = pressedId;
    normalImage = media.GetImageById(normalId);
    hoveredImage = media.GetImageById(hoveredId);
    pressedImage = media.GetImageById(pressedId);
}

void zmButton::Draw(Vesk::Graphics& g, Vesk::GameMedia&) {
    Vesk::Image* image = state == Pressed   ? pressedImage
                         : state == Hovered ? hoveredImage
                                            : normalImage;
    if (image != nullptr) {
        g.DrawImage(image, x, y);
    }
}

int zmButton::Update(Vesk::ObjectOwner& owner) {
    return CObject::Update(owner);
}

int zmButton::MouseMove(Vesk::ObjectOwner& owner, int32_t px, int32_t py) {
    if (!Contains(px, py)) {
        return 0;
    }
    Vesk::BoardContext* board = owner.AsBoard();
    if (board != nullptr && state == Normal) {
        board->PlaySound(Vesk::GameSound::ButtonOver);
    }
    if (state != Pressed) {
        state = Hovered;
    }
    if (board != nullptr) {
        board->SetCursor(1);
    }
    return 1;
}

int zmButton::MouseDrag(Vesk::ObjectOwner& owner, int32_t px, int32_t py) {
    return MouseMove(owner, px, py);
}

void zmButton::MouseLeave(Vesk::ObjectOwner& owner) {
    state = Normal;
    if (Vesk::BoardContext* board = owner.AsBoard()) {
        board->SetCursor(0);
    }
}

int zmButton::MouseDown(Vesk::ObjectOwner&, int32_t px, int32_t py) {
    if (!Contains(px, py)) {
        return 0;
    }
    state = Pressed;
    return 1;
}

int zmButton::MouseUp(Vesk::ObjectOwner& owner, int32_t, int32_t) {
    if (state == Pressed) {
        state = Normal;
        if (Vesk::BoardContext* board = owner.AsBoard()) {
            board->ButtonClicked(id);
        }
    }
    return 1;
}

int zmButton::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, ObjectTypeId::Button);
    CObject::Save(out);
    out.WriteI32(id);
    out.WriteI32(state);
    out.WriteI32(width);
    out.WriteI32(height);
    // Images are saved by resource id; the owner's media knows the table.
    out.WriteI32(mNormalId);
    out.WriteI32(mHoveredId);
    out.WriteI32(mPressedId);
    return 1;
}

int zmButton::Load(Vesk::ByteReader& in, Vesk::BoardContext& board) {
    CObject::Load(in, board);
    id = in.I32();
    state = in.I32In(Normal, Pressed, "button state");
    width = in.I32In(0, kMaxCoordinate, "button width");
    height = in.I32In(0, kMaxCoordinate, "button height");
    int32_t ids[3] = {in.I32(), in.I32(), in.I32()};
    if (in.Failed()) {
        return 0;
    }
    SetImages(board.Media(), ids[0], ids[1], ids[2]);
    return 1;
}
