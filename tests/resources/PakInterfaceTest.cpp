#include "resources/PakInterface.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pak/PakWriter.h"
#include "platform/FileSystem.h"
#include "resources/FontData.h"
#include "resources/XMLParser.h"

namespace {

using vesk_tools::PakEntry;

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

class PakInterfaceTest : public testing::Test {
protected:
    void SetUp() override {
        mDir = testing::TempDir() + "/pak_" +
               testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(mDir);
        std::filesystem::create_directories(mDir);
    }
    void TearDown() override { std::filesystem::remove_all(mDir); }

    std::string WritePak(const std::string& name, const std::vector<PakEntry>& entries) {
        const std::string path = mDir + "/" + name;
        std::string error;
        EXPECT_TRUE(vesk_tools::WritePak(path, entries, error)) << error;
        return path;
    }

    std::string WriteRaw(const std::string& name, std::vector<uint8_t> plain) {
        for (uint8_t& byte : plain) {
            byte ^= PakInterface::kScrambleByte;
        }
        const std::string path = mDir + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(plain.data()), std::streamsize(plain.size()));
        return path;
    }

    std::string ReadAll(PakFileHandle* handle) {
        std::string out(4096, '\0');
        out.resize(mPak.Read(out.data(), 1, out.size(), handle));
        return out;
    }

    std::string mDir;
    PakInterface mPak;
};

TEST_F(PakInterfaceTest, EveryEntryRoundTripsThroughEveryReadOperation) {
    std::vector<uint8_t> binary;
    for (int i = 0; i < 256; ++i) {
        binary.push_back(static_cast<uint8_t>(i));
    }
    const std::vector<PakEntry> entries = {
        {"images/logo.png", binary, 0x01D0000012345678ULL},
        {"empty.txt", {}, 7},
        {"properties/default.xml", Bytes("one\r\ntwo\nthree"), 9},
    };
    ASSERT_TRUE(mPak.AddPakFile(WritePak("a.pak", entries)));

    for (const PakEntry& entry : entries) {
        PakFileHandle* h = mPak.Open(entry.name, "rb");
        ASSERT_NE(h, nullptr) << entry.name;
        EXPECT_EQ(ReadAll(h), std::string(entry.data.begin(), entry.data.end()));
        EXPECT_TRUE(mPak.AtEnd(h));
        EXPECT_EQ(mPak.GetChar(h), -1);
        char line[8];
        EXPECT_EQ(mPak.GetLine(line, sizeof(line), h), nullptr);

        EXPECT_EQ(mPak.Seek(h, 0, 2), 0);
        EXPECT_EQ(mPak.Tell(h), long(entry.data.size()));
        mPak.Seek(h, 0, 0);
        std::string chars;
        for (int c; (c = mPak.GetChar(h)) >= 0;) {
            chars.push_back(char(c));
            if (c == 'e') {  // a step back reads the same byte again
                EXPECT_EQ(mPak.UngetChar(c, h), c);
                EXPECT_EQ(mPak.GetChar(h), 'e');
            }
        }
        std::string expected(entry.data.begin(), entry.data.end());
        std::erase(expected, '\r');
        EXPECT_EQ(chars, expected);
        EXPECT_EQ(mPak.Close(h), 0);
    }

    PakFileHandle* h = mPak.Open("properties/default.xml", "r");
    char line[5];
    std::vector<std::string> lines;
    while (mPak.GetLine(line, sizeof(line), h) != nullptr) {
        lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"one\n", "two\n", "thre", "e"}));
    EXPECT_EQ(mPak.GetLine(line, 0, h), nullptr);
    mPak.Close(h);
}

