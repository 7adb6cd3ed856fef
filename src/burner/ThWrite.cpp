// The write thread: start, drive preparation and the announcement. The
// data phase is in ThWriteData.cpp, flush to completion in ThWriteFinish.cpp.
#include "burner/ThWrite.h"

#include "burner/CacheThread.h"
#include "burner/kqCDBC.h"
#include "drive/ByteOrder.h"
#include "drive/DriveMessages.h"
#include "platform/Timing.h"

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

std::string SpeedText(uint16_t kBps, bool dvd, const std::locale& locale) {
    const auto& signs = std::use_facet<std::numpunct<char>>(locale);
    std::string multiple;
    if (dvd) {
        const long tenths = std::lround(kBps / 1385.0 * 10);
        multiple = std::to_string(tenths / 10) + signs.decimal_point() + std::to_string(tenths % 10);
    } else {
        multiple = std::to_string(std::lround(kBps / 176.4));
    }
    return multiple + "X (" + Grouped(kBps, signs.thousands_sep()) + " KB/s)";
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
    Prepare();
    Announce();
    DataPhase();
    // A drive the last WRITE never reached (gone from the bus, the call
    // failing) would only make the flush wait out its time-outs.
    if (!driveLost_) Flush();
    // After a failure or an abort the drive is left as it is: no close,
    // no restore. A component going away skips them too, to end quickly.
    if (cache_.StatusText().empty() && !burner_.Closing()) {
        Close();
        Restore();
    }
    Complete();
}

// Every result here is ignored: a drive that refuses a step still gets
// the chance to write, and the WRITE (10) answers tell what went wrong.
void TThWrite::Prepare() {
    uint32_t size = 0, free = 0;
    capacityKnown_ = burner_.ReadBufferCapacity(size, free);
    mediaType_ = burner_.GetMediaType();
    TSCSIDevice::SetMediaType(mediaType_);
    burner_.StartStopUnit(false);
    if (mediaType_ != media::DvdPlusRw) burner_.RewindUnit();
    burner_.SetCDSpeed(burner_.ReadSpeed.load(), burner_.WriteSpeed());
    burner_.WaitUntilReady(kPrepareWaitMs, kPrepareWaitStepMs);
    writeSpeed_ = burner_.GetCurrentWriteSpeed();
    // Writing starts with the page of a finalizing write; the close sends
    // the page again with the real FinalizeDisc.
    // DVD-R is not sent the page again: it is written as it will close.
    const bool finalize = burner_.FinalizeDisc();
    burner_.SetFinalizeDisc(finalize || mediaType_ != media::DvdR);
    burner_.SetWriteParameters(burner_.TestWrite(), burner_.UnderrunProtection(), mediaType_);
    burner_.SetFinalizeDisc(finalize);
    firstTrack_ = burner_.RecordedSessionCount() + 1;
    if (mediaType_ == media::DvdR) ReserveDvdRTrack();
    if (mediaType_ != media::DvdRam && !burner_.TestWrite() && burner_.PerformOPC()) burner_.SendOPCInformation();
}

// DVD-R: stream performance, time stamp, and a track reserved for the
// whole image (in 32-sector units).
void TThWrite::ReserveDvdRTrack() {
    alignas(4) std::array<uint8_t, 28> performance{};
    auto at = std::span(performance);
    PutBE32(at.subspan(4), 0);          // start address
    PutBE32(at.subspan(8), 2298495);    // end address
    PutBE32(at.subspan(12), 43965);     // read size ...
    PutBE32(at.subspan(16), 1000);      // ... per 1000 ms
    PutBE32(at.subspan(20), 1418);      // write size ...
    PutBE32(at.subspan(24), 1000);      // ... per 1000 ms
    burner_.SetStreaming(performance);
    const platform::LocalDateTime now = platform::LocalDateTimeNow();
    burner_.SendTimeStamp({now.year, now.month, now.day, now.hour, now.minute, now.second});
    const uint32_t sectors = static_cast<uint32_t>(burner_.TotalSectors());
    burner_.ReserveTrack((sectors + 31) / 32 * 32);
    burner_.WaitUntilReady(kPrepareWaitMs, kPrepareWaitStepMs);
}

void TThWrite::Announce() {
    const bool dvd = mediaType_ >= media::DvdR && mediaType_ <= media::DvdPlusR;
    const std::string speed = SpeedText(writeSpeed_, dvd, UserLocale());
    burner_.SendDebugMessage(">>> " + FormatDriveMessage(Msg::StartingWriteProcess, {MediaName(mediaType_), speed}), 1);
    if (burner_.TestWrite()) burner_.SendDebugMessage(">>> " + DriveMessage(Msg::TestDummyWrite), 1);
}

}  // namespace kq
