#include "sound/MusicPumpThread.h"

#include <algorithm>
#include <chrono>

#include "sound/MusicStream.h"

namespace Vesk {

MusicPumpThread::~MusicPumpThread() {
    {
        std::lock_guard<std::mutex> lock(mLock);
        mQuit = true;
    }
    mWake.notify_all();
    if (mThread.joinable()) {
        mThread.join();
    }
}

void MusicPumpThread::Add(std::shared_ptr<MusicStream> stream) {
    std::lock_guard<std::mutex> lock(mLock);
    mStreams.push_back(std::move(stream));
    if (!mThread.joinable()) {
        mThread = std::thread([this] { Run(); });
    }
}

void MusicPumpThread::Remove(const MusicStream* stream) {
    std::lock_guard<std::mutex> lock(mLock);
    std::erase_if(mStreams, [&](const auto& held) { return held.get() == stream; });
}

void MusicPumpThread::Run() {
    std::vector<std::shared_ptr<MusicStream>> streams;
    std::unique_lock<std::mutex> lock(mLock);
    while (!mQuit) {
        streams = mStreams;
        lock.unlock();
        for (const auto& stream : streams) {
            stream->Pump();
        }
        streams.clear();
        lock.lock();
        mWake.wait_for(lock, std::chrono::milliseconds(kRestMs), [this] { return mQuit; });
    }
}

}  // namespace Vesk
