#pragma once

#include <memory>
#include <string>

#include "graphics/Color.h"
#include "widgets/Widget.h"

namespace Vesk {

class Font;

// Read-only text on a plain face: word-wrapped prose, or lines kept as they are with the wheel
// scrolling through them (a report). Draws nothing but its face without a font.
class TextPane : public Widget {
public:
    void Draw(Graphics* g) override;
    void MouseWheel(int delta) override;

    void SetText(const std::string& text);
    const std::string& GetText() const { return mText; }
    // Keeps a duplicate.
    void SetFont(Font* font);

    std::unique_ptr<Font> mFont;
    Color mFace = Color(240, 240, 240);
    Color mInk = Color(0, 0, 0);
    bool mWrap = true;
    bool mBorder = false;
    // The first line shown when not wrapping.
    int mTopLine = 0;

private:
    int LineCount() const;

    std::string mText;
};

}  // namespace Vesk
