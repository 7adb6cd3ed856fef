#include "platform/Thread.h"

#include <windows.h>

namespace platform {

int SystemPriorityOf(ThreadPriority priority) {
    switch (priority) {
    case ThreadPriority::Idle: return THREAD_PRIORITY_IDLE;
    case ThreadPriority::Lowest: return THREAD_PRIORITY_LOWEST;
    case ThreadPriority::BelowNormal: return THREAD_PRIORITY_BELOW_NORMAL;
    case ThreadPriority::Normal: return THREAD_PRIORITY_NORMAL;
    case ThreadPriority::TimeCritical: return THREAD_PRIORITY_TIME_CRITICAL;
    }
    return THREAD_PRIORITY_NORMAL;
}

// A thread's priority is relative to its process's class, which it may
// always be set back to.
bool PriorityMayRise() { return true; }

ThreadPriority CurrentThreadPriority() {
    const int priority = GetThreadPriority(GetCurrentThread());
    if (priority >= THREAD_PRIORITY_NORMAL) return ThreadPriority::Normal;
    if (priority >= THREAD_PRIORITY_BELOW_NORMAL) return ThreadPriority::BelowNormal;
    if (priority >= THREAD_PRIORITY_LOWEST) return ThreadPriority::Lowest;
    return ThreadPriority::Idle;
}

int Thread::CurrentThreadId() { return static_cast<int>(GetCurrentThreadId()); }

// Opened by id, so the owner can change it from any thread.
bool Thread::SetPriorityOf(int tid, ThreadPriority priority) {
    HANDLE thread = OpenThread(THREAD_SET_INFORMATION, FALSE, static_cast<DWORD>(tid));
    if (!thread) return false;
    const bool set = SetThreadPriority(thread, SystemPriorityOf(priority)) != 0;
    CloseHandle(thread);
    return set;
}

}  // namespace platform
