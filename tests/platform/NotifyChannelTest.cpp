#include "platform/NotifyChannel.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace platform {
namespace {

// What a killed process leaves: its socket, bound and never removed.
void LeaveDeadSocket(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    close(fd);
}

class NotifyChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = (std::filesystem::temp_directory_path() /
                  ("vesk-notify-test-" + std::to_string(getpid())))
                     .string();
        std::filesystem::remove_all(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string folder;
};

TEST_F(NotifyChannelTest, ABroadcastReachesEveryOtherListenerOnce) {
    NotifyChannel first(folder, "first");
    NotifyChannel second(folder, "second");
    NotifyChannel third(folder, "third");
    ASSERT_TRUE(first.IsListening());
    EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);

    EXPECT_EQ(second.Broadcast(NotifyChannel::Note{0, -7}), 2);
    for (NotifyChannel* c : {&first, &third}) {
        const auto note = c->Receive();
        ASSERT_TRUE(note);
        EXPECT_EQ(note->wparam, 0u);
        EXPECT_EQ(note->lparam, -7);
        EXPECT_FALSE(c->Receive());
    }
    EXPECT_FALSE(second.Receive());  // not to itself
}

TEST_F(NotifyChannelTest, SocketsOfEndedProcessesAreCleanedUp) {
    NotifyChannel live(folder, "live");
    { NotifyChannel gone(folder, "gone"); }
    EXPECT_FALSE(std::filesystem::exists(folder + "/gone"));
    LeaveDeadSocket(folder + "/stale");
    EXPECT_EQ(live.Broadcast(NotifyChannel::Note{1, 2}), 0);
    EXPECT_FALSE(std::filesystem::exists(folder + "/stale"));
}

TEST_F(NotifyChannelTest, AStartRemovesTheSocketsOfKilledProcesses) {
    NotifyChannel live(folder, "live");
    for (const char* name : {"101", "102"}) {
        LeaveDeadSocket(folder + "/" + name);
    }
    NotifyChannel next(folder, "next");
    ASSERT_TRUE(next.IsListening());
    EXPECT_FALSE(std::filesystem::exists(folder + "/101"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/102"));
    EXPECT_TRUE(std::filesystem::exists(folder + "/live"));
    EXPECT_FALSE(live.Receive());  // looking sent it nothing
}

TEST_F(NotifyChannelTest, OnlySocketsAreTakenForLeftovers) {
    NotifyChannel first(folder, "first");
    const std::string outside = folder + "-outside";
    std::filesystem::remove(outside);
    LeaveDeadSocket(outside);
    LeaveDeadSocket(folder + "/103");
    std::ofstream(folder + "/104").put('x');
    std::filesystem::create_symlink(outside, folder + "/105");  // refuses like a dead socket
    NotifyChannel next(folder, "next");
    EXPECT_FALSE(std::filesystem::exists(folder + "/103"));
    EXPECT_EQ(next.Broadcast(NotifyChannel::Note{1, 2}), 1);
    EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/104"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder + "/105"));
    EXPECT_TRUE(std::filesystem::exists(outside));
    std::filesystem::remove(outside);
}

TEST_F(NotifyChannelTest, ForeignOrMalformedDatagramsAreRejected) {
    const std::string good = NotifyChannel::Encode(NotifyChannel::Note{0x0102030405060708u, -2});
    ASSERT_EQ(good.size(), NotifyChannel::kDatagramSize);
    const auto back = NotifyChannel::Decode(good.data(), good.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->wparam, 0x0102030405060708u);
    EXPECT_EQ(back->lparam, -2);
    EXPECT_FALSE(NotifyChannel::Decode(good.data(), good.size() - 1));
    std::string wrongMagic = good;
    wrongMagic[0] = 'X';
    EXPECT_FALSE(NotifyChannel::Decode(wrongMagic.data(), wrongMagic.size()));
}

TEST_F(NotifyChannelTest, AFolderThatIsNotADirectoryIsNotUsed) {
    std::ofstream(folder).put('x');
    NotifyChannel channel(folder, "me");
    EXPECT_FALSE(channel.IsListening());
    EXPECT_FALSE(channel.Receive());
    std::filesystem::remove(folder);
}

}  // namespace
}  // namespace platform
