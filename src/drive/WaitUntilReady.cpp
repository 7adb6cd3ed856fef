// Waiting for a drive to become ready. The budget is reduced by the
// planned pause of every pass, paused or not: it counts passes rather
// than measuring time, so slow commands do not shorten the wait.
#include "drive/ReplyLength.h"
#include "drive/SenseFields.h"
#include "drive/TSCSIDevice.h"
#include "platform/Timing.h"

namespace kq {

namespace {
constexpr int kSlowStartPauseMs = 1500;
constexpr int kTestTimeoutMs = 5000;

void Pause(int ms) {
    if (ms > 0) platform::SleepMs(static_cast<uint32_t>(ms));
}

// Bytes past the additional sense length did not come from the drive.
void ForgetUndeclaredSense(std::span<uint8_t> sense) {
    const size_t received = SenseReply(sense, sense.size());
    std::fill(sense.begin() + static_cast<std::ptrdiff_t>(received), sense.end(), 0);
}
}  // namespace

// The sense buffer is the caller's own, so no lock is held across the
// pauses: other threads' commands to this drive are not kept waiting.
bool TSCSIDevice::WaitUntilReady(int total, int interval) {
    const auto notReady = [this] { return SenseAsc() == kAscNotReady; };
    int budget = total;
    bool formatting = false;

    // Some models report ready too early after loading: give them time first.
    if (DelayedReadyQuirk() || SlowReadyQuirk()) {
        do {
            Pause(kSlowStartPauseMs);
            budget -= kSlowStartPauseMs;
            if (budget < 0) break;
            (void)TestUnitReady(kTestTimeoutMs);  // its sense decides
        } while (notReady());
    }
    // DVD-RAM formats in the background: go straight to REQUEST SENSE polling.
    if (MediaType() == media::DvdRam) {
        formatting = true;
    } else {
        do {
            Pause(interval);
            (void)RefreshDiscInformation();  // its sense decides
            budget -= interval;
            if (budget < 0) return false;
        } while (notReady());
    }
    if (TestUnitReady(kTestTimeoutMs) && !formatting) return true;
    do {
        Pause(interval);
        budget -= interval;
        if (budget < 0) return false;
        (void)TestUnitReady(kTestTimeoutMs);  // its sense decides
    } while (notReady());
    return PollSenseUntilReady(budget, interval, {});
}

bool TSCSIDevice::WaitForOperation(int total, int interval, const std::function<void(uint16_t)>& onProgress) {
    int budget = total;
    return PollSenseUntilReady(budget, interval, onProgress) && TestUnitReady(kTestTimeoutMs);
}

// REQUEST SENSE until the drive stops reporting "not ready"; each pass
// costs one interval of the budget. A REQUEST SENSE without an answer
// leaves no sense, which is no sign of readiness: a drive gone ends the
// wait, any other failure costs a pass.
bool TSCSIDevice::PollSenseUntilReady(int& budget, int interval, const std::function<void(uint16_t)>& onProgress) {
    alignas(4) std::array<uint8_t, 40> senseBuffer{};
    const SenseFields sense(senseBuffer);
    for (;;) {
        senseBuffer.fill(0);
        const bool answered = RequestSense(senseBuffer, static_cast<uint8_t>(senseBuffer.size()));
        if (!answered && LastCommandFoundNoDrive()) return false;
        ForgetUndeclaredSense(senseBuffer);
        budget -= interval;
        if (budget < 0) return false;
        // Response code F0h (valid information field): the drive is still busy
        // with the operation it reports on, whatever its ASC says.
        const bool busy =
            !answered || sense.ResponseCode() == kSenseCurrentWithInformation || sense.Asc() == kAscNotReady;
        if (!busy) {
            if (sense.Asc() == kAscNone) return true;
            continue;
        }
        if (onProgress && sense.ProgressValid()) onProgress(sense.Progress());
        Pause(interval);
    }
}

}  // namespace kq
