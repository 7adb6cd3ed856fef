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

int Thread::CurrentThreadId() { return static_cast<int>(GetCurrentThreadId()); }

// Opened by id, so the owner can change it from any thread.
void Thread::SetPriorityOf(int tid, ThreadPriority priority) {
    HANDLE thread = OpenThread(THREAD_SET_INFORMATION, FALSE, static_cast<DWORD>(tid));
    if (!thread) return;
    SetThreadPriority(thread, SystemPriorityOf(priority));
    CloseHandle(thread);
}

}  // namespace platform
