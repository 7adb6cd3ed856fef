#pragma once
// The command line's stand-in for a user-interface thread: the burner's
// threads hand OnWriteDone over to it and wait until it has run.
#include "platform/Event.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace kq::cli {

class MainLoop {
public:
    // The loop belongs to the thread that creates it.
    MainLoop();

    // Runs `call` on the loop's thread and returns when it has run. On the
    // loop's own thread it runs at once. Once the call has run the loop may
    // be destroyed: the caller then touches only the call's own record.
    void Invoke(const std::function<void()>& call);

    // Runs the calls handed over so far, waiting up to `ms` for one first.
    void RunFor(uint32_t ms);

private:
    struct Pending {
        std::function<void()> call;
        std::mutex lock;
        std::condition_variable finished;
        bool done = false;
    };

    std::thread::id owner_;
    std::optional<platform::Event> wake_;
    std::mutex lock_;  // guards the queue
    std::deque<std::shared_ptr<Pending>> queue_;
};

}  // namespace kq::cli
