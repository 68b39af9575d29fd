#include "app/TextPane.h"

#include <algorithm>

#include "graphics/Font.h"
#include "graphics/Graphics.h"

namespace Vesk {

namespace {

constexpr int kMargin = 3;
constexpr int kWheelLines = 3;

}  // namespace

void TextPane::SetText(const std::string& text) {
    mText = text;
    mTopLine = std::clamp(mTopLine, 0, std::max(0, LineCount() - 1));
    MarkDirty();
}

void TextPane::SetFont(Font* font) {
    mFont = font != nullptr ? font->Duplicate() : nullptr;
    MarkDirty();
}

int TextPane::LineCount() const {
    return static_cast<int>(std::count(mText.begin(), mText.end(), '\n')) + 1;
}

void TextPane::MouseWheel(int delta) {
    if (mWrap) {
        return;
    }
    const int top = std::clamp(mTopLine - delta * kWheelLines, 0, std::max(0, LineCount() - 1));
    if (top != mTopLine) {
        mTopLine = top;
        MarkDirty();
    }
}

void TextPane::Draw(Graphics* g) {
    g->SetColor(mFace);
    g->FillRect(0, 0, mWidth, mHeight);
    if (mBorder) {
        g->SetColor(Color(112, 112, 112));
        g->DrawRect(0, 0, mWidth - 1, mHeight - 1);
    }
    if (mFont == nullptr || mText.empty()) {
        return;
    }
    g->SetFont(mFont.get());
    g->SetColor(mInk);
    const Rect inside(kMargin, kMargin, mWidth - 2 * kMargin, mHeight - 2 * kMargin);
    if (mWrap) {
        Graphics clipped(*g);
        clipped.ClipRect(inside.mX, inside.mY, inside.mWidth, inside.mHeight);
        clipped.WriteWordWrapped(inside, mText);
        return;
    }
    Graphics clipped(*g);
    clipped.ClipRect(inside.mX, inside.mY, inside.mWidth, inside.mHeight);
    const int lineHeight = std::max(1, mFont->GetLineSpacing());
    int line = 0;
    int y = inside.mY + mFont->GetAscent();
    size_t at = 0;
    while (at <= mText.size() && y - mFont->GetAscent() < inside.mY + inside.mHeight) {
        size_t end = mText.find('\n', at);
        if (end == std::string::npos) {
            end = mText.size();
        }
        if (line >= mTopLine) {
            std::string text = mText.substr(at, end - at);
            if (!text.empty() && text.back() == '\r') {
                text.pop_back();
            }
            clipped.DrawString(text, inside.mX, y);
            y += lineHeight;
        }
        ++line;
        at = end + 1;
    }
}

}  // namespace Vesk
