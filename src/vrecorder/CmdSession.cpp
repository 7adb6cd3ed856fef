// SYNCHRONIZE CACHE, CLOSE TRACK/SESSION, RESERVE TRACK, SEND CUE SHEET,
// SEND OPC INFORMATION: the commands around the user data of a recording.
#include "vrecorder/Bytes.h"
#include "vrecorder/VirtualRecorder.h"

#include "platform/Timing.h"

namespace vrec {

namespace {
enum CloseFunction : uint8_t { kCloseTrack = 1, kCloseSession = 2, kFinalizeMinimal = 3, kFinalize = 5,
                               kFinalizeCompatible = 6 };
}  // namespace

CommandResult VirtualRecorder::SynchronizeCache(Request& rq) {
    bool immediate = rq.cdb[1] & 0x02;
    buffer_.Update(Now());
    uint32_t ms = buffer_.MsUntilEmpty() + config_.flushMs;
    buffer_.Empty();
    buffer_.StopStreaming();
    simulatedNext_.reset();  // the end of a test write: the disc is as it was
    SaveState();
    if (immediate) BeginLongOperation(ms);
    else if (ms) platform::SleepMs(ms);
    return {};
}

// Close functions by medium: CD media close a track or the session (which
// finalizes the disc unless the write parameters allowed a next session);
// sequential DVD media also finalize (3, 5, 6), BD-R only with 110b. Media
// written without the page leave room for another session.
CommandResult VirtualRecorder::CloseSession(uint8_t function) {
    const MediumInfo& info = disc_.Info();
    bool finalize = function == kFinalize || function == kFinalizeCompatible || function == kFinalizeMinimal;
    bool finalizes = info.bd ? function == kFinalizeCompatible : !info.cd;
    if (finalize && !finalizes) return Check(sense::InvalidFieldInCdb);
    if (function != kCloseSession && !finalize) return Check(sense::InvalidFieldInCdb);
    if (!disc_.OpenSessionHasTracks()) return Check(sense::CommandSequenceError);
    if (finalize) disc_.Finalize();
    else disc_.CloseSession(!info.writeParameters || page_.NextSessionAllowed());
    return {};
}

CommandResult VirtualRecorder::CloseTrackSession(Request& rq) {
    bool immediate = rq.cdb[1] & 0x01;
    uint8_t function = rq.cdb[2] & 0x07;
    uint16_t number = GetBE16(rq.cdb, 4);
    if (!CanWriteMedium()) return Check(sense::IncompatibleMediumForWrite);
    if (disc_.RandomWritable()) {
        // DVD+RW: stop formatting / close session; restricted overwrite DVD-RW:
        // close session. Accepted, and a fully formatted disc stays as it is.
        if (disc_.Kind() == MediumKind::DvdPlusRw && function <= kFinalizeMinimal) return {};
        if (disc_.Kind() == MediumKind::DvdRwRo && function == kCloseSession) return {};
        return Check(sense::InvalidFieldInCdb);
    }
    if (disc_.Finalized()) return Check(sense::WriteProtected);
    buffer_.Update(Now());
    uint32_t ms = buffer_.MsUntilEmpty() + config_.closeMs;
    buffer_.Empty();
    buffer_.StopStreaming();
    CommandResult result;
    if (Simulating()) {
        simulatedNext_.reset();  // closing a simulated recording changes nothing
    } else if (function == kCloseTrack) {
        const Track* t = disc_.TrackByNumber(number);
        Track* open = disc_.OpenTrack();
        bool invisible = number == disc_.InvisibleNumber() && !open;
        if (!t && !invisible) return Check(sense::InvalidFieldInCdb);
        if (open && t == open) disc_.CloseTrack(*open);
    } else {
        result = CloseSession(function);
        if (!result.Good()) return result;
    }
    SaveState();
    if (immediate) BeginLongOperation(ms);
    else if (ms) platform::SleepMs(ms);
    return result;
}

CommandResult VirtualRecorder::ReserveTrack(Request& rq) {
    uint32_t size = GetBE32(rq.cdb, 5);
    if (rq.cdb[1] & 0x01) return Check(sense::InvalidFieldInCdb);  // reservation by address
    if (!CanWriteMedium()) return Check(sense::IncompatibleMediumForWrite);
    if (disc_.RandomWritable() || size == 0) return Check(sense::InvalidFieldInCdb);
    if (disc_.Finalized()) return Check(sense::WriteProtected);
    if (disc_.OpenTrack()) return Check(sense::CommandSequenceError);
    if (uint64_t{disc_.InvisibleStart()} + size > disc_.Capacity()) return Check(sense::InvalidFieldInCdb);
    if (Simulating()) return {};
    BeginTrack(size);
    SaveState();
    return {};
}

namespace {
// Cue sheet: 8-byte entries from the lead-in (track 0) to the lead-out
// (AAh), each with a Q-channel ADR of 1, 2 or 3.
bool CueSheetValid(std::span<const uint8_t> cue) {
    for (size_t at = 0; at < cue.size(); at += 8) {
        uint8_t adr = cue[at] & 0x0F;
        if (adr < 1 || adr > 3) return false;
    }
    return cue[1] == 0x00 && cue[cue.size() - 8 + 1] == 0xAA;
}
}  // namespace

CommandResult VirtualRecorder::SendCueSheet(Request& rq) {
    uint32_t length = GetBE24(rq.cdb, 6);
    if (!CanWriteMedium() || !disc_.Info().cd) return Check(sense::IncompatibleMediumForWrite);
    if (disc_.Finalized()) return Check(sense::WriteProtected);
    if (!pageSelected_ || page_.Type() != kSessionAtOnce || disc_.OpenTrack())
        return Check(sense::CommandSequenceError);
    if (length == 0 || length % 8 != 0) return Check(sense::ParameterListLength);
    if (auto refused = TakeOut(rq, length)) return *refused;
    if (!CueSheetValid(rq.data.first(length))) return Check(sense::InvalidFieldInParameterList);
    cueSheet_ = true;
    CommandResult r;
    r.transferred = length;
    return r;
}

CommandResult VirtualRecorder::SendOpcInformation(Request& rq) {
    bool doOpc = rq.cdb[1] & 0x01;
    uint16_t length = GetBE16(rq.cdb, 7);
    if (!CanWriteMedium()) return Check(sense::IncompatibleMediumForWrite);
    if (length && doOpc) return Check(sense::InvalidFieldInCdb);  // a table or a calibration, not both
    if (auto refused = TakeOut(rq, length)) return *refused;
    if (doOpc && config_.calibrateMs) platform::SleepMs(config_.calibrateMs);
    CommandResult r;
    r.transferred = length;
    return r;
}

}  // namespace vrec
