#include "platform/Thread.h"

namespace platform {

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
    tid_.store(CurrentThreadId());
    ApplyPriority();
    if (body_) body_(*this);
    if (OnTerminate) OnTerminate(*this);
    tid_.store(0);  // the id may be reused once the thread is gone
    finished_.store(true);
}

bool Thread::SetPriority(ThreadPriority priority) {
    const int tid = tid_.load();
    if (tid != 0 && !SetPriorityOf(tid, priority)) return false;
    priority_.store(priority);
    return true;
}

// On the thread as it starts: a refusal leaves it where its creator was.
void Thread::ApplyPriority() {
    if (!SetPriorityOf(tid_.load(), priority_.load())) priority_.store(CurrentThreadPriority());
}

void Thread::WaitFor() {
    std::lock_guard lock(joinLock_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

}  // namespace platform
