#include "platform/Thread.h"

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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

namespace {

bool HasCapSysNice() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    return (data[CAP_TO_INDEX(CAP_SYS_NICE)].effective & CAP_TO_MASK(CAP_SYS_NICE)) != 0;
}

}  // namespace

// Without the capability a nice value may go down only to 20 - RLIMIT_NICE.
bool PriorityMayRise() {
    if (HasCapSysNice()) return true;
    rlimit limit{};
    if (getrlimit(RLIMIT_NICE, &limit) != 0) return false;
    if (limit.rlim_cur == RLIM_INFINITY) return true;
    return limit.rlim_cur <= 40 && 20 - static_cast<int>(limit.rlim_cur) <= SystemPriorityOf(ThreadPriority::Normal);
}

ThreadPriority CurrentThreadPriority() {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    if (errno != 0) return ThreadPriority::Normal;
    ThreadPriority nearest = ThreadPriority::Normal;
    for (ThreadPriority level : {ThreadPriority::Idle, ThreadPriority::Lowest, ThreadPriority::BelowNormal,
                                 ThreadPriority::Normal})
        if (std::abs(SystemPriorityOf(level) - nice) <= std::abs(SystemPriorityOf(nearest) - nice)) nearest = level;
    return nearest;
}

int Thread::CurrentThreadId() { return static_cast<int>(syscall(SYS_gettid)); }

// EACCES/EPERM for a raise without the right leave the old nice value.
bool Thread::SetPriorityOf(int tid, ThreadPriority priority) {
    return setpriority(PRIO_PROCESS, static_cast<id_t>(tid), SystemPriorityOf(priority)) == 0;
}

}  // namespace platform
