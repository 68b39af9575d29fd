#include "resources/DescParser.h"

#include <cctype>

#include "resources/PakInterface.h"
#include "util/CommonText.h"

namespace Vesk {

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == ',';
}

std::string UnableToDereference(const std::string& name) {
    return "Unable to Dereference \"" + name + "\"";
}

}  // namespace

DescParser::~DescParser() = default;

bool DescParser::Error(const std::string& text) {
    mError = text;
    return false;
}

DataElement* DescParser::FindDefine(const std::string& name) {
    const auto it = mDefineMap.find(Upper(name));
    return it != mDefineMap.end() ? it->second.get() : nullptr;
}

void DescParser::AddDefine(const std::string& name, const DataElement& value) {
    mDefineMap[Upper(name)] = value.Duplicate();
}

bool DescParser::IsImmediate(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    const char c = text[0];
    return std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '\'' ||
           c == '"';
}

std::string DescParser::Unquote(std::string_view text) {
    if (text.empty() || (text[0] != '\'' && text[0] != '"')) {
        return std::string(text);
    }
    const char quote = text[0];
    std::string result;
    bool previousWasQuote = false;
    for (const char c : text) {
        if (c == quote) {
            if (previousWasQuote) {
                result += c;
                previousWasQuote = false;
            } else {
                previousWasQuote = true;
            }
            continue;
        }
        previousWasQuote = false;
        result += c;
    }
    return result;
}

std::string DescParser::DataElementToString(const DataElement* value) {
    if (value == nullptr) {
        return {};
    }
    if (!value->mIsList) {
        return static_cast<const SingleDataElement*>(value)->mString;
    }
    const auto* list = static_cast<const ListDataElement*>(value);
    std::string text = "(";
    for (size_t i = 0; i < list->size(); ++i) {
        if (i > 0) {
            text += ", ";
        }
        text += DataElementToString((*list)[i]);
    }
    return text + ")";
}

bool DescParser::DataToString(const DataElement* value, std::string* out) {
    out->clear();
    if (value == nullptr || value->mIsList) {
        return false;
    }
    std::string text = static_cast<const SingleDataElement*>(value)->mString;
    if (const DataElement* define = FindDefine(text)) {
        if (define->mIsList) {
            return false;
        }
        text = static_cast<const SingleDataElement*>(define)->mString;
    }
    *out = Unquote(text);
    return true;
}

bool DescParser::DataToList(const DataElement* value, ListDataElement* out) {
    out->mElementVector.clear();
    if (value == nullptr || !value->mIsList) {
        return false;
    }
    for (const auto& element : static_cast<const ListDataElement*>(value)->mElementVector) {
        if (!element->mIsList) {
            const std::string& text = static_cast<const SingleDataElement*>(element.get())->mString;
            if (!IsImmediate(text)) {
                const DataElement* define = FindDefine(text);
                if (define == nullptr) {
                    return Error(UnableToDereference(text));
                }
                out->mElementVector.push_back(define->Duplicate());
                continue;
            }
        }
        out->mElementVector.push_back(element->Duplicate());
    }
    return true;
}

bool DescParser::DataToStringVector(const DataElement* value, std::vector<std::string>* out) {
    out->clear();
    if (value == nullptr) {
        return false;
    }
    if (!value->mIsList) {
        const std::string& name = static_cast<const SingleDataElement*>(value)->mString;
        const DataElement* define = FindDefine(name);
        if (define == nullptr) {
            return Error(UnableToDereference(name));
        }
        if (!define->mIsList) {
            return false;
        }
        value = define;
    }
    ListDataElement list;
    if (!DataToList(value, &list)) {
        return false;
    }
    for (const auto& element : list.mElementVector) {
        if (element->mIsList) {
            out->clear();
            return false;
        }
        out->push_back(static_cast<const SingleDataElement*>(element.get())->mString);
    }
    return true;
}

bool DescParser::DataToIntVector(const DataElement* value, std::vector<int32_t>* out) {
    out->clear();
    std::vector<std::string> strings;
    if (!DataToStringVector(value, &strings)) {
        return false;
    }
    for (const std::string& text : strings) {
        int32_t number = 0;
        if (!StringToInt(text, number)) {
            out->clear();
            return false;
        }
        out->push_back(number);
    }
    return true;
}

bool DescParser::DataToDoubleVector(const DataElement* value, std::vector<double>* out) {
    out->clear();
    std::vector<std::string> strings;
    if (!DataToStringVector(value, &strings)) {
        return false;
    }
    for (const std::string& text : strings) {
        double number = 0;
        if (!StringToDouble(text, number)) {
            out->clear();
            return false;
        }
        out->push_back(number);
    }
    return true;
}

bool DescParser::ParseToList(std::string_view text, ListDataElement* list) {
    list->mElementVector.clear();
    size_t index = 0;
    return ParseList(text, index, list, 0);
}

