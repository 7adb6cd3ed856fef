#include "platform/Thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

int SystemPriorityOf(ThreadPriority priority) {
    switch (priority) {
        case ThreadPriority::Idle: return 19;
        case ThreadPriority::Lowest: return 10;
        case ThreadPriority::BelowNormal: return 5;
        case ThreadPriority::Normal: return 0;
        case ThreadPriority::TimeCritical: break;
    }
    // The lowest nice value this process may take (RLIMIT_NICE allows
    // 20 - limit); never real-time scheduling, which a spinning thread
    // would turn into a frozen machine.
    rlimit limit{};
    if (getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        limit.rlim_cur <= 40) {
        int floor = 20 - static_cast<int>(limit.rlim_cur);
        if (geteuid() != 0) return floor < 0 ? floor : 0;
    }
    return -20;
}

int Thread::CurrentThreadId() { return static_cast<int>(syscall(SYS_gettid)); }

// EACCES/EPERM for a raise without the right leave the old nice value.
void Thread::SetPriorityOf(int tid, ThreadPriority priority) {
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), SystemPriorityOf(priority));
}

}  // namespace platform
