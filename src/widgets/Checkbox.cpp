#include "widgets/Checkbox.h"

#include "graphics/Graphics.h"
#include "widgets/CheckboxListener.h"

namespace Vesk {

Checkbox::Checkbox(int id, CheckboxListener* listener)
    : mListener(listener), mId(id), mUncheckedImage(sDefaultImage), mCheckedImage(sDefaultImage) {
    mDoFinger = true;
}

void Checkbox::SetChecked(bool checked, bool tellListener) {
    mChecked = checked;
    if (tellListener && mListener != nullptr) {
        mListener->CheckboxChecked(mId, checked);
    }
    MarkDirty();
}

void Checkbox::MouseDownButton(int x, int y, int button, int clickCount) {
    (void)x;
    (void)y;
    (void)button;
    (void)clickCount;
    SetChecked(!mChecked, true);
}

void Checkbox::Draw(Graphics* g) {
    if (mCheckedRect.mWidth == 0 && mCheckedImage != nullptr && mUncheckedImage != nullptr) {
        g->DrawImage(mChecked ? mCheckedImage : mUncheckedImage, 0, 0);
    } else if (mCheckedRect.mWidth != 0 && mUncheckedImage != nullptr) {
        g->DrawImagePart(mUncheckedImage, 0, 0, mChecked ? mCheckedRect : mUncheckedRect);
    } else if (mCheckedImage == nullptr && mUncheckedImage == nullptr) {
        g->SetColor(mOutlineColor);
        g->FillRect(0, 0, mWidth, mHeight);
        g->SetColor(mBkgColor);
        g->FillRect(1, 1, mWidth - 2, mHeight - 2);
        if (mChecked) {
            g->SetColor(mCheckColor);
            g->DrawLine(1, 1, mWidth - 2, mHeight - 2);
            g->DrawLine(mWidth - 1, 1, 1, mHeight - 2);
        }
    }
}

}  // namespace Vesk
