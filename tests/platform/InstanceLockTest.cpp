#include "platform/InstanceLock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/RuntimeFiles.h"

namespace platform {
namespace {

std::string TempPath(const std::string& leaf) {
    return (std::filesystem::temp_directory_path() /
            ("vesk-lock-test-" + std::to_string(getpid()) + "-" + leaf))
        .string();
}

TEST(InstanceLockTest, ASecondHolderIsRefusedUntilTheFirstLetsGo) {
    const std::string path = TempPath("a.lock");
    {
        InstanceLock first(path);
        EXPECT_EQ(first.Acquire(), InstanceLockResult::Acquired);
        EXPECT_TRUE(first.Held());
        EXPECT_EQ(first.Acquire(), InstanceLockResult::Acquired);  // already ours
        InstanceLock second(path);
        EXPECT_EQ(second.Acquire(), InstanceLockResult::HeldElsewhere);
        EXPECT_FALSE(second.Held());
    }
    InstanceLock third(path);
    EXPECT_EQ(third.Acquire(), InstanceLockResult::Acquired);
    std::filesystem::remove(path);
}

// A process forked by the holder (a helper that did not exec, say) outlives a
// holder killed outright: the lock must go with the holder.
TEST(InstanceLockTest, TheLockDiesWithItsHolderNotWithItsChildren) {
    const std::string path = TempPath("b.lock");
    int ready[2];
    int release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        InstanceLock lock(path);
        if (lock.Acquire() != InstanceLockResult::Acquired) {
            _exit(1);
        }
        if (fork() == 0) {
            close(release[1]);
            char c = 0;
            (void)!read(release[0], &c, 1);  // until the test lets go
            _exit(0);
        }
        (void)!write(ready[1], "x", 1);
        for (;;) {
            pause();
        }
    }
    close(ready[1]);
    close(release[0]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    InstanceLock next(path);
    EXPECT_EQ(next.Acquire(), InstanceLockResult::Acquired);
    close(release[1]);
    close(ready[0]);
    std::filesystem::remove(path);
}

TEST(InstanceLockTest, AnUnusableFolderMeansNoLockRatherThanAWait) {
    InstanceLock lock("/nonexistent-folder-for-vesk/x.lock");
    EXPECT_EQ(lock.Acquire(), InstanceLockResult::Unavailable);
}

TEST(InstanceLockTest, RuntimePathsCannotLeaveTheRuntimeFolder) {
    const std::string path = RuntimeFilePath("../../etc/Vorns Mutex", ".lock");
    const std::string leaf = std::filesystem::path(path).filename().string();
    EXPECT_EQ(std::filesystem::path(path).parent_path(),
              std::filesystem::path(RuntimeFilePath("x", "")).parent_path());
    EXPECT_EQ(leaf.find('/'), std::string::npos);
    EXPECT_NE(leaf.find(".._.._etc_Vorns_Mutex.lock"), std::string::npos);
    EXPECT_NE(leaf.find(std::to_string(getuid())), std::string::npos);
    EXPECT_LT(RuntimeFilePath(std::string(500, 'n'), ".notify").size(), 108u);
}

}  // namespace
}  // namespace platform
