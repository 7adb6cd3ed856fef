// READ TOC/PMA/ATIP: formats 0 (TOC), 1 (session information) and 4 (ATIP).
#include "vrecorder/Bytes.h"
#include "vrecorder/VirtualRecorder.h"

namespace vrec {

namespace {

constexpr uint8_t kLeadOut = 0xAA;
constexpr uint8_t kDataTrackControl = 0x14;  // ADR 1, data track

uint32_t Address(bool msf, uint32_t lba) { return msf ? MsfField(lba) : lba; }

void PutDescriptor(Reply& r, uint8_t track, uint32_t address) {
    size_t at = r.Size();
    r[at + 1] = kDataTrackControl;
    r[at + 2] = track;
    r.BE32(at + 4, address);
}

// The tracks a TOC lists: those with something on them.
std::vector<Track> Listed(const Disc& d) {
    std::vector<Track> listed;
    for (const Track& t : d.Tracks())
        if (t.recorded || t.closed) listed.push_back(t);
    return listed;
}

std::optional<std::vector<uint8_t>> Toc(const Disc& d, bool msf, uint8_t start) {
    auto tracks = Listed(d);
    if (tracks.empty()) return std::nullopt;
    if (start > tracks.back().number && start != kLeadOut) return std::nullopt;
    Reply r(4);
    r[2] = static_cast<uint8_t>(tracks.front().number);
    r[3] = static_cast<uint8_t>(tracks.back().number);
    for (const Track& t : tracks)
        if (t.number >= start && start != kLeadOut) PutDescriptor(r, static_cast<uint8_t>(t.number), Address(msf, t.start));
    PutDescriptor(r, kLeadOut, Address(msf, tracks.back().ReportedEnd()));
    r.BE16(0, static_cast<uint16_t>(r.Size() - 2));
    return r.Vector();
}

std::optional<std::vector<uint8_t>> SessionInfo(const Disc& d, bool msf) {
    auto tracks = Listed(d);
    if (tracks.empty()) return std::nullopt;
    uint16_t last = std::max<uint16_t>(1, d.ClosedSessions());
    const Track* first = &tracks.front();
    for (const Track& t : tracks)
        if (t.session == last) { first = &t; break; }
    Reply r(4);
    r[2] = 1;
    r[3] = static_cast<uint8_t>(last);
    PutDescriptor(r, static_cast<uint8_t>(first->number), Address(msf, first->start));
    r.BE16(0, static_cast<uint16_t>(r.Size() - 2));
    return r.Vector();
}

// ATIP: lead-in start and the last possible lead-out start, which gives
// the capacity; byte 6 bit 6 tells CD-RW from CD-R.
std::optional<std::vector<uint8_t>> Atip(const Disc& d) {
    if (d.Kind() != MediumKind::CdR && d.Kind() != MediumKind::CdRw) return std::nullopt;
    Reply r(28);
    r.BE16(0, 26);
    r[4] = 0x50;  // indicative writing power
    r[6] = static_cast<uint8_t>(0x80 | (d.Kind() == MediumKind::CdRw ? 0x40 : 0));
    Msf in = LbaToMsf(kAtipLeadIn), out = LbaToMsf(d.Capacity());
    r[8] = in.m, r[9] = in.s, r[10] = in.f;
    r[12] = out.m, r[13] = out.s, r[14] = out.f;
    return r.Vector();
}

}  // namespace

CommandResult VirtualRecorder::ReadToc(Request& rq) {
    bool msf = rq.cdb[1] & 0x02;
    uint8_t format = rq.cdb[2] & 0x0F;
    if (format == 0) format = rq.cdb[9] >> 6;  // the older place of the format
    std::optional<std::vector<uint8_t>> reply;
    if (format == 0) reply = Toc(disc_, msf, rq.cdb[6]);
    else if (format == 1) reply = SessionInfo(disc_, msf);
    else if (format == 4) reply = Atip(disc_);
    if (!reply) return Check(sense::InvalidFieldInCdb);
    return SendIn(rq, *reply, GetBE16(rq.cdb, 7));
}

}  // namespace vrec
