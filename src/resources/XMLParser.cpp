#include "resources/XMLParser.h"

#include <array>
#include <optional>
#include <utility>

#include "resources/PakInterface.h"
#include "util/CommonText.h"

namespace Vesk {

namespace {

bool IsWhiteSpace(char16_t c) {
    return c == u' ' || (c >= 9 && c <= 13);
}

// Names, texts and instructions keep each character's low byte.
char LowByte(char16_t c) {
    return static_cast<char>(static_cast<unsigned char>(c & 0xFF));
}

bool EndsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Entities only start at '&'; most texts have none.
std::string DecodeAttributeText(const std::u16string& text) {
    if (text.find(u'&') == std::u16string::npos) {
        return WStringToString(text);
    }
    return WStringToString(XmlDecodeWString(text));
}

// Which bytes end a run of ordinary characters: outside quotes white space, controls, quotes
// and angle brackets (and '=' in an attribute name); inside quotes only the quote and the line
// feed (which counts a line).
enum RunStop : uint8_t { kStopOutside = 1, kStopInName = 2, kStopInQuotes = 4 };

constexpr std::array<uint8_t, 256> MakeRunStops() {
    std::array<uint8_t, 256> stops{};
    for (int c = 0; c <= 32; ++c) {
        stops[c] = kStopOutside | kStopInName;
    }
    for (const char c : {'"', '<', '>'}) {
        stops[static_cast<uint8_t>(c)] = kStopOutside | kStopInName;
    }
    stops['='] = kStopInName;
    stops['"'] |= kStopInQuotes;
    stops['\n'] |= kStopInQuotes;
    return stops;
}

constexpr std::array<uint8_t, 256> kRunStops = MakeRunStops();

}  // namespace

// The tokenizer's state within one element.
struct XMLParser::TokenState {
    bool whiteSpacePending = false;
    bool inQuotes = false;
    bool attributeBegun = false;
    bool equalsSeen = false;
    bool closingQuoteSeen = false;
    std::u16string attributeName;
    std::u16string attributeValue;
    bool attributeAdded = false;
    // The value of the attribute added last; map nodes stay put while the element lives.
    std::string* lastAttribute = nullptr;
    int32_t attributeCount = 0;

