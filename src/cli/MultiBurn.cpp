#include "cli/MultiBurn.h"

#include "burner/kqCDBC.h"
#include "cli/DriveFacts.h"
#include "cli/DriveTable.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"
#include "cli/Recorders.h"
#include "cli/TransportHelp.h"
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

// What the lines of a plain watch need to know.
struct Watch {
    bool terminal = false;
    uint64_t nowMs = 0;
    size_t width = 0;
};

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
            for (const std::string& line : NoTransportLines(options)) console.Error(line);
            for (const std::string& line : DriveListing(burner, false)) console.Line(line);
            code = kExitNoRecorder;
        }
        if (!chosen) return std::nullopt;
        for (const std::string& entry : *chosen) {
            Drive d;
            d.row.entry = entry;
            const DriveFacts facts = ExamineDrive(burner, entry);
            std::string why = UnusableMediumReason(facts, options.anyMedium, options.append);
            if (!why.empty()) {
                d.row.skipped = true;
                // Every recorder was asked for: an empty one is no fault of the run.
                d.row.excused = options.allRecorders && facts.noDisc;
                d.row.result = DriveResult{kExitNoRecorder, "-", 0, why};
                console.Error(ShortEntry(entry) + ": skipped: " + why);
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

// A drive's line when its state changes, at once, so that it falls in
// its place among the notes; `ended` drives are never shown again.
void ShowState(Drive& d, Console& console, uint64_t nowMs, size_t width) {
    std::string state = d.row.result ? "ended" : d.row.status.state;
    if (state == d.shownState) return;
    d.shownState = state;
    d.shownMs = nowMs;
    console.Line(DriveLine(d.row, width));
}

void TakeLine(Drive& d, const std::string& text, Console& console, const Watch& watch) {
    ReportLine line = ParseReportLine(text);
    if (line.kind == ReportLine::Progress) d.row.status = line.status;
    else if (line.kind == ReportLine::Result) d.row.result = line.result;
    else if (line.kind == ReportLine::Note && !watch.terminal) console.Line(ShortEntry(d.row.entry) + ": " + line.note);
    if (!watch.terminal && line.kind != ReportLine::Note && line.kind != ReportLine::Unknown)
        ShowState(d, console, watch.nowMs, watch.width);
}

// Reads what the child said; true while it may say more.
bool ReadChild(Drive& d, Console& console, const Watch& watch) {
    bool open = d.child->ReadReport(d.pending);
    for (size_t end; (end = d.pending.find('\n')) != std::string::npos;) {
        TakeLine(d, d.pending.substr(0, end), console, watch);
        d.pending.erase(0, end + 1);
    }
    return open;
}

void EndChild(Drive& d) {
    int code = d.child->Wait();
    if (!d.row.result)
        d.row.result = DriveResult{code == kExitSuccess ? kExitBurnFailed : code, "-", 0,
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

// Elsewhere a burning drive's line is repeated every few seconds; state
// changes were shown as they came.
void ShowPlain(std::vector<Drive>& drives, Console& console, uint64_t nowMs) {
    for (Drive& d : drives) {
        // Skipped drives were told once; a drive not heard from yet has nothing to show.
        if (d.row.skipped || d.row.result || d.shownState.empty()) continue;
        if (nowMs - d.shownMs < kPlainEveryMs) continue;
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
        const Watch watch{terminal, ticks * kTickMs, EntryWidth(drives)};
        for (Drive& d : drives) {
            if (d.child && !ReadChild(d, console, watch)) EndChild(d);
            if (!terminal && d.row.result) ShowState(d, console, watch.nowMs, watch.width);  // ended without a report
        }
        if (terminal) ShowTerminal(drives, std::exchange(drawn, true));
        else ShowPlain(drives, console, ticks * kTickMs);
    }
    if (terminal) ShowTerminal(drives, drawn);
}

// The worst single result. A drive skipped counts (it was asked for),
// unless --all-recorders found it without a disc; a run that burnt
// nothing at all is 4.
int OverallCode(const std::vector<Drive>& drives) {
    int worst = kExitSuccess;
    bool anyBurnt = false;
    for (const Drive& d : drives) {
        if (d.row.excused) continue;
        anyBurnt = anyBurnt || !d.row.skipped;
        int c = d.row.result ? d.row.result->exitCode : kExitBurnFailed;
        if (ExitSeverity(c) > ExitSeverity(worst)) worst = c;
    }
    return anyBurnt ? worst : kExitNoRecorder;
}

// Standard error hears of each failed burn too, not only the summary on
// standard output (skipped drives were told there when they were skipped).
void TellFailures(const std::vector<Drive>& drives, Console& console) {
    for (const Drive& d : drives) {
        if (d.row.skipped || !d.row.result || d.row.result->exitCode == kExitSuccess) continue;
        console.Error(ShortEntry(d.row.entry) + ": " + d.row.result->text);
    }
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
    TellFailures(drives, console);
    std::vector<DriveRow> rows;
    for (const Drive& d : drives) rows.push_back(d.row);
    console.Line("");
    for (const std::string& line : SummaryTable(rows, options.verify)) console.Line(line);
    return OverallCode(drives);
}

}  // namespace kq::cli