TEST_F(PakInterfaceTest, RequestsFindTheirEntryWhateverTheirSpelling) {
    ASSERT_TRUE(mPak.AddPakFile(WritePak("a.pak", {{"IMAGES\\LOGO.PNG", Bytes("png"), 0}})));
    const std::string cwd = platform::fs::CurrentDirectory();
    for (const std::string& request : std::vector<std::string>{
             "Images\\Logo.png", "images/logo.png", cwd + "/IMAGES\\\\LOGO.PNG", "images//logo.png",
             "x/../images/logo.png", "a\\b\\..\\..\\Images\\LOGO.png",
             "Images/x/y/../../logo.png"}) {
        PakFileHandle* h = mPak.Open(request, "rT");
        ASSERT_NE(h, nullptr) << request;
        EXPECT_EQ(ReadAll(h), "png");
        mPak.Close(h);
    }
    EXPECT_EQ(PakInterface::NormalizePath("a\\b\\..\\c"), "A\\C");
    EXPECT_EQ(PakInterface::NormalizePath("a\\..\\c"), "C");
    EXPECT_EQ(PakInterface::NormalizePath("\\\\lead/.\\x"), "\\LEAD\\.\\X");
    EXPECT_EQ(PakInterface::UpperCase("a-z\xE9"), "A-Z\xE9");
    // Writing never consults the archives.
    EXPECT_EQ(mPak.Open("no_such_folder/../images/logo.png", "wb"), nullptr);
}

TEST_F(PakInterfaceTest, SeekClampsIntoTheEntryAndReadCountsWholeElements) {
    ASSERT_TRUE(mPak.AddPakFile(WritePak("a.pak", {{"ten", Bytes("0123456789"), 0}})));
    PakFileHandle* h = mPak.Open("TEN", "rb");
    const struct {
        long offset;
        int origin;
        long position;
    } seeks[] = {{4, 2, 6},   {0, 2, 10},  {3, 0, 3},         {2, 1, 5}, {-9, 1, 0},
                 {99, 0, 10}, {-1, 2, 10}, {1L << 62, 1, 10}, {5, 7, 10}};
    for (const auto& s : seeks) {
        EXPECT_EQ(mPak.Seek(h, s.offset, s.origin), 0);
        EXPECT_EQ(mPak.Tell(h), s.position) << s.offset << " " << s.origin;
    }
    mPak.Seek(h, 0, 0);
    EXPECT_EQ(mPak.UngetChar('x', h), 'x');
    EXPECT_EQ(mPak.Tell(h), 0);
    char buffer[12] = {};
    EXPECT_EQ(mPak.Read(buffer, 4, 3, h), 2u);
    EXPECT_EQ(std::string(buffer), "0123456789");
    EXPECT_EQ(mPak.Read(buffer, 0, 3, h), 0u);
    mPak.Close(h);
}

