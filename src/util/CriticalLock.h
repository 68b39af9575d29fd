#pragma once

#include <mutex>

namespace Vesk {

// Re-entrant lock: the owning thread may take it again, as the display and
// application code do when one locked call leads into another. It meets the
// standard Lockable requirements, so owners scope it with
// std::lock_guard<Vesk::CriticalLock> or std::scoped_lock.
class CriticalLock {
public:
    CriticalLock();
    ~CriticalLock();
    CriticalLock(const CriticalLock&) = delete;
    CriticalLock& operator=(const CriticalLock&) = delete;

    void lock();
    void unlock();
    bool try_lock();

private:
    std::recursive_mutex mMutex;
};

}  // namespace Vesk
