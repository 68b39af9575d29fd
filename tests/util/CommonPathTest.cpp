#include "util/CommonPath.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Process.h"

namespace Vesk {
namespace {

namespace stdfs = std::filesystem;

TEST(PathTextTest, FileNameDropsFolderAndExtension) {
    EXPECT_EQ(GetFileName("data\\a.b\\c"), "c");
    EXPECT_EQ(GetFileName("dir/sub.d/file"), "file");
    EXPECT_EQ(GetFileName("x.png"), "x");
    EXPECT_EQ(GetFileName("a/b.tar.gz"), "b.tar");
    EXPECT_EQ(GetFileName("a\\b/c.txt"), "c");
    EXPECT_EQ(GetFileName("a/b\\c.txt"), "c");
    EXPECT_EQ(GetFileName("name"), "name");
    EXPECT_EQ(GetFileName("dir/"), "");
    EXPECT_EQ(GetFileName(""), "");
}

TEST(PathTextTest, FileDirAndTrailingSlashes) {
    EXPECT_EQ(GetFileDir("data\\gfx\\a.png"), "data\\gfx");
    EXPECT_EQ(GetFileDir("data/gfx\\a.png"), "data/gfx");
    EXPECT_EQ(GetFileDir("a.png"), "");
    EXPECT_EQ(GetFileDir("/a"), "");

    EXPECT_EQ(RemoveTrailingSlash("a/b/"), "a/b");
    EXPECT_EQ(RemoveTrailingSlash("a\\b\\\\"), "a\\b\\");
    EXPECT_EQ(RemoveTrailingSlash("a"), "a");
    EXPECT_EQ(RemoveTrailingSlash(""), "");

    EXPECT_EQ(AddTrailingSlash(""), "");
    EXPECT_EQ(AddTrailingSlash("a"), "a\\");
    EXPECT_EQ(AddTrailingSlash("a/"), "a/");
    EXPECT_EQ(AddTrailingSlash("a\\"), "a\\");
}

TEST(ResolveRelativePathTest, FoldsOnlyTheLeadingSegments) {
    EXPECT_EQ(ResolveRelativePath("../fonts/a.txt", "data\\gfx\\"), "data\\fonts\\a.txt");
    EXPECT_EQ(ResolveRelativePath("gfx/../a.txt", "data\\"), "data\\gfx\\..\\a.txt");
    EXPECT_EQ(ResolveRelativePath("../../x", "a/"), "../x");
    EXPECT_EQ(ResolveRelativePath("./b/c.txt", "a"), "a/b/c.txt");
    EXPECT_EQ(ResolveRelativePath("a.txt", "dir"), "dir/a.txt");
    EXPECT_EQ(ResolveRelativePath("a.txt", ""), "a.txt");
    EXPECT_EQ(ResolveRelativePath("x\\y", ""), "x\\y");
}

TEST(ResolveRelativePathTest, DrivesParentsAndRoots) {
    EXPECT_EQ(ResolveRelativePath("c:\\x\\y.txt", "data/"), "c:\\x\\y.txt");
    EXPECT_EQ(ResolveRelativePath("c:/x", "data/"), "c:/x");
    EXPECT_EQ(ResolveRelativePath("../f.txt", "c:\\games\\vesk"), "c:\\games\\f.txt");
    // A directory made of ".." segments grows instead of shrinking.
    EXPECT_EQ(ResolveRelativePath("../y", "../"), "../../y");
    // A leading separator makes the rest absolute.
    EXPECT_EQ(ResolveRelativePath("/abs/f.txt", "data/"), "/abs/f.txt");
    EXPECT_EQ(ResolveRelativePath("a//b", "data/"), "data/a//b");
    // Nothing lies above the root.
    EXPECT_EQ(ResolveRelativePath("../x", "/"), "/x");
    EXPECT_EQ(ResolveRelativePath("..\\x", "c:\\"), "c:\\x");
    // Separators of the result are all of one kind.
    EXPECT_EQ(ResolveRelativePath("a/b/c", "d\\"), "d\\a\\b\\c");
}

class CommonFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        mRoot = stdfs::temp_directory_path() / (std::string("vesk_common_") + info->name() + "_" +
                                                std::to_string(platform::ProcessId()));
        stdfs::remove_all(mRoot);
        stdfs::create_directories(mRoot);
    }
    void TearDown() override {
        std::error_code ec;
        stdfs::remove_all(mRoot, ec);
    }

    static void Touch(const stdfs::path& path) { std::ofstream(path) << "x"; }
    std::string Root() const { return mRoot.string(); }

    stdfs::path mRoot;
};

TEST_F(CommonFileTest, DeleteTreeRemovesEverythingBelow) {
    const stdfs::path tree = mRoot / "_dump";
    stdfs::create_directories(tree / "a" / "b");
    Touch(tree / "f.txt");
    Touch(tree / "noext");
    Touch(tree / "a" / "b" / "g.png");

    EXPECT_TRUE(DeleteTree(Root() + "\\_dump\\"));
    EXPECT_FALSE(stdfs::exists(tree));
}

TEST_F(CommonFileTest, DeleteTreeNeverFollowsLinks) {
    const stdfs::path outside = mRoot / "outside";
    stdfs::create_directories(outside);
    Touch(outside / "keep.txt");
    const stdfs::path tree = mRoot / "tree";
    stdfs::create_directories(tree);
    stdfs::create_directory_symlink(outside, tree / "link");
    stdfs::create_symlink(outside / "keep.txt", tree / "filelink");

    EXPECT_TRUE(DeleteTree(tree.string()));
    EXPECT_FALSE(stdfs::exists(tree));
    EXPECT_TRUE(stdfs::exists(outside / "keep.txt"));
}

TEST_F(CommonFileTest, DeleteTreeRefusesWhatIsNoFolder) {
    Touch(mRoot / "file.txt");
    EXPECT_FALSE(DeleteTree((mRoot / "file.txt").string()));
    EXPECT_TRUE(stdfs::exists(mRoot / "file.txt"));
    EXPECT_FALSE(DeleteTree((mRoot / "missing").string()));
    EXPECT_FALSE(DeleteTree("/"));
    EXPECT_FALSE(DeleteTree(""));
}

TEST_F(CommonFileTest, MakeDirectoriesCreatesEveryLevel) {
    MakeDirectories(Root() + "\\x/y\\z");
    EXPECT_TRUE(stdfs::is_directory(mRoot / "x" / "y" / "z"));
    // Again, with folders that are there already.
    MakeDirectories(Root() + "/x/y/z/");
    MakeDirectories(Root() + "/x//w");
    EXPECT_TRUE(stdfs::is_directory(mRoot / "x" / "y" / "z"));
    EXPECT_TRUE(stdfs::is_directory(mRoot / "x" / "w"));
}

TEST_F(CommonFileTest, FileDateOfFilesAndPatterns) {
    const stdfs::path file = mRoot / "src.cpp";
    Touch(file);
    const auto stamp = stdfs::file_time_type::clock::now() - std::chrono::hours(48);
    stdfs::last_write_time(file, stamp);
    const int64_t expected = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::file_clock::to_sys(stamp).time_since_epoch())
                                 .count();

    EXPECT_EQ(GetFileDate(file.string()), expected);
    EXPECT_EQ(GetFileDate(Root() + "\\SRC.*"), expected);
    EXPECT_EQ(GetFileDate(Root() + "/missing.cpp"), 0);
    EXPECT_EQ(GetFileDate(Root() + "/*.none"), 0);
}

}  // namespace
}  // namespace Vesk
