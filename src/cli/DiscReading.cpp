#include "cli/DiscReading.h"

#include "burner/kqCDBC.h"
#include "cli/DeviceChoice.h"
#include "cli/DriveFacts.h"
#include "cli/DriveTable.h"
#include "cli/ExitCode.h"
#include "jobs/ProgressLine.h"
#include "cli/Recorders.h"
#include "cli/SpeedMultiple.h"
#include "cli/TransportHelp.h"
#include "drive/ByteOrder.h"
#include "platform/Event.h"
#include "platform/Thread.h"
#include "platform/Timing.h"
#include "transport/kqASPI.h"

#include <array>

namespace kq::cli {
namespace {

constexpr uint32_t kTickMs = 100;
constexpr uint64_t kTerminalEveryMs = 250;
constexpr uint64_t kPlainEveryMs = 5000;

std::optional<std::string> ChooseDrive(TQCDBurner& burner, const CliOptions& options, Console& console,
                                       int& exitCode) {
    const std::vector<std::string> devices = burner.Devices();
    if (options.devices.empty()) {
        if (!devices.empty()) return devices.front();
        console.Error("no CD or DVD drive found through " + ASPILayerName());
        exitCode = kExitNoRecorder;
        return std::nullopt;
    }
    auto chosen = ResolveDevices(devices, options.devices, console);
    if (!chosen) exitCode = kExitUsage;
    return chosen ? std::optional(chosen->front()) : std::nullopt;
}

// SET CD SPEED on CD media; DVD drives take a reading speed only as a
// stream performance descriptor: kB read per 1000 ms over the whole disc.
void SetReadSpeed(TQCDBurner& burner, uint16_t kBps, int mediaType, Console& console) {
    bool ok = true;
    if (TraitsOf(mediaType).family == MediaFamily::Dvd) {
        alignas(4) std::array<uint8_t, 28> performance{};
        auto at = std::span(performance);
        PutBE32(at.subspan(8), 0xFFFFFFFFu);      // end: the last sector there is
        PutBE32(at.subspan(12), kBps ? kBps : 0xFFFFFFFFu);
        PutBE32(at.subspan(16), 1000);
        PutBE32(at.subspan(20), kBps ? kBps : 0xFFFFFFFFu);
        PutBE32(at.subspan(24), 1000);
        ok = burner.SetStreaming(performance);
    } else {
        ok = burner.SetCDSpeed(kBps, 0);
    }
    if (!ok) console.Error("the drive did not take the reading speed [" + burner.LastErrorText() + "]");
}

}  // namespace

std::optional<ReadingDrive> PrepareReading(TQCDBurner& burner, const CliOptions& options, Console& console,
                                           int& exitCode) {
    exitCode = kExitNoRecorder;
    if (!StartTransport(burner, options)) {
        for (const std::string& line : NoTransportLines(options)) console.Error(line);
        return std::nullopt;
    }
    auto entry = ChooseDrive(burner, options, console, exitCode);
    if (!entry) return std::nullopt;
    DriveFacts facts = ExamineDrive(burner, *entry);
    std::string why;
    if (!facts.selected) why = "it does not answer as a CD or DVD drive";
    else if (!facts.ready || facts.mediaType == 0)
        why = "no disc, or not ready" + (facts.notReadyReason.empty() ? "" : " [" + facts.notReadyReason + "]");
    if (why.empty()) {
        if (auto speed = ChosenSpeed(options.readSpeed, options.readMultiple, facts.mediaType))
            SetReadSpeed(burner, *speed, facts.mediaType, console);
        DataTrackFinding found = FindDataTrack(burner, options.track, facts.mediaType);
        if (found.track) return ReadingDrive{*entry, facts.mediaType, *found.track};
        why = found.error;
    }
    console.Error(ShortEntry(*entry) + ": " + why);
    return std::nullopt;
}

void ReadWithProgress(Console& console, const std::function<void()>& read, const std::atomic<int64_t>& bytesDone,
                      int64_t totalBytes, MediaFamily family) {
    // The reader's end wakes this thread at once: a read from a fast drive
    // (or the page cache) is over in a few ticks.
    std::atomic<bool> finished{false};
    const std::optional<platform::Event> ended = platform::Event::Create();
    platform::Thread reader([&](platform::Thread&) {
        read();
        finished.store(true);
        if (ended) ended->Set();
    });
    const uint64_t startMs = platform::NowMs();
    const uint64_t every = console.Terminal() ? kTerminalEveryMs : kPlainEveryMs;
    SpeedMeter speed;
    uint64_t shownMs = 0;
    auto show = [&](uint64_t elapsed) {
        ProgressSample p{bytesDone.load(), totalBytes, elapsed, 0, family};
        speed.Add(elapsed, p.bytesWritten);
        p.speedKBps = speed.KBps() > 0 ? speed.KBps() : IntervalKBps(0, 0, p.bytesWritten, elapsed);
        p.reading = true;
        console.Progress(FormatProgressLine(p));
        shownMs = elapsed;
    };
    reader.Start();
    while (!finished.load()) {
        if (ended) platform::CurrentTiming().WaitEvent(*ended, kTickMs);
        else platform::SleepMs(kTickMs);
        const uint64_t elapsed = platform::NowMs() - startMs;
        speed.Add(elapsed, bytesDone.load());
        if (elapsed - shownMs >= every) show(elapsed);
    }
    reader.WaitFor();
    show(platform::NowMs() - startMs);
    console.EndProgress();
}

jobs::ReadRunner ConsoleReadRunner(Console& console) {
    return [&console](const std::function<void()>& read, const std::atomic<int64_t>& done, int64_t total,
                      MediaFamily family) { ReadWithProgress(console, read, done, total, family); };
}

}  // namespace kq::cli
