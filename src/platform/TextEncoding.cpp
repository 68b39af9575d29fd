#include "platform/TextEncoding.h"

#include <array>
#include <cstdint>

namespace platform::text {

namespace {

// 0x80..0x9F; zero marks the five bytes the code page leaves undefined,
// which Windows passes through as the C1 control of the same number.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one code point at pos and advances pos; none for a malformed
// sequence (pos then skips one byte).
std::optional<char32_t> DecodeUtf8(std::string_view s, size_t& pos) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return std::nullopt;
    }
    if (s.size() - pos < length) {
        ++pos;
        return std::nullopt;
    }
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(s[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return std::nullopt;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return std::nullopt;
    }
    pos += length;
    return cp;
}

}  // namespace

std::optional<unsigned char> Cp1252FromCodePoint(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        return static_cast<unsigned char>(codePoint);
    }
    for (size_t i = 0; i < kHighTable.size(); ++i) {
        const char16_t mapped = kHighTable[i];
        if ((mapped != 0 && mapped == codePoint) || (mapped == 0 && codePoint == 0x80 + i)) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return std::nullopt;
}

char32_t CodePointFromCp1252(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        const char16_t mapped = kHighTable[byte - 0x80];
        return mapped != 0 ? mapped : byte;
    }
    return byte;
}

std::string Cp1252FromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        if (const auto cp = DecodeUtf8(utf8, pos)) {
            if (const auto byte = Cp1252FromCodePoint(*cp)) {
                out.push_back(static_cast<char>(*byte));
            }
        }
    }
    return out;
}

std::string Utf8FromCp1252(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size() * 2);
    for (const char c : cp1252) {
        AppendUtf8(out, CodePointFromCp1252(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string Utf8FromWide(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        auto cp = static_cast<char32_t>(wide[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            // UTF-16: join surrogate pairs.
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size()) {
                const auto low = static_cast<char32_t>(wide[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

char UpperCp1252(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)) {
        return static_cast<char>(byte - 0x20);
    }
    switch (byte) {
        case 0x9A:  // s caron
        case 0x9C:  // oe
        case 0x9E:  // z caron
            return static_cast<char>(byte - 0x10);
        case 0xFF:  // y diaeresis
            return static_cast<char>(0x9F);
        default:
            return c;
    }
}

std::string UpperCp1252(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = UpperCp1252(c);
    }
    return out;
}

}  // namespace platform::text
