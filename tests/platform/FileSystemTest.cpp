#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Process.h"

namespace {

namespace stdfs = std::filesystem;
using namespace platform;

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        mRoot = stdfs::temp_directory_path() /
                ("vesk_fs_" + std::to_string(ProcessId()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        stdfs::remove_all(mRoot);
        stdfs::create_directories(mRoot);
    }
    void TearDown() override { stdfs::remove_all(mRoot); }

    void Touch(const stdfs::path& p, const std::string& text = "x") { std::ofstream(p) << text; }

    stdfs::path mRoot;
};

TEST_F(FileSystemTest, RemoveTreeUnlinksSymbolicLinksWithoutFollowingThem) {
    stdfs::path outside = mRoot / "outside";
    stdfs::create_directories(outside);
    Touch(outside / "keep.txt");

    stdfs::path tree = mRoot / "tree";
    stdfs::create_directories(tree / "sub" / "deeper");
    Touch(tree / "a.txt");
    Touch(tree / "sub" / "deeper" / "b.txt");
    stdfs::create_directory_symlink(outside, tree / "sub" / "link_to_outside");
    stdfs::create_symlink(outside / "keep.txt", tree / "file_link");

    EXPECT_TRUE(fs::RemoveTree(tree.string()));
    EXPECT_FALSE(stdfs::exists(tree));
    EXPECT_TRUE(stdfs::exists(outside / "keep.txt"));
}

TEST_F(FileSystemTest, RemoveTreeOnALinkToAFolderRemovesOnlyTheLink) {
    stdfs::path target = mRoot / "target";
    stdfs::create_directories(target);
    Touch(target / "keep.txt");
    stdfs::create_directory_symlink(target, mRoot / "link");

    EXPECT_TRUE(fs::RemoveTree((mRoot / "link").string() + "/"));
    EXPECT_FALSE(stdfs::is_symlink(mRoot / "link"));
    EXPECT_TRUE(stdfs::exists(target / "keep.txt"));
}

TEST_F(FileSystemTest, BackslashPathsAndDirectoryCreation) {
    std::string nested = mRoot.string() + "\\one\\two\\three\\";
    EXPECT_TRUE(fs::MakeDirectories(nested));
    EXPECT_TRUE(fs::IsDirectory(mRoot.string() + "/one/two/three"));
    EXPECT_TRUE(fs::MakeDirectory(mRoot.string() + "/one"));  // already there
    Touch(mRoot / "file");
    EXPECT_FALSE(fs::MakeDirectory((mRoot / "file").string()));
    EXPECT_FALSE(fs::RemoveDirectory(mRoot.string() + "/one"));  // not empty
}

TEST_F(FileSystemTest, ListMatchesPatternsCaseInsensitively) {
    Touch(mRoot / "Shot1.PNG");
    Touch(mRoot / "shot2.png");
    Touch(mRoot / "notes.txt");
    Touch(mRoot / "README");
    stdfs::create_directories(mRoot / "dir.png");

    auto pngs = fs::List(mRoot.string(), "*.png");
    ASSERT_EQ(pngs.size(), 3u);
    EXPECT_EQ(pngs[0].name, "Shot1.PNG");
    EXPECT_TRUE(pngs[1].isDirectory);
    EXPECT_EQ(fs::List(mRoot.string(), "*.*").size(), 5u);
    EXPECT_EQ(fs::List(mRoot.string(), "shot?.png").size(), 2u);
    EXPECT_TRUE(fs::List((mRoot / "missing").string(), "*").empty());
}

TEST(MatchPattern, Globs) {
    EXPECT_TRUE(fs::MatchPattern("*", ""));
    EXPECT_TRUE(fs::MatchPattern("a*b*c", "aXXbYYc"));
    EXPECT_FALSE(fs::MatchPattern("a*b*c", "aXXbYY"));
    EXPECT_TRUE(fs::MatchPattern("veskapp*.dmo", "VESKAPP12.DMO"));
    EXPECT_FALSE(fs::MatchPattern("?", ""));
    EXPECT_TRUE(fs::MatchPattern("*.*", "noext"));
}

TEST_F(FileSystemTest, AtomicWriteReplacesWholeAndLeavesNoTemporary) {
    std::string path = (mRoot / "settings.dat").string();
    Touch(path, "old contents that are longer");
    const std::string text = "new";
    ASSERT_TRUE(fs::WriteWholeFileAtomic(path, text.data(), text.size()));
    auto read = fs::ReadWholeFile(path);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(std::string(read->begin(), read->end()), "new");
    EXPECT_EQ(fs::List(mRoot.string(), "*").size(), 1u);
    EXPECT_EQ(fs::FileSize(path), 3u);

    EXPECT_FALSE(fs::WriteWholeFileAtomic((mRoot / "no" / "such" / "dir").string(), "x", 1));
    EXPECT_FALSE(fs::ReadWholeFile((mRoot / "missing").string()).has_value());
    EXPECT_EQ(fs::ModTime((mRoot / "missing").string()), 0);
    EXPECT_GT(fs::ModTime(path), 1'600'000'000);
}

}  // namespace
