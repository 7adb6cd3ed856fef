// The write thread: start, drive preparation and the announcement. The
// data phase is in ThWriteData.cpp, flush to completion in ThWriteFinish.cpp.
#include "burner/ThWrite.h"

#include "burner/CacheThread.h"
#include "burner/kqCDBC.h"
#include "drive/ByteOrder.h"
#include "drive/DriveMessages.h"
#include "platform/Timing.h"

#include <algorithm>
#include <cmath>

namespace kq {

using namespace write_timing;

namespace {

std::string Grouped(uint32_t value, char separator) {
    std::string digits = std::to_string(value);
    if (separator == '\0') return digits;
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), 1, separator);
    return digits;
}

std::locale UserLocale() {
    try {
        return std::locale("");
    } catch (const std::runtime_error&) {
        return std::locale::classic();
    }
}

}  // namespace

std::string SpeedText(uint32_t kBps, MediaFamily family, const std::locale& locale) {
    const auto& signs = std::use_facet<std::numpunct<char>>(locale);
    std::string multiple;
    if (family == MediaFamily::Dvd || family == MediaFamily::Bd) {
        const long tenths = std::lround(kBps * 100.0 / KBpsPerTenX(family));
        multiple = std::to_string(tenths / 10) + signs.decimal_point() + std::to_string(tenths % 10);
    } else {
        multiple = std::to_string(std::lround(kBps * 10.0 / KBpsPerTenX(family)));
    }
    return multiple + "X (" + Grouped(kBps, signs.thousands_sep()) + " KB/s)";
}

MediaFamily AnnouncedFamily(int mediaType) {
    return mediaType == media::DvdRom ? MediaFamily::Cd : TraitsOf(mediaType).family;
}

TThWrite::TThWrite(TQCDBurner& burner, TCacheThread& cache)
    : burner_(burner),
      cache_(cache),
      block_(std::make_unique<std::array<uint8_t, 65536>>()),
      thread_([this](platform::Thread&) { Execute(); }) {}

TThWrite::~TThWrite() { thread_.WaitFor(); }

void TThWrite::Start() {
    thread_.SetPriority(platform::ThreadPriority::TimeCritical);
    thread_.Start();
}

void TThWrite::Execute() {
    if (!burner_.imageOutput_.empty()) {
        WriteImageFile();
        Complete();
        return;
    }
    if (Prepare()) {
        Announce();
        if (cache_.Outcome() == BurnOutcome::Success) DataPhase();  // else preparing the disc failed
    }
    const bool finishing = EnterFinish();
    // A drive the last WRITE never reached (gone from the bus, the call
    // failing) would only make the flush wait out its time-outs; a burn
    // aborted before anything changed the disc has nothing to flush.
    const bool untouched = !discTouched_ && cache_.Outcome() == BurnOutcome::Aborted;
    if (!driveLost_ && !untouched) Flush();
    if (cache_.Outcome() == BurnOutcome::Success && finishing && burner_.DescriptorsLast()) WriteDescriptorsLast();
    // After a failure or an abort the drive is left as it is: no close,
    // no restore.
    if (cache_.Outcome() == BurnOutcome::Success && finishing) {
        Close();
        Restore();
    }
    Complete();
}

bool TThWrite::AbandonUnlessDataSent() {
    Stage sending = Stage::Sending;
    return stage_.compare_exchange_strong(sending, Stage::Abandoned);
}

bool TThWrite::EnterFinish() {
    Stage sending = Stage::Sending;
    return stage_.compare_exchange_strong(sending, Stage::Finishing);
}

// An abort asked for before a step that changes the disc (the reservation,
// OPC, the first WRITE) is taken here, so the disc stays as it was.
bool TThWrite::AbortedBeforeDiscChange() {
    if (!AbortRequested.load()) return false;
    Fail(DriveMessage(Msg::OperationAborted), BurnOutcome::Aborted);
    return true;
}

// Every result here is ignored: a drive that refuses a step still gets
// the chance to write, and the WRITE (10) answers tell what went wrong.
// False when an abort ended the burn here.
bool TThWrite::Prepare() {
    uint32_t size = 0, free = 0;
    capacityKnown_ = burner_.ReadBufferCapacity(size, free);
    mediaType_ = burner_.GetMediaType();
    kin_ = TraitsOf(mediaType_).kin;
    TSCSIDevice::SetMediaType(mediaType_);
    (void)burner_.StartStopUnit(false);  // preparation: the WRITE answers tell
    if (kin_ != media::DvdPlusRw) burner_.RewindUnit();
    SetSpeed();
    if (mediaType_ == media::BdRe) {
        if (AbortedBeforeDiscChange()) return false;
        FormatIfNeeded();
    }
    (void)burner_.WaitUntilReady(kPrepareWaitMs, kPrepareWaitStepMs);  // a busy drive is retried per block
    writeSpeed_ = burner_.GetCurrentWriteSpeed();
    // Page 2Ah has 16 bits for the speed: a BD drive past 65,535 kB/s shows
    // FFFFh there, and the speed asked is what it took.
    if (writeSpeed_ == 0xFFFF && burner_.WriteSpeed() > 0xFFFF) writeSpeed_ = burner_.WriteSpeed();
    // Writing starts with the page of a finalizing write; the close sends
    // the page again with the real FinalizeDisc.
    // DVD-R is not sent the page again: it is written as it will close.
    // DVD-RW starts appendable: a close page refused for good must not
    // leave it closed for good.
    const bool finalize = burner_.FinalizeDisc();
    const bool dvdRw = TraitsOf(mediaType_).close == MediaClose::DvdRw;
    burner_.SetFinalizeDisc(!dvdRw && (finalize || kin_ != media::DvdR));
    (void)burner_.SetWriteParameters(burner_.TestWrite(), burner_.UnderrunProtection(),
                                     mediaType_);  // a page refused shows in the WRITE
    burner_.SetFinalizeDisc(finalize);
    firstTrack_ = burner_.RecordedSessionCount() + 1;
    if (kin_ == media::DvdR && !ReserveDvdRTrack()) return false;
    if (mediaType_ != media::DvdRam && !burner_.TestWrite() && burner_.PerformOPC()) {
        if (AbortedBeforeDiscChange()) return false;
        discTouched_ = true;
        (void)burner_.SendOPCInformation();  // the drive calibrates itself otherwise
    }
    return true;
}

