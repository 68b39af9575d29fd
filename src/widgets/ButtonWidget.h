#pragma once

#include <memory>
#include <string>

#include "graphics/Rect.h"
#include "widgets/Widget.h"

namespace Vesk {

class ButtonListener;
class Font;
class Image;

// The push button: reports presses, releases, held ticks and pointer movement to its listener,
// and draws a bevelled frame in its colours or its images, with an optional hover cross-fade.
class ButtonWidget : public Widget {
public:
    enum Justification { JUSTIFY_LEFT = -1, JUSTIFY_CENTER = 0, JUSTIFY_RIGHT = 1 };
    // Colour rows: label, label while over, dark edge, light edge, inner shade, face.
    enum ColorIndex {
        COLOR_LABEL = 0,
        COLOR_LABEL_HILITE = 1,
        COLOR_DARK_OUTLINE = 2,
        COLOR_LIGHT_OUTLINE = 3,
        COLOR_MEDIUM_OUTLINE = 4,
        COLOR_BKG = 5
    };

    ButtonWidget(int id, ButtonListener* listener);
    ~ButtonWidget() override;

    void Update() override;
    void Draw(Graphics* g) override;
    void SetDisabled(bool isDisabled) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseMove(int x, int y) override;
    void MouseDownButton(int x, int y, int button, int clickCount) override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;

    // The source cell of the button image when it has a width, else the given image whole.
    virtual void DrawButtonImage(Graphics* g, Image* image, const Rect& srcRect, int x, int y);
    // Keeps a duplicate.
    virtual void SetFont(Font* font);
    virtual bool IsButtonDown();

    int mId;
    std::string mLabel;
    int mLabelJustify = JUSTIFY_CENTER;
    std::unique_ptr<Font> mFont;
    Image* mButtonImage = nullptr;
    Image* mOverImage = nullptr;
    Image* mDownImage = nullptr;
    Image* mDisabledImage = nullptr;
    Rect mNormalRect;
    Rect mOverRect;
    Rect mDownRect;
    Rect mDisabledRect;
    bool mInverted = false;
    bool mBtnNoDraw = false;
    bool mFrameNoDraw = false;
    ButtonListener* mButtonListener;
    double mOverAlpha = 0.0;
    // Fade-out step per update; 0 or less drops the hover look at once.
    double mOverAlphaSpeed = 0.0;
    double mOverAlphaFadeInSpeed = 0.0;

protected:
    bool HaveOver() const { return mOverImage != nullptr || mOverRect.mWidth != 0; }
    bool HaveDown() const { return mDownImage != nullptr || mDownRect.mWidth != 0; }
    bool HaveDisabled() const { return mDisabledImage != nullptr || mDisabledRect.mWidth != 0; }
    bool HaveNormal() const { return mButtonImage != nullptr || mNormalRect.mWidth != 0; }
    // The label's font, made from the system font on first use; null when none can be made.
    Font* EnsureFont(int pointSize, int charSet);
    // Entering or leaving changes nothing visible for a plain frame with one label colour.
    bool HoverChangesLook();
};

}  // namespace Vesk
