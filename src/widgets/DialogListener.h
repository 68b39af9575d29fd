#pragma once

namespace Vesk {

// Hears the buttons of a dialog, identified by the dialog's id and the button's id.
class DialogListener {
public:
    virtual ~DialogListener() = default;

    virtual void DialogButtonPress(int dialogId, int buttonId) {
        (void)dialogId;
        (void)buttonId;
    }
    virtual void DialogButtonDepress(int dialogId, int buttonId) {
        (void)dialogId;
        (void)buttonId;
    }
};

}  // namespace Vesk
