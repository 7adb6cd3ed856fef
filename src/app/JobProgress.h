#pragma once
// What every page shows of a running job, the same way: percentage, MB of
// the total, speed in kB/s and as a multiple of the medium's 1x, the
// drive's buffer fill, time left, and the speed and fill over time for
// the live graph. Toolkit-free: the views draw it as they receive it.
#include "drive/MediaTypes.h"
#include "jobs/ProgressLine.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kq {

// One point of the live graph.
struct ProgressPoint {
    double seconds = 0;      // since the job started
    double speedKBps = 0;    // kB = 1000 bytes
    int bufferPercent = -1;  // -1: the drive does not tell (or nothing is written)
};

struct JobProgress {
    int percent = 0;          // 0..100
    int64_t bytesDone = 0;
    int64_t bytesTotal = 0;   // 0 while not known
    double speedKBps = 0;
    double speedMultiple = 0; // of the medium's 1x; 0 while not known
    int bufferPercent = -1;   // -1: not known, or a disc being read
    std::optional<uint64_t> secondsLeft;
    std::string stage;        // "Writing", "Finalizing", "Reading", "Checking"...
    std::vector<ProgressPoint> samples;  // oldest first, at most kGraphPoints
};

inline constexpr size_t kGraphPoints = 300;

// " 37%  245.1 of 650.0 MB  7056 kB/s (40.0x)  buffer 95%  1:12 left":
// the line a page shows under its bar.
std::string ProgressText(const JobProgress& progress);

// Turns what a job reports at each tick into what the page shows: the
// speed over the last seconds, the time left and the graph's points.
class ProgressTracker {
public:
    explicit ProgressTracker(MediaFamily family = MediaFamily::Cd) : family_(family) {}

    void SetFamily(MediaFamily family) { family_ = family; }
    // bufferPercent -1 when the drive's buffer is not known.
    const JobProgress& Tick(uint64_t elapsedMs, int64_t bytesDone, int64_t bytesTotal, int bufferPercent);
    const JobProgress& Current() const { return progress_; }
    JobProgress& Current() { return progress_; }

private:
    MediaFamily family_;
    JobProgress progress_;
    jobs::SpeedMeter speed_;
    std::optional<uint64_t> lastPointMs_;
};

}  // namespace kq
