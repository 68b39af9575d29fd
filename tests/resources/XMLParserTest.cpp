#include "resources/XMLParser.h"

#include "util/CommonText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace Vesk {
namespace {

using Attributes = std::map<std::string, std::string>;

struct ParseResult {
    std::vector<XMLElement> elements;
    std::string error;  // empty for a clean end
    int32_t line = 0;
};

ParseResult Drain(XMLParser& parser) {
    ParseResult result;
    XMLElement element;
    while (parser.NextElement(&element) && result.elements.size() < 100000) {
        result.elements.push_back(element);
    }
    result.error = parser.HasFailed() ? parser.GetErrorText() : std::string();
    result.line = parser.GetCurrentLineNum();
    return result;
}

ParseResult ParseText(const std::string& text) {
    XMLParser parser;
    parser.SetString(text);
    return Drain(parser);
}

ParseResult ParseFile(const std::string& bytes) {
    // One file per test: ctest runs the tests of this binary in parallel processes.
    const std::string path = testing::TempDir() + "/xml_parser_" +
                             testing::UnitTest::GetInstance()->current_test_info()->name() + ".xml";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    XMLParser parser;
    EXPECT_TRUE(parser.OpenFile(path));
    EXPECT_EQ(parser.GetFileName(), path);
    return Drain(parser);
}

std::string Utf16(const std::u16string& text, bool bigEndian) {
    std::string bytes;
    for (const char16_t c : text) {
        const char low = static_cast<char>(c & 0xFF);
        const char high = static_cast<char>(c >> 8);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

TEST(XMLParserTest, Attributes) {
    ParseResult r = ParseText(R"(<a b="1" c=2 d></a>)");
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.elements.size(), 2u);
    EXPECT_EQ(r.elements[0].mType, XMLElement::TYPE_START);
    EXPECT_EQ(r.elements[0].mValue, "a");
    EXPECT_EQ(r.elements[0].mAttributes, (Attributes{{"b", "1"}, {"c", "2"}, {"d", ""}}));
    EXPECT_EQ(r.elements[0].mAttributeNames, (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_EQ(r.elements[1].mType, XMLElement::TYPE_END);
    EXPECT_TRUE(r.elements[1].mAttributeNames.empty());  // not carried over

    r = ParseText(R"(<t x = "a b" y="" z="<>/?=" w='q' e="&lt;&amp;&gt;&quot;" x="2"/>)");
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.elements.at(0).mAttributes,
              (Attributes{{"x", "2"}, {"y", ""}, {"z", "<>/?="}, {"w", "'q'"}, {"e", "<&>\""}}));
    EXPECT_EQ(r.elements[0].mAttributeNames,
              (std::vector<std::string>{"x", "y", "z", "w", "e", "x"}));
}

TEST(XMLParserTest, SelfClosingFormsGiveStartThenEnd) {
    for (const std::string text : {"<br/>", "<br />", "<br/ >"}) {
        const ParseResult r = ParseText(text);
        ASSERT_EQ(r.error, "") << text;
        ASSERT_EQ(r.elements.size(), 2u) << text;
        EXPECT_EQ(r.elements[0].mValue, "br");
        EXPECT_TRUE(r.elements[0].mAttributes.empty()) << text;
        EXPECT_EQ(r.elements[1].mType, XMLElement::TYPE_END);
        EXPECT_EQ(r.elements[1].mValue, "br");
    }

    ParseResult r = ParseText(R"(<r><img src="x"/></r>)");
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.elements.size(), 4u);
    EXPECT_EQ(r.elements[1].mAttributes.at("src"), "x");
    EXPECT_EQ(r.elements[2].mType, XMLElement::TYPE_END);
    EXPECT_EQ(r.elements[2].mValue, "img");

    // A last value ending in a slash closes the tag and loses the slash.
    r = ParseText(R"(<f path="dir/">)");
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.elements.at(0).mAttributes.at("path"), "dir");
    EXPECT_EQ(r.elements.at(1).mType, XMLElement::TYPE_END);
}

TEST(XMLParserTest, Text) {
    ParseResult r = ParseText("<a>  \t a \r\n  and    b  \n</a>\n  <b> </b>");
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.elements.size(), 5u);  // no element for the white space between tags
    EXPECT_EQ(r.elements[1].mType, XMLElement::TYPE_TEXT);
    EXPECT_EQ(r.elements[1].mValue, "a and b");

    // Quotes in text are kept, and so is everything between them.
    r = ParseText(R"(<a>say "x  <y>" ok</a>)");
    EXPECT_EQ(r.elements.at(1).mValue, R"(say "x  <y>" ok)");

    r = ParseText("<a>&lt;&amp;&gt; &apos;&nbsp;&cr;&foo;x&#65; a&b</a>");
    EXPECT_EQ(r.elements.at(1).mValue, "<&> ' \n&x& a&b");
}

