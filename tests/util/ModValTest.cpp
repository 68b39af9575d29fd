#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Process.h"
#include "util/ModVal.h"
#include "util/ModValMark.h"
#include "util/ModValRegistry.h"

namespace Vesk {
namespace {

namespace stdfs = std::filesystem;

struct Shown {
    std::string text;
    std::string title;
    uint32_t flags = 0;
};

class ModValTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        mRoot = stdfs::temp_directory_path() / (std::string("vesk_modval_") + info->name() + "_" +
                                                std::to_string(platform::ProcessId()));
        stdfs::remove_all(mRoot);
        stdfs::create_directories(mRoot);
        mSource = (mRoot / "tweaks.cpp").string();
    }
    void TearDown() override {
        std::error_code ec;
        stdfs::remove_all(mRoot, ec);
    }

    // Writes the source and dates it after every source seen so far, so it counts as changed.
    void Edit(const std::string& text) {
        Rewrite(text);
        mDate = std::max(ModValRegistry::Instance().NewestSourceTime(), Now() + 10'000'000) + 100;
        SetDate(mDate);
    }
    // Writes the source and keeps the date it had.
    void Rewrite(const std::string& text) {
        std::ofstream(mSource, std::ios::binary | std::ios::trunc) << text;
        if (mDate != 0) {
            SetDate(mDate);
        }
    }
    void SetDate(int64_t seconds) {
        const std::chrono::sys_seconds stamp{std::chrono::seconds(seconds)};
        stdfs::last_write_time(mSource, std::chrono::file_clock::from_sys(stamp));
    }
    static int64_t Now() {
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    }

    bool Reparse() {
        mShown.clear();
        return ReparseModVals(
            [this](const std::string& text, const std::string& title, uint32_t flags) {
                mShown.push_back({text, title, flags});
            });
    }
    std::string ShownText() const { return mShown.size() == 1 ? mShown[0].text : "<none>"; }

    stdfs::path mRoot;
    std::string mSource;
    int64_t mDate = 0;
    std::vector<Shown> mShown;
};

TEST_F(ModValTest, StoresTheEditedValues) {
    ModValMark number(mSource, 9, 1);
    ModValMark floating(mSource, 12, 2);
    ModValMark text(mSource, 17, 3);
    // Until something is stored each mark answers with its literal.
    EXPECT_EQ(number.Get(5), 5);
    EXPECT_EQ(floating.Get(1.0), 1.0);
    EXPECT_STREQ(text.Get("old"), "old");

    Edit(
        "int a = M(0x1F);\n"
        "double b = M2(-2.5f);\n"
        "const char* c = M(\"a\\tb \\\"q\\\" \\x41\\101\");\n");
    EXPECT_TRUE(Reparse());
    EXPECT_TRUE(mShown.empty());
    EXPECT_EQ(number.Get(5), 31);
    EXPECT_EQ(floating.Get(1.0), -2.5);
    EXPECT_EQ(floating.Get(1.0f), -2.5f);
    EXPECT_STREQ(text.Get("old"), "a\tb \"q\" AA");
}

TEST_F(ModValTest, UnchangedSourcesWarnButAreReadAgain) {
    ModValMark mark(mSource, 1, 1);
    mark.Get(0);
    Edit("M(1)\n");
    ASSERT_TRUE(Reparse());

    Rewrite("M(7)\n");
    EXPECT_FALSE(Reparse());
    ASSERT_EQ(mShown.size(), 1u);
    EXPECT_EQ(mShown[0].text, "WARNING: No file changes detected.  Files parsed: \r\n  " + mSource);
    EXPECT_EQ(mShown[0].title, "MODVAL WARNING!");
    EXPECT_EQ(mShown[0].flags, 0x30u);
    EXPECT_EQ(mark.Get(0), 7);

    // A second used file joins the list.
    const std::string other = (mRoot / "other.cpp").string();
    std::ofstream(other) << "x = M(3);\n";
    stdfs::last_write_time(other, stdfs::last_write_time(mSource));
    ModValMark second(other, 1, 1);
    second.Get(0);
    EXPECT_FALSE(Reparse());
    EXPECT_EQ(ShownText(), "WARNING: No file changes detected.  Files parsed: \r\n  " + other +
                               "\r\n  " + mSource);
    EXPECT_EQ(second.Get(0), 3);
}

TEST_F(ModValTest, WithoutUsedMarksTheWarningSaysNone) {
    // Registered but never evaluated: its file is not read.
    ModValMark mark(mSource, 1, 1);
    Edit("M(2)\n");
    EXPECT_FALSE(Reparse());
    EXPECT_EQ(ShownText(), "WARNING: No file changes detected.  Files parsed: \r\n  none");
    EXPECT_EQ(mark.Get(1), 1);
}

