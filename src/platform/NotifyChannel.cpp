#include "platform/NotifyChannel.h"

#include <dirent.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/Process.h"

namespace platform {

namespace {

constexpr char kMagic[4] = {'V', 'N', 'T', '1'};

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool FolderIsOurs(const std::string& folder) {
    struct stat info {};
    return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & 0077) == 0;
}

std::vector<std::string> PeerNames(const std::string& folder, const std::string& ownName,
                                   int limit) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            if (entry->d_name[0] == '.' || ownName == entry->d_name) {
                continue;
            }
            names.emplace_back(entry->d_name);
            if (static_cast<int>(names.size()) >= limit) {
                break;
            }
        }
        closedir(dir);
    }
    return names;
}

// Only a socket can be a leftover: other files, symlinks among them, refuse a
// connect too but are not ours to remove.
void RemoveIfSocket(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) {
        unlink(path.c_str());
    }
}

// A killed process leaves its socket behind; nobody answers a connect to it.
// Connecting sends nothing, so live listeners see no note.
void RemoveDeadSockets(const std::string& folder, const std::string& ownName) {
    const std::vector<std::string> names = PeerNames(folder, ownName, NotifyChannel::kMaxSweep);
    if (names.empty()) {
        return;
    }
    const int probe = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        return;
    }
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        sockaddr_un address{};
        if (MakeAddress(path, address) &&
            connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 &&
            errno == ECONNREFUSED) {
            RemoveIfSocket(path);
        }
    }
    close(probe);
}

}  // namespace

NotifyChannel::NotifyChannel(std::string folder, std::string ownName)
    : mFolder(std::move(folder)),
      mOwnName(ownName.empty() ? std::to_string(ProcessId()) : std::move(ownName)) {
    while (mFolder.size() > 1 && mFolder.back() == '/') {
        mFolder.pop_back();
    }
    mOwnPath = mFolder + "/" + mOwnName;
    if (mkdir(mFolder.c_str(), 0700) != 0 && errno != EEXIST) {
        return;
    }
    if (!FolderIsOurs(mFolder)) {
        return;
    }
    sockaddr_un address{};
    if (!MakeAddress(mOwnPath, address)) {
        return;
    }
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return;
    }
    // A socket under our own name can only be left over from an ended process
    // that had our id.
    unlink(mOwnPath.c_str());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return;
    }
    mFd = fd;
    RemoveDeadSockets(mFolder, mOwnName);
}

NotifyChannel::~NotifyChannel() {
    if (mFd >= 0) {
        close(mFd);
        unlink(mOwnPath.c_str());
    }
}

std::string NotifyChannel::Encode(const Note& note) {
    std::string out(kMagic, sizeof(kMagic));
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<char>((note.wparam >> (8 * i)) & 0xFF));
    }
    const auto lparam = static_cast<uint64_t>(note.lparam);
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<char>((lparam >> (8 * i)) & 0xFF));
    }
    return out;
}

std::optional<NotifyChannel::Note> NotifyChannel::Decode(const void* data, size_t size) {
    if (size != kDatagramSize) {
        return std::nullopt;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (std::memcmp(bytes, kMagic, sizeof(kMagic)) != 0) {
        return std::nullopt;
    }
    uint64_t wparam = 0;
    uint64_t lparam = 0;
    for (int i = 7; i >= 0; --i) {
        wparam = (wparam << 8) | bytes[4 + i];
        lparam = (lparam << 8) | bytes[12 + i];
    }
    return Note{wparam, static_cast<int64_t>(lparam)};
}

int NotifyChannel::Broadcast(const Note& note) {
    const std::vector<std::string> peers = PeerNames(mFolder, mOwnName, kMaxPeers);
    if (peers.empty()) {
        return 0;
    }
    // A socket of our own when not listening, so a second instance whose own
    // bind failed can still wake the first.
    int fd = mFd;
    if (fd < 0) {
        fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            return 0;
        }
    }
    const std::string datagram = Encode(note);
    int delivered = 0;
    for (const std::string& peer : peers) {
        const std::string path = mFolder + "/" + peer;
        sockaddr_un address{};
        if (!MakeAddress(path, address)) {
            continue;
        }
        const ssize_t sent =
            sendto(fd, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                   reinterpret_cast<const sockaddr*>(&address), sizeof(address));
        if (sent == static_cast<ssize_t>(datagram.size())) {
            ++delivered;
        } else if (sent < 0 && errno == ECONNREFUSED) {
            RemoveIfSocket(path);  // its process is gone
        }
        // A full receiver (EAGAIN) just misses this note.
    }
    if (fd != mFd) {
        close(fd);
    }
    return delivered;
}

std::optional<NotifyChannel::Note> NotifyChannel::Receive() {
    if (mFd < 0) {
        return std::nullopt;
    }
    for (int i = 0; i < kMaxNotesPerPoll; ++i) {
        unsigned char buffer[64];
        const ssize_t got = recv(mFd, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (auto note = Decode(buffer, static_cast<size_t>(got))) {
            return note;
        }
    }
    return std::nullopt;
}

}  // namespace platform