TEST(XMLParserTest, CommentsAndInstructions) {
    ParseResult r = ParseText("<?xml version=\"1.0\"?>\n<a><!-- a <b> comment --></a><?go?>");
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.elements.size(), 4u);
    EXPECT_EQ(r.elements[0].mType, XMLElement::TYPE_INSTRUCTION);
    EXPECT_EQ(r.elements[0].mValue, "xml");
    EXPECT_EQ(r.elements[0].mInstruction, " version=\"1.0\"");
    EXPECT_EQ(r.elements[2].mType, XMLElement::TYPE_END);
    EXPECT_EQ(r.elements[3].mValue, "go");
    EXPECT_EQ(r.elements[3].mInstruction, "");

    // Without a space after the dashes it is a start tag.
    r = ParseText("<a><!--tight--></a>");
    ASSERT_EQ(r.elements.size(), 2u);
    EXPECT_EQ(r.elements[1].mValue, "!--tight--");
    EXPECT_EQ(r.error, "End 'a' Doesn't Match Start '!--tight--'");
}

TEST(XMLParserTest, SectionsTrackNesting) {
    const ParseResult r = ParseText("<a><b><c>t</c></b><d/></a>");
    ASSERT_EQ(r.error, "");
    std::vector<std::string> sections;
    for (const XMLElement& e : r.elements) {
        sections.push_back(e.mSection);
    }
    EXPECT_EQ(sections,
              (std::vector<std::string>{"", "a", "a/b", "a/b/c", "a/b/c", "a/b", "a", "a/d", "a"}));
}

TEST(XMLParserTest, Errors) {
    const std::pair<std::string, std::string> cases[] = {
        {"<a></b>", "End 'b' Doesn't Match Start 'a'"},
        {"</a>", "Unexpected End"},
        {"<a<b>", "Unexpected '<'"},
        {"</a<", "Unexpected '<'"},
        {">", "Unexpected '>'"},
        {"<a>x > y</a>", "Unexpected '>'"},
        {"<a>\x01</a>", "Illegal Character"},
        {std::string("<a>\0</a>", 8), "Illegal Character"},
        // Only an element cut short is an error; elements left open end with the input.
        {"<a", "Unexpected End of File"},
        {"<a b=\"1", "Unexpected End of File"},
        {"<a>text", "Unexpected End of File"},
        {"<a><b></b>", ""},
        {"<!DOCTYPE x>\n<a>t</a>\n", ""},
        {"<a><!-- never closed", "Unexpected End of File"},
        {"<?xml", "Unexpected End of File"},
        {"<a b=\"unterminated>  </a>", "Unexpected End of File"},
        {"<a>\"quoted text</a>", "Unexpected End of File"},
        {"", ""},
        {"  <a/>  \n ", ""},
    };
    for (const auto& [text, error] : cases) {
        EXPECT_EQ(ParseText(text).error, error) << text;
    }
}

TEST(XMLParserTest, LineNumbersAndStickyFailure) {
    XMLParser parser;
    parser.SetString("<a>\n<b>\n</c>\n</a>");
    EXPECT_EQ(parser.GetCurrentLineNum(), 1);
    ParseResult r = Drain(parser);
    EXPECT_EQ(r.error, "End 'c' Doesn't Match Start 'b'");
    EXPECT_EQ(r.line, 3);
    XMLElement element;
    EXPECT_FALSE(parser.NextElement(&element));
    EXPECT_TRUE(parser.GetFileName().empty());

    parser.SetString("<x/>");  // starts over
    EXPECT_EQ(Drain(parser).elements.size(), 2u);
    EXPECT_FALSE(parser.HasFailed());

    const std::string missing = testing::TempDir() + "/no such file.xml";
    EXPECT_FALSE(parser.OpenFile(missing));
    EXPECT_EQ(parser.GetErrorText(), "Unable to open file " + missing);
    EXPECT_EQ(parser.GetCurrentLineNum(), 0);
    EXPECT_FALSE(parser.NextElement(&element));
}

TEST(XMLParserTest, SingleByteAndUtf8Files) {
    // Without a signature every byte is one character.
    ParseResult r = ParseFile("<a v=\"\xC3\xA9\">\xC3\xA9</a>");
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.elements.at(0).mAttributes.at("v"), "\xC3\xA9");
    EXPECT_EQ(r.elements.at(1).mValue, "\xC3\xA9");

    // e-acute, the euro sign, U+1F600, and a 5-byte form whose low 16 bits are 'A'.
    r = ParseFile(
        "\xEF\xBB\xBF<a v=\"\xC3\xA9\" w=\"\xE2\x82\xAC\">\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"
        "\xF8\x88\x80\x81\x81</a>");
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.elements.at(0).mAttributes.at("v"), "\xE9");
    EXPECT_EQ(r.elements[0].mAttributes.at("w"), "");  // beyond one byte: cannot be narrowed
    EXPECT_EQ(r.elements.at(1).mValue, std::string("\xE9\xAC\x00"
                                                   "A",
                                                   4));

    for (const std::string bad :
         {"\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xF0\x80\x80\x80",
          "\xF8\x80\x80\x80\x80",                          // overlong forms
          "\xED\xA0\x80", "\xEF\xBF\xBE", "\xEF\xBF\xBF",  // surrogate, FFFE, FFFF
          "\x80", "\xFC\x80\x80\x80\x80\x80", "\xE2\x82", "\xE2\x41\x41"}) {
        EXPECT_EQ(ParseFile("\xEF\xBB\xBF<a>" + bad + "</a>").error, "Illegal Character")
            << testing::PrintToString(bad);
    }
}