TEST_F(ModValTest, CallsCountOnlyOutsideCommentsAndTexts) {
    std::vector<std::unique_ptr<ModValMark>> marks;
    for (int32_t line = 1; line <= 12; ++line) {
        marks.push_back(std::make_unique<ModValMark>(mSource, 1, line));
        marks.back()->Get(-1);
    }
    Edit(
        "AM(1); CAM(2); xM(3);\n"                  // 1: letters before M
        "M(4)\n"                                   // 2: call at the start of the line
        "s = \"M(5)\"; // M(6)\n"                  // 3: inside a text and a comment
        "/* M(7) */ x = M1(8);\n"                  // 4
        "/* open\n"                                // 5
        "M(9) still */ y = M9(10);\n"              // 6
        "q = '\"'; z = M(11);\n"                   // 7: a quote in a character literal
        "t = \"a\\\n"                              // 8: text goes on in the next line
        "M(12)\"; w = M(13);\n"                    // 9
        "// comment \\\n"                          // 10: comment goes on
        "M(14)\n"                                  // 11
        "M10(15) M0(16) _M(17); 1'000'000;\r\n");  // 12
    ASSERT_TRUE(Reparse()) << ShownText();
    const int expected[] = {-1, 4, -1, 8, -1, 10, 11, -1, 13, -1, -1, 17};
    for (size_t i = 0; i < marks.size(); ++i) {
        EXPECT_EQ(marks[i]->Get(-1), expected[i]) << "line " << i + 1;
    }
}

TEST_F(ModValTest, CallsTakeTheMarksOfTheirLineInOrder) {
    ModValMark first(mSource, 5, 2);
    ModValMark second(mSource, 20, 2);
    ModValMark later(mSource, 1, 4);
    for (ModValMark* mark : {&first, &second, &later}) {
        mark->Get(0);
    }
    Edit("x\r\na = M(1) + M(2);\r\nM(3);\r\nM(4);\r\n");
    ASSERT_TRUE(Reparse()) << ShownText();
    EXPECT_EQ(first.Get(0), 1);
    EXPECT_EQ(second.Get(0), 2);
    EXPECT_EQ(later.Get(0), 4);

    // One call left on line 2: the second mark is passed over and keeps its value.
    Edit("x\na = M(10);\nM(3);\nM(40);\n");
    ASSERT_TRUE(Reparse()) << ShownText();
    EXPECT_EQ(first.Get(0), 10);
    EXPECT_EQ(second.Get(0), 2);
    EXPECT_EQ(later.Get(0), 40);
}

TEST_F(ModValTest, NumbersReadInEitherTypeAndNamedConstants) {
    ModValMark wholeIntoFloat(mSource, 1, 1);
    ModValMark fractionIntoInt(mSource, 1, 2);
    ModValMark named(mSource, 1, 3);
    ModValMark point(mSource, 1, 4);
    for (ModValMark* mark : {&wholeIntoFloat, &fractionIntoInt, &named, &point}) {
        mark->Get(0);
    }
    ModValRegistry::Instance().SetIntConstant("kModValTestSpeed", 42);
    Edit("M(3)\nM(-2.75)\nM(kModValTestSpeed)\nM(.5f)\n");
    ASSERT_TRUE(Reparse()) << ShownText();
    EXPECT_EQ(wholeIntoFloat.Get(1.5), 3.0);
    EXPECT_EQ(fractionIntoInt.Get(1), -2);
    EXPECT_EQ(named.Get(1), 42);
    EXPECT_EQ(point.Get(1.0), 0.5);
    // A number read into a text literal gives the empty text.
    EXPECT_STREQ(named.Get("x"), "");
}

TEST_F(ModValTest, OlderTextsStayReadable) {
    ModValMark mark(mSource, 1, 1);
    mark.Get("x");
    Edit("M(\"one\")\n");
    ASSERT_TRUE(Reparse());
    const char* one = mark.Get("x");
    Edit("M(\"two\")\n");
    ASSERT_TRUE(Reparse());
    EXPECT_STREQ(one, "one");
    EXPECT_STREQ(mark.Get("x"), "two");
}

struct MalformedCase {
    const char* source;
    const char* error;  // after "ERROR in <file> on line "
};

