// TEST UNIT READY, REQUEST SENSE, INQUIRY, GET EVENT STATUS NOTIFICATION,
// MECHANISM STATUS: the commands that tell the host what state the drive is in.
#include "vrecorder/Bytes.h"
#include "vrecorder/VirtualRecorder.h"

#include <algorithm>

namespace vrec {

CommandResult VirtualRecorder::TestUnitReady(Request&) { return {}; }

// Reports the drive's present condition: no medium, a long operation with its
// progress, a pending unit attention (which it clears), or nothing.
CommandResult VirtualRecorder::RequestSense(Request& rq) {
    if (rq.cdb[1] & 0x01) return Check(sense::InvalidFieldInCdb);  // descriptor format
    Sense code = sense::NoSense;
    if (unitAttention_) {
        code = sense::MediumChanged;
        unitAttention_ = false;
    } else if (!mediumPresent_) {
        code = sense::MediumNotPresent;
    } else if (Busy()) {
        code = busySense_;
    }
    auto data = FixedSense(code);
    if (code == busySense_ && Busy()) {
        uint64_t span = std::max<uint64_t>(1, busyUntilMs_ - busyFromMs_);
        uint64_t done = std::min(span, Now() - busyFromMs_);
        data[15] = 0x80;  // progress indication valid
        PutBE16(data, 16, static_cast<uint16_t>(done * 0xFFFF / span));
    }
    return SendIn(rq, data, rq.cdb[4]);
}

namespace {
void PutPadded(Reply& r, size_t at, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i) r[at + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
}
}  // namespace

CommandResult VirtualRecorder::Inquiry(Request& rq) {
    bool evpd = rq.cdb[1] & 0x01;
    uint16_t allocation = GetBE16(rq.cdb, 3);
    if (rq.cdb[1] & 0x02) return Check(sense::InvalidFieldInCdb);  // CmdDt
    if (evpd) {
        if (rq.cdb[2] != 0x00) return Check(sense::InvalidFieldInCdb);
        Reply vpd(5);  // supported pages: only this list
        vpd[0] = config_.deviceType;
        vpd[3] = 1;
        return SendIn(rq, vpd.Bytes(), allocation);
    }
    if (rq.cdb[2] != 0) return Check(sense::InvalidFieldInCdb);
    Reply r(36);
    r[0] = config_.deviceType;
    r[1] = 0x80;  // removable
    r[2] = 0x05;
    r[3] = 0x02;
    r[4] = 36 - 5;
    PutPadded(r, 8, config_.vendor, 8);
    PutPadded(r, 16, config_.product, 16);
    PutPadded(r, 32, config_.revision, 4);
    return SendIn(rq, r.Bytes(), allocation);
}

// Polled operation only; the media class is the one reported.
CommandResult VirtualRecorder::GetEventStatus(Request& rq) {
    if (!(rq.cdb[1] & 0x01)) return Check(sense::InvalidFieldInCdb);
    uint16_t allocation = GetBE16(rq.cdb, 7);
    Reply r(4);
    r[3] = 0x10;  // supported: media
    if (!(rq.cdb[4] & 0x10)) {
        r[2] = 0x80;  // no event available of the asked classes
        return SendIn(rq, r.Bytes(), allocation);
    }
    r.BE16(0, 6);
    r[2] = 0x04;
    r[4] = mediaEvent_;
    r[5] = mediumPresent_ ? 0x02 : 0x00;
    r[7] = 0;
    mediaEvent_ = 0;
    return SendIn(rq, r.Bytes(), allocation);
}

CommandResult VirtualRecorder::MechanismStatus(Request& rq) {
    Reply r(8);
    r[1] = static_cast<uint8_t>((Busy() ? 0x20 : 0x00) | (mediumPresent_ ? 0x00 : 0x10));  // writing; tray open
    r.BE24(2, disc_.NextWritable().value_or(0));
    return SendIn(rq, r.Bytes(), GetBE16(rq.cdb, 8));
}

}  // namespace vrec
