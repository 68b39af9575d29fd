#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// An IPv4 address in host byte order (127.0.0.1 is 0x7F000001).
using IPv4Address = uint32_t;

// The address of a host: a dotted literal is taken as it is, any other name goes through the
// system's name lookup (IPv4 only). Empty when the name cannot be resolved.
std::optional<IPv4Address> LookupHostIPv4(const std::string& host);

// Replaces the name lookup of LookupHostIPv4 (literals included), so that tests never reach
// the outside network. An empty function restores the system's lookup.
using HostLookup = std::function<std::optional<IPv4Address>(const std::string& host)>;
void SetHostLookup(HostLookup lookup);

// Outcome of one socket operation.
enum class SocketStatus {
    Ok,          // done: connected, ready, or bytes moved
    InProgress,  // a connect is under way, or the operation would block
    TimedOut,    // a wait saw nothing within its time
    Closed,      // a receive found the connection closed by the peer
    Failed,      // any other error
};

struct SocketIo {
    SocketStatus status = SocketStatus::Failed;
    size_t count = 0;  // bytes moved when the status is Ok
};

// A non-blocking IPv4 TCP socket, normally a client. Closed by its destructor; movable, not
// copyable. One socket is used by one thread at a time.
class TcpSocket {
public:
    TcpSocket() = default;
    ~TcpSocket();
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Makes a new non-blocking socket (closing any previous one); false when the system
    // refuses one.
    bool Open();
    bool IsOpen() const { return mFd >= 0; }
    void Close();

    // Starts a connection: Ok when made at once, InProgress when under way (wait for
    // writability, then ask ConnectResult), Failed when it cannot be made.
    SocketStatus Connect(IPv4Address address, uint16_t port);
    // After a connect wait: Ok when the connection stands, Failed when it was refused or broke.
    SocketStatus ConnectResult() const;

    // Waits at most timeoutMs for the socket to be readable (forRead) or writable (forWrite).
    // Ok when ready, and also when a pending error or hang-up means the next call will not
    // block (that call then reports it); TimedOut when nothing happened; Failed when the wait
    // itself fails.
    SocketStatus Wait(bool forRead, bool forWrite, int timeoutMs) const;

    // Sends what the system takes now; never raises SIGPIPE on a closed connection. Ok with a
    // count (possibly short), InProgress when nothing can be taken now, Failed otherwise.
    SocketIo Send(const void* data, size_t size);
    // Receives up to size bytes: Ok with a count above 0, Closed at the end of the stream,
    // InProgress when nothing is waiting, Failed on an error.
    SocketIo Receive(void* data, size_t size);

    // Listening on the loopback address only (port 0 picks a free one), for local servers
    // such as the tests'. Accept waits at most timeoutMs and hands over a non-blocking
    // connection: Ok, TimedOut, or Failed.
    bool ListenLoopback(uint16_t port);
    SocketStatus Accept(TcpSocket& connection, int timeoutMs);
    // The local port of a bound or connected socket; 0 when none.
    uint16_t LocalPort() const;

private:
    int mFd = -1;
};

}  // namespace platform
