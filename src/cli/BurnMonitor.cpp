#include "cli/BurnMonitor.h"

#include "burner/kqCDBC.h"
#include "platform/Timing.h"

#include <algorithm>

namespace kq::cli {

namespace {

constexpr uint64_t kTerminalEveryMs = 250;
constexpr uint64_t kPlainEveryMs = 5000;  // a log should not fill with lines
constexpr uint64_t kReportEveryMs = 500;
// The buffer counts as primed once it was this full; from then on a low
// fill means the host could not keep up.
constexpr int kPrimedFill = 90;

}  // namespace

BurnMonitor::BurnMonitor(TQCDBurner& burner, Console& console, int reportFd)
    : burner_(burner), console_(console), reportFd_(reportFd), startMs_(platform::NowMs()) {}

uint64_t BurnMonitor::ElapsedMs() const { return platform::NowMs() - startMs_; }

void BurnMonitor::SetState(const std::string& state) { state_ = state; }

ProgressSample BurnMonitor::Sample() {
    ProgressSample p;
    p.elapsedMs = ElapsedMs();
    p.bytesWritten = burner_.BytesWritten();
    p.totalBytes = burner_.TotalSectors() * kSectorSize;
    speed_.Add(p.elapsedMs, p.bytesWritten);
    p.speedKBps = speed_.KBps();
    p.family = TraitsOf(TSCSIDevice::MediaType()).family;
    p.bufferSize = burner_.DeviceBufferSize();
    p.bufferFree = burner_.DeviceFreeBufferSize();
    return p;
}

// While blocks still go to the drive, after it first filled up.
void BurnMonitor::TrackFill(const ProgressSample& p) {
    int fill = BufferFillPercent(p.bufferSize, p.bufferFree);
    if (fill < 0 || state_ != "writing" || p.bytesWritten >= p.totalBytes) return;
    if (fill >= kPrimedFill) filled_ = true;
    if (filled_) lowestFill_ = lowestFill_ < 0 ? fill : std::min(lowestFill_, fill);
}

// A plain line's speed is over the interval since the line before it, so
// that it says what happened in between. When nothing moved (the drive
// closing the track), the burn's average: data did move.
double BurnMonitor::ShownSpeed(const ProgressSample& p) {
    double speed = console_.Terminal() || reportFd_ >= 0
                       ? p.speedKBps
                       : IntervalKBps(shownBytes_, shownAtMs_, p.bytesWritten, p.elapsedMs);
    shownBytes_ = p.bytesWritten;
    shownAtMs_ = p.elapsedMs;
    return speed > 0 ? speed : IntervalKBps(0, 0, p.bytesWritten, p.elapsedMs);
}

void BurnMonitor::Tick() {
    ProgressSample p = Sample();
    TrackFill(p);
    uint64_t every = reportFd_ >= 0 ? kReportEveryMs : console_.Terminal() ? kTerminalEveryMs : kPlainEveryMs;
    if (lastShownMs_ != 0 && p.elapsedMs - lastShownMs_ < every) return;
    lastShownMs_ = std::max<uint64_t>(1, p.elapsedMs);
    p.speedKBps = ShownSpeed(p);
    if (reportFd_ >= 0) {
        DriveStatus s{PercentOf(p.bytesWritten, p.totalBytes), p.speedKBps,
                      BufferFillPercent(p.bufferSize, p.bufferFree), state_};
        WriteReportLine(reportFd_, ProgressReportLine(s));
        return;
    }
    std::string line = FormatProgressLine(p);
    if (state_ != "writing") line += "  " + state_;
    console_.Progress(line);
}

void BurnMonitor::ShowVerify(int percent) {
    uint64_t now = ElapsedMs();
    uint64_t every = reportFd_ >= 0 ? kReportEveryMs : console_.Terminal() ? kTerminalEveryMs : kPlainEveryMs;
    if (now - lastShownMs_ < every) return;
    lastShownMs_ = now;
    if (reportFd_ >= 0) WriteReportLine(reportFd_, ProgressReportLine(DriveStatus{percent, 0, -1, "verifying"}));
    else console_.Progress("verifying " + std::to_string(percent) + "%");
}

void BurnMonitor::EndVerify() { console_.EndProgress(); }

void BurnMonitor::Finish() {
    lastShownMs_ = 0;
    Tick();
    console_.EndProgress();
}

}  // namespace kq::cli
