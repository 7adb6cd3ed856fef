#pragma once
// Calls from worker threads onto the window's thread. Run is the blocking
// hand-over the write thread uses for its last report; Post queues a call
// and returns. Once the window shuts the hand-over, calls are dropped and a
// waiting worker is let go, so no thread waits for a window that is gone.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace kq {

class UiHandOver : public std::enable_shared_from_this<UiHandOver> {
public:
    // post queues a call for the window's thread (the toolkit's queued call).
    using Poster = std::function<void(std::function<void()>)>;

    // Created on the window's thread.
    static std::shared_ptr<UiHandOver> Create(Poster post);

    // Runs call on the window's thread and waits until it has run, or until
    // Shutdown. Called on the window's thread, it runs the call at once.
    // False when the call was dropped.
    bool Run(const std::function<void()>& call);
    // Queues call for the window's thread; dropped after Shutdown.
    void Post(std::function<void()> call);
    // From the window's thread as it closes.
    void Shutdown();
    bool IsShut() const;

private:
    explicit UiHandOver(Poster post);
    struct Job {
        std::function<void()> call;
        bool done = false;
    };
    void RunJob(Job& job);

    Poster post_;
    std::thread::id windowThread_;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    bool shut_ = false;
};

}  // namespace kq