class ModValMalformedTest : public ModValTest,
                            public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(ModValMalformedTest, GivesTheErrorAndKeepsEarlierValues) {
    ModValMark earlier(mSource, 1, 1);
    ModValMark mark(mSource, 1, 2);
    earlier.Get(0);
    mark.Get(0);
    Edit(std::string("M(1)\n") + GetParam().source);
    EXPECT_FALSE(Reparse());
    ASSERT_EQ(mShown.size(), 1u);
    EXPECT_EQ(mShown[0].text, "ERROR in " + mSource + " on line " + GetParam().error);
    EXPECT_EQ(mShown[0].title, "MODVAL ERROR");
    EXPECT_EQ(mShown[0].flags, 0u);
    EXPECT_EQ(earlier.Get(0), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, ModValMalformedTest,
    ::testing::Values(MalformedCase{"y = M(\"abc);\n", "2.  Parsing Error."},
                      MalformedCase{"y = M(5", "2.  Parsing Error."},
                      MalformedCase{"y = M();\n", "2.  Parsing Error."},
                      MalformedCase{"y = M(-);\n", "2.  Parsing Error."},
                      MalformedCase{"y = M(1e5);\n", "2.  Parsing Error."},
                      MalformedCase{"y = M( 5);\n", "2.  Parsing Error."},
                      MalformedCase{"y = M(\"a\" \"b\");\n", "2.  Parsing Error."},
                      MalformedCase{"y = M(kModValNoSuchName);\n", "2.  Parsing Error."},
                      MalformedCase{"s = \"abc;\nM(2)\n", "2: Error parsing quotes"},
                      MalformedCase{"M(2); s = \"abc\\\n", "2: Error parsing quotes"},
                      MalformedCase{"M(2); s = \"a\\\"\n", "2: Error parsing quotes"},
                      MalformedCase{"M(2); /* open\nmore\n", "3: Error parsing c comment"},
                      MalformedCase{"M(2); // note \\\n", "2: Error parsing c++ comment"},
                      MalformedCase{"M(2); // note \\\nmore \\", "3: Error parsing c++ comment"}));

TEST_F(ModValTest, MissingSourceCannotBeOpenedUntilItsMarksAreGone) {
    {
        ModValMark mark(mSource, 1, 1);
        mark.Get(0);
        Edit("M(1)\n");
        ASSERT_TRUE(Reparse());
        stdfs::remove(mSource);
        EXPECT_FALSE(Reparse());
        ASSERT_EQ(mShown.size(), 1u);
        EXPECT_EQ(mShown[0].text, "ERROR: Unable to open " + mSource + " for reparsing.");
        EXPECT_EQ(mShown[0].title, "MODVAL ERROR!");
        EXPECT_EQ(mark.Get(0), 1);
    }
    // Without marks the file is never looked for again.
    EXPECT_FALSE(Reparse());
    EXPECT_EQ(ShownText(), "WARNING: No file changes detected.  Files parsed: \r\n  none");
}

TEST_F(ModValTest, GarbageSourcesNeverCrash) {
    std::vector<std::unique_ptr<ModValMark>> marks;
    for (int32_t line = 1; line <= 6; ++line) {
        marks.push_back(std::make_unique<ModValMark>(mSource, line, line));
        marks.back()->Get(0);
        marks.back()->Get("");
    }
    const std::string alphabet = "M1(\")\\/*'\n\r x0-.f_A";
    uint32_t seed = 12345;
    for (int round = 0; round < 400; ++round) {
        std::string source;
        seed = seed * 1103515245u + 12345u;
        const size_t length = (seed >> 16) % 120;
        for (size_t i = 0; i < length; ++i) {
            seed = seed * 1103515245u + 12345u;
            source += alphabet[(seed >> 16) % alphabet.size()];
        }
        Rewrite(source);
        Reparse();
        ASSERT_LE(mShown.size(), 1u);
        if (!mShown.empty()) {
            const std::string& text = mShown[0].text;
            EXPECT_TRUE(text.rfind("ERROR in ", 0) == 0 || text.rfind("WARNING: ", 0) == 0) << text;
        }
    }
}

// Two tweaks on one line, each with a mark of its own.
std::pair<int, double> ReadLineTweaks() {
    return {M(7), M2(2.5)};  // M(99) "M(98)"
}

TEST(ModValDeathTest, TweakMacroRegistersItsPlaceInTheSource) {
    // In a new process, so that this file is the only used source.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool first = ReadLineTweaks() == std::pair(7, 2.5);
            std::vector<Shown> shown;
            const bool changed = ReparseModVals(
                [&](const std::string& text, const std::string& title, uint32_t flags) {
                    shown.push_back({text, title, flags});
                });
            // The source is older than the program, unless it was touched since the build.
            const bool readWell =
                changed || (shown.size() == 1 && shown[0].title == "MODVAL WARNING!" &&
                            shown[0].text.find(__FILE__) != std::string::npos);
            // A mix-up of the two marks would give 7 to both or 2 to the first.
            const bool same = first && ReadLineTweaks() == std::pair(7, 2.5);
            std::exit(readWell && same ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace Vesk
