#pragma once
// The synchronous hand-over of a call to the host's user-interface thread.
// The host installs a hook that gets the call onto that thread: it may run
// it there and return (a blocking queued call), or post it and return at
// once. Either way the caller waits until the call has run, or until the
// hand-over is cancelled because the component is going away; so a host
// that posts can never deadlock with its own destruction of the component.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace kq {

// Gets `call` run on the host's user-interface thread. Unset: the call runs
// directly on the thread that hands it over.
using TSynchronizeHook = std::function<void(std::function<void()> call)>;

class UiHandOver {
public:
    // Runs `call` through `hook` and waits for it. True when it ran; false
    // when the hand-over was (or became) cancelled before it started.
    bool Run(const TSynchronizeHook& hook, std::function<void()> call);
    // No call starts from now on; a call already running is waited for
    // (unless it is the caller itself). Releases a waiting Run.
    void Cancel();

private:
    struct Pending {
        std::mutex lock;
        std::condition_variable changed;
        bool cancelled = false, running = false, done = false;
        std::thread::id runner;
        std::function<void()> call;
    };
    static void Deliver(const std::shared_ptr<Pending>& pending);

    std::mutex lock_;
    bool cancelled_ = false;
    std::shared_ptr<Pending> current_;
};

}  // namespace kq
