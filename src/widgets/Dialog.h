#pragma once

#include <memory>
#include <string>

#include "widgets/ButtonListener.h"
#include "widgets/Widget.h"

namespace Vesk {

class DialogButton;
class DialogListener;
class Font;
class Image;

// A framed box with a header, word-wrapped body lines, a footer and up to two buttons (ids
// 1000 and 1001). The buttons are siblings in the manager, kept just in front of the dialog.
// It can be dragged, and records which button closed it.
class Dialog : public Widget, public ButtonListener {
public:
    enum ButtonMode {
        BUTTONS_NONE = 0,
        BUTTONS_YES_NO = 1,
        BUTTONS_OK_CANCEL = 2,
        BUTTONS_FOOTER = 3
    };
    enum ColorIndex {
        COLOR_HEADER = 0,
        COLOR_LINES = 1,
        COLOR_FOOTER = 2,
        COLOR_BUTTON_TEXT = 3,
        COLOR_BUTTON_TEXT_HILITE = 4,
        COLOR_BKG = 5,
        COLOR_OUTLINE = 6
    };
    static constexpr int ID_YES = 1000;
    static constexpr int ID_NO = 1001;
    static constexpr int NO_RESULT = 0x7FFFFFFF;

    Dialog(Image* componentImage, int id, bool isModal, const std::string& header,
           const std::string& lines, const std::string& footer, int buttonMode);
    ~Dialog() override;

    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void Draw(Graphics* g) override;
    void OrderInManagerChanged() override;
    void SetColor(int index, const Color& color) override;
    void Resize(int x, int y, int width, int height) override;
    void MouseDownButton(int x, int y, int button, int clickCount) override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;
    void MouseDrag(int x, int y) override;

    virtual void SetButtonFont(Font* font);
    virtual void SetHeaderFont(Font* font);
    virtual void SetLinesFont(Font* font);
    virtual int GetPreferredHeight(int width);
    virtual bool IsModal() { return mIsModal; }
    // Runs the application's loop until a button closes the dialog, it leaves the manager or
    // the application ends; the button's id, or NO_RESULT.
    virtual int WaitForResult(bool autoKill = true);

    void ButtonPress(int id) override;
    void ButtonDepress(int id) override;

    DialogListener* mDialogListener = nullptr;
    Image* mComponentImage = nullptr;
    std::unique_ptr<DialogButton> mYesButton;
    std::unique_ptr<DialogButton> mNoButton;
    std::string mHeader;
    std::string mFooter;
    std::string mLines;
    int mButtonMode = BUTTONS_NONE;
    std::unique_ptr<Font> mHeaderFont;
    std::unique_ptr<Font> mLinesFont;
    int mTextAlign = 0;
    int mLineSpacingOffset = 0;
    int mButtonHeight = 24;
    Insets mContentInsets;
    Insets mBackgroundInsets{24, 24, 24, 24};
    int mSpaceAfterHeader = 10;
    bool mDragging = false;
    int mDragMouseX = 0;
    int mDragMouseY = 0;
    int mId = 0;
    bool mIsModal = false;
    int mResult = NO_RESULT;
    int mButtonHorzSpacing = 8;
    int mButtonSidePadding = 0;

protected:
    // Makes the missing fonts from the system font; false when either is still missing.
    bool EnsureFonts();
};

}  // namespace Vesk
