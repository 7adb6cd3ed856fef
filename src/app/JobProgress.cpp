#include "app/JobProgress.h"

#include <cstdio>

namespace kq {

namespace {

constexpr double kMB = 1024.0 * 1024.0;
constexpr uint64_t kPointEveryMs = 1000;

}  // namespace

std::string ProgressText(const JobProgress& p) {
    char text[160];
    std::snprintf(text, sizeof text, "%3d%%  %.1f of %.1f MB  %.0f kB/s (%.1fx)", p.percent, p.bytesDone / kMB,
                  p.bytesTotal / kMB, p.speedKBps, p.speedMultiple);
    std::string line = text;
    if (p.bufferPercent >= 0) line += "  buffer " + std::to_string(p.bufferPercent) + "%";
    line += p.secondsLeft ? "  " + jobs::FormatDuration(*p.secondsLeft * 1000) + " left" : "  --:-- left";
    return line;
}

const JobProgress& ProgressTracker::Tick(uint64_t elapsedMs, int64_t bytesDone, int64_t bytesTotal,
                                         int bufferPercent) {
    JobProgress& p = progress_;
    speed_.Add(elapsedMs, bytesDone);
    p.bytesDone = bytesDone;
    p.bytesTotal = bytesTotal;
    p.percent = jobs::PercentOf(bytesDone, bytesTotal);
    p.speedKBps = speed_.KBps() > 0 ? speed_.KBps() : jobs::IntervalKBps(0, 0, bytesDone, elapsedMs);
    p.speedMultiple = p.speedKBps / (KBpsPerTenX(family_) / 10.0);
    p.bufferPercent = bufferPercent;
    p.secondsLeft.reset();
    if (p.speedKBps > 0 && bytesTotal > 0)
        p.secondsLeft = static_cast<uint64_t>(static_cast<double>(std::max<int64_t>(0, bytesTotal - bytesDone)) /
                                              (p.speedKBps * 1000.0));
    if (!lastPointMs_ || elapsedMs - *lastPointMs_ >= kPointEveryMs) {
        if (p.samples.size() == kGraphPoints) p.samples.erase(p.samples.begin());
        p.samples.push_back({static_cast<double>(elapsedMs) / 1000.0, p.speedKBps, bufferPercent});
        lastPointMs_ = elapsedMs;
    }
    return p;
}

}  // namespace kq
