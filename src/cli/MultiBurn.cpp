#include "cli/MultiBurn.h"

#include "burner/kqCDBC.h"
#include "cli/DriveFacts.h"
#include "cli/DriveTable.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"
#include "cli/Recorders.h"
#include "platform/Process.h"
#include "transport/kqASPI.h"

#include <algorithm>
#include <utility>
#include <optional>

namespace kq::cli {

namespace {

constexpr int kChildReportFd = 3;
constexpr uint32_t kTickMs = 250;
constexpr uint64_t kPlainEveryMs = 5000;

struct Drive {
    DriveRow row;
    std::optional<platform::ChildProcess> child;
    std::string pending;  // report bytes not yet a whole line
    uint64_t shownMs = 0;
    std::string shownState;
};

// Every chosen drive's medium, before any is touched; the transport is
// released afterwards, so the children find the drives as they were.
std::optional<std::vector<Drive>> CheckDrives(const CliOptions& options, Console& console, int& code) {
    std::vector<Drive> drives;
    {
        TQCDBurner burner;
        bool loaded = StartTransport(burner, options);
        auto chosen = loaded ? ChooseRecorders(burner, options, console, code) : std::nullopt;
        if (!loaded) {
            console.Error("no recorder can be used");
            for (const std::string& line : DriveListing(burner, false)) console.Line(line);
            code = kExitNoRecorder;
        }
        if (!chosen) return std::nullopt;
        for (const std::string& entry : *chosen) {
            Drive d;
            d.row.entry = entry;
            std::string why = UnusableMediumReason(ExamineDrive(burner, entry), options.anyMedium);
            if (!why.empty()) {
                d.row.skipped = true;
                d.row.result = DriveResult{kExitNoRecorder, "-", 0, why};
                console.Line(ShortEntry(entry) + ": skipped: " + why);
            }
            drives.push_back(std::move(d));
        }
    }
    ReleaseASPI();
    return drives;
}

void StartChildren(std::vector<Drive>& drives, const std::string& self, const CliOptions& options) {
    std::string program = platform::SelfExecutable();
    if (program.empty()) program = self;
    for (Drive& d : drives) {
        if (d.row.skipped) continue;
        std::error_code why;
        auto args = ChildArguments(options, d.row.entry.substr(0, d.row.entry.find(',')), kChildReportFd);
        auto spawned = platform::ChildProcess::Spawn(program, args, kChildReportFd, !options.debug, why);
        if (spawned) d.child.emplace(std::move(*spawned));
        else d.row.result = DriveResult{kExitBurnFailed, "-", 0, "cannot start a burn: " + why.message()};
    }
}

void TakeLine(Drive& d, const std::string& text, Console& console, bool terminal) {
    ReportLine line = ParseReportLine(text);
    if (line.kind == ReportLine::Progress) d.row.status = line.status;
    else if (line.kind == ReportLine::Result) d.row.result = line.result;
    else if (line.kind == ReportLine::Note && !terminal) console.Line(ShortEntry(d.row.entry) + ": " + line.note);
}

// Reads what the child said; true while it may say more.
bool ReadChild(Drive& d, Console& console, bool terminal) {
    bool open = d.child->ReadReport(d.pending);
    for (size_t end; (end = d.pending.find('\n')) != std::string::npos;) {
        TakeLine(d, d.pending.substr(0, end), console, terminal);
        d.pending.erase(0, end + 1);
    }
    return open;
}

void EndChild(Drive& d) {
    int code = d.child->Wait();
    if (!d.row.result)
        d.row.result = DriveResult{code == 0 ? kExitBurnFailed : code, "-", 0,
                                   "the burn ended without a report (exit " + std::to_string(code) + ")"};
    d.child.reset();
}

size_t EntryWidth(const std::vector<Drive>& drives) {
    size_t width = 0;
    for (const Drive& d : drives) width = std::max(width, ShortEntry(d.row.entry).size());
    return width;
}

// On a terminal the block of drive lines is redrawn in place.
void ShowTerminal(const std::vector<Drive>& drives, bool redraw) {
    if (redraw) std::printf("\x1b[%zuA", drives.size());
    for (const Drive& d : drives) std::printf("\r%s\x1b[K\n", DriveLine(d.row, EntryWidth(drives)).c_str());
    std::fflush(stdout);
}

// Elsewhere a drive's line is printed when its state changes, or every few seconds.
void ShowPlain(std::vector<Drive>& drives, Console& console, uint64_t nowMs) {
    for (Drive& d : drives) {
        if (d.row.skipped) continue;  // said once, when the media were checked
        std::string state = d.row.skipped ? "skipped" : d.row.result ? "ended" : d.row.status.state;
        if (state == d.shownState && nowMs - d.shownMs < kPlainEveryMs) continue;
        d.shownState = state;
        d.shownMs = nowMs;
        console.Line(DriveLine(d.row, EntryWidth(drives)));
    }
}

void InterruptChildren(std::vector<Drive>& drives) {
    for (Drive& d : drives)
        if (d.child) d.child->Interrupt();
}

// Until every child has ended: their reports, the drive lines, and Ctrl-C
// passed on once to each (a terminal's Ctrl-C reaches them anyway).
void WatchChildren(std::vector<Drive>& drives, Console& console) {
    const bool terminal = console.Terminal();
    bool interrupted = false, drawn = false;
    for (uint64_t ticks = 0;; ++ticks) {
        std::vector<int> fds;
        for (const Drive& d : drives)
            if (d.child) fds.push_back(d.child->ReportFd());
        if (fds.empty()) break;
        platform::WaitReadable(fds, kTickMs);
        if (InterruptRequested() && !interrupted) {
            interrupted = true;
            InterruptChildren(drives);
        }
        for (Drive& d : drives)
            if (d.child && !ReadChild(d, console, terminal)) EndChild(d);
        if (terminal) ShowTerminal(drives, std::exchange(drawn, true));
        else ShowPlain(drives, console, ticks * kTickMs);
    }
    if (terminal) ShowTerminal(drives, drawn);
    else ShowPlain(drives, console, UINT64_MAX / 2);
}

// The worst result of the burns that ran; skipped drives count only when
// nothing was burnt at all.
int OverallCode(const std::vector<Drive>& drives) {
    int worst = kExitSuccess;
    bool anyBurnt = false;
    for (const Drive& d : drives) {
        if (d.row.skipped) continue;
        anyBurnt = true;
        int c = d.row.result ? d.row.result->exitCode : kExitBurnFailed;
        if (ExitSeverity(c) > ExitSeverity(worst)) worst = c;
    }
    return anyBurnt ? worst : kExitNoRecorder;
}

}  // namespace

int RunMultiBurn(const std::string& self, const CliOptions& options, Console& console) {
    int code = kExitNoRecorder;
    auto checked = CheckDrives(options, console, code);
    if (!checked) return code;
    std::vector<Drive>& drives = *checked;
    if (InterruptRequested()) return kExitAborted;
    StartChildren(drives, self, options);
    WatchChildren(drives, console);
    std::vector<DriveRow> rows;
    for (const Drive& d : drives) rows.push_back(d.row);
    console.Line("");
    for (const std::string& line : SummaryTable(rows, options.verify)) console.Line(line);
    return OverallCode(drives);
}

}  // namespace kq::cli
