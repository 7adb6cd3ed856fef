#include "jobs/ProgressLine.h"

#include <algorithm>
#include <cstdio>

namespace kq::jobs {

namespace {

constexpr double kMB = 1024.0 * 1024.0;

std::string Printf(const char* format, auto... args) {
    char text[160];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

}  // namespace

int PercentOf(int64_t written, int64_t total) {
    if (total <= 0 || written <= 0) return 0;
    return static_cast<int>(std::min<int64_t>(100, written * 100 / total));
}

int BufferFillPercent(uint32_t size, uint32_t free) {
    if (size == 0) return -1;
    uint64_t used = size - std::min(size, free);
    return static_cast<int>(used * 100 / size);
}

std::string FormatDuration(uint64_t ms) {
    uint64_t s = ms / 1000;
    if (s >= 3600) return Printf("%llu:%02llu:%02llu", s / 3600ull, s / 60 % 60ull, s % 60ull);
    return Printf("%llu:%02llu", s / 60ull, s % 60ull);
}

std::string FormatMultiple(double kBps, MediaFamily family) {
    return Printf("%.1fx", kBps / (KBpsPerTenX(family) / 10.0));
}

std::string FormatProgressLine(const ProgressSample& p) {
    std::string line = Printf("%3d%%  %.1f of %.1f MB  %.0f kB/s (%s)", PercentOf(p.bytesWritten, p.totalBytes),
                              p.bytesWritten / kMB, p.totalBytes / kMB, p.speedKBps,
                              FormatMultiple(p.speedKBps, p.family).c_str());
    int fill = BufferFillPercent(p.bufferSize, p.bufferFree);
    if (!p.reading) line += fill < 0 ? std::string("  buffer --") : Printf("  buffer %d%%", fill);
    line += "  " + FormatDuration(p.elapsedMs) + " elapsed";
    int64_t left = std::max<int64_t>(0, p.totalBytes - p.bytesWritten);
    if (p.speedKBps > 0) line += "  " + FormatDuration(static_cast<uint64_t>(left / p.speedKBps)) + " left";
    else line += "  --:-- left";
    return line;
}

double IntervalKBps(int64_t fromBytes, uint64_t fromMs, int64_t toBytes, uint64_t toMs) {
    if (toMs <= fromMs || toBytes <= fromBytes) return 0;
    return static_cast<double>(toBytes - fromBytes) / static_cast<double>(toMs - fromMs);  // bytes/ms = kB/s
}

void SpeedMeter::Add(uint64_t ms, int64_t bytes) {
    samples_.emplace_back(ms, bytes);
    while (samples_.size() > 2 && samples_.back().first - samples_[1].first >= windowMs_) samples_.pop_front();
}

double SpeedMeter::KBps() const {
    if (samples_.size() < 2) return 0;
    auto [firstMs, firstBytes] = samples_.front();
    auto [lastMs, lastBytes] = samples_.back();
    if (lastMs <= firstMs || lastBytes < firstBytes) return 0;
    return static_cast<double>(lastBytes - firstBytes) / static_cast<double>(lastMs - firstMs);  // bytes/ms = kB/s
}

}  // namespace kq::jobs
