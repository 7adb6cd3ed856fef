#include "drive/DiscReplies.h"

#include "drive/ReplyLength.h"

namespace kq {

namespace {

constexpr uint8_t kLeadOutTrack = 0xAA;
constexpr uint8_t kDataControl = 0x04;  // CONTROL bit 2, in the low nibble of byte 1
constexpr size_t kTocHeader = 4, kTocDescriptor = 8;
constexpr uint32_t kNotTold = 0xFFFFFFFFu;

ReplyView Arrived(std::span<const uint8_t> reply) { return {reply, Length16Reply(reply, reply.size())}; }

}  // namespace

std::optional<DiscSummary> DecodeDiscInformation(std::span<const uint8_t> reply) {
    const ReplyView r = Arrived(reply);
    auto status = r.Byte(2), first = r.Byte(3), sessions = r.Byte(4), lastFirst = r.Byte(5), last = r.Byte(6);
    if (!status || !first || !sessions || !lastFirst || !last) return std::nullopt;
    DiscSummary d;
    d.status = DiscStatusFields(*status);
    d.firstTrack = *first;
    d.sessions = *sessions;
    d.lastSessionFirstTrack = *lastFirst;
    d.lastTrack = *last;
    if (auto leadOut = r.BE32(20); leadOut && *leadOut != kNotTold) d.leadOut = *leadOut;
    return d;
}

std::optional<TrackSummary> DecodeTrackInformation(std::span<const uint8_t> reply) {
    const ReplyView r = Arrived(reply);
    auto number = r.Byte(2), session = r.Byte(3), flags = r.Byte(6), valid = r.Byte(7);
    auto start = r.BE32(8), nwa = r.BE32(12), free = r.BE32(16), size = r.BE32(24);
    if (!number || !session || !flags || !valid || !start || !nwa || !free || !size) return std::nullopt;
    TrackSummary t;
    t.number = *number;
    t.session = *session;
    t.start = *start;
    t.size = *size;
    t.freeBlocks = *free;
    t.blank = (*flags & 0x40) != 0;
    t.packet = (*flags & 0x20) != 0;
    t.data = (r.Byte(5).value_or(0) & 0x04) != 0;  // byte 6 arrived, so byte 5 did
    if (*valid & 0x01) t.nextWritable = *nwa;
    if (auto last = r.BE32(28); last && (*valid & 0x02)) t.lastRecorded = *last;
    return t;
}

std::optional<TocSummary> DecodeToc(std::span<const uint8_t> reply) {
    const ReplyView r = Arrived(reply);
    auto first = r.Byte(2), last = r.Byte(3);
    if (!first || !last) return std::nullopt;
    TocSummary toc;
    toc.firstTrack = *first;
    toc.lastTrack = *last;
    for (size_t at = kTocHeader; r.Has(at, kTocDescriptor); at += kTocDescriptor) {
        int track = *r.Byte(at + 2);
        uint32_t address = *r.BE32(at + 4);
        if (track == kLeadOutTrack) {
            toc.leadOut = address;
            continue;
        }
        toc.starts.emplace_back(track, address);
        if (!(*r.Byte(at + 1) & kDataControl)) toc.audioTracks.push_back(track);
    }
    return toc;
}

std::optional<uint32_t> DecodeAtipLeadOut(std::span<const uint8_t> reply) {
    const ReplyView r = Arrived(reply);
    const auto m = r.Byte(12), s = r.Byte(13), f = r.Byte(14);
    if (!m || !s || !f) return std::nullopt;
    return uint32_t{*m} << 16 | uint32_t{*s} << 8 | *f;
}

std::optional<CapacitySummary> DecodeCapacity(std::span<const uint8_t> reply) {
    const ReplyView r(reply, reply.size());
    const auto last = r.BE32(0), length = r.BE32(4);
    if (!last || !length) return std::nullopt;
    return CapacitySummary{*last, *length};
}

}  // namespace kq
