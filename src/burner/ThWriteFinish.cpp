// The write thread after the data: flush, close, restore, report.
#include "burner/CacheThread.h"
#include "burner/ThWrite.h"
#include "burner/kqCDBC.h"
#include "drive/CommandTrace.h"
#include "drive/DriveMessages.h"
#include "drive/SenseFields.h"
#include "platform/Timing.h"

#include <algorithm>

namespace kq {

using namespace write_timing;

// The last command ended in CHECK CONDITION for a reason that waiting
// does not cure (not busy, not "not ready"). Call under the command lock.
bool TThWrite::HardFailure() const {
    const auto bytes = burner_.LastSense();
    const SenseFields sense(bytes);
    const bool notReady = sense.Key() == kSenseKeyNotReady || sense.Asc() == kAscNotReady;
    return sense.Fixed() && !burner_.TargetBusy() && !notReady;
}

bool TThWrite::BusyOrNotReady() const {
    return burner_.TargetBusy() || burner_.SenseAsc() == kAscNotReady || burner_.LastCommandAdapterBusy();
}

// The last command's text for the report. A command that timed out has
// none of its own: then the time-out text names the command.
std::string TThWrite::DriveText() const {
    std::string text = burner_.LastErrorText();
    if (text.empty() && !burner_.LastCommandReachedDrive()) return CommandTimeoutText(burner_.LastOpcode());
    return text;
}

// A flush that never got its answer (timed out, adapter error, drive gone)
// or found the medium gone may have left data in the drive's cache.
bool TThWrite::FlushFailed() const {
    return !burner_.LastCommandReachedDrive() || HardFailure() || burner_.SenseAsc() == kAscMediumNotPresent;
}

// Keeps a reason already given (an abort, a write error, a read error).
void TThWrite::WriterErrorUnlessSet(const std::string& driveText) {
    std::lock_guard hold(burner_.DeviceLock());
    if (cache_.Outcome() == BurnOutcome::Success)
        cache_.SetStatusText(DriveMessage(Msg::WriterError) + " [" + driveText + "]");
}

void TThWrite::RaiseFinalizingTrack() {
    if (burner_.OnFinalizingTrack) burner_.OnFinalizingTrack(burner_);
}

// Sends a command again while the adapter could not take it (it never
// reached the drive), 600 ms apart and bounded as the WRITEs are; the
// last result. The command lock is let go while waiting.
bool TThWrite::SendPastBusyAdapter(std::unique_lock<std::recursive_mutex>& hold, const std::function<bool()>& send) {
    for (int tries = 1;; ++tries) {
        if (send()) return true;
        if (!burner_.LastCommandAdapterBusy() || tries >= kAdapterBusyAttempts || burner_.Closing()) return false;
        hold.unlock();
        platform::SleepMs(kBusySleepMs);
        hold.lock();
    }
}

// A drive with a write cache may report a write error only now, so a
// flush that fails for good fails the burn.
void TThWrite::Flush() {
    uint32_t size = 0, free = 0;
    if (mediaType_ != media::DvdRam) (void)burner_.ReadBufferCapacity(size, free);  // only refreshes the gauge
    if (const MediaClose close = TraitsOf(mediaType_).close; close == MediaClose::DvdR || close == MediaClose::DvdRw) {
        FlushDvdMinusR();
    } else {
        RaiseFinalizingTrack();
        auto hold = burner_.LockCommands();
        const auto sync = [this](bool immediate) {
            return [this, immediate] { return burner_.SynchronizeCache(kFlushTimeoutMs, immediate); };
        };
        if (!SendPastBusyAdapter(hold, sync(false)) && !SendPastBusyAdapter(hold, sync(true)) && FlushFailed())
            WriterErrorUnlessSet(DriveText());
    }
    burner_.SetDeviceBufferSize(0);
    burner_.SetDeviceFreeBufferSize(0);
}

// DVD-R/-RW: an immediate flush, then READ DISC INFORMATION until the
// drive answers again, the free buffer shown falling meanwhile; never
// longer than the flush time-out. A flush that failed starts no drain to
// wait for, and a drive that is gone will not end one: no wait then. Once
// the user aborts, a drive that no longer answers is not waited for.
void TThWrite::FlushDvdMinusR() {
    RaiseFinalizingTrack();
    {
        auto hold = burner_.LockCommands();
        const auto sync = [this] { return burner_.SynchronizeCache(kDvdFlushTimeoutMs, true); };
        if (!SendPastBusyAdapter(hold, sync) && FlushFailed()) {
            WriterErrorUnlessSet(DriveText());
            return;
        }
    }
    burner_.SetDeviceFreeBufferSize(burner_.DeviceBufferSize());
    const uint64_t start = platform::NowMs();
    while (!burner_.RefreshDiscInformation()) {
        if (platform::NowMs() - start >= static_cast<uint64_t>(kDvdFlushTimeoutMs)) break;
        if (burner_.LastCommandFoundNoDrive()) break;
        if (AbortRequested.load() && !burner_.LastCommandReachedDrive()) break;
        const uint32_t step = burner_.DeviceBufferSize() / kDrainStepDivisor;
        const uint32_t left = burner_.DeviceFreeBufferSize();
        burner_.SetDeviceFreeBufferSize(left > step ? left - step : 0);
        platform::SleepMs(kDrainStepMs);
    }
}

bool TThWrite::CloseRaw(bool immediate, uint8_t function, int track) {
    return burner_.CloseTrackSessionRaw(immediate, function, 0, static_cast<uint8_t>(track >> 8),
                                        static_cast<uint8_t>(track & 0xFF));
}

// Media with nothing to close (DVD-RAM, BD-RE) are done once flushed, as
// is a DVD-RW of untold recording mode (media::DvdRw), which GetMediaType
// never gives.
void TThWrite::Close() {
    const MediaTraits& medium = TraitsOf(mediaType_);
    if (burner_.TestWrite() || medium.close == MediaClose::None || !burner_.FinalizeTrack()) return;
    if (medium.writeParameters && kin_ != media::DvdR) SendClosingPage();
    if (medium.close == MediaClose::Cd) CloseCd();
    else CloseDvd();
}

// The page with the real FinalizeDisc, retried while the drive is busy or
// not ready. When it is refused for good the disc is closed all the same
// under the page of preparation: the data must become readable.
void TThWrite::SendClosingPage() {
    for (int sends = 1;; ++sends) {
        auto hold = burner_.LockCommands();
        if (burner_.SetWriteParameters(burner_.TestWrite(), burner_.UnderrunProtection(), mediaType_)) return;
        if (!BusyOrNotReady() || sends >= kCloseSends) return;
        hold.unlock();
        platform::SleepMs(kCloseRetrySleepMs);
    }
}

// The DVD and BD-R closes. A drive may refuse one of them and still close the
// session, so a refusal alone fails nothing; but when one is refused the
// disc is asked, and data left in a session that is still open fails the
// burn with the refusal's text rather than passing for a finished disc.
void TThWrite::CloseDvd() {
    std::string refusal;
    bool refused = false;
    auto close = [&](bool immediate, uint8_t function, int track) {
        auto hold = burner_.LockCommands();
        if (CloseRaw(immediate, function, track) || refused) return;
        refused = true;
        refusal = DriveText();
    };
    switch (TraitsOf(mediaType_).close) {
        case MediaClose::DvdPlusR:
            close(false, 1, firstTrack_);
            close(false, burner_.FinalizeDisc() ? kCloseFinalizeDvdPlusR : 2, 255);
            break;
        case MediaClose::DvdR:
            close(false, 1, firstTrack_);
            close(false, 1, firstTrack_ + 1);
            close(false, 2, firstTrack_ + 2);
            break;
        case MediaClose::DvdRw:
            close(true, 2, 0);
            break;
        case MediaClose::DvdPlusRw:
            close(false, 3, 255);
            break;
        case MediaClose::BdR:
            close(false, 1, firstTrack_);
            close(false, burner_.FinalizeDisc() ? kCloseFinalizeBdR : 2, 0);
            break;
        default:
            return;
    }
    if (refused && sectorsWritten_ > 0 && !SessionClosed()) WriterErrorUnlessSet(refusal);
}

// READ DISC INFORMATION, once the drive is done: the last session is
// complete, or empty behind a closed one.
bool TThWrite::SessionClosed() {
    (void)burner_.WaitUntilReady(kFinalWaitMs, kFinalWaitStepMs);  // the disc information answers
    auto hold = burner_.LockCommands();
    if (!burner_.RefreshDiscInformation()) return false;
    const DiscStatusFields status = burner_.DiscInformationStatus();
    const uint8_t lastSession = status.LastSessionState();
    return status.DiscStatus() != kDiscEmpty && (lastSession == kSessionEmpty || lastSession == kSessionComplete);
}

// The CD session close: retried every second while the drive is busy or
// not ready, up to 1000 sends; any other failure is tried exactly once
// more. A close that fails in the end fails a burn that wrote data (an
// empty session has nothing to close, and a drive may say so).
void TThWrite::CloseCd() {
    auto failed = [this] {
        if (sectorsWritten_ > 0) WriterErrorUnlessSet(DriveText());
    };
    for (int sends = 1;; ++sends) {
        auto hold = burner_.LockCommands();
        if (burner_.CloseTrackSession(false, TSCSIDevice::CloseImmediate(), false)) return;
        if (!BusyOrNotReady()) {
            if (!burner_.CloseTrackSession(false, TSCSIDevice::CloseImmediate(), false)) failed();
            return;
        }
        if (sends >= kCloseSends) {
            failed();
            return;
        }
        hold.unlock();
        platform::SleepMs(kCloseRetrySleepMs);
    }
}

// A neutral drive: ready, plain page, moderate speed, tray unlocked.
// The burn is decided by now: every result here is ignored.
void TThWrite::Restore() {
    (void)burner_.WaitUntilReady(kFinalWaitMs, kFinalWaitStepMs);  // restore
    uint32_t size = 0, free = 0;
    if (mediaType_ != media::DvdRam) (void)burner_.ReadBufferCapacity(size, free);  // restore
    // A BD drive has no page 05h to restore.
    if (TraitsOf(mediaType_).family != MediaFamily::Bd)
        (void)burner_.SetWriteParameters(false, false, media::CdRom);  // restore
    (void)burner_.SetCDSpeed(burner_.GetMaxReadSpeed(), 2);  // restore
    burner_.RewindUnit();
    (void)burner_.PreventAllowRemoval(true);  // restore
    (void)burner_.StartStopUnit(false);  // restore
    burner_.RewindUnit();
    (void)burner_.TestUnitReady(kReadyTimeoutMs);  // restore
}

void TThWrite::Complete() {
    std::string result;
    BurnOutcome outcome = BurnOutcome::Success;
    {
        std::lock_guard hold(burner_.DeviceLock());
        result = cache_.StatusText();
        outcome = cache_.Outcome();
    }
    burner_.DeliverWriteDone(result, outcome);
    TSCSIDevice::SetReleaseHandleAfterCommand(true);
    burner_.EndBurn();
}

}  // namespace kq
