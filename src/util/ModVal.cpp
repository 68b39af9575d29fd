#include "util/ModVal.h"

#include <optional>
#include <string_view>
#include <vector>

#include "platform/Debug.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/WindowSystem.h"
#include "util/CommonPath.h"
#include "util/CommonText.h"
#include "util/ModValRegistry.h"

namespace Vesk {

namespace {

constexpr size_t kNone = std::string_view::npos;

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetterOrDigit(char c) {
    return IsLetter(c) || IsDigit(c);
}

int HexValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

struct TweakValue {
    int32_t intValue = 0;
    double floatValue = 0.0;
    std::string text;
};

// ---- Value grammars ----

// Decodes the escape whose character after the backslash is at i; returns the index after it.
size_t DecodeEscape(std::string_view s, size_t i, std::string& out) {
    constexpr std::string_view kLetters = "ntrabfv";
    constexpr std::string_view kControls = "\n\t\r\a\b\f\v";
    const char c = s[i];
    if (const size_t k = kLetters.find(c); k != kNone) {
        out += kControls[k];
        return i + 1;
    }
    if (c == 'x') {
        size_t j = i + 1;
        unsigned value = 0;
        while (j < s.size() && HexValue(s[j]) >= 0) {
            value = (value * 16 + static_cast<unsigned>(HexValue(s[j++]))) & 0xFFu;
        }
        if (j == i + 1) {
            out += 'x';
            return j;
        }
        out += static_cast<char>(value);
        return j;
    }
    if (c >= '0' && c <= '7') {
        size_t j = i;
        unsigned value = 0;
        while (j < s.size() && j < i + 3 && s[j] >= '0' && s[j] <= '7') {
            value = value * 8 + static_cast<unsigned>(s[j++] - '0');
        }
        out += static_cast<char>(value & 0xFFu);
        return j;
    }
    // Quotes, backslash, question mark and anything unknown stand for themselves.
    out += c;
    return i + 1;
}

// A double-quoted text with backslash escapes, then the closing parenthesis.
std::optional<TweakValue> ParseText(std::string_view rest) {
    if (rest.empty() || rest[0] != '"') {
        return std::nullopt;
    }
    TweakValue value;
    size_t i = 1;
    while (i < rest.size()) {
        const char c = rest[i];
        if (c == '"') {
            if (i + 1 < rest.size() && rest[i + 1] == ')') {
                return value;
            }
            return std::nullopt;
        }
        if (c != '\\') {
            value.text += c;
            ++i;
        } else if (i + 1 < rest.size()) {
            i = DecodeEscape(rest, i + 1, value.text);
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<int32_t> ParseInteger(std::string_view token, const ModValRegistry& registry) {
    if (token.empty()) {
        return std::nullopt;
    }
    if (IsLetter(token[0]) || token[0] == '_') {
        for (const char c : token) {
            if (!IsLetterOrDigit(c) && c != '_') {
                return std::nullopt;
            }
        }
        return registry.FindIntConstant(token);
    }
    // StringToInt also takes a lone "-" or "0x" as 0; the grammar wants at least one digit.
    const bool hex = token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X');
    if (hex ? token.size() == 2 : token == "-") {
        return std::nullopt;
    }
    int32_t value = 0;
    if (!StringToInt(token, value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParseFloating(std::string_view token) {
    if (!token.empty() && token.back() == 'f') {
        token.remove_suffix(1);
    }
    // StringToDouble also takes "-" or "." alone; a number needs a digit.
    bool digit = false;
    for (const char c : token) {
        digit = digit || IsDigit(c);
    }
    double value = 0.0;
    if (!digit || !StringToDouble(token, value)) {
        return std::nullopt;
    }
    return value;
}

// The whole-number form of a floating value: truncated like a C++ conversion, 0 out of range.
int32_t TruncatedInt(double value) {
    if (value > -2147483649.0 && value < 2147483648.0) {
        return static_cast<int32_t>(value);
    }
    return 0;
}

// A number up to the closing parenthesis: integer first, then floating. Each form also
// stores the other, so a mark reads the number whichever type its literal has.
std::optional<TweakValue> ParseNumber(std::string_view rest, const ModValRegistry& registry) {
    const size_t close = rest.find(')');
    if (close == kNone) {
        return std::nullopt;
    }
    const std::string_view token = rest.substr(0, close);
    if (const auto integer = ParseInteger(token, registry)) {
        return TweakValue{*integer, static_cast<double>(*integer), {}};
    }
    if (const auto floating = ParseFloating(token)) {
        return TweakValue{TruncatedInt(*floating), *floating, {}};
    }
    return std::nullopt;
}

// ---- Source walk ----

std::vector<std::string_view> SplitLines(std::string_view source) {
    std::vector<std::string_view> lines;
    size_t begin = 0;
    while (begin < source.size()) {
        size_t end = source.find('\n', begin);
        const size_t next = end == kNone ? source.size() : end + 1;
        if (end == kNone) {
            end = source.size();
        }
        std::string_view line = source.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        begin = next;
    }
    return lines;
}

// Index after the closing quote of a literal whose text starts at i, or kNone when the line
// ends first.
size_t EndOfLiteral(std::string_view line, size_t i) {
    while (i < line.size()) {
        if (line[i] == '\\') {
            i += 2;
        } else if (line[i++] == '"') {
            return i;
        }
    }
    return kNone;
}

// Skips a character literal such as '"' or '\'' so that its quote starts no text literal.
// A quote that opens no well-formed character literal (a digit separator) is passed alone.
size_t SkipCharLiteral(std::string_view line, size_t i) {
    const size_t size = line.size();
    if (i + 2 < size && line[i + 1] != '\\' && line[i + 1] != '\'' && line[i + 2] == '\'') {
        return i + 3;
    }
    if (i + 2 < size && line[i + 1] == '\\') {
        size_t j = i + 3;
        while (j < size && j < i + 12 && HexValue(line[j]) >= 0) {
            ++j;
        }
        if (j < size && line[j] == '\'') {
            return j + 1;
        }
    }
    return i + 1;
}

class SourceWalk {
public:
    SourceWalk(const ModValRegistry::UsedFile& file, ModValRegistry& registry)
        : mFile(file), mRegistry(registry) {}

    // Empty when the whole source was read, else the error message.
    std::string Run(std::string_view source) {
        enum class State { Code, Literal, LineComment, BlockComment };
        State state = State::Code;
        int32_t lineNumber = 0;
        for (const std::string_view line : SplitLines(source)) {
            ++lineNumber;
            const bool continued = !line.empty() && line.back() == '\\';
            if (state == State::LineComment) {
                if (!continued) {
                    state = State::Code;
                }
                continue;
            }
            size_t i = 0;
            while (i < line.size()) {
                if (state == State::Literal) {
                    i = EndOfLiteral(line, i);
                    if (i == kNone) {
                        break;
                    }
                    state = State::Code;
                    continue;
                }
                if (state == State::BlockComment) {
                    const size_t end = line.find("*/", i);
                    if (end == kNone) {
                        break;
                    }
                    i = end + 2;
                    state = State::Code;
                    continue;
                }
                const char c = line[i];
                const char next = i + 1 < line.size() ? line[i + 1] : '\0';
                if (c == '"') {
                    state = State::Literal;
                    ++i;
                } else if (c == '/' && next == '/') {
                    if (continued) {
                        state = State::LineComment;
                    }
                    break;
                } else if (c == '/' && next == '*') {
                    state = State::BlockComment;
                    i += 2;
                } else if (c == '\'') {
                    i = SkipCharLiteral(line, i);
                } else {
                    if (c == 'M' && (i == 0 || !IsLetterOrDigit(line[i - 1]))) {
                        size_t open = i + 1;
                        if (open < line.size() && line[open] >= '1' && line[open] <= '9') {
                            ++open;
                        }
                        if (open < line.size() && line[open] == '(' &&
                            !TakeCall(lineNumber, line.substr(open + 1))) {
                            return StrFormat("ERROR in %s on line %d.  Parsing Error.",
                                             mFile.name.c_str(), lineNumber);
                        }
                    }
                    ++i;
                }
            }
            if (state == State::Literal && !continued) {
                return LineError(lineNumber, "Error parsing quotes");
            }
        }
        switch (state) {
            case State::Literal:
                return LineError(lineNumber, "Error parsing quotes");
            case State::LineComment:
                return LineError(lineNumber, "Error parsing c++ comment");
            case State::BlockComment:
                return LineError(lineNumber, "Error parsing c comment");
            case State::Code:
                break;
        }
        return std::string();
    }

private:
    std::string LineError(int32_t lineNumber, const char* what) const {
        return StrFormat("ERROR in %s on line %d: %s", mFile.name.c_str(), lineNumber, what);
    }

    // A tweak macro call on the line; the value text follows its parenthesis. False when the
    // call has a mark but no value can be read.
    bool TakeCall(int32_t lineNumber, std::string_view rest) {
        const auto& marks = mFile.marks;
        while (mNextMark < marks.size() && marks[mNextMark].line < lineNumber) {
            ++mNextMark;
        }
        if (mNextMark >= marks.size() || marks[mNextMark].line != lineNumber) {
            return true;
        }
        const ModValRegistry::MarkPlace place = marks[mNextMark++];
        std::optional<TweakValue> value = ParseText(rest);
        if (!value) {
            value = ParseNumber(rest, mRegistry);
        }
        if (!value) {
            return false;
        }
        mRegistry.Store(mFile.name, place, value->intValue, value->floatValue, value->text);
        return true;
    }

    const ModValRegistry::UsedFile& mFile;
    ModValRegistry& mRegistry;
    size_t mNextMark = 0;
};

void Show(const ModValMessageFn& showMessage, const std::string& text, const char* title,
          uint32_t flags) {
    if (showMessage) {
        showMessage(text, title, flags);
    } else {
        platform::DebugOutput(std::string(title) + ": " + text + "\n");
    }
}

}  // namespace

bool ReparseModVals(const ModValMessageFn& showMessage) {
    ModValRegistry& registry = ModValRegistry::Instance();
    // The first call starts from the program's own date: sources older than the build have not
    // changed since.
    if (registry.NewestSourceTime() == 0) {
        registry.TakeNewerSourceTime(GetFileDate(platform::ProgramPath()));
    }

    bool changed = false;
    std::string parsed;
    for (const ModValRegistry::UsedFile& file : registry.UsedFiles()) {
        if (registry.TakeNewerSourceTime(GetFileDate(file.name))) {
            changed = true;
        }
        if (!parsed.empty()) {
            parsed += "\r\n  ";
        }
        parsed += file.name;

        const auto source = platform::fs::ReadWholeFile(file.name);
        if (!source) {
            Show(showMessage, "ERROR: Unable to open " + file.name + " for reparsing.",
                 "MODVAL ERROR!", platform::mb::Ok);
            return false;
        }
        const std::string error =
            SourceWalk(file, registry)
                .Run(std::string_view(reinterpret_cast<const char*>(source->data()),
                                      source->size()));
        if (!error.empty()) {
            Show(showMessage, error, "MODVAL ERROR", platform::mb::Ok);
            return false;
        }
    }
    if (changed) {
        return true;
    }

    Show(showMessage,
         "WARNING: No file changes detected.  Files parsed: \r\n  " +
             (parsed.empty() ? std::string("none") : parsed),
         "MODVAL WARNING!", platform::mb::IconWarning);
    return false;
}

}  // namespace Vesk
