#pragma once

#include "widgets/ListWidget.h"

namespace Vesk {

class Image;

// A list in the game's small font that marks its selected (and highlighted) row with an image
// and can put an item image in front of every line.
class zmListWidget : public ListWidget {
public:
    // The game's small font and its list images; set by the game once its resources are
    // loaded, null until then (the list then has no font and the plain row fill).
    static void SetDefaults(const Font* smallFont, Image* listSelect, Image* listItem);

    zmListWidget(int id, ListListener* listener);
    ~zmListWidget() override;

    void Draw(Graphics* g) override;
    void SetHiliteImage();
    void SetItemImage();

    // Not owned.
    Image* mRowImage = nullptr;
    Image* mItemImage = nullptr;
};

}  // namespace Vesk
