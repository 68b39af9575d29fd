#include "util/CriticalLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Vesk::CriticalLock;

bool TryFromOtherThread(CriticalLock& lock) {
    bool taken = false;
    std::thread other([&] {
        taken = lock.try_lock();
        if (taken) {
            lock.unlock();
        }
    });
    other.join();
    return taken;
}

TEST(CriticalLockTest, OwnerMayEnterAgain) {
    CriticalLock lock;
    lock.lock();
    {
        std::lock_guard inner(lock);
        EXPECT_TRUE(lock.try_lock());
        lock.unlock();
    }
    // Free for others only once every entry has left.
    EXPECT_FALSE(TryFromOtherThread(lock));
    lock.unlock();
    EXPECT_TRUE(TryFromOtherThread(lock));
}

TEST(CriticalLockTest, ExcludesOtherThreads) {
    CriticalLock lock;
    int counter = 0;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                std::scoped_lock guard(lock);
                if (inside.fetch_add(1) != 0) {
                    overlapped = true;
                }
                ++counter;
                inside.fetch_sub(1);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(counter, 8000);
    EXPECT_FALSE(overlapped);
}

}  // namespace
