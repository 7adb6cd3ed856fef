#include "platform/Thread.h"

#include <windows.h>

namespace platform {

int Win32PriorityOf(ThreadPriority priority) {
    switch (priority) {
    case ThreadPriority::Idle: return THREAD_PRIORITY_IDLE;
    case ThreadPriority::Lowest: return THREAD_PRIORITY_LOWEST;
    case ThreadPriority::BelowNormal: return THREAD_PRIORITY_BELOW_NORMAL;
    case ThreadPriority::Normal: return THREAD_PRIORITY_NORMAL;
    case ThreadPriority::TimeCritical: return THREAD_PRIORITY_TIME_CRITICAL;
    }
    return THREAD_PRIORITY_NORMAL;
}

Thread::Thread(std::function<void(Thread&)> body) : body_(std::move(body)) {}

Thread::~Thread() {
    Terminate();
    WaitFor();
}

void Thread::Start() {
    if (started_.exchange(true)) return;
    thread_ = std::thread([this] { Run(); });
}

void Thread::Run() {
    tid_.store(static_cast<int>(GetCurrentThreadId()));
    ApplyPriority();
    if (body_) body_(*this);
    if (OnTerminate) OnTerminate(*this);
    tid_.store(0);  // the id may be reused once the thread is gone
    finished_.store(true);
}

void Thread::SetPriority(ThreadPriority priority) {
    priority_.store(priority);
    if (tid_.load() != 0) ApplyPriority();
}

void Thread::ApplyPriority() {
    int tid = tid_.load();
    if (tid == 0) return;
    // Opened by id, so the owner can change it from any thread; a refusal
    // leaves the old priority and is not an error.
    HANDLE thread = OpenThread(THREAD_SET_INFORMATION, FALSE, static_cast<DWORD>(tid));
    if (!thread) return;
    SetThreadPriority(thread, Win32PriorityOf(priority_.load()));
    CloseHandle(thread);
}

void Thread::WaitFor() {
    std::lock_guard lock(joinLock_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

}  // namespace platform
