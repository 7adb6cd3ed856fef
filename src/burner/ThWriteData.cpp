// The write thread's data phase: one WRITE (10) per cache block, retried
// while the drive is busy, until the cache has delivered everything.
#include "burner/CacheThread.h"
#include "burner/ThWrite.h"
#include "burner/kqCDBC.h"
#include "drive/DriveMessages.h"
#include "drive/SenseFields.h"
#include "platform/Timing.h"

namespace kq {

using namespace write_timing;

void TThWrite::DataPhase() {
    sectorsWritten_ = 0;
    int32_t n = 0;
    {
        std::lock_guard hold(burner_.DeviceLock());
        n = cache_.ReadBlock(block_->data());
    }
    while (n != 0) {
        if (n > 0) {
            // Counted when handed to the drive, before the command completes.
            burner_.AddBytesWritten(n);
            if (pollCountdown_ == 0 && capacityKnown_) {
                uint32_t size = 0, free = 0;
                if (burner_.ReadBufferCapacity(size, free)) pollCountdown_ = kBufferPollBlocks;
            }
            --pollCountdown_;  // a failed poll leaves it negative: no more polls
            if (!WriteBlock(n)) return;
            sectorsWritten_ += static_cast<uint32_t>(n / kSectorSize);
        }
        n = NextBlock();
    }
    if (cache_.Outcome() == BurnOutcome::Success) CompareSentDigest();
}

// Everything is with the drive, nothing closed yet: the disc must hold the
// bytes that were checked. An image changed on disk between its check and
// its reading here would otherwise be closed into a session as good.
void TThWrite::CompareSentDigest() {
    const std::string sent = cache_.SentDigest();
    burner_.RecordSent(sent, cache_.SentBytes());
    const std::string expected = burner_.ExpectedDigest();
    if (expected.empty()) return;
    // No print at all is the system's hash failing, not the image changing.
    if (sent.empty()) Fail(FormatDriveMessage(Msg::SystemError, {"SHA-256"}));
    else if (sent != expected) Fail(DriveMessage(Msg::ImageChangedDuringBurn));
}

// Sends the block at the next address; false when the burn ends here (the
// reason is in the cache's StatusText).
bool TThWrite::WriteBlock(int32_t n) {
    const auto blocks = static_cast<uint16_t>(n / kSectorSize);
    for (int tries = 0, adapterTries = 0;;) {
        if (AbortRequested.load()) {
            Fail(DriveMessage(Msg::OperationAborted), BurnOutcome::Aborted);
            return false;
        }
        discTouched_ = true;
        auto hold = burner_.LockCommands();  // keeps the error text ours until read
        if (burner_.Write10(burner_.SessionStart() + sectorsWritten_, blocks, kWriteFlags, std::span(block_->data(), static_cast<size_t>(n))))
            return true;
        // A long write in progress or a full buffer: the drive will take it
        // later. A drive that never answered (gone from the bus, timed out)
        // will not, and retrying it would hang the burn for hours. An
        // adapter that was busy never passed the block on: it goes again,
        // for as long as a passing hiccup lasts.
        const bool reached = burner_.LastCommandReachedDrive();
        const uint8_t asc = burner_.SenseAsc();
        const bool adapterBusy = burner_.LastCommandAdapterBusy();
        const bool busy = reached && (burner_.TargetBusy() || asc == kAscNotReady || asc == kAscNone);
        const bool reserved = burner_.ReservationConflict();
        const std::string driveText = DriveText();
        hold.unlock();
        // Another program holds the drive: its status carries no sense, so
        // it must not pass for a busy drive and be waited on.
        if (reserved) {
            Fail(DriveMessage(Msg::DriveInUse));
            return false;
        }
        if (adapterBusy ? ++adapterTries >= kAdapterBusyAttempts : !busy) return EndWrite(reached, driveText);
        platform::SleepMs(kBusySleepMs);
        if (!adapterBusy && ++tries >= kBusyAttempts) {
            Fail(DriveMessage(Msg::WriterBusyBufferFull));
            return false;
        }
    }
}

// A WRITE failed for good: one whose wait an abort cut short ends as the
// user's abort, anything else as the writer's error. False.
bool TThWrite::EndWrite(bool reached, const std::string& driveText) {
    driveLost_ = !reached;
    if (!reached && AbortRequested.load()) Fail(DriveMessage(Msg::OperationAborted), BurnOutcome::Aborted);
    else Fail(DriveMessage(Msg::WriterError) + " [" + driveText + "]");
    return false;
}

// The next block's length, waiting while none is ready; 0 when the data
// phase ends (all delivered, an abort, or the reader's error).
int32_t TThWrite::NextBlock() {
    for (;;) {
        if (AbortRequested.load()) {
            Fail(DriveMessage(Msg::OperationAborted), BurnOutcome::Aborted);
            return 0;
        }
        int32_t n = 0;
        {
            std::lock_guard hold(burner_.DeviceLock());
            n = cache_.ReadBlock(block_->data());
        }
        if (cache_.Outcome() != BurnOutcome::Success) return 0;
        if (n != -1) return n;
        platform::SleepMs(kNoBlockSleepMs);
    }
}

// The burn's reason to end goes to the cache before it is stopped, so the
// reader keeps it rather than its own abort text.
void TThWrite::Fail(const std::string& text, BurnOutcome outcome) {
    cache_.SetStatusText(text, outcome);
    cache_.Abort();
}

}  // namespace kq
