#include <cstddef>
#include <string>

#include "graphics/Font.h"
#include "graphics/Graphics.h"

namespace Vesk {

namespace {

// A character that isn't a hexadecimal digit counts as 0.
int32_t HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return 0;
}

// The colour of the tag whose six characters start at tag; the caller has
// made sure they exist. The alpha is always the context's.
Color TagColor(const std::string& text, size_t tag, int32_t alpha, int32_t previousColor) {
    if (text[tag] == 'o') {
        if (text.compare(tag, 6, "oldclr") == 0) {
            const Color previous = Color::ColorFromInt(static_cast<uint32_t>(previousColor));
            return Color(previous.mRed, previous.mGreen, previous.mBlue, alpha);
        }
        return Color(0, 0, 0, alpha);
    }
    const int32_t red = HexValue(text[tag]) * 16 + HexValue(text[tag + 1]);
    const int32_t green = HexValue(text[tag + 2]) * 16 + HexValue(text[tag + 3]);
    const int32_t blue = HexValue(text[tag + 4]) * 16 + HexValue(text[tag + 5]);
    return Color(red, green, blue, alpha);
}

// A tag is "^", six characters and one more.
constexpr int32_t kTagLength = 8;

}  // namespace

void Graphics::DrawString(const std::string& text, int32_t x, int32_t y) {
    if (mFont != nullptr) {
        mFont->DrawString(*this, x, y, text, mColor, mClipRect);
    }
}

int32_t Graphics::WriteString(const std::string& text, int32_t x, int32_t y, int32_t width,
                              int32_t justification, bool draw, int32_t start, int32_t length,
                              int32_t previousColor) {
    if (mFont == nullptr) {
        return 0;
    }
    if (previousColor == -1) {
        previousColor = static_cast<int32_t>(mColor.ToInt());
    }
    if (draw && (justification == 0 || justification == 1)) {
        const int32_t measured =
            WriteString(text, x, y, width, -1, false, start, length, previousColor);
        x += justification == 0 ? (width - measured) / 2 : width - measured;
    }

    const int32_t size = static_cast<int32_t>(text.size());
    if (start < 0) {
        start = 0;
    }
    int32_t end = size;
    if (length >= 0 && static_cast<int64_t>(start) + length <= size) {
        end = start + length;
    }

    std::string run;
    int32_t runOffset = 0;
    for (int32_t i = start; i < end;) {
        if (text[static_cast<size_t>(i)] == '^' && mWriteColoredString) {
            if (i + 1 < end && text[static_cast<size_t>(i) + 1] == '^') {
                run += '^';
                i += 2;
                continue;
            }
            if (i > end - kTagLength) {
                // A tag cut off by the end: the rest is dropped.
                break;
            }
            const Color tagColor =
                TagColor(text, static_cast<size_t>(i) + 1, mColor.mAlpha, previousColor);
            if (draw) {
                DrawString(run, x + runOffset, y);
                SetColor(tagColor);
            }
            runOffset += mFont->StringWidth(run);
            run.clear();
            i += kTagLength;
            continue;
        }
        run += text[static_cast<size_t>(i)];
        ++i;
    }
    if (draw) {
        DrawString(run, x + runOffset, y);
    }
    return runOffset + mFont->StringWidth(run);
}

int32_t Graphics::WriteStringSlice(int32_t start, int32_t count, int32_t limit,
                                   const std::string& text, int32_t x, int32_t y, int32_t width,
                                   int32_t justification, int32_t previousColor) {
    if (static_cast<int64_t>(start) + count > limit) {
        count = limit - start;
    }
    if (count <= 0) {
        return -1;
    }
    return WriteString(text, x, y, width, justification, true, start, count, previousColor);
}

int32_t Graphics::WriteWordWrapped(const Rect& rect, const std::string& text, int32_t lineSpacing,
                                   int32_t justification) {
    if (mFont == nullptr) {
        return 0;
    }
    const Color originalColor = mColor;
    // Opaque white packs to -1, which would read as "no colour given".
    int32_t previousColor = static_cast<int32_t>(originalColor.ToInt());
    if (originalColor.mAlpha == 255) {
        previousColor &= 0x00FFFFFF;
    }
    if (lineSpacing == -1) {
        lineSpacing = mFont->GetLineSpacing();
    }
    int32_t lineY = mFont->GetAscent() - mFont->GetAscentPadding();

    const int32_t size = static_cast<int32_t>(text.size());
    int32_t lineStart = 0;
    int32_t lastBreak = -1;
    int64_t lineWidth = 0;
    char previous = 0;
    char lastExamined = 0;
    int32_t i = 0;
    while (i < size) {
        char c = text[static_cast<size_t>(i)];
        lastExamined = c;
        if (c == '^' && mWriteColoredString && i + 1 < size) {
            if (text[static_cast<size_t>(i) + 1] == '^') {
                // "^^" measures as the one caret it draws.
                ++i;
            } else {
                i += kTagLength;
                continue;
            }
        }
        if (c == ' ') {
            lastBreak = i;
        } else if (c == '\n') {
            lastBreak = i;
            lineWidth = static_cast<int64_t>(rect.mWidth) + 1;
            ++i;
        }
        lineWidth += mFont->CharWidthKern(c, previous);
        previous = c;
        if (lineWidth <= rect.mWidth) {
            ++i;
            continue;
        }

        if (lastBreak != -1) {
            // Lines wholly above or below the clip aren't drawn.
            const int64_t baseline = PlaceY(rect.mY + lineY);
            if (baseline >= mClipRect.mY &&
                baseline < static_cast<int64_t>(mClipRect.mY) + mClipRect.mHeight + lineSpacing) {
                WriteStringSlice(lineStart, lastBreak - lineStart, size, text, rect.mX,
                                 rect.mY + lineY, rect.mWidth, justification, previousColor);
            }
            i = lastBreak + 1;
            if (c != '\n') {
                while (i < size && text[static_cast<size_t>(i)] == ' ') {
                    ++i;
                }
            }
        } else {
            // One word wider than the line: cut it, at least one character a line.
            if (i == lineStart) {
                ++i;
            }
            if (WriteStringSlice(lineStart, i - lineStart, size, text, rect.mX, rect.mY + lineY,
                                 rect.mWidth, justification, previousColor) == -1) {
                break;
            }
        }
        lineY += lineSpacing;
        lineStart = i;
        lastBreak = -1;
        lineWidth = 0;
        previous = 0;
    }

    if (lineStart < size) {
        if (WriteStringSlice(lineStart, size - lineStart, size, text, rect.mX, rect.mY + lineY,
                             rect.mWidth, justification, previousColor) != -1) {
            lineY += lineSpacing;
        }
    } else if (lastExamined == '\n') {
        lineY += lineSpacing;
    }

    SetColor(originalColor);
    return lineY - lineSpacing + mFont->GetDescent();
}

int32_t Graphics::WriteWordWrappedFromBaseline(const std::string& text, int32_t x, int32_t y,
                                               int32_t width) {
    if (mFont == nullptr) {
        return 0;
    }
    const Rect rect(x, y - mFont->GetAscent() + mFont->GetAscentPadding(), width, 0);
    return WriteWordWrapped(rect, text, mFont->GetLineSpacing(), 0);
}

int32_t Graphics::GetWordWrappedHeight(const std::string& text, int32_t width,
                                       int32_t lineSpacing) {
    if (mFont == nullptr) {
        return 0;
    }
    Graphics measure;
    measure.SetFont(mFont);
    return measure.WriteWordWrapped(Rect(0, 0, width, 0), text, lineSpacing, -1);
}

}  // namespace Vesk