TEST_F(PakInterfaceTest, DamagedArchivesAreRefusedWholeWithTheirName) {
    ASSERT_TRUE(mPak.AddPakFile(WritePak("good.pak", {{"keep", Bytes("old"), 0}})));
    std::vector<uint8_t> valid;
    std::string error;
    ASSERT_TRUE(
        vesk_tools::BuildPak({{"keep", Bytes("new"), 0}, {"b", Bytes("bb"), 0}}, valid, error));
    for (uint8_t& byte : valid) {
        byte ^= PakInterface::kScrambleByte;
    }
    const auto with = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> copy = valid;
        copy[at] = value;
        return copy;
    };
    const std::vector<uint8_t> head(valid.begin(), valid.begin() + 8);
    const struct {
        std::vector<uint8_t> bytes;
        const char* reason;
    } cases[] = {
        {with(0, 0xC1), "not a resource archive"},
        {with(4, 1), "unknown version 1"},
        {{valid.begin(), valid.begin() + 6}, "the header runs past the end of the file"},
        {{valid.begin(), valid.begin() + 12}, "an entry name runs past the end of the file"},
        {{valid.begin(), valid.begin() + 16}, "the directory runs past the end of the file"},
        {{valid.begin(), valid.end() - 1}, "entry data runs past the end of the file"},
        {with(17, 0x80), "an entry size is out of range"},
        {{0xC0, 0x4A}, "not a resource archive"},
    };
    for (const auto& c : cases) {
        const std::string path = WriteRaw("bad.pak", c.bytes);
        EXPECT_FALSE(mPak.AddPakFile(path));
        EXPECT_EQ(mPak.GetErrorText(), "Resource archive '" + path + "' refused: " + c.reason);
        EXPECT_EQ(mPak.Open("b", "rb"), nullptr);
        PakFileHandle* h = mPak.Open("keep", "rb");
        EXPECT_EQ(ReadAll(h), "old");
        mPak.Close(h);
    }
    EXPECT_FALSE(mPak.AddPakFile(mDir + "/missing.pak"));
    EXPECT_NE(mPak.GetErrorText().find("missing.pak' refused: cannot be opened"),
              std::string::npos);

    // Without its end flag the directory ends with the file; a later archive's entry wins.
    EXPECT_TRUE(mPak.AddPakFile(WriteRaw("noend.pak", head)));
    ASSERT_TRUE(mPak.AddPakFile(WriteRaw("newer.pak", valid)));
    PakFileHandle* h = mPak.Open("keep", "rb");
    EXPECT_EQ(ReadAll(h), "new");
    mPak.Close(h);
}

