#include "cli/SingleBurn.h"

#include "burner/kqCDBC.h"
#include "cli/BlankDisc.h"
#include "cli/BurnMonitor.h"
#include "cli/DriveFacts.h"
#include "cli/DriveTable.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"
#include "cli/MainLoop.h"
#include "cli/Recorders.h"
#include "cli/Verify.h"
#include "drive/CommandTrace.h"
#include "drive/DriveMessages.h"
#include "platform/Thread.h"
#include "platform/Timing.h"

#include <atomic>

namespace kq::cli {

namespace {

constexpr uint32_t kTickMs = 100;

void ApplySettings(TQCDBurner& b, const CliOptions& o) {
    b.SetUnderrunProtection(!o.noUnderrunProtection);
    b.SetTestWrite(o.testWrite);
    b.SetFinalizeDisc(o.finalizeDisc);
    b.SetFinalizeTrack(!o.noClose);
    b.SetPerformOPC(o.opc);
    b.SetWritePostGap(!o.noPostGap);
    if (o.cacheSize) b.SetCacheSize(*o.cacheSize);
    if (o.readSpeed) b.ReadSpeed = *o.readSpeed;
    if (o.writeSpeed) b.SetWriteSpeed(*o.writeSpeed);
}

class SingleBurn {
public:
    SingleBurn(TQCDBurner& burner, const CliOptions& options, Console& console)
        : b_(burner), o_(options), console_(console) {}

    int Run();

private:
    void Note(const std::string& text);
    int Finish(int code, const std::string& text, const std::string& verify = "-");
    int CheckMedium(const std::string& entry);
    int Burn();
    void WaitForTheWriteThread(BurnMonitor& monitor);
    int AfterBurn(BurnMonitor& monitor);
    std::string Verify(BurnMonitor& monitor);

    TQCDBurner& b_;
    const CliOptions& o_;
    Console& console_;
    MainLoop loop_;
    std::atomic<bool> finalizing_{false};
    bool done_ = false;
    std::string result_;
    uint64_t elapsedMs_ = 0;
    int lowestFill_ = -1;
};

void SingleBurn::Note(const std::string& text) {
    if (o_.reportFd >= 0) WriteReportLine(o_.reportFd, NoteReportLine(text));
    else console_.Line(text);
}

int SingleBurn::Finish(int code, const std::string& text, const std::string& verify) {
    if (o_.reportFd >= 0) {
        DriveResult r{code, verify, elapsedMs_, text, lowestFill_};
        WriteReportLine(o_.reportFd, ResultReportLine(r));
    }
    return code;
}

int SingleBurn::Run() {
    bool loaded = StartTransport(b_, o_);
    int code = kExitNoRecorder;
    auto chosen = loaded ? ChooseRecorders(b_, o_, console_, code) : std::nullopt;
    if (!loaded) {
        console_.Error("no recorder can be used");
        for (const std::string& line : DriveListing(b_, false)) console_.Line(line);
    }
    if (!chosen) return Finish(code, "no recorder");
    if (o_.blankType) {
        code = BlankDisc(b_, chosen->front(), o_, console_);
        if (code != kExitSuccess || o_.image.empty()) return code;
    }
    code = CheckMedium(chosen->front());
    if (code != kExitSuccess) return code;
    if (InterruptRequested()) return Finish(kExitAborted, DriveMessage(Msg::OperationAborted));
    return Burn();
}

int SingleBurn::CheckMedium(const std::string& entry) {
    DriveFacts facts = ExamineDrive(b_, entry);
    std::string why = UnusableMediumReason(facts, o_.anyMedium);
    if (why.empty()) {
        std::string medium = MediumName(facts.mediaType) + ", " + DiscStatusText(facts);
        Note(o_.reportFd >= 0 ? "medium: " + medium : "burning onto " + ShortEntry(entry) + " (" + medium + ")");
        return kExitSuccess;
    }
    console_.Error(ShortEntry(entry) + ": " + why);
    return Finish(kExitNoRecorder, why);
}

int SingleBurn::Burn() {
    ApplySettings(b_, o_);
    b_.Synchronize = [this](std::function<void()> call) { loop_.Invoke(call); };
    b_.OnWriteDone = [this](TQCDBurner&, const std::string& error) {
        result_ = error;
        done_ = true;
    };
    b_.OnFinalizingTrack = [this](TQCDBurner&) { finalizing_.store(true); };
    BurnMonitor monitor(b_, console_, o_.reportFd);
    if (!b_.BurnISOImage(o_.image)) {
        // OnWriteDone has run on this thread with the reason.
        console_.Error(result_);
        return Finish(kExitBurnFailed, result_);
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
    std::string text = result_.empty() ? "Success" : result_;
    if (o_.reportFd < 0) console_.Line(text);
    if (monitor.LowestFill() >= 0)
        Note("lowest drive buffer fill while writing: " + std::to_string(monitor.LowestFill()) + "%");
    int code = result_.empty() ? kExitSuccess
               : result_ == DriveMessage(Msg::OperationAborted) ? kExitAborted : kExitBurnFailed;
    std::string verify = "-";
    if (code == kExitSuccess && o_.verify) {
        if (o_.testWrite) Note("verify: a test write records nothing to read back");
        else verify = Verify(monitor);
        if (verify != "ok" && verify != "-") code = InterruptRequested() ? kExitAborted : kExitBurnFailed;
    }
    if (o_.eject && !b_.StartStopUnit(true)) Note("eject: " + b_.LastErrorText());
    elapsedMs_ = monitor.ElapsedMs();
    return Finish(code, text, verify);
}

// Reads the track back on a thread of its own, so that the main loop
// still shows progress and hears Ctrl-C.
std::string SingleBurn::Verify(BurnMonitor& monitor) {
    std::atomic<int> percent{0};
    std::atomic<bool> finished{false};
    VerifyOutcome outcome;
    platform::Thread reader([&](platform::Thread& self) {
        outcome = VerifyTrack(b_, o_.image, percent, [&self] { return self.Terminated() || InterruptRequested(); });
        finished.store(true);
    });
    reader.Start();
    while (!finished.load()) {
        platform::SleepMs(kTickMs);
        monitor.ShowVerify(percent.load());
    }
    reader.WaitFor();
    monitor.EndVerify();
    std::string line = "verify: " + outcome.word + (outcome.detail.empty() ? "" : " [" + outcome.detail + "]");
    Note(line);
    return outcome.word;
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
