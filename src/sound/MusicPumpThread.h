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
// Threads: Add and Remove come from the main and loading threads; the pump runs on its own.
class MusicPumpThread {
public:
    MusicPumpThread() = default;
    ~MusicPumpThread();
    MusicPumpThread(const MusicPumpThread&) = delete;
    MusicPumpThread& operator=(const MusicPumpThread&) = delete;

    void Add(std::shared_ptr<MusicStream> stream);
    // Returns once the thread neither pumps the stream nor holds it, so the caller may then
    // free what the stream's decoder reads. Not from the pump thread.
    void Remove(const MusicStream* stream);

    // How long the thread rests between passes; a ring holds far more than this.
    static constexpr int kRestMs = 10;

private:
    void Run();

    std::mutex mLock;
    std::condition_variable mWake;
    std::condition_variable mPumped;                     // a pump has ended
    std::vector<std::shared_ptr<MusicStream>> mStreams;  // guarded by mLock
    const MusicStream* mPumping = nullptr;               // guarded by mLock; read by Remove
    bool mQuit = false;                                  // guarded by mLock
    std::thread mThread;
};

}  // namespace Vesk