TEST_F(PakInterfaceTest, SearchListsArchiveKeysInOrderBeforeTheDisk) {
    ASSERT_TRUE(mPak.AddPakFile(WritePak("a.pak", {{"Images/b.png", Bytes("bb"), 42},
                                                   {"images/A.png", Bytes("a"), 42},
                                                   {"images/sub/c.jpg", {}, 0},
                                                   {"sounds/x.ogg", {}, 0}})));
    std::filesystem::create_directories(mDir + "/Images");
    std::ofstream(mDir + "/Images/disk.png") << "12345";
    // Relative patterns reach the disk from the working folder.
    const std::string before = platform::fs::CurrentDirectory();
    ASSERT_TRUE(platform::fs::SetCurrentDirectory(mDir));

    platform::fs::FindFileData data;
    PakFindData* search = mPak.FindFirst("images\\*.png", &data);
    ASSERT_NE(search, nullptr);
    std::vector<std::string> names{data.fileName};
    EXPECT_EQ(data.fileSizeLow, 1u);
    EXPECT_EQ(data.lastWriteTime, 42u);
    while (mPak.FindNext(search, &data)) {
        names.push_back(data.fileName);
    }
    platform::fs::SetCurrentDirectory(before);
    // The disk's names keep their spelling and come last.
    EXPECT_EQ(names, (std::vector<std::string>{"A.png", "b.png", "disk.png"}));
    EXPECT_EQ(data.fileSizeLow, 5u);
    EXPECT_EQ(data.attributes, 0u);
    EXPECT_TRUE(mPak.FindClose(search));

    // AB*BC style: head and tail are matched at their own ends; no '*' means disk only.
    search = mPak.FindFirst("IMAGES\\*", &data);
    names = {data.fileName};
    while (mPak.FindNext(search, &data)) {
        names.push_back(data.fileName);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A.png", "b.png", "c.jpg"}));
    mPak.FindClose(search);
    EXPECT_EQ(mPak.FindFirst("images\\A.png", &data), nullptr);

    // With no archive match the search starts on the disk.
    search = mPak.FindFirst(mDir + "/images/*.png", &data);
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(data.fileName, "disk.png");
    EXPECT_FALSE(mPak.FindNext(search, &data));
    mPak.FindClose(search);
}

TEST_F(PakInterfaceTest, DiskFilesAreFoundIgnoringCaseAndTextModesDropCarriageReturns) {
    std::filesystem::create_directories(mDir + "/properties");
    std::ofstream(mDir + "/properties/default.xml", std::ios::binary) << "a\r\nb";
    const std::string request = mDir + "\\PROPERTIES\\Default.XML";
    for (const auto& [mode, expected] :
         {std::pair{"r", "a\nb"}, std::pair{"rt", "a\nb"}, std::pair{"rb", "a\r\nb"}}) {
        PakFileHandle* h = mPak.Open(request, mode);
        ASSERT_NE(h, nullptr) << mode;
        std::string chars;
        for (int c; (c = mPak.GetChar(h)) >= 0;) {
            chars.push_back(char(c));
        }
        EXPECT_EQ(chars, expected) << mode;
        EXPECT_TRUE(mPak.AtEnd(h));
        mPak.Close(h);
    }
}

TEST_F(PakInterfaceTest, XmlFilesAreReadFromTheArchiveByteForByte) {
    // UTF-16 units holding 0x0D bytes must not lose them to the carriage-return rule.
    const std::string utf16("\xFF\xFE<\0a\0>\0\x0D\x01<\0/\0a\0>\0", 18);
    ASSERT_TRUE(Vesk::gPakInterface->AddPakFile(
        WritePak("xml.pak", {{"properties/xmltest.xml", Bytes(utf16), 0}})));
    Vesk::XMLParser parser;
    ASSERT_TRUE(parser.OpenFile("Properties\\XmlTest.xml"));
    Vesk::XMLElement element;
    ASSERT_TRUE(parser.NextElement(&element));
    ASSERT_TRUE(parser.NextElement(&element));
    EXPECT_EQ(element.mValue, "\x0D");
    ASSERT_TRUE(parser.NextElement(&element));
    EXPECT_FALSE(parser.NextElement(&element));
    EXPECT_FALSE(parser.HasFailed());
}

TEST_F(PakInterfaceTest, WholeFilesComeFromTheArchiveFirstAndOversizedOnesAreRefused) {
    ASSERT_TRUE(Vesk::gPakInterface->AddPakFile(
        WritePak("whole.pak", {{"whole/entry.bin", Bytes("archived"), 0}})));
    const std::string large = mDir + "/large.bin";
    std::ofstream(large, std::ios::binary).put('x');
    std::filesystem::resize_file(large, uintmax_t{kMaxWholeFileBytes} + 1);  // sparse

    std::string error;
    const auto entry = PakReadWholeFile("Whole\\Entry.bin", error);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(*entry, Bytes("archived"));
    EXPECT_FALSE(PakReadWholeFile(mDir + "/missing.bin", error).has_value());
    EXPECT_EQ(error, "");
    EXPECT_FALSE(PakReadWholeFile(large, error).has_value());
    EXPECT_EQ(error, large + ": cannot be read");
}

// The manifest, descriptor and width-list readers take their files through the same reader.
TEST_F(PakInterfaceTest, ParsersRefuseOversizedFilesWithTheReadersText) {
    const std::string large = mDir + "/large.txt";
    std::ofstream(large, std::ios::binary).put('x');
    std::filesystem::resize_file(large, uintmax_t{kMaxWholeFileBytes} + 1);  // sparse
    const std::string refused = large + ": cannot be read";

    Vesk::XMLParser parser;
    EXPECT_FALSE(parser.OpenFile(large));
    EXPECT_EQ(parser.GetErrorText(), refused);
    EXPECT_FALSE(parser.OpenFile(mDir + "/missing.xml"));
    EXPECT_EQ(parser.GetErrorText(), "Unable to open file " + mDir + "/missing.xml");

    for (const bool legacy : {false, true}) {
        auto* font = new Vesk::FontData();
        font->AddRef();
        if (legacy) {
            EXPECT_FALSE(font->LoadLegacy(nullptr, nullptr, large));
        } else {
            font->Load(nullptr, large);
            EXPECT_FALSE(font->mInitialized);
        }
        EXPECT_EQ(font->mError, refused) << legacy;
        font->Release();
    }
}

}  // namespace
