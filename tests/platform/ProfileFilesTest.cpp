#include "platform/ProfileFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/TextEncoding.h"

namespace {

namespace stdfs = std::filesystem;
using namespace platform;

class ProfileFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        mRoot = stdfs::temp_directory_path() /
                ("vesk_profiles_" + std::to_string(ProcessId()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        stdfs::remove_all(mRoot);
        stdfs::create_directories(mRoot);
        mFolder = mRoot.string() + "/";
    }
    void TearDown() override { stdfs::remove_all(mRoot); }

    void Touch(const std::string& name) { std::ofstream(mRoot / name) << "x"; }

    stdfs::path mRoot;
    std::string mFolder;
};

TEST(UpperCp1252Test, MapsLettersOfTheCodePageAndKeepsEverythingElse) {
    using text::UpperCp1252;
    EXPECT_EQ(UpperCp1252("anna-B 9_z"), "ANNA-B 9_Z");
    // à ÿ š œ ž ö to À Ÿ Š Œ Ž Ö; ÷ ß µ and the capitals stay.
    EXPECT_EQ(UpperCp1252("\xE0\xFF\x9A\x9C\x9E\xF6"), "\xC0\x9F\x8A\x8C\x8E\xD6");
    EXPECT_EQ(UpperCp1252("\xF7\xDF\xB5\xC0"), "\xF7\xDF\xB5\xC0");
}

// A folder in a file's place is listed, so its owner stays in sight.
TEST_F(ProfileFilesTest, ListsEntriesEndingInTheSuffixInUpperCaseOrder) {
    for (const char* name :
         {"bob.sav", "Anna.SAV", "carl.Sav", "notes.txt", "dan.sav.tmp42", ".sav", "anna.sav"}) {
        Touch(name);
    }
    stdfs::create_directories(mRoot / "folder.sav");
    EXPECT_EQ(fs::ListNamesEndingIn(mFolder, ".sav"),
              (std::vector<std::string>{".sav", "Anna.SAV", "anna.sav", "bob.sav", "carl.Sav",
                                        "folder.sav"}));
    EXPECT_TRUE(fs::ListNamesEndingIn(mFolder + "missing/", ".sav").empty());
}

TEST_F(ProfileFilesTest, NamesResolveIgnoringCaseAndNeverLeaveTheFolder) {
    Touch("Anna.sav");
    Touch("J\xFCrgen.sav");
    EXPECT_EQ(fs::PathInFolder(mFolder, "ANNA.SAV"), mFolder + "Anna.sav");
    EXPECT_EQ(fs::PathInFolder(mFolder, "J\xDCRGEN.sav"), mFolder + "J\xFCrgen.sav");
    EXPECT_EQ(fs::PathInFolder(mFolder, "new.sav"), mFolder + "new.sav");
    // The folder layer resolves the same way.
    EXPECT_TRUE(fs::Exists(mFolder + "J\xDCRGEN.SAV"));
    for (const char* hostile : {"", ".", "..", "../x.sav", "a/b.sav", "a\\b.sav", "x\n.sav"}) {
        EXPECT_EQ(fs::PathInFolder(mFolder, hostile), "") << hostile;
        EXPECT_FALSE(fs::IsPlainFileName(hostile)) << hostile;
    }
}

TEST_F(ProfileFilesTest, CreateEmptyFileMakesOrEmptiesAFileButNeverAFolder) {
    std::ofstream(mRoot / "full.sav") << "saved game";
    EXPECT_TRUE(fs::CreateEmptyFile(mFolder + "full.sav"));
    EXPECT_TRUE(fs::CreateEmptyFile(mFolder + "new.sav"));
    EXPECT_EQ(stdfs::file_size(mRoot / "full.sav"), 0u);
    EXPECT_EQ(stdfs::file_size(mRoot / "new.sav"), 0u);
    stdfs::create_directories(mRoot / "dir.sav");
    EXPECT_FALSE(fs::CreateEmptyFile(mFolder + "dir.sav"));
    EXPECT_TRUE(stdfs::is_directory(mRoot / "dir.sav"));
}

}  // namespace