// SET CD SPEED carries 16 bits: a BD speed (16x is 71,920 kB/s) goes to
// the drive as a stream performance too.
void TThWrite::SetSpeed() {
    const uint32_t speed = burner_.WriteSpeed();
    // A speed refused leaves the drive at its own.
    (void)burner_.SetCDSpeed(burner_.ReadSpeed.load(), static_cast<uint16_t>(std::min<uint32_t>(speed, 0xFFFF)));
    if (TraitsOf(mediaType_).family == MediaFamily::Bd && speed != 0)
        (void)burner_.SetWritePerformance(LastBurnSector(), speed);  // as SET CD SPEED
}

// A BD-RE as it comes from the shop takes no data until formatted. The
// command line formats it first, with its progress shown; here the
// window's burns and any other caller get the same disc. A format refused
// for good ends the burn with the drive's reason, before any WRITE.
void TThWrite::FormatIfNeeded() {
    constexpr int kFormatBudgetMs = 120 * 60 * 1000, kFormatPollMs = 1000;
    for (int sends = 1;; ++sends) {
        auto hold = burner_.LockCommands();
        if (!burner_.Unformatted()) return;
        discTouched_ = true;
        if (burner_.FormatWholeDisc(true)) {
            (void)burner_.WaitForOperation(kFormatBudgetMs, kFormatPollMs, {});  // an unfinished format fails the WRITE
            return;
        }
        if (!BusyOrNotReady() || sends >= kCloseSends || burner_.Closing()) {
            driveLost_ = !burner_.LastCommandReachedDrive();
            Fail(DriveMessage(Msg::WriterError) + " [" + DriveText() + "]");
            return;
        }
        hold.unlock();
        platform::SleepMs(kCloseRetrySleepMs);
    }
}

// The stream's end address is the last block it covers, not one past it.
uint32_t TThWrite::LastBurnSector() const {
    return burner_.SessionStart() + static_cast<uint32_t>(std::max<int64_t>(burner_.TotalSectors(), 1) - 1);
}

// The last sector of a single-layer DVD-R; a DVD-R DL's is on its second
// layer, before the last possible lead-out of the disc information just
// read for the session count (bytes 20-23; zeros when it was refused).
uint32_t TThWrite::DvdREnd() {
    constexpr uint32_t kSingleLayerEnd = 2298495;
    constexpr size_t kLastLeadOut = 20;
    if (mediaType_ != media::DvdRDl) return kSingleLayerEnd;
    const uint32_t leadOut = GetBE32(std::span(burner_.DiscInformationBlock()).subspan(kLastLeadOut));
    return leadOut > kSingleLayerEnd && leadOut != 0xFFFFFFFFu ? leadOut - 1 : kSingleLayerEnd;
}

// DVD-R: stream performance, time stamp, and a track reserved for the
// whole image (in 32-sector units). False when an abort came first.
bool TThWrite::ReserveDvdRTrack() {
    alignas(4) std::array<uint8_t, 28> performance{};
    auto at = std::span(performance);
    PutBE32(at.subspan(4), 0);          // start address
    PutBE32(at.subspan(8), DvdREnd());  // end address
    PutBE32(at.subspan(12), 43965);     // read size ...
    PutBE32(at.subspan(16), 1000);      // ... per 1000 ms
    PutBE32(at.subspan(20), 1418);      // write size ...
    PutBE32(at.subspan(24), 1000);      // ... per 1000 ms
    (void)burner_.SetStreaming(performance);  // preparation: the WRITE answers tell
    const platform::LocalDateTime now = platform::LocalDateTimeNow();
    (void)burner_.SendTimeStamp({now.year, now.month, now.day, now.hour, now.minute, now.second});  // optional
    const uint32_t sectors = static_cast<uint32_t>(burner_.TotalSectors());
    if (AbortedBeforeDiscChange()) return false;
    discTouched_ = true;
    (void)burner_.ReserveTrack((sectors + 31) / 32 * 32);  // an unreserved track fails the WRITE
    (void)burner_.WaitUntilReady(kPrepareWaitMs, kPrepareWaitStepMs);  // a busy drive is retried per block
    return true;
}

void TThWrite::Announce() {
    const std::string speed = SpeedText(writeSpeed_, AnnouncedFamily(mediaType_), UserLocale());
    burner_.SendDebugMessage(">>> " + FormatDriveMessage(Msg::StartingWriteProcess, {MediaName(mediaType_), speed}), 1);
    if (burner_.TestWrite()) burner_.SendDebugMessage(">>> " + DriveMessage(Msg::TestDummyWrite), 1);
}

}  // namespace kq
