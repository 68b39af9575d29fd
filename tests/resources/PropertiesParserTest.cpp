#include "resources/PropertiesParser.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "util/Buffer.h"

namespace Vesk {
namespace {

class FakeTables : public PropertyTables {
public:
    void SetString(const std::string& id, const std::u16string& text) override {
        strings[id] = text;
    }
    void SetStringVector(const std::string& id, const std::vector<std::string>& texts) override {
        lists[id] = texts;
    }
    void SetBoolean(const std::string& id, bool value) override { booleans[id] = value; }
    void SetInteger(const std::string& id, int32_t value) override { integers[id] = value; }
    void SetDouble(const std::string& id, double value) override { doubles[id] = value; }

    std::map<std::string, std::u16string> strings;
    std::map<std::string, std::vector<std::string>> lists;
    std::map<std::string, bool> booleans;
    std::map<std::string, int32_t> integers;
    std::map<std::string, double> doubles;
};

Buffer MakeBuffer(const std::string& text) {
    Buffer buffer;
    buffer.SetData(text.data(), static_cast<int32_t>(text.size()));
    return buffer;
}

struct Outcome {
    bool ok = false;
    std::string error;
};

Outcome Read(FakeTables& tables, const std::string& text) {
    PropertiesParser parser(tables);
    const bool ok = parser.ReadPropertiesBuffer(MakeBuffer(text));
    return {ok, parser.GetErrorText()};
}

TEST(PropertiesParserTest, EveryValueType) {
    FakeTables tables;
    const Outcome outcome = Read(tables, R"(<?xml version="1.0"?>
<!-- the game's settings -->
<Properties>
  <String id="TITLE">  Vorns   of the
     Forest </String>
  <String id="ESCAPED">a &lt;b&gt; &amp; c&cr;d</String>
  <String id="HIGH">caf)"
                                         "\xE9"
                                         R"(</String>
  <String id="EMPTY"></String>
  <String id="SHORT"/>
  <StringArray id="NAMES">
    <String>one</String>
    <String>two words</String>
    <String/>
  </StringArray>
  <StringArray id="NONE"></StringArray>
  <Boolean id="B1">true</Boolean>
  <Boolean id="B2">True</Boolean>
  <Boolean id="B3">TRUE</Boolean>
  <Boolean id="B4">false</Boolean>
  <Integer id="I1">0x1F</Integer>
  <Integer id="I2">-42</Integer>
  <Integer id="I3">0</Integer>
  <Double id="D1">0.75</Double>
  <Double id="D2">-12.5</Double>
  <Double id="D3">3</Double>
</Properties>
<Properties>
  <Integer id="I3">7</Integer>
</Properties>
)");
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(outcome.error, "");

    EXPECT_EQ(tables.strings.at("TITLE"), u"Vorns of the Forest");
    EXPECT_EQ(tables.strings.at("ESCAPED"), u"a <b> & c\nd");
    EXPECT_EQ(tables.strings.at("HIGH"), u"caf\u00E9");
    EXPECT_EQ(tables.strings.at("EMPTY"), u"");
    EXPECT_EQ(tables.strings.at("SHORT"), u"");
    EXPECT_EQ(tables.lists.at("NAMES"), (std::vector<std::string>{"one", "two words", ""}));
    EXPECT_TRUE(tables.lists.at("NONE").empty());
    EXPECT_TRUE(tables.booleans.at("B1"));
    EXPECT_TRUE(tables.booleans.at("B2"));
    EXPECT_TRUE(tables.booleans.at("B3"));
    EXPECT_FALSE(tables.booleans.at("B4"));
    EXPECT_EQ(tables.integers.at("I1"), 31);
    EXPECT_EQ(tables.integers.at("I2"), -42);
    EXPECT_EQ(tables.integers.at("I3"), 7);  // the later value wins
    EXPECT_DOUBLE_EQ(tables.doubles.at("D1"), 0.75);
    EXPECT_DOUBLE_EQ(tables.doubles.at("D2"), -12.5);
    EXPECT_DOUBLE_EQ(tables.doubles.at("D3"), 3.0);
    // A String inside a StringArray is not a string-table entry.
    EXPECT_EQ(tables.strings.size(), 5u);
}

TEST(PropertiesParserTest, EmptyBufferIsAnEmptyDocument) {
    FakeTables tables;
    const Outcome outcome = Read(tables, "");
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.error, "");
}

