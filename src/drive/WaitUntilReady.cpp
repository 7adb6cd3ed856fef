// Waiting for a drive to become ready. The budget is reduced by the
// planned pause of every pass, paused or not: it counts passes rather
// than measuring time, so slow commands do not shorten the wait.
#include "drive/ReplyLength.h"
#include "drive/TSCSIDevice.h"
#include "platform/Timing.h"

namespace kq {

namespace {
constexpr uint8_t kNotReadyAsc = 0x04;
constexpr int kSlowStartPauseMs = 1500;
constexpr int kTestTimeoutMs = 5000;

void Pause(int ms) {
    if (ms > 0) platform::SleepMs(static_cast<uint32_t>(ms));
}
}  // namespace

// Bytes past the additional sense length did not come from the drive.
void TSCSIDevice::ForgetUndeclaredSense() {
    const size_t received = SenseReply(senseBuffer_, senseBuffer_.size());
    std::fill(senseBuffer_.begin() + static_cast<std::ptrdiff_t>(received), senseBuffer_.end(), 0);
}

bool TSCSIDevice::WaitUntilReady(int total, int interval) {
    auto lock = LockCommands();
    const auto notReady = [this] { return LastSense()[12] == kNotReadyAsc; };
    int budget = total;
    senseBuffer_.fill(0);

    // Some models report ready too early after loading: give them time first.
    if (DelayedReadyQuirk() || SlowReadyQuirk()) {
        do {
            Pause(kSlowStartPauseMs);
            budget -= kSlowStartPauseMs;
            if (budget < 0) break;
            TestUnitReady(kTestTimeoutMs);
        } while (notReady());
    }
    // DVD-RAM formats in the background: go straight to REQUEST SENSE polling.
    if (MediaType() == media::DvdRam) {
        senseBuffer_[12] = kNotReadyAsc;
    } else {
        do {
            Pause(interval);
            RefreshDiscInformation();
            budget -= interval;
            if (budget < 0) return false;
        } while (notReady());
    }
    if (TestUnitReady(kTestTimeoutMs) && senseBuffer_[12] == 0) return true;
    do {
        Pause(interval);
        budget -= interval;
        if (budget < 0) return false;
        TestUnitReady(kTestTimeoutMs);
    } while (notReady());
    do {
        senseBuffer_.fill(0);
        RequestSense(senseBuffer_, static_cast<uint8_t>(senseBuffer_.size()));
        ForgetUndeclaredSense();
        budget -= interval;
        if (budget < 0) return false;
        // Response code F0h (valid information field): the drive is still busy
        // with the operation it reports on, whatever its ASC says.
        if (senseBuffer_[0] == 0xF0) senseBuffer_[12] = kNotReadyAsc;
        if (senseBuffer_[12] == kNotReadyAsc) Pause(interval);
    } while (senseBuffer_[12] != 0);
    return true;
}

}  // namespace kq
