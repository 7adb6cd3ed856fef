#include "platform/Thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

int NiceValueOf(ThreadPriority priority) {
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
    tid_.store(static_cast<int>(syscall(SYS_gettid)));
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
    // Refusal (EACCES/EPERM for a raise without the right) is not an error.
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), NiceValueOf(priority_.load()));
}

void Thread::WaitFor() {
    std::lock_guard lock(joinLock_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

}  // namespace platform
