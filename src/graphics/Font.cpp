#include "graphics/Font.h"

namespace Vesk {

Font::~Font() = default;

int32_t Font::StringWidth(const std::string& text) {
    (void)text;
    return 0;
}

int32_t Font::CharWidth(char c) {
    return StringWidth(std::string(1, c));
}

int32_t Font::CharWidthKern(char c, char previous) {
    (void)previous;
    return CharWidth(c);
}

void Font::DrawString(Graphics& g, int32_t x, int32_t y, const std::string& text,
                      const Color& color, const Rect& clipRect) {
    (void)g;
    (void)x;
    (void)y;
    (void)text;
    (void)color;
    (void)clipRect;
}

}  // namespace Vesk
