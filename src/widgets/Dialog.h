#pragma once

#include <string>

#include "widgets/ButtonListener.h"
#include "widgets/Widget.h"

namespace Vesk {

class DialogListener;
class Image;

// A framed box with a header, body lines, a footer and up to two buttons (ids 1000 and 1001).
// Only what the application frame needs is here yet: identity, modality, result and sizing.
class Dialog : public Widget, public ButtonListener {
public:
    enum ButtonMode {
        BUTTONS_NONE = 0,
        BUTTONS_YES_NO = 1,
        BUTTONS_OK_CANCEL = 2,
        BUTTONS_FOOTER = 3
    };
    static constexpr int ID_YES = 1000;
    static constexpr int ID_NO = 1001;
    static constexpr int NO_RESULT = 0x7FFFFFFF;

    Dialog(Image* componentImage, int id, bool isModal, const std::string& header,
           const std::string& lines, const std::string& footer, int buttonMode);
    ~Dialog() override = default;

    virtual int GetPreferredHeight(int width);
    virtual bool IsModal() { return mIsModal; }

    void ButtonPress(int id) override;
    void ButtonDepress(int id) override;

    DialogListener* mDialogListener = nullptr;
    Image* mComponentImage = nullptr;
    std::string mHeader;
    std::string mFooter;
    std::string mLines;
    int mButtonMode = BUTTONS_NONE;
    int mId = 0;
    bool mIsModal = false;
    int mResult = NO_RESULT;
};

}  // namespace Vesk
