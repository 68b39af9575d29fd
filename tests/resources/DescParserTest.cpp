#include "resources/DescParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Vesk {
namespace {

// Records every statement as text, with the line it began on.
class RecordingParser : public DescParser {
public:
    bool HandleCommand(const ListDataElement& params) override {
        mCommands.push_back(std::to_string(mCurrentLineNum) + ":" + DataElementToString(&params));
        return static_cast<const SingleDataElement*>(params[0])->mString != "Fail";
    }
    std::vector<std::string> mCommands;
};

struct StatementCase {
    const char* name;
    int32_t cmdSep;
    const char* text;
    std::vector<std::string> commands;
};

class Statements : public testing::TestWithParam<StatementCase> {};

TEST_P(Statements, SplitAndTokenize) {
    RecordingParser parser;
    parser.mCmdSep = GetParam().cmdSep;
    EXPECT_TRUE(parser.LoadDescriptorText(GetParam().text)) << parser.mError;
    EXPECT_EQ(parser.mCommands, GetParam().commands);
}

INSTANTIATE_TEST_SUITE_P(
    DescParser, Statements,
    testing::Values(
        StatementCase{"SemicolonsSplit", 1, "A 1; B 2", {"1:(A, 1)", "1:(B, 2)"}},
        StatementCase{"SemicolonInQuotesKept", 1, "A \"x;y\" 'p;q'", {"1:(A, \"x;y\", 'p;q')"}},
        StatementCase{"CommentLineIgnored", 1, "# A 1;\nB 2;", {"2:(B, 2)"}},
        StatementCase{"NestedLists", 1, "Foo 1, 2 (3 4)", {"1:(Foo, 1, 2, (3, 4))"}},
        StatementCase{"LinesJoinWithoutSemicolon", 1, "A 1\r\nB 2", {"1:(A, 1, B, 2)"}},
        StatementCase{
            "UnindentedLineStartsStatement", 2, "A 1\n  2\nB 3", {"1:(A, 1, 2)", "3:(B, 3)"}},
        StatementCase{"BackslashMakesLiteral", 1, "A \"\\\\\" b\\,c", {"1:(A, \"\\\", b,c)"}},
        StatementCase{"EscapedQuoteDoesNotClose", 1, "A \"x\\\";y\"", {"1:(A, \"x\";y\")"}},
        StatementCase{"EmptyStatementsSkipped", 1, ";;\n\n;A", {"3:(A)"}}),
    [](const auto& param) { return std::string(param.param.name); });

struct ErrorCase {
    const char* text;
    const char* error;
};

class StatementErrors : public testing::TestWithParam<ErrorCase> {};

TEST_P(StatementErrors, StopReadingWithTheText) {
    RecordingParser parser;
    EXPECT_FALSE(parser.LoadDescriptorText(GetParam().text));
    EXPECT_EQ(parser.mError, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    DescParser, StatementErrors,
    testing::Values(ErrorCase{"Foo (1 2", "Unterminated List"},
                    ErrorCase{"Foo 'a", "Unterminated Single Quotes"},
                    ErrorCase{"Foo \"a", "Unterminated Double Quotes"},
                    ErrorCase{"Foo a(b)", "Unexpected List Start"},
                    ErrorCase{"Foo )", "Unexpected List End"},
                    ErrorCase{"(a) b", "Missing Command"},
                    ErrorCase{
                        "Foo ((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((("
                        "(((((((((",
                        "Lists Nested Too Deep"}));

TEST(DescParser, AFailedStatementStopsTheRest) {
    RecordingParser parser;
    EXPECT_FALSE(parser.LoadDescriptorText("A; Fail; B"));
    EXPECT_EQ(parser.mCommands, (std::vector<std::string>{"1:(A)", "1:(Fail)"}));
}

TEST(DescParser, UnquoteKeepsDoubledQuotes) {
    EXPECT_EQ(DescParser::Unquote("'it''s'"), "it's");
    EXPECT_EQ(DescParser::Unquote("''"), "'");
    EXPECT_EQ(DescParser::Unquote("\"a'b\""), "a'b");
    EXPECT_EQ(DescParser::Unquote("plain"), "plain");
    EXPECT_TRUE(DescParser::IsImmediate("-1"));
    EXPECT_TRUE(DescParser::IsImmediate("'x'"));
    EXPECT_FALSE(DescParser::IsImmediate("Name"));
}

TEST(DescParser, ConversionsDereferenceDefines) {
    RecordingParser parser;
    ListDataElement numbers;
    numbers.mElementVector.push_back(std::make_unique<SingleDataElement>("1"));
    numbers.mElementVector.push_back(std::make_unique<SingleDataElement>("0x10"));
    parser.AddDefine("Nums", numbers);
    parser.AddDefine("Word", SingleDataElement("'hi'"));

    const SingleDataElement numsName("NUMS");
    const SingleDataElement wordName("word");
    const SingleDataElement listName("nums");
    const SingleDataElement missingName("Nope");
    std::vector<int32_t> ints;
    EXPECT_TRUE(parser.DataToIntVector(&numsName, &ints));
    EXPECT_EQ(ints, (std::vector<int32_t>{1, 16}));

    std::string text;
    EXPECT_TRUE(parser.DataToString(&wordName, &text));
    EXPECT_EQ(text, "hi");
    EXPECT_FALSE(parser.DataToString(&listName, &text));

    ListDataElement withName;
    withName.mElementVector.push_back(std::make_unique<SingleDataElement>("Nums"));
    withName.mElementVector.push_back(std::make_unique<SingleDataElement>("Missing"));
    ListDataElement out;
    EXPECT_FALSE(parser.DataToList(&withName, &out));
    EXPECT_EQ(parser.mError, "Unable to Dereference \"Missing\"");

    EXPECT_FALSE(parser.DataToIntVector(&missingName, &ints));
    EXPECT_EQ(parser.mError, "Unable to Dereference \"Nope\"");
    ListDataElement notNumbers;
    notNumbers.mElementVector.push_back(std::make_unique<SingleDataElement>("1x"));
    EXPECT_FALSE(parser.DataToIntVector(&notNumbers, &ints));
}

}  // namespace
}  // namespace Vesk
