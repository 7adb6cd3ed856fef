#include "cli/MainLoop.h"

#include "platform/Timing.h"

namespace kq::cli {

MainLoop::MainLoop() : owner_(std::this_thread::get_id()), wake_(platform::Event::Create()) {}

void MainLoop::Invoke(const std::function<void()>& call) {
    auto pending = std::make_shared<Pending>();
    pending->call = call;
    {
        std::unique_lock guard(lock_);
        if (std::this_thread::get_id() == owner_) {
            guard.unlock();
            call();
            return;
        }
        queue_.push_back(pending);
        // Under the lock: the loop cannot take the call, run it and be gone before this.
        if (wake_) wake_->Set();
    }
    std::unique_lock guard(pending->lock);
    pending->finished.wait(guard, [&] { return pending->done; });
}

void MainLoop::RunFor(uint32_t ms) {
    if (wake_) platform::CurrentTiming().WaitEvent(*wake_, ms);
    else platform::SleepMs(ms);
    for (;;) {
        std::shared_ptr<Pending> next;
        {
            std::lock_guard guard(lock_);
            if (queue_.empty()) {
                if (wake_) wake_->Reset();
                return;
            }
            next = queue_.front();
            queue_.pop_front();
        }
        next->call();
        std::lock_guard guard(next->lock);
        next->done = true;
        next->finished.notify_all();
    }
}

}  // namespace kq::cli
