// READ DISC INFORMATION, READ TRACK INFORMATION, READ BUFFER CAPACITY,
// READ CAPACITY: the disc and buffer as they stand.
#include "vrecorder/Bytes.h"
#include "vrecorder/VirtualRecorder.h"

#include <algorithm>

namespace vrec {

namespace {
constexpr uint32_t kNoAddress = 0xFFFFFFFF;
}  // namespace

CommandResult VirtualRecorder::ReadDiscInformation(Request& rq) {
    if (rq.cdb[1] & 0x07) return Check(sense::InvalidFieldInCdb);  // standard information only
    const Disc& d = disc_;
    Reply r(34);
    r.BE16(0, 32);
    r[2] = static_cast<uint8_t>((d.Info().erasable ? 0x10 : 0) | d.LastSessionState() << 2 | d.DiscStatus());
    r[3] = 1;
    r[4] = static_cast<uint8_t>(d.Finalized() ? d.ClosedSessions() : d.ClosedSessions() + 1);
    r[5] = static_cast<uint8_t>(d.FirstTrackOfLastSession());
    r[6] = static_cast<uint8_t>(d.Finalized() || !d.HasInvisibleTrack() ? d.Tracks().size() : d.InvisibleNumber());
    r[7] = 0x20;  // unrestricted use
    if (d.Finalized()) {
        r.BE32(16, kNoAddress);
        r.BE32(20, kNoAddress);
    } else if (d.Info().cd) {
        // The lead-in of the session being written, or of the next one;
        // the first session's is where the ATIP puts it.
        int64_t leadIn = d.ClosedSessions() == 0 ? kAtipLeadIn : int64_t{d.LastSessionStart()} - 4650;
        r.BE32(16, MsfField(leadIn));
        r.BE32(20, MsfField(d.Capacity()));
    } else {
        r.BE32(20, d.Capacity());
    }
    return SendIn(rq, r.Bytes(), GetBE16(rq.cdb, 7));
}

// Track `number`, or the invisible track when it is the one after the last.
std::vector<uint8_t> VirtualRecorder::TrackInformation(uint16_t number) const {
    const Disc& d = disc_;
    const Track* t = d.TrackByNumber(number);
    bool invisible = !t;
    Track shown = t ? *t : Track{number, static_cast<uint16_t>(d.ClosedSessions() + 1), d.InvisibleStart()};
    bool open = invisible || !shown.closed;
    // Two plain values: GCC cannot follow an optional through the branches.
    const std::optional<uint32_t> next = open ? d.NextWritable() : std::nullopt;
    const bool nwaValid = next.has_value();
    const uint32_t nwa = next.value_or(0);
    Reply r(36);
    r.BE16(0, 34);
    r[2] = static_cast<uint8_t>(number);
    r[3] = static_cast<uint8_t>(shown.session);
    r[5] = static_cast<uint8_t>(shown.mode | (shown.damaged ? 0x20 : 0));
    bool packet = open && PageApplies() && page_.Type() == kPacket;  // never on DVD+R
    r[6] = static_cast<uint8_t>((shown.reserved ? 0x80 : 0) | (shown.recorded == 0 ? 0x40 : 0) |
                                (packet ? 0x20 : 0) | (packet && page_.FixedPacket() ? 0x10 : 0) | 0x01);
    r[7] = static_cast<uint8_t>((shown.recorded ? 0x02 : 0) | (nwaValid ? 0x01 : 0));
    r.BE32(8, shown.start);
    r.BE32(12, nwa);
    uint32_t end = shown.reserved ? shown.End() : (open ? d.Capacity() : shown.ReportedEnd());
    r.BE32(16, open && nwaValid ? end - nwa : 0);
    if (packet && page_.FixedPacket()) r.BE32(20, GetBE32(page_.Bytes(), 10));
    r.BE32(24, end - shown.start);
    if (shown.recorded) r.BE32(28, shown.start + shown.recorded - 1);
    return r.Vector();
}

CommandResult VirtualRecorder::ReadTrackInformation(Request& rq) {
    uint8_t type = rq.cdb[1] & 0x03;
    uint32_t value = GetBE32(rq.cdb, 2);
    const Disc& d = disc_;
    uint32_t last = d.HasInvisibleTrack() ? d.InvisibleNumber() : static_cast<uint32_t>(d.Tracks().size());
    uint32_t number = 0;
    if (type == 0) {
        const Track* t = d.TrackHolding(value);
        if (t) number = t->number;
        else if (d.HasInvisibleTrack() && value >= d.InvisibleStart() && value < d.Capacity()) number = last;
    } else if (type == 1) {
        number = value == 0xFF ? last : value;
    } else if (type == 2) {
        for (const Track& t : d.Tracks())
            if (t.session == value && !number) number = t.number;
        if (!number && value == d.ClosedSessions() + 1u && d.HasInvisibleTrack()) number = last;
    }
    if (type == 3 || number == 0 || number > last) return Check(sense::InvalidFieldInCdb);
    return SendIn(rq, TrackInformation(static_cast<uint16_t>(number)), GetBE16(rq.cdb, 7));
}

CommandResult VirtualRecorder::ReadBufferCapacity(Request& rq) {
    buffer_.Update(Now());
    Reply r(12);
    r.BE16(0, 10);
    if (rq.cdb[1] & 0x01) {
        r[3] = 0x01;
        r.BE32(8, buffer_.Free() / kBlockSize);
    } else {
        r.BE32(4, buffer_.Size());
        r.BE32(8, buffer_.Free());
    }
    return SendIn(rq, r.Bytes(), GetBE16(rq.cdb, 7));
}

CommandResult VirtualRecorder::ReadCapacity(Request& rq) {
    if (!(rq.cdb[8] & 0x01) && GetBE32(rq.cdb, 2) != 0) return Check(sense::InvalidFieldInCdb);
    uint32_t last = 0;
    if (disc_.RandomWritable()) last = disc_.Capacity() - 1;
    for (const Track& t : disc_.Tracks())
        if (t.recorded) last = std::max(last, (t.closed ? t.ReportedEnd() : t.start + t.recorded) - 1);
    Reply r(8);
    r.BE32(0, last);
    r.BE32(4, kBlockSize);
    return SendIn(rq, r.Bytes(), 8);
}

}  // namespace vrec
