#include "cli/SingleBurn.h"

#include "burner/kqCDBC.h"
#include "cli/BlankDisc.h"
#include "cli/BurnMonitor.h"
#include "cli/DiscChecks.h"
#include "cli/DriveFacts.h"
#include "cli/DriveTable.h"
#include "cli/ExitCode.h"
#include "cli/FolderSources.h"
#include "cli/ImageCheck.h"
#include "cli/Interrupt.h"
#include "cli/MainLoop.h"
#include "cli/Recorders.h"
#include "cli/SpeedMultiple.h"
#include "cli/TransportHelp.h"
#include "cli/Verify.h"
#include "drive/CommandTrace.h"
#include "drive/DriveMessages.h"
#include "jobs/AppendSession.h"
#include "platform/Thread.h"
#include "platform/Timing.h"

#include <algorithm>
#include <atomic>

namespace kq::cli {

namespace {

constexpr uint32_t kTickMs = 100;

void ApplySettings(TQCDBurner& b, const CliOptions& o, int mediaType) {
    b.SetUnderrunProtection(!o.noUnderrunProtection);
    b.SetTestWrite(o.testWrite);
    b.SetFinalizeDisc(o.finalizeDisc);
    b.SetFinalizeTrack(!o.noClose);
    b.SetPerformOPC(o.opc);
    b.SetWritePostGap(!o.noPostGap);
    if (o.cacheSize) b.SetCacheSize(*o.cacheSize);
    if (auto read = ChosenSpeed(o.readSpeed, o.readMultiple, mediaType))
        b.ReadSpeed = static_cast<uint16_t>(std::min<uint32_t>(*read, 0xFFFF));
    if (auto write = ChosenSpeed(o.writeSpeed, o.writeMultiple, mediaType)) b.SetWriteSpeed(*write);
}

// A multiple is measured against the medium only once the medium is known,
// and so is a test write: BD has none, and its laser would burn the disc
// that was to be spared.
std::string MediumOptionRefusal(const CliOptions& o, int mediaType) {
    if (o.testWrite && TraitsOf(mediaType).family == MediaFamily::Bd)
        return "--test-write cannot be used on the " + MediaName(mediaType) + ": a BD drive has no test write";
    std::string why = MultipleRangeRefusal("--write-speed", o.writeMultiple, mediaType);
    return why.empty() ? MultipleRangeRefusal("--read-speed", o.readMultiple, mediaType) : why;
}

class SingleBurn {
public:
    SingleBurn(TQCDBurner& burner, const CliOptions& options, Console& console)
        : b_(burner), o_(options), console_(console) {}

    int Run();

private:
    void Note(const std::string& text);
    void Warn(const std::string& text);
    int Finish(int code, const std::string& text, const std::string& verify = "-");
    int CheckMedium(const std::string& entry);
    int CheckFit(const std::string& entry);
    int CheckAppend(const std::string& entry);
    int CheckChecksum();
    int CheckBeforeBlank(const std::string& entry);
    int CheckBeforeFormat(const std::string& entry);
    int Burn();
    void WaitForTheWriteThread(BurnMonitor& monitor);
    int AfterBurn(BurnMonitor& monitor);
    VerifyResult Verify(BurnMonitor& monitor);

