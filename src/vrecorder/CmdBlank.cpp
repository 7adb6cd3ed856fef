// BLANK: erases a CD-RW or a sequential DVD-RW, the whole disc or only
// what makes it read as recorded (the lead-in, PMA and first session's
// table), so that it can be written again from its start.
#include "vrecorder/VirtualRecorder.h"

#include "platform/Timing.h"

namespace vrec {

namespace {
enum BlankingType : uint8_t { kBlankDisc = 0, kBlankMinimal = 1 };
}  // namespace

// The blank state is taken at once; the time it takes is spent asleep, or,
// with Immed, as an operation in progress that TEST UNIT READY and REQUEST
// SENSE report with its progress.
CommandResult VirtualRecorder::Blank(Request& rq) {
    bool immediate = rq.cdb[1] & 0x10;
    uint8_t type = rq.cdb[1] & 0x07;
    bool erasable = disc_.Info().erasable && disc_.Info().sequential;
    if (!CanWriteMedium() || !erasable) return Check(sense::IncompatibleMediumForWrite);
    if (type != kBlankDisc && type != kBlankMinimal) return Check(sense::InvalidFieldInCdb);
    buffer_.Empty();
    buffer_.StopStreaming();
    simulatedNext_.reset();
    cueSheet_ = false;
    // Even a minimal blank drops the old user data: nothing can address it
    // again, and what follows on the disc must not be taken for it.
    disc_ = Disc::Blank(disc_.Kind(), disc_.Capacity());
    store_.Truncate(0);
    SaveState();
    uint32_t ms = type == kBlankDisc ? config_.blankMs : config_.blankMs / 10;
    if (immediate) BeginLongOperation(ms, sense::OperationInProgress);
    else if (ms) platform::SleepMs(ms);
    return {};
}

}  // namespace vrec
