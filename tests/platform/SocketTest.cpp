#include "platform/Socket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using namespace std::chrono_literals;

// Connects a client to a fresh loopback listener and accepts it; every wait is bounded.
struct ConnectedPair {
    platform::TcpSocket listener;
    platform::TcpSocket client;
    platform::TcpSocket server;

    ConnectedPair() {
        EXPECT_TRUE(listener.ListenLoopback(0));
        EXPECT_TRUE(client.Open());
        const platform::SocketStatus started = client.Connect(0x7F000001, listener.LocalPort());
        EXPECT_NE(started, platform::SocketStatus::Failed);
        EXPECT_EQ(listener.Accept(server, 2000), platform::SocketStatus::Ok);
        EXPECT_EQ(client.Wait(false, true, 2000), platform::SocketStatus::Ok);
        EXPECT_EQ(client.ConnectResult(), platform::SocketStatus::Ok);
    }
};

TEST(SocketTest, LiteralAddressesNeedNoLookupAndTheLookupCanBeReplaced) {
    EXPECT_EQ(platform::LookupHostIPv4("127.0.0.1"), 0x7F000001u);
    EXPECT_EQ(platform::LookupHostIPv4("10.1.2.3"), 0x0A010203u);
    EXPECT_EQ(platform::LookupHostIPv4(""), std::nullopt);

    platform::SetHostLookup([](const std::string& host) {
        return host == "server" ? std::optional<platform::IPv4Address>(42) : std::nullopt;
    });
    EXPECT_EQ(platform::LookupHostIPv4("server"), 42u);
    EXPECT_EQ(platform::LookupHostIPv4("127.0.0.1"), std::nullopt);
    platform::SetHostLookup({});
    EXPECT_EQ(platform::LookupHostIPv4("127.0.0.1"), 0x7F000001u);
}

TEST(SocketTest, RefusedConnectionIsReportedAfterTheWait) {
    uint16_t port;
    {
        platform::TcpSocket probe;
        ASSERT_TRUE(probe.ListenLoopback(0));
        port = probe.LocalPort();
    }
    platform::TcpSocket client;
    ASSERT_TRUE(client.Open());
    const platform::SocketStatus started = client.Connect(0x7F000001, port);
    if (started == platform::SocketStatus::InProgress) {
        EXPECT_EQ(client.Wait(false, true, 2000), platform::SocketStatus::Ok);
        EXPECT_EQ(client.ConnectResult(), platform::SocketStatus::Failed);
    } else {
        EXPECT_EQ(started, platform::SocketStatus::Failed);
    }
}

TEST(SocketTest, SendingIntoAClosedConnectionFailsWithoutASignal) {
    ConnectedPair pair;
    pair.server.Close();
    const std::string block(65536, 'x');
    platform::SocketStatus status = platform::SocketStatus::Ok;
    // The first sends may still be taken; once the reset is in, every further send fails,
    // and without MSG_NOSIGNAL the broken pipe would end the test process.
    int failures = 0;
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (failures < 3 && std::chrono::steady_clock::now() < deadline) {
        (void)pair.client.Wait(false, true, 20);
        status = pair.client.Send(block.data(), block.size()).status;
        if (status == platform::SocketStatus::Failed) {
            ++failures;
        }
    }
    EXPECT_EQ(failures, 3);
}

}  // namespace
