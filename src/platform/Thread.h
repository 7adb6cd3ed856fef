#pragma once
// A worker thread created suspended and started explicitly. Its body polls
// Terminated() to learn that it should stop; OnTerminate runs on the thread
// after the body returns. The owner always joins: the destructor asks the
// body to stop and waits for it, so no thread outlives its object.
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

enum class ThreadPriority { Idle, Lowest, BelowNormal, Normal, TimeCritical };

// The system's value for a level: the nice value on Linux (lower runs
// first), the THREAD_PRIORITY_* value on Windows (higher runs first).
int SystemPriorityOf(ThreadPriority priority);

// Whether a thread of this process may be given back a priority it was
// lowered from: always on Windows; on Linux only with CAP_SYS_NICE or an
// RLIMIT_NICE that reaches Normal, which a desktop user has neither of.
bool PriorityMayRise();
// The level nearest to the calling thread's priority now (Normal for any
// above it); on Linux a thread it creates starts there too.
ThreadPriority CurrentThreadPriority();

class Thread {
public:
    explicit Thread(std::function<void(Thread&)> body);
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Runs the body; a second call does nothing.
    void Start();
    // Best effort: a priority the system refuses leaves the old one, and
    // false. Before Start it is only noted, and applied when the thread runs.
    bool SetPriority(ThreadPriority priority);
    // What the thread has (or will start with), not what was last asked.
    ThreadPriority Priority() const { return priority_.load(); }

    void Terminate() { terminated_.store(true); }
    bool Terminated() const { return terminated_.load(); }
    bool Finished() const { return finished_.load(); }
    // Waits for the body (and OnTerminate) to finish; returns at once when
    // the thread was never started or already joined.
    void WaitFor();

    // Runs on the thread after the body, before Finished() turns true.
    std::function<void(Thread&)> OnTerminate;

private:
    void Run();
    void ApplyPriority();
    // What each system provides: the calling thread's id (never 0), and a
    // priority set on a thread known by its id, from any thread (false
    // when refused).
    static int CurrentThreadId();
    static bool SetPriorityOf(int tid, ThreadPriority priority);

    std::function<void(Thread&)> body_;
    std::thread thread_;
    std::mutex joinLock_;
    std::atomic<ThreadPriority> priority_{ThreadPriority::Normal};
    std::atomic<int> tid_{0};  // the system's id of the running thread, 0 when none
    std::atomic<bool> terminated_{false};
    std::atomic<bool> started_{false};
    std::atomic<bool> finished_{false};
};

}  // namespace platform
