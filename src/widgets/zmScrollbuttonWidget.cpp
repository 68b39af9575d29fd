#include "widgets/zmScrollbuttonWidget.h"

#include "graphics/Graphics.h"

namespace Vesk {

zmScrollbuttonWidget::zmScrollbuttonWidget(int id, ButtonListener* listener)
    : ScrollbuttonWidget(id, listener) {}

zmScrollbuttonWidget::~zmScrollbuttonWidget() = default;

void zmScrollbuttonWidget::Draw(Graphics* g) {
    Image* image = nullptr;
    if (mIsDown && mIsOver && mDownImage != nullptr) {
        image = mDownImage;
    } else if (mDisabled && mDisabledImage != nullptr) {
        image = mDisabledImage;
    } else if (mIsOver && mOverImage != nullptr) {
        image = mOverImage;
    } else {
        image = mButtonImage;
    }
    if (image == nullptr) {
        ScrollbuttonWidget::Draw(g);
        return;
    }
    g->DrawImageStretched(image, 0, 0, mWidth, mHeight);
}

}  // namespace Vesk
