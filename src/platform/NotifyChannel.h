#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Short notes between processes of the same user: every process listens on
// a datagram socket named after its process id in a shared folder, and a
// broadcast sends one datagram to each of the others. Sockets left behind by
// ended processes are removed when a channel starts listening and when a send
// finds nobody there. Nothing waits.
class NotifyChannel {
public:
    struct Note {
        uint64_t wparam = 0;
        int64_t lparam = 0;
    };

    static constexpr size_t kDatagramSize = 20;
    // Caps the work of one broadcast and one poll.
    static constexpr int kMaxPeers = 256;
    static constexpr int kMaxNotesPerPoll = 64;
    // Caps the sockets one start looks at for leftovers.
    static constexpr int kMaxSweep = 1024;

    // Makes the folder (mode 0700) when missing. Listening fails when the
    // folder is not a directory of this user or the path does not fit. The
    // socket's name is the process id unless one is given.
    explicit NotifyChannel(std::string folder, std::string ownName = {});
    ~NotifyChannel();
    NotifyChannel(const NotifyChannel&) = delete;
    NotifyChannel& operator=(const NotifyChannel&) = delete;

    bool IsListening() const { return mFd >= 0; }
    const std::string& Folder() const { return mFolder; }

    // Sends to every other listener; returns how many took the note.
    int Broadcast(const Note& note);
    // The next waiting note, or none. Malformed datagrams are skipped.
    std::optional<Note> Receive();

    static std::string Encode(const Note& note);
    static std::optional<Note> Decode(const void* data, size_t size);

private:
    std::string mFolder;
    std::string mOwnName;
    std::string mOwnPath;
    int mFd = -1;
};

}  // namespace platform
