#include "vrecorder/Disc.h"

#include <algorithm>

namespace vrec {

namespace {
// CD: a closed TAO track is followed by 2 run-out blocks and the next
// track's 150-block pre-gap; a closed session by its lead-out (6750 blocks
// for the first, 2250 later), the next lead-in (4500) and pre-gap (150).
constexpr uint32_t kCdTrackGap = 2 + 150;
constexpr uint32_t kCdLeadIn = 4500 + 150;
constexpr uint32_t kCdFirstLeadOut = 6750;
constexpr uint32_t kCdLaterLeadOut = 2250;
}  // namespace

Disc Disc::Blank(MediumKind kind, uint32_t capacity) {
    Disc d;
    d.kind_ = kind;
    d.capacity_ = capacity;
    if (!d.Info().recordable) return Recorded(kind, capacity, capacity, true);
    if (d.RandomWritable() && !d.Info().formats) return Recorded(kind, capacity, capacity, true);
    return d;  // a medium that formats comes unformatted: no tracks
}

Disc Disc::Formatted(MediumKind kind, uint32_t capacity) { return Recorded(kind, capacity, capacity, true); }

Disc Disc::Recorded(MediumKind kind, uint32_t capacity, uint32_t blocks, bool finalized) {
    Disc d;
    d.kind_ = kind;
    d.capacity_ = capacity;
    Track t;
    t.recorded = std::min(blocks, capacity);
    t.closed = true;
    d.tracks_.push_back(t);
    d.closedSessions_ = 1;
    d.finalized_ = finalized;
    d.nextStart_ = t.End() + d.SessionGap();
    if (d.nextStart_ >= capacity) d.finalized_ = true;
    return d;
}

uint32_t Disc::TrackGap() const { return Info().cd ? kCdTrackGap : 0; }

uint32_t Disc::SessionGap() const {
    if (!Info().cd) return 0;
    return (closedSessions_ <= 1 ? kCdFirstLeadOut : kCdLaterLeadOut) + kCdLeadIn;
}

bool Disc::OpenSessionHasTracks() const {
    return !tracks_.empty() && tracks_.back().session > closedSessions_;
}

uint16_t Disc::SessionCount() const {
    return static_cast<uint16_t>(closedSessions_ + (OpenSessionHasTracks() ? 1 : 0));
}

uint8_t Disc::DiscStatus() const {
    if (kind_ == MediumKind::DvdRam) return 3;
    if (Blank()) return 0;
    return finalized_ ? 2 : 1;
}

uint8_t Disc::LastSessionState() const {
    if (finalized_) return 3;
    return OpenSessionHasTracks() ? 1 : 0;
}

Track* Disc::OpenTrack() {
    return !tracks_.empty() && !tracks_.back().closed ? &tracks_.back() : nullptr;
}
const Track* Disc::OpenTrack() const { return const_cast<Disc*>(this)->OpenTrack(); }

bool Disc::HasInvisibleTrack() const {
    return Info().sequential && !finalized_ && !OpenTrack() && nextStart_ < capacity_;
}

std::optional<uint32_t> Disc::NextWritable() const {
    if (!Info().sequential || finalized_) return std::nullopt;
    if (const Track* t = OpenTrack()) {
        if (t->Full() || t->start + t->recorded >= capacity_) return std::nullopt;
        return t->start + t->recorded;
    }
    if (nextStart_ >= capacity_) return std::nullopt;
    return nextStart_;
}

const Track* Disc::TrackByNumber(uint32_t number) const {
    return number >= 1 && number <= tracks_.size() ? &tracks_[number - 1] : nullptr;
}

const Track* Disc::TrackHolding(uint32_t lba) const {
    for (const Track& t : tracks_)
        if (lba >= t.start && lba < t.End()) return &t;
    return nullptr;
}

bool Disc::IsRecorded(uint32_t lba, uint32_t count) const {
    for (uint32_t done = 0; done < count;) {
        const Track* t = TrackHolding(lba + done);
        if (!t || lba + done >= t->start + t->recorded) return false;
        done += std::min(count - done, t->start + t->recorded - (lba + done));
    }
    return true;
}

uint32_t Disc::LastSessionStart() const {
    if (OpenSessionHasTracks())
        for (const Track& t : tracks_)
            if (t.session == tracks_.back().session) return t.start;
    return nextStart_;
}

uint16_t Disc::FirstTrackOfLastSession() const {
    for (const Track& t : tracks_)
        if (t.session == closedSessions_ + 1) return t.number;
    if (finalized_ && !tracks_.empty()) {
        for (const Track& t : tracks_)
            if (t.session == tracks_.back().session) return t.number;
    }
    return InvisibleNumber();
}

Track& Disc::BeginTrack(uint32_t reservedBlocks) {
    Track t;
    t.number = InvisibleNumber();
    t.session = static_cast<uint16_t>(closedSessions_ + 1);
    t.start = nextStart_;
    t.reserved = reservedBlocks;
    tracks_.push_back(t);
    if (reservedBlocks) nextStart_ = t.End() + TrackGap();
    return tracks_.back();
}

void Disc::Record(uint32_t blocks) {
    if (Track* t = OpenTrack()) t->recorded += blocks;
}

void Disc::CloseTrack(Track& track) {
    track.closed = true;
    if (&track == &tracks_.back()) nextStart_ = track.End() + TrackGap();
}

void Disc::CloseSession(bool allowNext) {
    if (Track* t = OpenTrack()) CloseTrack(*t);
    uint32_t end = tracks_.empty() ? 0 : tracks_.back().End();
    ++closedSessions_;
    nextStart_ = end + SessionGap();
    if (!allowNext || nextStart_ >= capacity_) finalized_ = true;
}

bool Disc::RecoverOpenTrack(uint64_t backedBlocks) {
    Track* t = OpenTrack();
    if (!t || backedBlocks <= uint64_t{t->start} + t->recorded) return false;
    uint64_t limit = t->reserved ? t->reserved : capacity_ - t->start;
    t->recorded = static_cast<uint32_t>(std::min<uint64_t>(backedBlocks - t->start, limit));
    t->damaged = true;
    return true;
}

void Disc::Finalize() {
    if (OpenSessionHasTracks()) CloseSession(false);
    finalized_ = true;
}

}  // namespace vrec
