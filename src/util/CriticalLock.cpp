#include "util/CriticalLock.h"

namespace Vesk {

CriticalLock::CriticalLock() = default;

CriticalLock::~CriticalLock() = default;

void CriticalLock::lock() {
    mMutex.lock();
}

void CriticalLock::unlock() {
    mMutex.unlock();
}

bool CriticalLock::try_lock() {
    return mMutex.try_lock();
}

}  // namespace Vesk
