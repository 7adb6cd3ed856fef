// WRITE (10) and READ (10): user data to and from the disc, through the
// drive buffer on the way in.
#include "vrecorder/Bytes.h"
#include "vrecorder/VirtualRecorder.h"

#include "platform/Timing.h"

#include <algorithm>

namespace vrec {

// What the write parameters page must say before data can be written.
// Disc at once is set up by a cue sheet on CD and by a reserved track on
// DVD-R and DVD-RW.
std::optional<Sense> VirtualRecorder::CheckPageForWrite() const {
    if (!pageSelected_) return sense::CommandSequenceError;
    if (CheckWriteParameters(page_.Bytes(), disc_.Kind(), config_.write) || page_.Type() == kRaw ||
        BlockSizeOf(page_.DataBlockType()) != kBlockSize)
        return sense::IllegalModeForTrack;  // only 2048-byte user data is recorded
    if (page_.Type() == kSessionAtOnce) {
        const Track* open = disc_.OpenTrack();
        bool ready = disc_.Info().cd ? cueSheet_ : open && open->reserved;
        if (!ready) return sense::CommandSequenceError;
    }
    return std::nullopt;
}

// Why a write of `blocks` at `lba` must be refused, if it must.
std::optional<Sense> VirtualRecorder::CheckWrite(uint32_t lba, uint32_t blocks) const {
    uint64_t end = uint64_t{lba} + blocks;
    if (disc_.RandomWritable()) {
        if (end > disc_.Capacity()) return sense::LbaOutOfRange;
        return std::nullopt;
    }
    if (PageApplies())
        if (auto refused = CheckPageForWrite()) return refused;
    const Track* open = disc_.OpenTrack();
    if (open && open->damaged && !Simulating()) return sense::LossOfStreaming;
    auto next = disc_.NextWritable();
    if (!next) return open && open->Full() ? sense::EndOfUserArea : sense::LbaOutOfRange;
    uint32_t expected = Simulating() ? simulatedNext_.value_or(*next) : *next;
    if (lba != expected) return sense::InvalidAddressForWrite;
    if (open && open->reserved && end > open->End()) return sense::EndOfUserArea;
    if (end > disc_.Capacity()) return sense::LbaOutOfRange;
    return std::nullopt;
}

// Puts the data in the drive buffer, waiting for room as a drive does
// when it is full. A buffer that ran dry since the last write stopped the
// laser mid-track: without underrun protection that spoils the track.
// Media written without the page link losslessly whatever it says.
std::optional<CommandResult> VirtualRecorder::FillBuffer(uint32_t bytes) {
    buffer_.Update(Now());
    if (buffer_.TakeRanDry() && !UnderrunProtected() && !Simulating()) {
        if (Track* open = disc_.OpenTrack()) open->damaged = true;
        buffer_.StopStreaming();
        SaveState();
        return Check(sense::LossOfStreaming);
    }
    for (uint32_t left = bytes; left > 0;) {
        buffer_.Update(Now());
        if (buffer_.Free() == 0) {
            platform::SleepMs(std::max<uint32_t>(1, buffer_.MsUntilRoomFor(left)));
            continue;
        }
        uint32_t put = std::min(buffer_.Free(), left);
        buffer_.Put(put, Now());
        left -= put;
    }
    buffer_.TakeRanDry();  // waiting for room is not running dry
    buffer_.StartStreaming();
    return std::nullopt;
}

CommandResult VirtualRecorder::Write10(Request& rq) {
    uint32_t lba = GetBE32(rq.cdb, 2);
    uint16_t blocks = GetBE16(rq.cdb, 7);
    size_t bytes = size_t{blocks} * kBlockSize;
    if (rq.cdb[1] & 0x01) return Check(sense::InvalidFieldInCdb);
    if (!CanWriteMedium()) return Check(sense::IncompatibleMediumForWrite);
    if (disc_.Unformatted()) return Check(sense::MediumNotFormatted);
    if (disc_.Info().sequential && disc_.Finalized()) return Check(sense::WriteProtected);
    if (auto refused = CheckWrite(lba, blocks)) return Check(*refused);
    if (blocks > 0 && rq.direction != DataDirection::Out) {
        CommandResult r;
        r.delivery = Delivery::PhaseError;
        return r;
    }
    if (rq.data.size() != bytes) return Check(sense::InvalidFieldInCdb);
    if (blocks == 0) return {};
    if (auto refused = FillBuffer(static_cast<uint32_t>(bytes))) return *refused;
    if (Simulating()) {
        simulatedNext_ = lba + blocks;  // a test write records nothing
    } else {
        // The new track is in the state file before its first block is in
        // the backing: a process killed from here on leaves a disc that is
        // not blank, and later writes cost no state write.
        if (disc_.Info().sequential && !disc_.OpenTrack()) {
            BeginTrack(0);
            SaveState();
        }
        if (!store_.Write(lba, rq.data)) return Check(sense::WriteError);
        if (disc_.Info().sequential) disc_.Record(blocks);
    }
    CommandResult r;
    r.transferred = bytes;
    return r;
}

// Why a read of `blocks` at `lba` must be refused, if it must. The run-out
// blocks after a Track-At-Once track hold no user data: a drive answers
// them as a block of another mode.
std::optional<Sense> VirtualRecorder::CheckRead(uint32_t lba, uint32_t blocks) const {
    if (disc_.Unformatted()) return sense::MediumNotFormatted;
    if (uint64_t{lba} + blocks > disc_.Capacity()) return sense::LbaOutOfRange;
    for (const Track& t : disc_.Tracks())
        if (lba < t.ReportedEnd() && uint64_t{lba} + blocks > t.End() && t.InRunOut(std::max(lba, t.End())))
            return sense::IllegalModeForTrack;
    if (!disc_.RandomWritable() && !disc_.IsRecorded(lba, blocks)) return sense::LbaOutOfRange;
    return std::nullopt;
}

// The recorded user data of `blocks` blocks into the host's buffer.
CommandResult VirtualRecorder::SendBlocks(Request& rq, uint32_t lba, uint32_t blocks) {
    CommandResult r;
    if (rq.direction != DataDirection::In) {
        r.delivery = Delivery::PhaseError;
        return r;
    }
    size_t bytes = size_t{blocks} * kBlockSize;
    r.transferred = std::min(bytes, rq.data.size());
    if (!store_.Read(lba, rq.data.first(r.transferred))) return Check(sense::UnrecoveredReadError);
    if (r.transferred < bytes) r.delivery = Delivery::DataOverrun;
    return r;
}

CommandResult VirtualRecorder::Read10(Request& rq) {
    uint32_t lba = GetBE32(rq.cdb, 2);
    uint16_t blocks = GetBE16(rq.cdb, 7);
    if (rq.cdb[1] & 0x01) return Check(sense::InvalidFieldInCdb);
    if (disc_.Unformatted()) return Check(sense::MediumNotFormatted);
    if (blocks == 0) return {};
    if (auto refused = CheckRead(lba, blocks)) return Check(*refused);
    return SendBlocks(rq, lba, blocks);
}

}  // namespace vrec
