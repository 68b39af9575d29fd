#include "platform/Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <utility>

namespace platform {

namespace {

std::mutex gLookupMutex;
HostLookup gLookup;

std::optional<IPv4Address> SystemLookup(const std::string& host) {
    if (host.empty()) {
        return std::nullopt;
    }
    in_addr literal{};
    if (inet_pton(AF_INET, host.c_str(), &literal) == 1) {
        return ntohl(literal.s_addr);
    }

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || list == nullptr) {
        return std::nullopt;
    }
    std::optional<IPv4Address> found;
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addr != nullptr &&
            entry->ai_addrlen >= sizeof(sockaddr_in)) {
            const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
            found = ntohl(address->sin_addr.s_addr);
            break;
        }
    }
    freeaddrinfo(list);
    return found;
}

bool WouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

}  // namespace

std::optional<IPv4Address> LookupHostIPv4(const std::string& host) {
    HostLookup lookup;
    {
        std::lock_guard<std::mutex> lock(gLookupMutex);
        lookup = gLookup;
    }
    return lookup ? lookup(host) : SystemLookup(host);
}

void SetHostLookup(HostLookup lookup) {
    std::lock_guard<std::mutex> lock(gLookupMutex);
    gLookup = std::move(lookup);
}

TcpSocket::~TcpSocket() {
    Close();
}

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : mFd(std::exchange(other.mFd, -1)) {}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        mFd = std::exchange(other.mFd, -1);
    }
    return *this;
}

bool TcpSocket::Open() {
    Close();
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        return false;
    }
    mFd = fd;
    return true;
}

void TcpSocket::Close() {
    if (mFd >= 0) {
        ::close(mFd);
        mFd = -1;
    }
}

SocketStatus TcpSocket::Connect(IPv4Address address, uint16_t port) {
    if (mFd < 0) {
        return SocketStatus::Failed;
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = htonl(address);
    if (::connect(mFd, reinterpret_cast<const sockaddr*>(&target), sizeof(target)) == 0) {
        return SocketStatus::Ok;
    }
    // An interrupted connect goes on in the background, just like one in progress.
    if (errno == EINPROGRESS || errno == EINTR) {
        return SocketStatus::InProgress;
    }
    return SocketStatus::Failed;
}

SocketStatus TcpSocket::ConnectResult() const {
    if (mFd < 0) {
        return SocketStatus::Failed;
    }
    int error = 0;
    socklen_t length = sizeof(error);
    if (getsockopt(mFd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
        return SocketStatus::Failed;
    }
    sockaddr_in peer{};
    socklen_t peerLength = sizeof(peer);
    if (getpeername(mFd, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0) {
        return SocketStatus::Failed;
    }
    return SocketStatus::Ok;
}

SocketStatus TcpSocket::Wait(bool forRead, bool forWrite, int timeoutMs) const {
    if (mFd < 0) {
        return SocketStatus::Failed;
    }
    pollfd entry{};
    entry.fd = mFd;
    entry.events = static_cast<short>((forRead ? POLLIN : 0) | (forWrite ? POLLOUT : 0));
    const int count = poll(&entry, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (count < 0) {
        return errno == EINTR ? SocketStatus::TimedOut : SocketStatus::Failed;
    }
    if (count == 0) {
        return SocketStatus::TimedOut;
    }
    if ((entry.revents & POLLNVAL) != 0) {
        return SocketStatus::Failed;
    }
    return SocketStatus::Ok;
}

SocketIo TcpSocket::Send(const void* data, size_t size) {
    if (mFd < 0) {
        return {SocketStatus::Failed, 0};
    }
    const ssize_t sent = ::send(mFd, data, size, MSG_NOSIGNAL);
    if (sent >= 0) {
        return {SocketStatus::Ok, static_cast<size_t>(sent)};
    }
    return {WouldBlock(errno) ? SocketStatus::InProgress : SocketStatus::Failed, 0};
}

SocketIo TcpSocket::Receive(void* data, size_t size) {
    if (mFd < 0) {
        return {SocketStatus::Failed, 0};
    }
    const ssize_t received = ::recv(mFd, data, size, 0);
    if (received > 0) {
        return {SocketStatus::Ok, static_cast<size_t>(received)};
    }
    if (received == 0) {
        return {SocketStatus::Closed, 0};
    }
    return {WouldBlock(errno) ? SocketStatus::InProgress : SocketStatus::Failed, 0};
}

bool TcpSocket::ListenLoopback(uint16_t port) {
    if (!Open()) {
        return false;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(mFd, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0 ||
        ::listen(mFd, SOMAXCONN) != 0) {
        Close();
        return false;
    }
    return true;
}

SocketStatus TcpSocket::Accept(TcpSocket& connection, int timeoutMs) {
    const SocketStatus ready = Wait(true, false, timeoutMs);
    if (ready != SocketStatus::Ok) {
        return ready;
    }
    const int fd = ::accept4(mFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        return WouldBlock(errno) || errno == ECONNABORTED ? SocketStatus::TimedOut
                                                          : SocketStatus::Failed;
    }
    connection.Close();
    connection.mFd = fd;
    return SocketStatus::Ok;
}

uint16_t TcpSocket::LocalPort() const {
    if (mFd < 0) {
        return 0;
    }
    sockaddr_in local{};
    socklen_t length = sizeof(local);
    if (getsockname(mFd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

}  // namespace platform
