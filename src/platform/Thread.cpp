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

void Thread::SetPriority(ThreadPriority priority) {
    priority_.store(priority);
    if (tid_.load() != 0) ApplyPriority();
}

// A refusal leaves the old priority and is not an error.
void Thread::ApplyPriority() {
    int tid = tid_.load();
    if (tid != 0) SetPriorityOf(tid, priority_.load());
}

void Thread::WaitFor() {
    std::lock_guard lock(joinLock_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

}  // namespace platform
