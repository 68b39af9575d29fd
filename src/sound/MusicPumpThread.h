#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace Vesk {

class MusicStream;

// The thread that keeps every music stream's ring topped up, so decoding never runs on the
// audio thread. It starts with the first stream and ends with the object.
class MusicPumpThread {
public:
    MusicPumpThread() = default;
    ~MusicPumpThread();
    MusicPumpThread(const MusicPumpThread&) = delete;
    MusicPumpThread& operator=(const MusicPumpThread&) = delete;

    void Add(std::shared_ptr<MusicStream> stream);
    void Remove(const MusicStream* stream);

    // How long the thread rests between passes; a ring holds far more than this.
    static constexpr int kRestMs = 10;

private:
    void Run();

    std::mutex mLock;
    std::condition_variable mWake;
    std::vector<std::shared_ptr<MusicStream>> mStreams;  // guarded by mLock
    bool mQuit = false;                                  // guarded by mLock
    std::thread mThread;
};

}  // namespace Vesk
