#include "widgets/Widget.h"

namespace Vesk {

void Widget::Resize(int x, int y, int width, int height) {
    if (mX == x && mY == y && mWidth == width && mHeight == height)
        return;
    mX = x;
    mY = y;
    mWidth = width;
    mHeight = height;
    MarkDirty();
}

}  // namespace Vesk
