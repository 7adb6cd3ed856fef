// Processes on Windows: the console test, Ctrl-C through the console's
// control handler, and child processes started with CreateProcessA. The
// child's report descriptor is handed over the way the C runtime passes
// its descriptors on (the table in STARTUPINFO's reserved block), so the
// child writes to the same descriptor number as on Linux.
#include "platform/Process.h"

#include "platform/Timing.h"
#include "platform/win32/Win32Error.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdlib>
#include <cstring>
#include <thread>

namespace platform {

namespace {

std::atomic<int>* interruptFlag = nullptr;

void NoteStop(int stop) {
    int none = kNoStop;
    if (interruptFlag) interruptFlag->compare_exchange_strong(none, stop);
}

// The console window closing is the terminal hanging up.
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    NoteStop(event == CTRL_CLOSE_EVENT ? kStopHangUp : kStopInterrupt);
    return TRUE;
}

// A child's parent cannot reach it with Ctrl-C alone (it may have no
// console), so each child also listens on an event named after its id.
std::string InterruptEventName(DWORD pid) { return "kqburn-interrupt-" + std::to_string(pid); }

void WatchInterruptEvent() {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, InterruptEventName(GetCurrentProcessId()).c_str());
    if (!event) return;
    std::thread([event] {
        if (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) NoteStop(kStopInterrupt);
    }).detach();
}

// One argument as the C runtime splits a command line: quotes around it,
// backslashes doubled only before a quote.
void AppendQuoted(std::string& line, const std::string& arg) {
    if (!line.empty()) line += ' ';
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
        line += arg;
        return;
    }
    line += '"';
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, '\\');
    line += '"';
}

// The runtime's inherited-descriptor block: a count, one flag byte per
// descriptor, then one handle per descriptor. Only `fd` is handed over;
// the standard ones come from the STARTUPINFO handles.
std::vector<BYTE> DescriptorBlock(int fd, HANDLE handle) {
    constexpr BYTE kOpen = 0x01, kPipe = 0x08;
    int count = fd + 1;
    std::vector<BYTE> block(sizeof(int) + count * (1 + sizeof(HANDLE)), 0);
    std::memcpy(block.data(), &count, sizeof count);
    block[sizeof(int) + fd] = kOpen | kPipe;
    BYTE* handles = block.data() + sizeof(int) + count;
    for (int i = 0; i < count; ++i) {
        HANDLE h = i == fd ? handle : INVALID_HANDLE_VALUE;
        std::memcpy(handles + i * sizeof(HANDLE), &h, sizeof h);
    }
    return block;
}

HANDLE Inheritable(HANDLE h) {
    HANDLE copy = INVALID_HANDLE_VALUE;
    DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS);
    return copy;
}

HANDLE NullDevice() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                       nullptr);
}

int ExitCodeOf(HANDLE process) {
    DWORD code = 1;
    if (!GetExitCodeProcess(process, &code)) return 1;
    // A console program ended by Ctrl-C reports STATUS_CONTROL_C_EXIT.
    return code == 0xC000013A ? 130 : static_cast<int>(code);
}

}  // namespace

bool IsTerminal(std::FILE* stream) {
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) != 0;
}

void InstallInterruptFlag(std::atomic<int>& stop) {
    interruptFlag = &stop;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    static const bool watching = (WatchInterruptEvent(), true);
    (void)watching;
}

// Windows has no SIGPIPE: a write to a closed pipe already fails.
void IgnoreBrokenPipe() {}

std::string SelfExecutable() {
    char path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
}

int CurrentProcessId() { return static_cast<int>(GetCurrentProcessId()); }

// Both the system's block (which children get) and the C runtime's copy (which getenv reads).
void SetEnvironmentValue(const std::string& name, const std::string& value) {
    SetEnvironmentVariableA(name.c_str(), value.c_str());
    _putenv((name + "=" + value).c_str());
}

// The process, and the event its Interrupt sets.
struct ChildProcess::Native {
    HANDLE process = nullptr;
    HANDLE interrupt = nullptr;
};

void ChildProcess::ReleaseNative::operator()(Native* native) const {
    CloseHandle(native->process);
    if (native->interrupt) CloseHandle(native->interrupt);
    delete native;
}

struct SpawnHandles {
    HANDLE read = nullptr, write = nullptr, out = INVALID_HANDLE_VALUE;
    ~SpawnHandles() {
        if (read) CloseHandle(read);
        if (write) CloseHandle(write);
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    }
};

