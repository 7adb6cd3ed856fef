#pragma once
// The progress line of a burn, and the speed measured from BytesWritten.
#include "drive/MediaTypes.h"

#include <cstdint>
#include <deque>
#include <string>
#include <utility>

namespace kq::jobs {

struct ProgressSample {
    int64_t bytesWritten = 0;
    int64_t totalBytes = 0;      // TotalSectors * kSectorSize
    uint64_t elapsedMs = 0;      // since the burn started
    double speedKBps = 0;        // measured, kB = 1000 bytes
    MediaFamily family = MediaFamily::Cd;  // whose 1x the multiple counts
    uint32_t bufferSize = 0;     // the drive's buffer; 0 when unknown
    uint32_t bufferFree = 0;
    bool reading = false;        // a disc being read: no drive buffer to show
};

// Whole percent written, 0..100; 0 while the total is unknown.
int PercentOf(int64_t written, int64_t total);
// The drive buffer's fill in whole percent, or -1 when its size is unknown.
int BufferFillPercent(uint32_t size, uint32_t free);
// "m:ss", or "h:mm:ss" from an hour on.
std::string FormatDuration(uint64_t ms);
// The speed as the drives count it: 1x CD = 176.4 kB/s, 1x DVD = 1385 kB/s,
// 1x BD = 4495 kB/s.
std::string FormatMultiple(double kBps, MediaFamily family);

// " 37%  245.1 of 650.0 MB  7056 kB/s (40.0x)  buffer 95%  0:42 elapsed  1:12 left"
std::string FormatProgressLine(const ProgressSample& sample);

// kB/s between two points of a burn; 0 when no time passed or nothing moved.
double IntervalKBps(int64_t fromBytes, uint64_t fromMs, int64_t toBytes, uint64_t toMs);

// The write speed over the last few seconds.
class SpeedMeter {
public:
    explicit SpeedMeter(uint64_t windowMs = 3000) : windowMs_(windowMs) {}
    void Add(uint64_t ms, int64_t bytes);
    double KBps() const;

private:
    uint64_t windowMs_;
    std::deque<std::pair<uint64_t, int64_t>> samples_;
};

}  // namespace kq::jobs
