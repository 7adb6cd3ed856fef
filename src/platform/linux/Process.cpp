#include "platform/Process.h"

#include "platform/Timing.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

std::atomic<int>* interruptFlag = nullptr;

// The first request decides the exit status; later ones change nothing.
extern "C" void OnInterruptSignal(int signal) {
    int none = kNoStop;
    if (interruptFlag) interruptFlag->compare_exchange_strong(none, signal);
}

// Above the standard descriptors and the child's report number, so that
// the dup2 in the child always moves it (and so drops close-on-exec).
int MoveHigh(int fd) {
    int high = fcntl(fd, F_DUPFD_CLOEXEC, 10);
    close(fd);
    return high;
}

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return 1;
}

}  // namespace

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

void InstallInterruptFlag(std::atomic<int>& stop) {
    static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");
    static_assert(SIGHUP == kStopHangUp && SIGINT == kStopInterrupt && SIGTERM == kStopTerminate);
    interruptFlag = &stop;
    struct sigaction action {};
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGHUP, SIGTERM}) sigaction(signal, &action, nullptr);
}

void IgnoreBrokenPipe() { std::signal(SIGPIPE, SIG_IGN); }

std::string SelfExecutable() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

int CurrentProcessId() { return static_cast<int>(getpid()); }

void SetEnvironmentValue(const std::string& name, const std::string& value) { setenv(name.c_str(), value.c_str(), 1); }

std::optional<ChildProcess> ChildProcess::Spawn(const std::string& program, const std::vector<std::string>& args,
                                                int childReportFd, bool quiet, std::error_code& why) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        why = std::error_code(errno, std::generic_category());
        return std::nullopt;
    }
    int readFd = MoveHigh(ends[0]), writeFd = MoveHigh(ends[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeFd, childReportFd);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(writeFd);
    if (failed != 0) {
        close(readFd);
        why = std::error_code(failed, std::generic_category());
        return std::nullopt;
    }
    return ChildProcess(pid, readFd);
}

// A child is reached by its id alone: no Native is ever made.
void ChildProcess::ReleaseNative::operator()(Native*) const {}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) Wait();
    if (readFd_ >= 0) close(readFd_);
}

bool ChildProcess::ReadReport(std::string& into) {
    if (readFd_ < 0) return false;
    for (;;) {
        struct pollfd p {readFd_, POLLIN, 0};
        if (poll(&p, 1, 0) <= 0) return true;  // nothing more just now
        char chunk[4096];
        ssize_t n = read(readFd_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            close(readFd_);
            readFd_ = -1;
            return false;
        }
        into.append(chunk, static_cast<size_t>(n));
    }
}

void ChildProcess::Interrupt() {
    if (pid_ > 0 && !status_) kill(pid_, SIGINT);
}

std::optional<int> ChildProcess::TryWait() {
    if (status_ || pid_ <= 0) return status_;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) status_ = ExitCodeOf(status);
    return status_;
}

int ChildProcess::Wait() {
    while (!status_ && pid_ > 0) {
        int status = 0;
        pid_t done = waitpid(pid_, &status, 0);
        if (done == pid_) status_ = ExitCodeOf(status);
        else if (done < 0 && errno != EINTR) status_ = 1;
    }
    return status_.value_or(1);
}

bool WriteReport(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void WaitReadable(const std::vector<int>& fds, uint32_t ms) {
    std::vector<pollfd> polls;
    for (int fd : fds)
        if (fd >= 0) polls.push_back({fd, POLLIN, 0});
    if (polls.empty()) {
        SleepMs(ms);
        return;
    }
    poll(polls.data(), polls.size(), static_cast<int>(ms));
}

}  // namespace platform
