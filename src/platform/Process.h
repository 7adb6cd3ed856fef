#pragma once
// Processes: the terminal test, Ctrl-C as a flag, and child processes that
// report through a pipe (a burn onto several drives runs one per drive).
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace platform {

bool IsTerminal(std::FILE* stream);

// SIGINT and SIGTERM set `flag` (which must outlive the process's use of
// it); nothing else happens in the handler.
void InstallInterruptFlag(std::atomic<bool>& flag);
// Writing to a pipe whose reader has gone fails instead of ending the process.
void IgnoreBrokenPipe();

// The running program's own file.
std::string SelfExecutable();

class ChildProcess {
public:
    // Starts `program` with `args`. The write end of a pipe is the child's
    // descriptor `childReportFd`; the parent reads the other end. With
    // `quiet` the child's standard output and error go to /dev/null.
    static std::optional<ChildProcess> Spawn(const std::string& program, const std::vector<std::string>& args,
                                             int childReportFd, bool quiet, std::error_code& why);
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ChildProcess(const ChildProcess&) = delete;
    // Waits for a child still running: none is left behind.
    ~ChildProcess();

    int ReportFd() const { return readFd_; }
    // The system's process id.
    int Id() const { return pid_; }
    // Appends what has arrived without waiting; false once the child has
    // closed its end and everything has been read.
    bool ReadReport(std::string& into);
    // Sends SIGINT, as Ctrl-C on a terminal does.
    void Interrupt();
    // The exit code once the child has ended (128 + signal after a signal).
    std::optional<int> TryWait();
    int Wait();

private:
    ChildProcess(int pid, int readFd) : pid_(pid), readFd_(readFd) {}

    int pid_ = -1;
    int readFd_ = -1;
    std::optional<int> status_;
#ifdef _WIN32
    // The process and the event its Interrupt sets.
    void* process_ = nullptr;
    void* interrupt_ = nullptr;
#endif
};

// Waits until one of `fds` has something to read (or has closed), at most `ms`.
void WaitReadable(const std::vector<int>& fds, uint32_t ms);

}  // namespace platform
