#pragma once
// The disc's recording state: sessions, tracks, next writable address.
// Knows nothing of command blocks; the commands check and then change it.
#include "vrecorder/Medium.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vrec {

struct Track {
    uint16_t number = 1;
    uint16_t session = 1;
    uint32_t start = 0;     // first user block
    uint32_t recorded = 0;  // blocks written from start on
    uint32_t reserved = 0;  // fixed size from RESERVE TRACK, 0 = grows while written
    bool closed = false;
    bool damaged = false;   // lost streaming while written
    uint8_t mode = 4;       // track mode (4: data, recorded uninterrupted)
    uint8_t runOut = 0;     // unreadable blocks after the data: 2 on a CD track written Track-At-Once

    uint32_t End() const { return start + (reserved ? reserved : recorded); }
    // Where the drive says the track ends: a closed track counts its run-out.
    uint32_t ReportedEnd() const { return End() + (closed ? runOut : 0); }
    bool InRunOut(uint32_t lba) const { return closed && lba >= End() && lba < ReportedEnd(); }
    bool Full() const { return reserved && recorded >= reserved; }
};

class Disc {
public:
    Disc() = default;
    static Disc Blank(MediumKind kind, uint32_t capacity);
    // One closed session holding one data track of `blocks` blocks.
    static Disc Recorded(MediumKind kind, uint32_t capacity, uint32_t blocks, bool finalized);
    // A random-writable disc after FORMAT UNIT: all of it one track.
    static Disc Formatted(MediumKind kind, uint32_t capacity);

    MediumKind Kind() const { return kind_; }
    const MediumInfo& Info() const { return InfoOf(kind_); }
    uint32_t Capacity() const { return capacity_; }
    const std::vector<Track>& Tracks() const { return tracks_; }
    uint16_t ClosedSessions() const { return closedSessions_; }
    bool Finalized() const { return finalized_; }
    bool Blank() const { return tracks_.empty() && closedSessions_ == 0; }
    bool RandomWritable() const { return Info().recordable && !Info().sequential; }
    // A BD-RE as it comes: nothing can be written or read until formatted.
    bool Unformatted() const { return Info().formats && Blank(); }

    // Sessions on the disc, counting an open one that holds tracks.
    uint16_t SessionCount() const;
    // READ DISC INFORMATION byte 2: disc status and state of the last session.
    uint8_t DiscStatus() const;
    uint8_t LastSessionState() const;
    bool OpenSessionHasTracks() const;

    // The incomplete track being written, if any.
    Track* OpenTrack();
    const Track* OpenTrack() const;
    // The invisible track: where the next track would begin.
    uint16_t InvisibleNumber() const { return static_cast<uint16_t>(tracks_.size() + 1); }
    uint32_t InvisibleStart() const { return nextStart_; }
    bool HasInvisibleTrack() const;
    std::optional<uint32_t> NextWritable() const;
    const Track* TrackByNumber(uint32_t number) const;
    const Track* TrackHolding(uint32_t lba) const;
    bool IsRecorded(uint32_t lba, uint32_t count) const;
    // Start of the user area of the last (or open) session.
    uint32_t LastSessionStart() const;
    uint16_t FirstTrackOfLastSession() const;

    Track& BeginTrack(uint32_t reservedBlocks);
    void Record(uint32_t blocks);
    void CloseTrack(Track& track);
    // Closes the open session; allowNext leaves the disc appendable when
    // there is room for another session.
    void CloseSession(bool allowNext);
    void Finalize();

    // A track still open when its writer died: the blocks that reached
    // the backing file (`backedBlocks` long) beyond what the state says are
    // taken as recorded, and such a track is damaged, as after a power cut
    // mid-write. Returns whether anything changed.
    bool RecoverOpenTrack(uint64_t backedBlocks);

    std::string Serialize() const;
    // Nullopt when the text is not a consistent state; `why` then says
    // where and what, as "line: what" (line 0: the whole).
    [[nodiscard]] static std::optional<Disc> Parse(const std::string& text, std::string* why = nullptr);

private:
    uint32_t TrackGap() const;
    uint32_t SessionGap() const;
    bool Consistent() const;

    MediumKind kind_ = MediumKind::None;
    uint32_t capacity_ = 0;
    std::vector<Track> tracks_;
    uint16_t closedSessions_ = 0;
    bool finalized_ = false;
    uint32_t nextStart_ = 0;
};

}  // namespace vrec
