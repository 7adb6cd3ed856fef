#pragma once
// What a scripted view's Post queues from any thread, run on the test's
// thread when it lets messages through.
#include <deque>
#include <functional>
#include <mutex>

namespace kqtest {

class PostedCalls {
public:
    void Post(std::function<void()> call) {
        std::lock_guard lock(lock_);
        calls_.push_back(std::move(call));
    }
    // Runs what was posted so far, in order.
    void Run() {
        std::deque<std::function<void()>> calls;
        {
            std::lock_guard lock(lock_);
            calls.swap(calls_);
        }
        for (auto& call : calls) call();
    }

private:
    std::mutex lock_;
    std::deque<std::function<void()>> calls_;
};

}  // namespace kqtest