TEST(XMLParserTest, Utf16Files) {
    // U+010D and U+0D0A carry 0x0D bytes that must survive; D83D DE00 is U+1F600.
    const std::u16string text = u"\xFEFF<a k=\"\x00E9\">\x010D\x0D0A\xD83D\xDE00\r\n</a>";
    for (const bool bigEndian : {false, true}) {
        const ParseResult r = ParseFile(Utf16(text, bigEndian));
        ASSERT_EQ(r.error, "");
        ASSERT_EQ(r.elements.size(), 3u);
        EXPECT_EQ(r.elements[0].mAttributes.at("k"), "\xE9");
        EXPECT_EQ(r.elements[1].mValue, std::string("\x0D\x0A\x00", 3));
        EXPECT_EQ(r.line, 2);
    }
    EXPECT_EQ(ParseFile(Utf16(u"\xFEFF<a>\xD800x</a>", false)).error, "Illegal Character");
    EXPECT_EQ(ParseFile(Utf16(u"\xFEFF<a>\xD83D", false)).error, "Illegal Character");
    const ParseResult odd = ParseFile(Utf16(u"\xFEFF<a/>", false) + "x");
    EXPECT_EQ(odd.elements.size(), 2u);
    EXPECT_EQ(odd.error, "Illegal Character");
}

TEST(XMLParserTest, HostileInputIsRejected) {
    std::string tag = "<a";
    for (int i = 0; i < XMLParser::kMaxAttributes; ++i) {
        tag += " x" + std::to_string(i) + "=1";
    }
    ParseResult r = ParseText(tag + "/>");
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.elements.at(0).mAttributes.size(), size_t{XMLParser::kMaxAttributes});
    EXPECT_EQ(ParseText(tag + " x/>").error, "Too Many Attributes");

    std::string deep;
    for (int i = 0; i < 100000; ++i) {
        deep += "<nest>";
    }
    r = ParseText(deep);
    EXPECT_EQ(r.error, "Nesting Too Deep");
    EXPECT_LT(r.elements.size(), XMLParser::kMaxSectionLength);

    const std::string longest(XMLParser::kMaxNameLength, 'n');
    EXPECT_EQ(ParseText("<" + longest + "/>").error, "");
    EXPECT_EQ(ParseText("<" + longest + "n/>").error, "Name Too Long");

    const std::string longText(1 << 20, 'z');
    r = ParseText("<a>" + longText + "</a>");
    EXPECT_EQ(r.elements.at(1).mValue, longText);
    EXPECT_EQ(ParseText("<a>" + std::string(1 << 16, '&') + ";</a>").elements.at(1).mValue, "&");
}

TEST(XMLParserTest, RandomInputNeverMisbehaves) {
    const std::string alphabet = "<>/?=\"!- \n\tab&;\x01\xC3\xA9\xFF\xFE\xD8";
    const std::string prefixes[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
    std::mt19937 random(12345);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const size_t length = random() % 64;
        for (size_t i = 0; i < length; ++i) {
            text.push_back(alphabet[random() % alphabet.size()]);
        }
        const ParseResult r =
            round % 10 == 0 ? ParseFile(prefixes[(round / 10) % 4] + text) : ParseText(text);
        EXPECT_LT(r.elements.size(), 100u) << testing::PrintToString(text);
    }
}

TEST(XMLParserTest, BulkRunsReadLikeOneCharacterAtATime) {
    // Strings take runs of plain characters in bulk; UTF-16 files never do.
    const std::string alphabet = "<>/?=\"!- \n\tab&;lt\x01\xE9";
    std::mt19937 random(777);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const size_t length = random() % 48;
        for (size_t i = 0; i < length; ++i) {
            text.push_back(alphabet[random() % alphabet.size()]);
        }
        const ParseResult bulk = ParseText(text);
        const ParseResult single = ParseFile(Utf16(u"\xFEFF" + StringToWString(text), false));
        ASSERT_EQ(bulk.error, single.error) << testing::PrintToString(text);
        ASSERT_EQ(bulk.line, single.line) << testing::PrintToString(text);
        ASSERT_EQ(bulk.elements.size(), single.elements.size()) << testing::PrintToString(text);
        for (size_t i = 0; i < bulk.elements.size(); ++i) {
            EXPECT_EQ(bulk.elements[i].mValue, single.elements[i].mValue);
            EXPECT_EQ(bulk.elements[i].mAttributes, single.elements[i].mAttributes);
            EXPECT_EQ(bulk.elements[i].mSection, single.elements[i].mSection);
        }
    }
}

}  // namespace
}  // namespace Vesk
