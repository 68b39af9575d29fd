#pragma once

#include "widgets/ScrollbuttonWidget.h"

namespace Vesk {

// A scroll-bar arrow drawn from its button images; the plain arrow when it has none.
class zmScrollbuttonWidget : public ScrollbuttonWidget {
public:
    zmScrollbuttonWidget(int id, ButtonListener* listener);
    ~zmScrollbuttonWidget() override;

    void Draw(Graphics* g) override;
};

}  // namespace Vesk
