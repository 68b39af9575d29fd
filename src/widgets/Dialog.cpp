#include "widgets/Dialog.h"

#include "widgets/DialogListener.h"

namespace Vesk {

Dialog::Dialog(Image* componentImage, int id, bool isModal, const std::string& header,
               const std::string& lines, const std::string& footer, int buttonMode)
    : mComponentImage(componentImage),
      mHeader(header),
      mFooter(footer),
      mLines(lines),
      mButtonMode(buttonMode),
      mId(id),
      mIsModal(isModal) {}

int Dialog::GetPreferredHeight(int width) {
    // The text layout that decides the real height comes with the dialog's drawing.
    (void)width;
    return mHeight;
}

void Dialog::ButtonPress(int id) {
    if ((id == ID_YES || id == ID_NO) && mDialogListener != nullptr)
        mDialogListener->DialogButtonPress(mId, id);
}

void Dialog::ButtonDepress(int id) {
    if (id != ID_YES && id != ID_NO)
        return;
    mResult = id;
    if (mDialogListener != nullptr)
        mDialogListener->DialogButtonDepress(mId, id);
}

}  // namespace Vesk
