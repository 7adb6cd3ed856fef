#include "cli/BlankDisc.h"

#include "burner/kqCDBC.h"
#include "cli/BlankProgress.h"
#include "cli/DriveTable.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"
#include "platform/Thread.h"
#include "platform/Timing.h"

#include <algorithm>
#include <atomic>

namespace kq::cli {

namespace {

constexpr uint32_t kTickMs = 100;
constexpr uint64_t kTerminalEveryMs = 250;
constexpr uint64_t kPlainEveryMs = 5000;
// A whole DVD-RW at 1x takes about an hour; the drive is asked twice a second.
constexpr int kBlankBudgetMs = 80 * 60 * 1000;
constexpr int kPollMs = 500;

struct Outcome {
    bool ok = false;
    std::string error;
};

// The wait runs on a thread of its own so that the line keeps moving and
// Ctrl-C is heard; it is never cut short.
Outcome WaitForTheDrive(TQCDBurner& burner, Console& console, const std::string& doing = "blanking") {
    std::atomic<int> progress{-1};
    std::atomic<bool> finished{false};
    Outcome outcome;
    platform::Thread waiter([&](platform::Thread&) {
        outcome.ok = burner.WaitForOperation(kBlankBudgetMs, kPollMs, [&](uint16_t p) { progress.store(p); });
        if (!outcome.ok) outcome.error = burner.LastErrorText();
        finished.store(true);
    });
    waiter.Start();
    const uint64_t start = platform::NowMs();
    const uint64_t every = console.Terminal() ? kTerminalEveryMs : kPlainEveryMs;
    uint64_t shown = 0;
    bool told = false;
    while (!finished.load()) {
        platform::SleepMs(kTickMs);
        if (InterruptRequested() && !told) {
            console.Line("interrupted: " + std::string(doing == "blanking" ? "a blank" : "a format") +
                         " cannot be stopped; waiting for the drive to finish it");
            told = true;
        }
        uint64_t elapsed = platform::NowMs() - start;
        if (shown != 0 && elapsed - shown < every) continue;
        shown = std::max<uint64_t>(1, elapsed);
        console.Progress(FormatBlankLine(progress.load(), elapsed, doing));
    }
    waiter.WaitFor();
    if (outcome.ok) console.Progress(FormatBlankLine(65536, platform::NowMs() - start, doing));
    console.EndProgress();
    return outcome;
}

}  // namespace

std::string BlankRefusal(const DriveFacts& facts, const CliOptions& options) {
    if (!facts.selected || !facts.ready || facts.mediaType == 0) return UnusableMediumReason(facts, true);
    std::string name = MediaName(facts.mediaType);
    switch (RecordingOf(facts.mediaType)) {
        case MediaRecording::WriteOnce: return "the " + name + " is write-once: it cannot be blanked";
        case MediaRecording::Overwritable:
            if (facts.mediaType == media::BdRe) return "a BD-RE is not blanked: --format reformats it, or a burn writes over it";
            return "the " + name + " is written over in place: it needs no blank";
        case MediaRecording::Other: return "the " + name + " cannot be written, nor blanked";
        case MediaRecording::Blankable: break;
    }
    if (std::find(facts.writes.begin(), facts.writes.end(), name) == facts.writes.end())
        return "it cannot write the " + name + " it holds";
    if (!options.image.empty()) {
        DriveFacts blank = facts;
        blank.status = DiscState::Blank;
        blank.sessions = 0;
        std::string why = UnusableMediumReason(blank, options.anyMedium);
        if (!why.empty()) return why + "; nothing was blanked";
    }
    return {};
}

int BlankDisc(TQCDBurner& burner, const std::string& entry, const CliOptions& options, Console& console) {
    DriveFacts facts = ExamineDrive(burner, entry);
    std::string why = BlankRefusal(facts, options);
    if (!why.empty()) {
        console.Error(ShortEntry(entry) + ": " + why);
        return kExitNoRecorder;
    }
    if (InterruptRequested()) return kExitAborted;  // nothing erased yet
    bool fast = options.blankType.value_or(1) == 1;
    console.Line("blanking " + ShortEntry(entry) + " (" + MediaName(facts.mediaType) + ", " +
                 DiscStatusText(facts) + (fast ? "), fast" : "), whole disc"));
    {
        std::unique_lock commands = burner.LockCommands();  // the text belongs to this command
        if (!burner.Blank(fast ? 1 : 0, true)) {
            console.Error("blank: " + burner.LastErrorText());
            return kExitBurnFailed;
        }
    }
    Outcome outcome = WaitForTheDrive(burner, console);
    if (!outcome.ok) {
        console.Error("blank: " + (outcome.error.empty() ? std::string("the drive did not finish in time") : outcome.error));
        return kExitBurnFailed;
    }
    console.Line("blank");
    return InterruptRequested() ? kExitAborted : kExitSuccess;
}

std::string FormatRefusal(const DriveFacts& facts) {
    if (!facts.selected || !facts.ready || facts.mediaType == 0) return UnusableMediumReason(facts, true);
    const std::string name = MediaName(facts.mediaType);
    if (facts.mediaType != media::BdRe) return "the " + name + " is not formatted here: --format takes a BD-RE";
    if (std::find(facts.writes.begin(), facts.writes.end(), name) == facts.writes.end())
        return "it cannot write the " + name + " it holds";
    return {};
}

namespace {

int Format(TQCDBurner& burner, const std::string& entry, Console& console) {
    {
        std::unique_lock commands = burner.LockCommands();  // the text belongs to this command
        if (!burner.FormatWholeDisc(true)) {
            console.Error("format: " + burner.LastErrorText());
            return kExitBurnFailed;
        }
    }
    Outcome outcome = WaitForTheDrive(burner, console, "formatting");
    if (!outcome.ok) {
        console.Error("format: " + (outcome.error.empty() ? std::string("the drive did not finish in time") : outcome.error));
        return kExitBurnFailed;
    }
    console.Line("formatted " + ShortEntry(entry));
    return InterruptRequested() ? kExitAborted : kExitSuccess;
}

}  // namespace

int FormatDisc(TQCDBurner& burner, const std::string& entry, const CliOptions& options, Console& console) {
    (void)options;
    DriveFacts facts = ExamineDrive(burner, entry);
    if (std::string why = FormatRefusal(facts); !why.empty()) {
        console.Error(ShortEntry(entry) + ": " + why);
        return kExitNoRecorder;
    }
    if (InterruptRequested()) return kExitAborted;
    console.Line("formatting " + ShortEntry(entry) + " (" + MediaName(facts.mediaType) + ")");
    return Format(burner, entry, console);
}

int FormatIfUnformatted(TQCDBurner& burner, const std::string& entry, int mediaType, Console& console) {
    if (mediaType != media::BdRe) return kExitSuccess;
    {
        std::unique_lock commands = burner.LockCommands();
        if (!burner.Unformatted()) return kExitSuccess;
    }
    console.Line("formatting " + ShortEntry(entry) + " (BD-RE, unformatted) before the burn");
    return Format(burner, entry, console);
}

}  // namespace kq::cli