    TQCDBurner& b_;
    const CliOptions& o_;
    Console& console_;
    MainLoop loop_;
    std::atomic<bool> finalizing_{false};
    bool done_ = false;
    int mediaType_ = 0;
    std::string mediumNote_;
    std::optional<CheckedDigest> checked_;  // what the image matched, if it was checked
    std::string result_;
    BurnOutcome outcome_ = BurnOutcome::Failed;
    uint64_t elapsedMs_ = 0;
    int lowestFill_ = -1;
};

void SingleBurn::Note(const std::string& text) {
    if (o_.reportFd >= 0) WriteReportLine(o_.reportFd, NoteReportLine(text));
    else console_.Line(text);
}

// A warning goes to standard error, or to the parent that reports it.
void SingleBurn::Warn(const std::string& text) {
    if (o_.reportFd >= 0) WriteReportLine(o_.reportFd, NoteReportLine(text));
    else console_.Error(text);
}

int SingleBurn::Finish(int code, const std::string& text, const std::string& verify) {
    if (o_.reportFd >= 0) {
        DriveResult r{code, verify, elapsedMs_, text, lowestFill_};
        WriteReportLine(o_.reportFd, ResultReportLine(r));
    }
    return code;
}

int SingleBurn::Run() {
    // A folder's unreadable files are told before any drive is touched.
    if (o_.mode == CliMode::BurnFolder) {
        if (const FolderTree tree = BuildFolderTree(b_, o_, console_); tree.code != kExitSuccess)
            return Finish(tree.code, "the folder cannot be burnt");
    }
    bool loaded = StartTransport(b_, o_);
    int code = kExitNoRecorder;
    auto chosen = loaded ? ChooseRecorders(b_, o_, console_, code) : std::nullopt;
    if (!loaded) {
        for (const std::string& line : NoTransportLines(o_)) console_.Error(line);
        for (const std::string& line : DriveListing(b_, false)) console_.Line(line);
    }
    if (!chosen) return Finish(code, "no recorder");
    const bool eraseOnly = o_.mode == CliMode::Blank || o_.mode == CliMode::Format;
    if (o_.blankType || o_.format) {
        // Everything that can refuse the image is asked before the disc is erased.
        if (!eraseOnly) {
            code = o_.format ? CheckBeforeFormat(chosen->front()) : CheckBeforeBlank(chosen->front());
            if (code != kExitSuccess) return code;
        }
        code = o_.format ? FormatDisc(b_, chosen->front(), o_, console_) : BlankDisc(b_, chosen->front(), o_, console_);
        if (code != kExitSuccess || eraseOnly) return code;
    }
    code = CheckMedium(chosen->front());
    if (code == kExitSuccess && o_.append) code = CheckAppend(chosen->front());
    if (code == kExitSuccess) code = CheckFit(chosen->front());
    if (code == kExitSuccess && !o_.blankType && !o_.format) code = CheckChecksum();
    if (code == kExitSuccess && !o_.format) code = FormatIfUnformatted(b_, chosen->front(), mediaType_, console_);
    if (code != kExitSuccess) return code;
    if (InterruptRequested()) return Finish(kExitAborted, DriveMessage(Msg::OperationAborted));
    Note(mediumNote_);
    return Burn();
}

int SingleBurn::CheckMedium(const std::string& entry) {
    DriveFacts facts = ExamineDrive(b_, entry);
    mediaType_ = facts.mediaType;
    if (std::string range = MediumOptionRefusal(o_, mediaType_); !range.empty()) {
        console_.Error(range);
        return Finish(kExitUsage, range);
    }
    std::string why = UnusableMediumReason(facts, o_.anyMedium, o_.append);
    if (why.empty()) {
        std::string medium = MediaName(facts.mediaType) + ", " + DiscStatusText(facts);
        mediumNote_ = o_.reportFd >= 0 ? "medium: " + medium : "burning onto " + ShortEntry(entry) + " (" + medium + ")";
        return kExitSuccess;
    }
    console_.Error(ShortEntry(entry) + ": " + why);
    return Finish(kExitNoRecorder, why);
}

int SingleBurn::CheckAppend(const std::string& entry) {
    const auto refused = jobs::PrepareAppend(b_, mediaType_, {o_.removes, o_.Given(Opt::VolumeId)}, console_);
    if (!refused) return kExitSuccess;
    console_.Error(ShortEntry(entry) + ": " + refused->why);
    return Finish(refused->removeMissing ? kExitUsage : kExitNoRecorder, refused->why);
}

// Everything that can refuse the image is asked before the disc is
// erased: a corrupt or oversized image must not cost the data on it.
int SingleBurn::CheckBeforeBlank(const std::string& entry) {
    const DriveFacts facts = ExamineDrive(b_, entry);
    std::string why = BlankRefusal(facts, o_);
    if (why.empty()) {
        why = BlankFitRefusal(b_, o_, facts.mediaType);
        if (!why.empty()) why += "; nothing was blanked";
    }
    if (!why.empty()) {
        console_.Error(ShortEntry(entry) + ": " + why);
        return Finish(kExitNoRecorder, why);
    }
    return CheckChecksum();
}

// A test write refused after formatting would have cost the disc for nothing.
int SingleBurn::CheckBeforeFormat(const std::string& entry) {
    if (std::string why = MediumOptionRefusal(o_, ExamineDrive(b_, entry).mediaType); !why.empty()) {
        console_.Error(why);
        return Finish(kExitUsage, why);
    }
    return CheckChecksum();
}

// Asked of the drive before the checksum, so that a disc too small is
// named at once rather than after minutes of hashing.
int SingleBurn::CheckFit(const std::string& entry) {
    const std::string tooLarge = ImageFitRefusal(b_, o_, mediaType_);
    if (tooLarge.empty()) return kExitSuccess;
    console_.Error(ShortEntry(entry) + ": " + tooLarge);
    return Finish(kExitNoRecorder, tooLarge);
}

// A parent's checked digest stands for the companion: the image is not
// hashed again here, the burn compares what it sends with it.
int SingleBurn::CheckChecksum() {
    if (!o_.imageDigest.empty()) {
        checked_ = ParseCheckedDigest(o_.imageDigest);
        return kExitSuccess;
    }
    if (o_.noChecksum || o_.mode == CliMode::BurnFolder) return kExitSuccess;
    const int code = CheckImage(o_.image, false, console_, &checked_);
    if (code == kExitSuccess) return code;
    return Finish(code, code == kExitAborted ? DriveMessage(Msg::OperationAborted) : "checksum");
}

int SingleBurn::Burn() {
    ApplySettings(b_, o_, mediaType_);
    if (checked_) b_.SetExpectedDigest(checked_->kind, checked_->digest);
    else b_.SetExpectedDigest(DigestKind::MD5, "");
    b_.Synchronize = [this](std::function<void()> call) { loop_.Invoke(call); };
    b_.OnWriteDone = [this](TQCDBurner&, const std::string& error) {
        result_ = error;
        outcome_ = b_.WriteDoneOutcome();
        done_ = true;
    };
    b_.OnFinalizingTrack = [this](TQCDBurner&) { finalizing_.store(true); };
    BurnMonitor monitor(b_, console_, o_.reportFd);
    if (!b_.BurnISOImage(o_.mode == CliMode::BurnFolder ? std::string() : o_.image)) {
        // OnWriteDone has run on this thread with the reason.
        console_.Error(result_);
        return Finish(ExitCodeOf(b_.WriteDoneOutcome()), result_);
    }
    WaitForTheWriteThread(monitor);
    return AfterBurn(monitor);
}

// The main loop: hand-overs, progress, and Ctrl-C turned into one abort.
// The write thread still flushes the drive; its report ends the loop.
void SingleBurn::WaitForTheWriteThread(BurnMonitor& monitor) {
    bool abortSent = false;
    while (!done_) {
        loop_.RunFor(kTickMs);
        if (InterruptRequested() && !abortSent) {
            b_.AbortWrite();
            abortSent = true;
            Note("aborting: the drive is flushed first");
        }
        if (finalizing_.load()) monitor.SetState("finalizing");
        if (!done_) monitor.Tick();
    }
    monitor.Finish();
}

int SingleBurn::AfterBurn(BurnMonitor& monitor) {
    elapsedMs_ = monitor.ElapsedMs();
    lowestFill_ = monitor.LowestFill();
    int code = ExitCodeOf(outcome_);
    std::string text = code == kExitSuccess ? "Success" : result_;
    if (o_.reportFd < 0 && code == kExitSuccess) console_.Line(text);
    else if (o_.reportFd < 0) console_.Error(text);
    if (monitor.LowestFill() >= 0)
        Note("lowest drive buffer fill while writing: " + std::to_string(monitor.LowestFill()) + "%");
    if (code == kExitSuccess) {
        if (std::string warning = DiscStateWarning(b_, o_, mediaType_); !warning.empty()) Warn(warning);
    }
    std::string verify = "-";
    if (code == kExitSuccess && o_.verify) {
        if (o_.testWrite) {
            Note("verify: a test write records nothing to read back");
        } else {
            const VerifyResult result = Verify(monitor);
            verify = VerifyWord(result);
            if (result != VerifyResult::Ok) code = InterruptRequested() ? kExitAborted : kExitBurnFailed;
        }
    }
    if (o_.eject && !b_.StartStopUnit(true)) Warn("eject: " + b_.LastErrorText());
    elapsedMs_ = monitor.ElapsedMs();
    return Finish(code, text, verify);
}

// Reads the track back on a thread of its own, so that the main loop
// still shows progress and hears Ctrl-C.
VerifyResult SingleBurn::Verify(BurnMonitor& monitor) {
    std::atomic<int> percent{0};
    std::atomic<bool> finished{false};
    VerifyOutcome outcome;
    // The disc is compared with what was checked, or else with what the burn sent.
    ExpectedTrack expected{b_.ImageDigestKind(), checked_ ? checked_->digest : b_.SentDigest(),
                           static_cast<uint64_t>(b_.SentBytes()), b_.SessionStart()};
    platform::Thread reader([&](platform::Thread& self) {
        const std::string image = o_.mode == CliMode::BurnFolder ? std::string() : o_.image;
        outcome = VerifyTrack(b_, expected, image, percent, [&self] { return self.Terminated() || InterruptRequested(); });
        finished.store(true);
    });
    reader.Start();
    while (!finished.load()) {
        platform::SleepMs(kTickMs);
        monitor.ShowVerify(percent.load());
    }
    reader.WaitFor();
    monitor.EndVerify();
    const std::string line =
        std::string("verify: ") + VerifyWord(outcome.result) + (outcome.detail.empty() ? "" : " [" + outcome.detail + "]");
    if (outcome.result == VerifyResult::Ok) Note(line);
    else Warn(line);
    return outcome.result;
}

}  // namespace

int RunSingleBurn(const CliOptions& options, Console& console) {
    TQCDBurner burner;
    if (options.debug) {
        burner.OnDebugMessage = [&console](TSCSIDevice&, const std::string& message, uint8_t) {
            console.Line(message);
        };
    }
    SetTraceAllCommands(options.traceAll);
    return SingleBurn(burner, options, console).Run();
}

}  // namespace kq::cli
