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
    std::unique_lock<std::mutex> lock(mLock);
    std::erase_if(mStreams, [&](const auto& held) { return held.get() == stream; });
    // A pass pumps outside the lock; the stream's bytes must outlive a pump in progress.
    mPumped.wait(lock, [&] { return mPumping != stream; });
}

void MusicPumpThread::Run() {
    std::unique_lock<std::mutex> lock(mLock);
    while (!mQuit) {
        // One stream at a time, taken from the list under the lock, so a stream removed
        // meanwhile is never pumped again. A removal may make the pass skip one stream.
        for (size_t i = 0; i < mStreams.size() && !mQuit; ++i) {
            std::shared_ptr<MusicStream> stream = mStreams[i];
            mPumping = stream.get();
            lock.unlock();
            stream->Pump();
            // Let go before Remove may return: the stream then ends on the remover's side.
            stream.reset();
            lock.lock();
            mPumping = nullptr;
            mPumped.notify_all();
        }
        mWake.wait_for(lock, std::chrono::milliseconds(kRestMs), [this] { return mQuit; });
    }
}

}  // namespace Vesk