TEST(PropertiesParserTest, ErrorTexts) {
    struct Case {
        std::string text;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"<Settings/>", "Invalid Section 'Settings' on Line 1"},
        {"junk <Properties/>", "Element Not Expected 'junk' on Line 1"},
        {"<Properties><Float id=\"f\">1</Float></Properties>", "Invalid Section 'Float' on Line 1"},
        {"<Properties><String id=\"s\">a<b/></String></Properties>",
         "Unexpected Section: 'b' on Line 1"},
        {"<Properties><StringArray id=\"l\"><Item>x</Item></StringArray></Properties>",
         "Invalid Section 'Item' on Line 1"},
        {"<Properties><StringArray id=\"l\">loose</StringArray></Properties>",
         "Element Not Expected 'loose' on Line 1"},
        {"<Properties><Boolean id=\"b\">yes</Boolean></Properties>",
         "Invalid Boolean Value: 'yes' on Line 1"},
        {"<Properties><Integer id=\"i\">12a</Integer></Properties>",
         "Invalid Integer Value: '12a' on Line 1"},
        {"<Properties><Double id=\"d\">1e5</Double></Properties>",
         "Invalid Double Value: '1e5' on Line 1"},
        {"<Properties>\n<String id=\"s\">x</Strin>\n</Properties>",
         "End 'Strin' Doesn't Match Start 'String' on Line 2"},
        {"<Properties><String id=\"s\">x", "Unexpected End of File on Line 1"},
        {std::string("<Properties>\0</Properties>", 26), "Illegal Character on Line 1"},
        {"<Properties>\n<a<b>", "Unexpected '<' on Line 2"},
        {"<Properties>\n\n>", "Unexpected '>' on Line 3"},
        {"</Properties>", "Unexpected End on Line 1"},
    };
    for (const Case& c : cases) {
        FakeTables tables;
        const Outcome outcome = Read(tables, c.text);
        EXPECT_FALSE(outcome.ok) << c.text;
        EXPECT_EQ(outcome.error, c.error) << c.text;
    }
}

TEST(PropertiesParserTest, TextBetweenPropertiesNamesItsLine) {
    FakeTables tables;
    const Outcome outcome = Read(tables,
                                 "<Properties>\n"
                                 "  <String id=\"A\">x</String>\n"
                                 "  stray words\n"
                                 "  <String id=\"B\">y</String>\n"
                                 "</Properties>\n");
    EXPECT_FALSE(outcome.ok);
    // The text ends where the next tag begins.
    EXPECT_EQ(outcome.error, "Element Not Expected 'stray words' on Line 4");
    // What came before the error stays set; nothing after it is read.
    EXPECT_EQ(tables.strings.at("A"), u"x");
    EXPECT_EQ(tables.strings.count("B"), 0u);
}

TEST(PropertiesParserTest, OnlyTheFirstErrorIsKept) {
    FakeTables tables;
    PropertiesParser parser(tables);
    EXPECT_FALSE(parser.ReadPropertiesBuffer(
        MakeBuffer("<Properties><Integer id=\"i\">x</Integer></Properties>")));
    EXPECT_FALSE(parser.ReadPropertiesBuffer(MakeBuffer("<Other/>")));
    EXPECT_EQ(parser.GetErrorText(), "Invalid Integer Value: 'x' on Line 1");
}

}  // namespace
}  // namespace Vesk
