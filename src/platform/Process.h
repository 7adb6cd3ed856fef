#pragma once
// Processes: the terminal test, Ctrl-C as a flag, and child processes that
// report through a pipe (a burn onto several drives runs one per drive).
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace platform {

bool IsTerminal(std::FILE* stream);

// The requests to stop, numbered as the signals that carry them on Linux,
// so that 128 + the number is the exit status shells expect.
enum StopSignal : int { kNoStop = 0, kStopHangUp = 1, kStopInterrupt = 2, kStopTerminate = 15 };

// SIGINT, SIGHUP and SIGTERM (Windows: Ctrl-C and Ctrl-Break, the console
// closing) store their StopSignal in `stop` unless one arrived before;
// nothing else happens in the handler. `stop` must outlive the process's
// use of it.
void InstallInterruptFlag(std::atomic<int>& stop);
// Writing to a pipe whose reader has gone fails instead of ending the process.
void IgnoreBrokenPipe();

// The running program's own file.
std::string SelfExecutable();
// The system's id of this process.
int CurrentProcessId();
// Sets a variable of this process's environment, which children inherit.
void SetEnvironmentValue(const std::string& name, const std::string& value);

class ChildProcess {
public:
    // Starts `program` with `args`. The write end of a pipe is the child's
    // descriptor `childReportFd`; the parent reads the other end. With
    // `quiet` the child's standard output and error go to /dev/null.
    [[nodiscard]] static std::optional<ChildProcess> Spawn(const std::string& program, const std::vector<std::string>& args,
                                             int childReportFd, bool quiet, std::error_code& why);
    ChildProcess(ChildProcess&& other) noexcept
        : pid_(std::exchange(other.pid_, -1)), readFd_(std::exchange(other.readFd_, -1)), status_(other.status_),
          native_(std::move(other.native_)) {}
    ChildProcess& operator=(ChildProcess&&) = delete;
    ChildProcess(const ChildProcess&) = delete;
    // Waits for a child still running: none is left behind.
    ~ChildProcess();

    int ReportFd() const { return readFd_; }
    // The system's process id.
    int Id() const { return pid_; }
    // Appends what has arrived without waiting; false once the child has
    // closed its end and everything has been read.
    [[nodiscard]] bool ReadReport(std::string& into);
    // Sends SIGINT, as Ctrl-C on a terminal does.
    void Interrupt();
    // The exit code once the child has ended (128 + signal after a signal).
    [[nodiscard]] std::optional<int> TryWait();
    int Wait();

private:
    // What the system holds on the child beyond its id; each system
    // defines it, and its release.
    struct Native;
    struct ReleaseNative {
        void operator()(Native* native) const;
    };

    ChildProcess(int pid, int readFd, Native* native = nullptr) : pid_(pid), readFd_(readFd), native_(native) {}

    int pid_ = -1;
    int readFd_ = -1;
    std::optional<int> status_;
    std::unique_ptr<Native, ReleaseNative> native_;
};

// Writes all of `bytes` to descriptor `fd` (a child's end of its report
// pipe); false when the system refuses, the reader having gone included.
[[nodiscard]] bool WriteReport(int fd, std::string_view bytes);

// Waits until one of `fds` has something to read (or has closed), at most `ms`.
void WaitReadable(const std::vector<int>& fds, uint32_t ms);

}  // namespace platform