    void Reset() {
        whiteSpacePending = inQuotes = attributeBegun = equalsSeen = closingQuoteSeen = false;
        attributeName.clear();
        attributeValue.clear();
        attributeAdded = false;
        lastAttribute = nullptr;
        attributeCount = 0;
    }
};

XMLParser::XMLParser() : mToken(std::make_unique<TokenState>()) {}

XMLParser::~XMLParser() = default;

void XMLParser::Init() {
    mSection.clear();
    mErrorText.clear();
    mHasFailed = false;
    mLineNum = 1;
    mStartOfDocument = true;
    mByteSwap = false;
}

bool XMLParser::OpenFile(const std::string& fileName) {
    mPushback.clear();
    mFileData.clear();
    mFilePos = 0;
    mEncoding = Encoding::SingleByte;

    std::string error;
    std::optional<std::vector<uint8_t>> data = PakReadWholeFile(fileName, error);
    if (!data) {
        mLineNum = 0;
        Fail(error.empty() ? "Unable to open file " + fileName : error);
        return false;
    }
    mFileData = std::move(*data);

    const std::vector<uint8_t>& d = mFileData;
    if (d.size() >= 2 && ((d[0] == 0xFF && d[1] == 0xFE) || (d[0] == 0xFE && d[1] == 0xFF))) {
        mEncoding = Encoding::Utf16;
    } else if (d.size() >= 3 && d[0] == 0xEF && d[1] == 0xBB && d[2] == 0xBF) {
        mEncoding = Encoding::Utf8;
    }

    mFileName = fileName;
    Init();
    return true;
}

void XMLParser::SetString(std::string_view text) {
    // One byte per character, read in order: the same as the single-byte file reader.
    mFileData.assign(text.begin(), text.end());
    mFilePos = 0;
    mFileName.clear();
    mEncoding = Encoding::SingleByte;
    Init();
    mPushback.clear();
}

bool XMLParser::Fail(std::string text) {
    mErrorText = std::move(text);
    mHasFailed = true;
    return false;
}

void XMLParser::PushBack(std::u16string_view text) {
    mPushback.append(text.rbegin(), text.rend());
}

bool XMLParser::ReadByte(uint8_t& byte) {
    if (mFilePos >= mFileData.size()) {
        return false;
    }
    byte = mFileData[mFilePos++];
    return true;
}

XMLParser::CharResult XMLParser::GetNextChar(char16_t& c) {
    if (!mPushback.empty()) {
        c = mPushback.back();
        mPushback.pop_back();
        return CharResult::Char;
    }
    switch (mEncoding) {
        case Encoding::Utf8:
            return ReadUtf8(c);
        case Encoding::Utf16:
            return ReadUtf16(c);
        case Encoding::SingleByte:
            break;
    }
    return ReadSingleByte(c);
}

XMLParser::CharResult XMLParser::ReadSingleByte(char16_t& c) {
    uint8_t byte = 0;
    if (!ReadByte(byte)) {
        return CharResult::End;
    }
    c = byte;
    return CharResult::Char;
}

XMLParser::CharResult XMLParser::ReadUtf8(char16_t& c) {
    for (;;) {
        uint8_t lead = 0;
        if (!ReadByte(lead)) {
            return CharResult::End;
        }

        uint32_t code = lead;
        if (lead >= 0x80) {
            int extra = 0;
            if ((lead & 0xE0) == 0xC0) {
                if ((lead & 0x3E) == 0) {
                    return CharResult::Error;
                }
                extra = 1;
                code = lead & 0x1F;
            } else if ((lead & 0xF0) == 0xE0) {
                extra = 2;
                code = lead & 0x0F;
            } else if ((lead & 0xF8) == 0xF0) {
                extra = 3;
                code = lead & 0x07;
            } else if ((lead & 0xFC) == 0xF8) {
                extra = 4;
                code = lead & 0x03;
            } else {
                return CharResult::Error;
            }

            // With no payload in the lead, the first continuation byte must
            // carry bits the shorter form could not hold.
            static constexpr uint8_t kOverlongMask[] = {0, 0, 0x20, 0x30, 0x38};
            const bool leadEmpty = code == 0;
            for (int i = 0; i < extra; ++i) {
                uint8_t next = 0;
                if (!ReadByte(next) || (next & 0xC0) != 0x80) {
                    return CharResult::Error;
                }
                if (i == 0 && extra >= 2 && leadEmpty && (next & kOverlongMask[extra]) == 0) {
                    return CharResult::Error;
                }
                code = (code << 6) | (next & 0x3F);
            }
        }

        if ((code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF) {
            return CharResult::Error;
        }
        if (mStartOfDocument && code == 0xFEFF) {
            mStartOfDocument = false;
            continue;
        }
        c = static_cast<char16_t>(code & 0xFFFF);
        return CharResult::Char;
    }
}

XMLParser::CharResult XMLParser::ReadUtf16Unit(uint16_t& unit) {
    uint8_t low = 0;
    if (!ReadByte(low)) {
        return CharResult::End;
    }
    uint8_t high = 0;
    // Half a unit at the end means the file was cut.
    if (!ReadByte(high)) {
        return CharResult::Error;
    }
    unit = static_cast<uint16_t>(low | (high << 8));
    if (mByteSwap) {
        unit = static_cast<uint16_t>((unit >> 8) | (unit << 8));
    }
    return CharResult::Char;
}

XMLParser::CharResult XMLParser::ReadUtf16(char16_t& c) {
    uint16_t unit = 0;
    CharResult result = ReadUtf16Unit(unit);
    if (result != CharResult::Char) {
        return result;
    }

    if (mStartOfDocument) {
        mStartOfDocument = false;
        if (unit == 0xFEFF || unit == 0xFFFE) {
            mByteSwap = unit == 0xFFFE;
            result = ReadUtf16Unit(unit);
            if (result != CharResult::Char) {
                return result;
            }
        }
    }

    if (unit >= 0xD800 && unit <= 0xDFFF) {
        uint16_t second = 0;
        if (ReadUtf16Unit(second) != CharResult::Char || second < 0xDC00 || second > 0xDFFF) {
            return CharResult::Error;
        }
        const uint32_t code = 0x10000u + ((uint32_t{unit} - 0xD800u) << 10) + (second - 0xDC00u);
        c = static_cast<char16_t>(code & 0xFFFF);
        return CharResult::Char;
    }
    c = static_cast<char16_t>(unit);
    return CharResult::Char;
}

bool XMLParser::AddAttribute(XMLElement& element, TokenState& state) {
    if (state.attributeCount >= kMaxAttributes) {
        return Fail("Too Many Attributes");
    }
    ++state.attributeCount;

    std::string name = DecodeAttributeText(state.attributeName);
    std::string value = DecodeAttributeText(state.attributeValue);
    if (name != "/") {
        element.mAttributeNames.push_back(name);
    }
    std::string& stored = element.mAttributes[std::move(name)];
    stored = std::move(value);
    state.lastAttribute = &stored;
    state.attributeAdded = true;

    state.attributeName.clear();
    state.attributeValue.clear();
    state.equalsSeen = false;
    state.closingQuoteSeen = false;
    return true;
}

bool XMLParser::StoreChar(char16_t c, XMLElement& element, TokenState& state) {
    if (element.mType == XMLElement::TYPE_NONE) {
        element.mType = XMLElement::TYPE_TEXT;
    }

    if (element.mType != XMLElement::TYPE_START) {
        // Runs of white space inside text become one space; leading and
        // trailing white space never gets here.
        if (state.whiteSpacePending) {
            element.mValue.push_back(' ');
            state.whiteSpacePending = false;
        }
        element.mValue.push_back(LowByte(c));
        return true;
    }

    if (state.whiteSpacePending) {
        state.whiteSpacePending = false;
        if (!state.attributeBegun) {
            state.attributeBegun = true;
        } else if (!state.equalsSeen) {
            // A bare name followed by another token: an attribute without a value.
            if (c != u'=' && !AddAttribute(element, state)) {
                return false;
            }
        } else if (!state.attributeValue.empty() || state.closingQuoteSeen) {
            if (!AddAttribute(element, state)) {
                return false;
            }
        }
    }

    if (!state.attributeBegun) {
        element.mValue.push_back(LowByte(c));
    } else if (c == u'=' && !state.equalsSeen && !state.inQuotes) {
        state.equalsSeen = true;
        state.closingQuoteSeen = false;
    } else if (!state.equalsSeen) {
        state.attributeName.push_back(c);
    } else {
        state.attributeValue.push_back(c);
    }
    return true;
}

void XMLParser::TakeRun(XMLElement& element, TokenState& state) {
    // Only plain bytes from memory can be taken in bulk; pushed-back text and the decoding
    // readers go one character at a time.
    if (!mPushback.empty() || mEncoding != Encoding::SingleByte || state.whiteSpacePending) {
        return;
    }
    const uint8_t* data = mFileData.data();
    const size_t size = mFileData.size();
    size_t end = mFilePos;
    const bool inStartTag = element.mType == XMLElement::TYPE_START;
    const bool inName = inStartTag && state.attributeBegun && !state.equalsSeen;
    const uint8_t stop = state.inQuotes ? kStopInQuotes : inName ? kStopInName : kStopOutside;
    while (end < size && (kRunStops[data[end]] & stop) == 0) {
        ++end;
    }
    if (!inStartTag || !state.attributeBegun) {
        element.mValue.append(reinterpret_cast<const char*>(data + mFilePos), end - mFilePos);
    } else {
        std::u16string& target = inName ? state.attributeName : state.attributeValue;
        const size_t at = target.size();
        target.resize(at + (end - mFilePos));
        for (size_t i = mFilePos; i < end; ++i) {
            target[at + i - mFilePos] = data[i];
        }
    }
    mFilePos = end;
}

void XMLParser::SkipWhiteSpaceRun() {
    // Further white space changes nothing once one character of it has been seen.
    if (!mPushback.empty() || mEncoding != Encoding::SingleByte) {
        return;
    }
    const size_t size = mFileData.size();
    while (mFilePos < size) {
        const uint8_t c = mFileData[mFilePos];
        if (c != ' ' && (c < 9 || c > 13)) {
            break;
        }
        if (c == '\n') {
            ++mLineNum;
        }
        ++mFilePos;
    }
}

bool XMLParser::CloseStartTag(XMLElement& element, TokenState& state) {
    bool selfClosing = false;
    if (state.attributeBegun && state.attributeName == u"/") {
        selfClosing = true;
    } else {
        if (state.attributeBegun && !AddAttribute(element, state)) {
            return false;
        }
        if (state.attributeAdded) {
            std::string& value = *state.lastAttribute;
            if (!value.empty() && value.back() == '/') {
                value.pop_back();
                selfClosing = true;
            }
        } else if (!element.mValue.empty() && element.mValue.back() == '/') {
            element.mValue.pop_back();
            selfClosing = true;
        }
    }
    state.attributeBegun = false;

    const std::string& name = element.mValue;
    if (name.size() > kMaxNameLength) {
        return Fail("Name Too Long");
    }
    const size_t newLength = mSection.empty() ? name.size() : mSection.size() + 1 + name.size();
    if (newLength > kMaxSectionLength) {
        return Fail("Nesting Too Deep");
    }

    if (selfClosing) {
        PushBack(u"</" + StringToWString(name) + u">");
    }
    if (!mSection.empty()) {
        mSection.push_back('/');
    }
    mSection += name;
    return true;
}

bool XMLParser::CloseEndTag(XMLElement& element) {
    if (mSection.empty()) {
        return Fail("Unexpected End");
    }
    const size_t slash = mSection.rfind('/');
    const std::string last = slash == std::string::npos ? mSection : mSection.substr(slash + 1);
    if (element.mValue != last) {
        return Fail("End '" + element.mValue + "' Doesn't Match Start '" + last + "'");
    }
    mSection.resize(slash == std::string::npos ? 0 : slash);
    return true;
}

XMLParser::Step XMLParser::TakeMarkupChar(XMLElement& element, char16_t c) {
    std::string& instruction = element.mInstruction;
    if (element.mType == XMLElement::TYPE_COMMENT) {
        instruction.push_back(LowByte(c));
        if (c == u'>' && EndsWith(instruction, "-->")) {
            instruction.resize(instruction.size() - 3);
            return Step::Done;
        }
        return Step::More;
    }
    std::string& target = (instruction.empty() && !IsWhiteSpace(c)) ? element.mValue : instruction;
    target.push_back(LowByte(c));
    if (c == u'>' && EndsWith(target, "?>")) {
        target.resize(target.size() - 2);
        return Step::Done;
    }
    return Step::More;
}

XMLParser::Step XMLParser::TakeAngle(XMLElement& element, TokenState& state, char16_t c) {
    if (c == u'<') {
        if (element.mType == XMLElement::TYPE_TEXT) {
            PushBack(u"<");
            return Step::Done;
        }
        if (element.mType == XMLElement::TYPE_NONE) {
            element.mType = XMLElement::TYPE_START;
            return Step::More;
        }
        Fail("Unexpected '<'");
        return Step::Failed;
    }
    if (element.mType == XMLElement::TYPE_START) {
        return CloseStartTag(element, state) ? Step::Done : Step::Failed;
    }
    if (element.mType == XMLElement::TYPE_END) {
        return CloseEndTag(element) ? Step::Done : Step::Failed;
    }
    Fail("Unexpected '>'");
    return Step::Failed;
}

bool XMLParser::ReadElement(XMLElement& element, TokenState& state) {
    for (;;) {
        char16_t c = 0;
        const CharResult result = GetNextChar(c);
        if (result == CharResult::Error) {
            return Fail("Illegal Character");
        }
        if (result == CharResult::End) {
            // Only an element cut short is an error: elements still open
            // (a DOCTYPE line opens one that never closes) end with the input.
            if (element.mType != XMLElement::TYPE_NONE) {
                return Fail("Unexpected End of File");
            }
            return false;
        }
        if (c == u'\n') {
            ++mLineNum;
        }
        if (element.mType == XMLElement::TYPE_COMMENT ||
            element.mType == XMLElement::TYPE_INSTRUCTION) {
            const Step step = TakeMarkupChar(element, c);
            if (step == Step::More) {
                continue;
            }
            return step == Step::Done;
        }

        const bool inTag =
            element.mType == XMLElement::TYPE_START || element.mType == XMLElement::TYPE_END;
        if (c == u'"') {
            state.inQuotes = !state.inQuotes;
            if (inTag) {
                if (!state.inQuotes) {
                    state.closingQuoteSeen = true;
                }
                continue;
            }
            // In text a quote is an ordinary character.
            if (!StoreChar(c, element, state)) {
                return false;
            }
            continue;
        }
        if (state.inQuotes) {
            if (!StoreChar(c, element, state)) {
                return false;
            }
            TakeRun(element, state);
            continue;
        }
        if (c == u'<' || c == u'>') {
            const Step step = TakeAngle(element, state, c);
            if (step == Step::More) {
                continue;
            }
            return step == Step::Done;
        }

        std::string& value = element.mValue;
        if (element.mType == XMLElement::TYPE_START && value.empty()) {
            if (c == u'/') {
                element.mType = XMLElement::TYPE_END;
                continue;
            }
            if (c == u'?') {
                element.mType = XMLElement::TYPE_INSTRUCTION;
                continue;
            }
        }
        if (IsWhiteSpace(c)) {
            if (!value.empty()) {
                state.whiteSpacePending = true;
            }
            if (element.mType == XMLElement::TYPE_START && value.size() == 3 && value == "!--") {
                element.mType = XMLElement::TYPE_COMMENT;
            } else {
                SkipWhiteSpaceRun();
            }
            continue;
        }
        if (c <= 32) {
            return Fail("Illegal Character");
        }
        if (!StoreChar(c, element, state)) {
            return false;
        }
        TakeRun(element, state);
    }
}

bool XMLParser::NextElement(XMLElement* element) {
    // After an error the position in the document means nothing any more.
    if (element == nullptr || mHasFailed) {
        return false;
    }
    for (;;) {
        element->mType = XMLElement::TYPE_NONE;
        element->mSection = mSection;
        element->mValue.clear();
        element->mInstruction.clear();
        element->mAttributes.clear();
        element->mAttributeNames.clear();
        // Kept across elements so its buffers keep their room.
        TokenState& state = *mToken;
        state.Reset();
        if (!ReadElement(*element, state)) {
            return false;
        }
        if (element->mValue.find('&') != std::string::npos) {
            element->mValue = XmlDecodeString(element->mValue);
        }
        if (element->mType != XMLElement::TYPE_COMMENT) {
            return true;
        }
    }
}

}  // namespace Vesk