bool DescParser::ParseList(std::string_view text, size_t& index, ListDataElement* list,
                           int32_t depth) {
    SingleDataElement* current = nullptr;
    char quote = 0;
    const auto append = [&](char c) {
        if (current == nullptr) {
            auto element = std::make_unique<SingleDataElement>();
            current = element.get();
            list->mElementVector.push_back(std::move(element));
        }
        current->mString += c;
    };
    while (index < text.size()) {
        const char c = text[index++];
        if (c == '\\') {
            if (index < text.size()) {
                append(text[index++]);
            }
            continue;
        }
        if (quote != 0) {
            append(c);
            if (c == quote) {
                quote = 0;
            }
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            append(c);
        } else if (IsSeparator(c)) {
            current = nullptr;
        } else if (c == '(') {
            if (current != nullptr) {
                return Error("Unexpected List Start");
            }
            if (depth + 1 >= kMaxListDepth) {
                return Error("Lists Nested Too Deep");
            }
            auto child = std::make_unique<ListDataElement>();
            ListDataElement* childList = child.get();
            list->mElementVector.push_back(std::move(child));
            if (!ParseList(text, index, childList, depth + 1)) {
                return false;
            }
        } else if (c == ')') {
            if (depth == 0) {
                return Error("Unexpected List End");
            }
            return true;
        } else {
            append(c);
        }
    }
    if (quote == '\'') {
        return Error("Unterminated Single Quotes");
    }
    if (quote == '"') {
        return Error("Unterminated Double Quotes");
    }
    if (depth > 0) {
        return Error("Unterminated List");
    }
    return true;
}

bool DescParser::HandleStatement() {
    ListDataElement statement;
    const bool parsed = ParseToList(mCurrentLine, &statement);
    bool result = parsed;
    if (parsed && statement.size() > 0) {
        result = statement[0]->mIsList ? Error("Missing Command") : HandleCommand(statement);
    }
    mCurrentLine.clear();
    return result;
}

std::optional<std::string> DescParser::ReadWholeText(const std::string& fileName) {
    std::string error;
    const std::optional<std::vector<uint8_t>> bytes = PakReadWholeFile(fileName, error);
    if (!bytes) {
        mError = error;
        return std::nullopt;
    }
    return std::string(bytes->begin(), bytes->end());
}

bool DescParser::LoadDescriptor(const std::string& fileName) {
    mError.clear();
    mCurrentLine.clear();
    const std::optional<std::string> text = ReadWholeText(fileName);
    return text && LoadDescriptorText(*text);
}

bool DescParser::LoadDescriptorText(std::string_view text) {
    mError.clear();
    mCurrentLine.clear();
    int32_t line = 1;
    bool atLineStart = true;
    bool indented = false;
    bool inComment = false;
    bool escaped = false;
    char quote = 0;

    const auto append = [&](char c) {
        if (mCurrentLine.empty()) {
            // White space after a ";" would date the next statement a line early.
            if (c == ' ' || c == '\t' || c == '\n') {
                return;
            }
            mCurrentLineNum = line;
        }
        mCurrentLine += c;
    };
    const auto endStatement = [&]() {
        if (mCurrentLine.empty()) {
            return true;
        }
        return HandleStatement();
    };

    for (const char c : text) {
        if (c == '\r') {
            continue;
        }
        if (inComment) {
            if (c == '\n') {
                ++line;
                atLineStart = true;
                indented = false;
                inComment = false;
                if (!endStatement()) {
                    return false;
                }
            }
            continue;
        }
        if (atLineStart) {
            if (c == ' ' || c == '\t') {
                indented = true;
                continue;
            }
            if (c == '\n') {
                ++line;
                indented = false;
                continue;
            }
            atLineStart = false;
            if ((mCmdSep & kCmdSepNoIndent) != 0 && !indented && !mCurrentLine.empty()) {
                if (!endStatement()) {
                    return false;
                }
            }
            if (c == '#') {
                inComment = true;
                continue;
            }
        }
        if (c == '\n') {
            ++line;
            atLineStart = true;
            indented = false;
        }
        if (escaped) {
            escaped = false;
            append(c);
            continue;
        }
        if (c == '\\' && quote != 0) {
            escaped = true;
            append(c);
        } else if (c == '\'' && quote != '"') {
            quote = quote == 0 ? '\'' : 0;
            append(c);
        } else if (c == '"' && quote != '\'') {
            quote = quote == 0 ? '"' : 0;
            append(c);
        } else if (c == ';' && quote == 0 && (mCmdSep & kCmdSepSemicolon) != 0) {
            if (!endStatement()) {
                return false;
            }
        } else {
            append(c);
        }
    }
    return endStatement();
}

}  // namespace Vesk