std::optional<ChildProcess> ChildProcess::Spawn(const std::string& program, const std::vector<std::string>& args,
                                                int childReportFd, bool quiet, std::error_code& why) {
    SpawnHandles h;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    // Only the write end is inherited; the read end stays with us.
    if (!CreatePipe(&h.read, &h.write, &inherit, 0) || !SetHandleInformation(h.read, HANDLE_FLAG_INHERIT, 0)) {
        why = Win32Error();
        return std::nullopt;
    }
    std::string line;
    AppendQuoted(line, program);
    for (const std::string& arg : args) AppendQuoted(line, arg);
    std::vector<BYTE> fds = DescriptorBlock(childReportFd, h.write);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.cbReserved2 = static_cast<WORD>(fds.size());
    start.lpReserved2 = fds.data();
    start.dwFlags = STARTF_USESTDHANDLES;
    if (quiet) h.out = NullDevice();
    HANDLE in = Inheritable(GetStdHandle(STD_INPUT_HANDLE));
    HANDLE out = quiet ? h.out : Inheritable(GetStdHandle(STD_OUTPUT_HANDLE));
    HANDLE err = quiet ? h.out : Inheritable(GetStdHandle(STD_ERROR_HANDLE));
    start.hStdInput = in;
    start.hStdOutput = out;
    start.hStdError = err;
    PROCESS_INFORMATION info{};
    BOOL started = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                  CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &start, &info);
    DWORD error = GetLastError();
    for (HANDLE copy : {in, quiet ? INVALID_HANDLE_VALUE : out, quiet ? INVALID_HANDLE_VALUE : err})
        if (copy != INVALID_HANDLE_VALUE && copy != nullptr) CloseHandle(copy);
    if (!started) {
        why = Win32Error(error);
        return std::nullopt;
    }
    // The event exists before the child runs, so an early Interrupt is not lost.
    HANDLE interrupt = CreateEventA(nullptr, TRUE, FALSE, InterruptEventName(info.dwProcessId).c_str());
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    int readFd = _open_osfhandle(reinterpret_cast<intptr_t>(h.read), _O_RDONLY | _O_BINARY);
    h.read = nullptr;
    return ChildProcess(static_cast<int>(info.dwProcessId), readFd, new Native{info.hProcess, interrupt});
}

ChildProcess::~ChildProcess() {
    if (native_) Wait();
    if (readFd_ >= 0) _close(readFd_);
}

bool ChildProcess::ReadReport(std::string& into) {
    if (readFd_ < 0) return false;
    HANDLE pipe = reinterpret_cast<HANDLE>(_get_osfhandle(readFd_));
    for (;;) {
        DWORD available = 0;
        if (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available == 0) return true;
        char chunk[4096];
        DWORD n = 0;
        // A failed peek means the writer has gone: the read then reports the end.
        if (!ReadFile(pipe, chunk, sizeof chunk, &n, nullptr) || n == 0) {
            _close(readFd_);
            readFd_ = -1;
            return false;
        }
        into.append(chunk, n);
    }
}

void ChildProcess::Interrupt() {
    if (native_ && !status_ && native_->interrupt) SetEvent(native_->interrupt);
}

std::optional<int> ChildProcess::TryWait() {
    if (status_ || !native_) return status_;
    if (WaitForSingleObject(native_->process, 0) == WAIT_OBJECT_0) status_ = ExitCodeOf(native_->process);
    return status_;
}

int ChildProcess::Wait() {
    if (!status_ && native_) {
        WaitForSingleObject(native_->process, INFINITE);
        status_ = ExitCodeOf(native_->process);
    }
    return status_.value_or(1);
}

// A blocking pipe takes all the bytes of one write, or fails.
bool WriteReport(int fd, std::string_view bytes) {
    const auto size = static_cast<unsigned>(bytes.size());
    return size == 0 || _write(fd, bytes.data(), size) == static_cast<int>(size);
}

// Pipes cannot be waited on: look at them every few milliseconds.
void WaitReadable(const std::vector<int>& fds, uint32_t ms) {
    constexpr uint32_t kLookEveryMs = 10;
    for (uint32_t waited = 0;;) {
        for (int fd : fds) {
            if (fd < 0) continue;
            HANDLE pipe = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
            DWORD available = 0;
            if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available > 0) return;
        }
        if (waited >= ms) return;
        uint32_t step = ms - waited < kLookEveryMs ? ms - waited : kLookEveryMs;
        SleepMs(step);
        waited += step;
    }
}

}  // namespace platform
