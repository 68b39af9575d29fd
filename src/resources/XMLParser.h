#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "resources/XMLElement.h"

namespace Vesk {

// A lenient pull parser for the program's own XML files: start and end tags
// with attributes (quotes optional), text with its white space collapsed,
// processing instructions and comments (which are skipped). No DTDs, CDATA or
// numeric character references. It tracks the path of open elements and checks
// that end tags match.
//
// Callers loop on NextElement until it answers false, then ask HasFailed to
// tell the end of the document from an error. The first error ends the parse.
class XMLParser {
public:
    // Limits that keep hostile input from costing unbounded memory or time;
    // the program's own files stay far below them.
    static constexpr size_t kMaxNameLength = 256;
    static constexpr size_t kMaxSectionLength = 4096;
    static constexpr int32_t kMaxAttributes = 1024;

    XMLParser();
    virtual ~XMLParser();
    XMLParser(const XMLParser&) = delete;
    XMLParser& operator=(const XMLParser&) = delete;

    // Reads the whole file through the file layer, archives first. Its encoding comes from its
    // byte-order mark: UTF-16 in either byte order, UTF-8, or one byte per character when there is
    // none.
    bool OpenFile(const std::string& fileName);
    // Parses the text, one byte per character.
    void SetString(std::string_view text);

    bool NextElement(XMLElement* element);

    bool HasFailed() const { return mHasFailed; }
    std::string GetErrorText() const { return mErrorText; }
    int32_t GetCurrentLineNum() const { return mLineNum; }
    std::string GetFileName() const { return mFileName; }

private:
    enum class Encoding { SingleByte, Utf8, Utf16 };
    enum class CharResult { Char, End, Error };
    struct TokenState;

    void Init();
    bool Fail(std::string text);
    // Queues the text to be read next, first character first.
    void PushBack(std::u16string_view text);

    CharResult GetNextChar(char16_t& c);
    bool ReadByte(uint8_t& byte);
    CharResult ReadSingleByte(char16_t& c);
    CharResult ReadUtf8(char16_t& c);
    CharResult ReadUtf16Unit(uint16_t& unit);
    CharResult ReadUtf16(char16_t& c);

    // What one character did to the element being read.
    enum class Step { More, Done, Failed };
    // Reads characters until the element is whole; false at the end of the input or after
    // recording an error.
    bool ReadElement(XMLElement& element, TokenState& state);
    // Inside a comment or a processing instruction.
    Step TakeMarkupChar(XMLElement& element, char16_t c);
    // A '<' or '>' outside quotes.
    Step TakeAngle(XMLElement& element, TokenState& state, char16_t c);

    // Per-character steps; false after recording an error.
    bool StoreChar(char16_t c, XMLElement& element, TokenState& state);
    bool AddAttribute(XMLElement& element, TokenState& state);
    bool CloseStartTag(XMLElement& element, TokenState& state);
    bool CloseEndTag(XMLElement& element);
    // After an ordinary character: takes the run of ordinary characters behind it at once.
    void TakeRun(XMLElement& element, TokenState& state);
    // After a white-space character outside quotes: skips the white space behind it.
    void SkipWhiteSpaceRun();

    std::string mFileName;
    std::string mErrorText;
    int32_t mLineNum = 0;
    // The bytes of the open file, read whole through the file layer.
    std::vector<uint8_t> mFileData;
    size_t mFilePos = 0;
    bool mHasFailed = false;
    // Characters are taken from the back.
    std::u16string mPushback;
    std::string mSection;
    Encoding mEncoding = Encoding::SingleByte;
    bool mStartOfDocument = false;
    bool mByteSwap = false;
    std::unique_ptr<TokenState> mToken;
};

}  // namespace Vesk
