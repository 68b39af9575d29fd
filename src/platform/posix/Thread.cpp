#include "platform/Thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

uint32_t CurrentThreadId() {
    return static_cast<uint32_t>(syscall(SYS_gettid));
}

void SetCurrentThreadPriority(ThreadPriority priority) {
    // On Linux the nice value is per thread; raising it needs privileges, so failure is fine.
    int nice = priority == ThreadPriority::AboveNormal ? -1 : 0;
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(CurrentThreadId()), nice);
}

}  // namespace platform
