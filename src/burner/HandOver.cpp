#include "burner/HandOver.h"

namespace kq {

bool UiHandOver::Run(const TSynchronizeHook& hook, std::function<void()> call) {
    auto pending = std::make_shared<Pending>();
    pending->call = std::move(call);
    {
        std::lock_guard guard(lock_);
        if (cancelled_) return false;
        current_ = pending;
    }
    // The posted call holds only the shared record: it may run after the
    // component is gone, and then does nothing.
    if (hook) {
        hook([pending] { Deliver(pending); });
    } else {
        Deliver(pending);
    }
    std::unique_lock wait(pending->lock);
    pending->changed.wait(wait, [&] { return pending->done || (pending->cancelled && !pending->running); });
    return pending->done;
}

void UiHandOver::Deliver(const std::shared_ptr<Pending>& pending) {
    std::unique_lock guard(pending->lock);
    if (pending->cancelled || pending->done || pending->running) return;
    pending->running = true;
    pending->runner = std::this_thread::get_id();
    guard.unlock();
    pending->call();
    guard.lock();
    pending->running = false;
    pending->done = true;
    pending->call = nullptr;
    pending->changed.notify_all();
}

void UiHandOver::Cancel() {
    std::shared_ptr<Pending> pending;
    {
        std::lock_guard guard(lock_);
        cancelled_ = true;
        pending = std::move(current_);
    }
    if (!pending) return;
    std::unique_lock guard(pending->lock);
    pending->cancelled = true;
    pending->changed.notify_all();
    if (pending->runner != std::this_thread::get_id())
        pending->changed.wait(guard, [&] { return !pending->running; });
}

}  // namespace kq
