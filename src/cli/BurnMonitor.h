#pragma once
// Watches a running burn from the main loop: the progress line or the
// child's report, and the lowest drive buffer fill while data flows.
#include "cli/ChildReport.h"
#include "cli/Console.h"
#include "jobs/ProgressLine.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace kq {
class TQCDBurner;
}

namespace kq::cli {

using namespace jobs;
class BurnMonitor {
public:
    BurnMonitor(TQCDBurner& burner, Console& console, int reportFd);

    // Called every tick of the main loop; shows or reports when it is time.
    void Tick();
    // The state word a child reports ("writing", "finalizing", ...).
    void SetState(const std::string& state);
    // The verify's own line: "verifying NN%".
    void ShowVerify(int percent);
    void EndVerify();
    // The last progress line, shown at once; the terminal line ends.
    void Finish();
    uint64_t ElapsedMs() const;
    // The lowest buffer fill seen while the drive was being fed (-1: none).
    int LowestFill() const { return lowestFill_; }

private:
    ProgressSample Sample();
    void TrackFill(const ProgressSample& sample);
    double ShownSpeed(const ProgressSample& sample);

    TQCDBurner& burner_;
    Console& console_;
    int reportFd_;
    uint64_t startMs_;
    uint64_t lastShownMs_ = 0;
    int64_t shownBytes_ = 0;  // BytesWritten at the last line shown
    uint64_t shownAtMs_ = 0;
    SpeedMeter speed_;
    bool filled_ = false;
    int lowestFill_ = -1;
    std::string state_ = "writing";
};

}  // namespace kq::cli
