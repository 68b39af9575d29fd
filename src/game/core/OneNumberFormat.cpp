#include "game/core/OneNumberFormat.h"

std::string FormatOneNumber(std::string_view text, int64_t number) {
    std::string out;
    out.reserve(text.size() + 12);
    bool used = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            char next = text[i + 1];
            if (next == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (next == 'd' && !used) {
                out += std::to_string(number);
                used = true;
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}
