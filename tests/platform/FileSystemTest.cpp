#include "platform/FileSystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/FileSearch.h"
#include "platform/MappedFile.h"
#include "platform/Process.h"
#include "platform/posix/FileReadCall.h"

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

// A writer killed while writing leaves its temporary file behind. Such a file goes once no process
// has the id in its name; a running writer's file stays, and so does every other file.
TEST_F(FileSystemTest, TemporaryFilesOfWritersThatNoLongerRunAreRemovedAndNothingElse) {
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    const pid_t running = fork();
    ASSERT_GE(running, 0);
    if (running == 0) {
        // Runs until the parent closes the pipe, or a minute at most.
        close(gate[1]);
        alarm(60);
        char byte;
        static_cast<void>(read(gate[0], &byte, 1));
        _exit(0);
    }
    close(gate[0]);
    const pid_t ended = fork();
    ASSERT_GE(ended, 0);
    if (ended == 0) {
        _exit(0);
    }
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    EXPECT_TRUE(ProcessRuns(static_cast<uint32_t>(running)));
    EXPECT_TRUE(ProcessRuns(ProcessId()));
    EXPECT_TRUE(ProcessRuns(1));
    EXPECT_FALSE(ProcessRuns(static_cast<uint32_t>(ended)));
    EXPECT_FALSE(ProcessRuns(0));

    const std::string dead = std::to_string(ended);
    const std::string live = std::to_string(running);
    const std::string own = std::to_string(ProcessId());
    struct Case {
        std::string name;
        bool stays;
    };
    const Case cases[] = {
        {"game.dat.tmp" + dead, false},
        {"Ann.SAV.tmp" + dead, false},
        {"game.dat.keep" + dead, false},
        {"game.dat.keep" + dead + ".tmp" + dead, false},
        {"game.dat.tmp" + live, true},
        {"game.dat.tmp" + own, true},
        {"game.dat.keep" + live + ".tmp" + live, true},
        {"game.dat", true},
        {"game.dat.damaged", true},
        {"notes.txt.tmp" + dead, true},
        {".sav.tmp" + dead, true},
        {"game.dat.tmp", true},
        {"game.dat.tmp0" + dead, true},
        {"game.dat.tmp" + dead + "x", true},
        {"game.dat.tmp3000000000", true},
    };
    for (const Case& c : cases) {
        Touch(mRoot / c.name);
    }
    stdfs::create_directory(mRoot / ("Bob.sav.tmp" + dead));
    stdfs::create_symlink(mRoot / "game.dat", mRoot / ("highscores.dat.tmp" + dead));
    for (const char* pattern : {"game.dat", "highscores.dat", "?*.sav"}) {
        fs::RemoveDeadWritersFiles(mRoot.string(), pattern);
    }
    for (const Case& c : cases) {
        EXPECT_EQ(stdfs::exists(mRoot / c.name), c.stays) << c.name;
    }
    EXPECT_TRUE(stdfs::is_directory(mRoot / ("Bob.sav.tmp" + dead)));
    EXPECT_TRUE(stdfs::is_symlink(mRoot / ("highscores.dat.tmp" + dead)));
    close(gate[1]);
    EXPECT_EQ(waitpid(running, nullptr, 0), running);
}

TEST_F(FileSystemTest, ReadFileTellsAMissingFileFromOneThatCannotBeRead) {
    Touch(mRoot / "small", "1234");
    Touch(mRoot / "large", "12345");
    stdfs::create_directory(mRoot / "folder");
    ASSERT_EQ(mkfifo((mRoot / "pipe").c_str(), 0600), 0);
    // Root reads past any mode; the kernel's answer for an unmapped address is a read error.
    stdfs::create_symlink("/proc/self/mem", mRoot / "failing");
    struct Case {
        const char* name;
        fs::FileRead::Status status;
        const char* reason;
    };
    using S = fs::FileRead::Status;
    const Case cases[] = {
        {"small", S::Read, ""},
        {"missing", S::Missing, ""},
        {"folder", S::Unreadable, "it is a folder"},
        {"pipe", S::Unreadable, "it is not a regular file"},
        {"failing", S::Unreadable, "Input/output error"},
        {"large", S::Unreadable, "it is larger than 4 bytes"},
    };
    for (const Case& c : cases) {
        const fs::FileRead read = fs::ReadFile((mRoot / c.name).string(), 4);
        EXPECT_EQ(read.status, c.status) << c.name;
        EXPECT_EQ(read.reason, c.reason) << c.name;
        EXPECT_EQ(read.bytes.empty(), c.status != S::Read) << c.name;
    }
}

// FUSE and some network file systems answer a non-blocking read of a regular file with EAGAIN.
TEST_F(FileSystemTest, AFileOnAFileSystemThatHonoursNonBlockingIsReadWhole) {
    Touch(mRoot / "game.dat", "won levels");
    fs::gReadCall = [](int fd, void* buffer, size_t size) -> ssize_t {
        if ((fcntl(fd, F_GETFL) & O_NONBLOCK) != 0) {
            errno = EAGAIN;
            return -1;
        }
        return read(fd, buffer, size);
    };
    const fs::FileRead read = fs::ReadFile((mRoot / "game.dat").string());
    fs::gReadCall = &::read;
    EXPECT_EQ(read.reason, "");
    EXPECT_EQ(std::string(read.bytes.begin(), read.bytes.end()), "won levels");
}

