#pragma once

#include "widgets/ButtonWidget.h"

namespace Vesk {

// The button of a dialog: its component image drawn as a nine-piece box per state cell.
class DialogButton : public ButtonWidget {
public:
    DialogButton(Image* componentImage, int id, ButtonListener* listener);

    void Draw(Graphics* g) override;

    Image* mComponentImage;
    int mTranslateX = 1;
    int mTranslateY = 1;
    int mTextOffsetX = 0;
    int mTextOffsetY = 0;
};

}  // namespace Vesk
