#include "util/CommonText.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

namespace Vesk {

namespace {

// "C" locale mappings, independent of whatever locale a library may have set.
char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool AsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Value of a hexadecimal letter, or -1.
int HexLetterValue(char c) {
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

template <typename Char>
std::basic_string<Char> XmlDecode(std::basic_string_view<Char> text) {
    using View = std::basic_string_view<Char>;
    struct Entity {
        const char* name;
        Char ch;
    };
    static const Entity kEntities[] = {
        {"lt", Char('<')},    {"amp", Char('&')},  {"gt", Char('>')},  {"quot", Char('"')},
        {"apos", Char('\'')}, {"nbsp", Char(' ')}, {"cr", Char('\n')},
    };

    std::basic_string<Char> result;
    result.reserve(text.size());
    // Past the last ";" no "&" can start an entity; checking this keeps long texts linear.
    const size_t lastSemi = text.rfind(Char(';'));
    size_t pos = 0;
    while (pos < text.size()) {
        const Char c = text[pos];
        const bool maybeEntity = c == Char('&') && lastSemi != View::npos && lastSemi > pos;
        const size_t semi = maybeEntity ? text.find(Char(';'), pos + 1) : View::npos;
        if (semi == View::npos) {
            result.push_back(c);
            ++pos;
            continue;
        }
        const View name = text.substr(pos + 1, semi - pos - 1);
        Char replacement = Char('&');
        for (const Entity& entity : kEntities) {
            const std::string_view entityName(entity.name);
            bool same = name.size() == entityName.size();
            for (size_t i = 0; same && i < name.size(); ++i) {
                same = name[i] == Char(static_cast<unsigned char>(entityName[i]));
            }
            if (same) {
                replacement = entity.ch;
                break;
            }
        }
        result.push_back(replacement);
        pos = semi + 1;
    }
    return result;
}

}  // namespace

std::string MakeString(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

std::u16string StringToWString(std::string_view text) {
    std::u16string result(text.size(), u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        result[i] = static_cast<char16_t>(static_cast<unsigned char>(text[i]));
    }
    return result;
}

std::u16string ToWString(std::string_view text) {
    return StringToWString(text);
}

std::string WStringToString(std::u16string_view text) {
    std::string result(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] > 0xFF) {
            return std::string();
        }
        result[i] = static_cast<char>(static_cast<unsigned char>(text[i]));
    }
    return result;
}

std::string WideToNarrow(std::u16string_view text) {
    return WStringToString(text);
}

std::string StringToLower(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = AsciiLower(c);
    }
    return result;
}

std::string Lower(std::string_view text) {
    return StringToLower(text);
}

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = AsciiUpper(c);
    }
    return result;
}

std::string Trim(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && AsciiSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && AsciiSpace(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

int64_t LeadingNumber(std::string_view text, int64_t limit) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min(limit, value * 10 + (text[i] - '0'));
    }
    return negative ? -value : value;
}

bool StringToInt(std::string_view text, int32_t& out) {
    out = 0;
    if (text.empty()) {
        return false;
    }

    size_t i = 0;
    const bool negative = text[0] == '-';
    if (negative) {
        i = 1;
    }

    // Unsigned so that values beyond 32 bits wrap instead of overflowing.
    uint32_t value = 0;
    uint32_t base = 10;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            value = value * base + static_cast<uint32_t>(c - '0');
        } else if (base == 16 && HexLetterValue(c) >= 0) {
            value = value * base + static_cast<uint32_t>(HexLetterValue(c));
        } else if ((c == 'x' || c == 'X') && i == 1 && value == 0 && base == 10) {
            base = 16;
        } else {
            return false;
        }
    }
    if (negative) {
        value = 0u - value;
    }
    out = static_cast<int32_t>(value);
    return true;
}

bool StringToDouble(std::string_view text, double& out) {
    out = 0.0;
    if (text.empty()) {
        return false;
    }

    size_t i = 0;
    const bool negative = text[0] == '-';
    if (negative) {
        i = 1;
    }

    double value = 0.0;
    bool inFraction = false;
    double factor = 0.1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            const double digit = c - '0';
            if (inFraction) {
                value += digit * factor;
                factor /= 10.0;
            } else {
                value = value * 10.0 + digit;
            }
        } else if (c == '.' && !inFraction) {
            inFraction = true;
        } else {
            return false;
        }
    }
    out = negative ? -value : value;
    return true;
}

std::string CommaSeparate(int32_t value) {
    if (value < 0) {
        return std::string();
    }
    const std::string digits = std::to_string(value);
    std::string result;
    result.reserve(digits.size() + digits.size() / 3);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            result.push_back(',');
        }
        result.push_back(digits[i]);
    }
    return result;
}

std::string vformat(const char* format, va_list args) {
    if (format == nullptr) {
        return std::string();
    }

    // Most texts are short: try a small stack buffer first, then format again at the exact size.
    char small[161];
    va_list first;
    va_copy(first, args);
    const int length = std::vsnprintf(small, sizeof(small), format, first);
    va_end(first);
    if (length < 0) {
        return std::string();
    }
    if (static_cast<size_t>(length) < sizeof(small)) {
        return std::string(small, static_cast<size_t>(length));
    }

    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    va_list second;
    va_copy(second, args);
    const int again = std::vsnprintf(buffer.data(), buffer.size(), format, second);
    va_end(second);
    if (again < 0) {
        return std::string();
    }
    const size_t written = std::min(static_cast<size_t>(again), buffer.size() - 1);
    return std::string(buffer.data(), written);
}

std::string StrFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string result = vformat(format, args);
    va_end(args);
    return result;
}

std::string XmlDecodeString(std::string_view text) {
    return XmlDecode<char>(text);
}

std::u16string XmlDecodeWString(std::u16string_view text) {
    return XmlDecode<char16_t>(text);
}

int32_t StrFindNoCase(const char* haystack, const char* needle) {
    if (haystack == nullptr) {
        return -1;
    }
    if (needle == nullptr) {
        needle = "";
    }
    for (size_t start = 0; haystack[start] != '\0'; ++start) {
        if (start > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
            return -1;
        }
        size_t i = 0;
        while (needle[i] != '\0' && AsciiLower(haystack[start + i]) == AsciiLower(needle[i])) {
            ++i;
        }
        if (needle[i] == '\0') {
            return static_cast<int32_t>(start);
        }
    }
    return -1;
}

}  // namespace Vesk