TEST_F(FileSystemTest, AFileWithoutReadPermissionIsUnreadableForAnOrdinaryUser) {
    // Root reads any file, so the check runs in a child that drops to an ordinary user.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(2);
        }
        char dir[] = "/tmp/vesk_fs_modeXXXXXX";
        if (mkdtemp(dir) == nullptr) {
            _exit(3);
        }
        const std::string path = std::string(dir) + "/game.dat";
        std::ofstream(path) << "won levels";
        chmod(path.c_str(), 0);
        const fs::FileRead read = fs::ReadFile(path);
        const bool ok = read.Unreadable() && read.reason == "Permission denied";
        unlink(path.c_str());
        rmdir(dir);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(FileSystemTest, ADamagedCopyNeverReplacesAnotherAndIsMadeOnce) {
    const std::string path = (mRoot / "game.dat").string();
    Touch(path + ".damaged", "someone else's");
    const std::vector<uint8_t> bytes{1, 2, 3};

    EXPECT_EQ(fs::KeepDamagedCopy(path, bytes), path + ".damaged.2");
    EXPECT_EQ(fs::KeepDamagedCopy(path, bytes), path + ".damaged.2");
    EXPECT_EQ(fs::ReadWholeFile(path + ".damaged").value_or(std::vector<uint8_t>{}).size(), 14u);
    EXPECT_EQ(fs::ReadWholeFile(path + ".damaged.2"), bytes);
    EXPECT_FALSE(stdfs::exists(path + ".damaged.3"));
    EXPECT_EQ(std::distance(stdfs::directory_iterator(mRoot), stdfs::directory_iterator()), 2);
}

// Several processes keep copies of the same file at once: none may take another's name.
TEST_F(FileSystemTest, DamagedCopiesMadeAtOnceByManyProcessesAreAllKept) {
    constexpr int kProcesses = 8;
    constexpr int kCopiesEach = 12;
    const std::string path = (mRoot / "game.dat").string();
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(gate[1]);
            char byte;
            // All start when the parent closes the gate.
            static_cast<void>(read(gate[0], &byte, 1));
            bool ok = true;
            for (int i = 0; i < kCopiesEach; ++i) {
                const std::string text = std::to_string(p) + ":" + std::to_string(i);
                ok = !fs::KeepDamagedCopy(path, {text.begin(), text.end()}).empty() && ok;
            }
            _exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    close(gate[0]);
    close(gate[1]);
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::set<std::vector<uint8_t>> kept;
    for (const auto& entry : stdfs::directory_iterator(mRoot)) {
        kept.insert(fs::ReadWholeFile(entry.path().string()).value_or(std::vector<uint8_t>{}));
    }
    EXPECT_EQ(kept.size(), static_cast<size_t>(kProcesses * kCopiesEach));
}

TEST_F(FileSystemTest, MissingComponentsAreFoundIgnoringCase) {
    stdfs::create_directories(mRoot / "Properties" / "sub");
    Touch(mRoot / "Properties" / "default.xml");
    const std::string root = mRoot.string();
    EXPECT_EQ(fs::NativePath(root + "\\PROPERTIES\\DEFAULT.XML"), root + "/Properties/default.xml");
    // What exists nowhere keeps its spelling, so a file to be made lands in the found folder.
    EXPECT_EQ(fs::NativePath(root + "/properties/SUB/New.txt"), root + "/Properties/sub/New.txt");
    EXPECT_EQ(fs::NativePath(root + "/nothing/Here"), root + "/nothing/Here");
    EXPECT_TRUE(fs::Exists(root + "/properties/Default.Xml"));
}

TEST_F(FileSystemTest, SearchFollowsWindowsWildcardsAndReportsSizesAndTimes) {
    stdfs::create_directories(mRoot / "Data" / "Folder");
    Touch(mRoot / "Data" / "a.PNG", "12345");
    Touch(mRoot / "Data" / "b.png");
    Touch(mRoot / "Data" / "noext");
    stdfs::last_write_time(mRoot / "Data" / "a.PNG",
                           stdfs::file_time_type::clock::from_sys(std::chrono::sys_seconds{}));
    const struct {
        const char* pattern;
        std::vector<std::string> names;
    } cases[] = {
        {"/DATA/*.png", {"a.PNG", "b.png"}},
        {"/data/?.PNG", {"a.PNG", "b.png"}},
        {"/data/*.*", {"Folder", "a.PNG", "b.png", "noext"}},
        {"/data/*", {"Folder", "a.PNG", "b.png", "noext"}},
        {"/data/*.jpg", {}},
        {"/missing/*", {}},
    };
    for (const auto& c : cases) {
        fs::FindFileData data;
        std::vector<std::string> names;
        auto search = fs::FileSearch::Start(mRoot.string() + c.pattern, data);
        for (bool more = search != nullptr; more; more = search->Next(data)) {
            names.push_back(data.fileName);
        }
        EXPECT_EQ(names, c.names) << c.pattern;
    }
    fs::FindFileData data;
    auto search = fs::FileSearch::Start(mRoot.string() + "\\data\\*", data);
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(data.attributes, fs::kFileAttributeDirectory);
    ASSERT_TRUE(search->Next(data));
    EXPECT_EQ(data.attributes, 0u);
    EXPECT_EQ(data.fileSizeLow, 5u);
    EXPECT_EQ(data.lastWriteTime, 116444736000000000ULL);  // 1970-01-01 as a FILETIME
}

TEST_F(FileSystemTest, MappedFilesHoldTheWholeFile) {
    Touch(mRoot / "m.bin", "mapped");
    Touch(mRoot / "empty.bin", "");
    auto mapped = fs::MappedFile::Open((mRoot / "M.BIN").string());
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapped->Data()), mapped->Size()), "mapped");
    auto empty = fs::MappedFile::Open((mRoot / "empty.bin").string());
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->Size(), 0u);
    EXPECT_EQ(fs::MappedFile::Open(mRoot.string()), nullptr);
    EXPECT_EQ(fs::MappedFile::Open((mRoot / "none").string()), nullptr);
}

}  // namespace
