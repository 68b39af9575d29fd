#include "game/app/CountedText.h"

namespace Vesk {

std::string FormatNumbers(std::string_view text, std::initializer_list<int64_t> numbers) {
    std::string out;
    const int64_t* next = numbers.begin();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            if (text[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (text[i + 1] == 'd' && next != numbers.end()) {
                out += std::to_string(*next++);
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

const char* LivesTextId(int32_t lives) {
    const int32_t last = lives % 10;
    if (last == 1 && lives != 11) {
        return "LAST LIFE";
    }
    if (last >= 2 && last <= 4 && (lives < 12 || lives > 14)) {
        return "LIVES LEFT";
    }
    return "LIVES LEFT 2";
}

}  // namespace Vesk
