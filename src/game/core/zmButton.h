#pragma once

#include <cstdint>

#include "game/core/CObject.h"

namespace Vesk {
class Image;
}

// A button that lives in the board's object list: the menu button. Reports a click to the board
// with its id.
class zmButton : public CObject {
public:
    enum State : int32_t { Normal = 0, Hovered = 1, Pressed = 2 };

    zmButton() { takesInput = true; }
    zmButton(Vesk::BoardContext& board, int32_t atX, int32_t atY);

    void Draw(Vesk::Graphics& g, Vesk::GameMedia& media) override;
    int Update(Vesk::ObjectOwner& owner) override;
    int MouseDown(Vesk::ObjectOwner& owner, int32_t x, int32_t y) override;
    int MouseMove(Vesk::ObjectOwner& owner, int32_t x, int32_t y) override;
    int MouseDrag(Vesk::ObjectOwner& owner, int32_t x, int32_t y) override;
    int MouseUp(Vesk::ObjectOwner& owner, int32_t x, int32_t y) override;
    void MouseLeave(Vesk::ObjectOwner& owner) override;
    int Save(Vesk::ByteWriter& out) override;
    int Load(Vesk::ByteReader& in, Vesk::BoardContext& board) override;

    // Edges included.
    bool Contains(int32_t px, int32_t py) const;
    // Binds the three pictures by resource id; an id that is not an image leaves none.
    void SetImages(Vesk::GameMedia& media, int32_t normalId, int32_t hoveredId, int32_t pressedId);

    int32_t id = 0;
    int32_t state = Normal;
    int32_t width = 0;
    int32_t height = 0;
    // not owned
    Vesk::Image* normalImage = nullptr;
    Vesk::Image* hoveredImage = nullptr;
    Vesk::Image* pressedImage = nullptr;

private:
    int32_t mNormalId = -1;
    int32_t mHoveredId = -1;
    int32_t mPressedId = -1;
};
