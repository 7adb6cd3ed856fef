// READ FORMAT CAPACITIES and FORMAT UNIT: a BD-RE comes unformatted and
// takes data only once formatted; formatting erases what it held.
#include "vrecorder/Bytes.h"
#include "vrecorder/VirtualRecorder.h"

#include "platform/Timing.h"

namespace vrec {

namespace {

enum DescriptorType : uint8_t { kUnformatted = 1, kFormatted = 2, kNoMedium = 3 };
// BD-RE format types: full format, with spare areas, without.
constexpr uint8_t kFormatTypes[] = {0x00, 0x30, 0x31};
constexpr size_t kHeader = 4, kDescriptor = 8;

void PutDescriptor(Reply& r, size_t at, uint32_t blocks, uint8_t byte4, uint32_t parameter) {
    r.BE32(at, blocks);
    r[at + 4] = byte4;
    r.BE24(at + 5, parameter);
}

}  // namespace

// The current or maximum capacity, then what FORMAT UNIT can make of the
// disc (BD-RE only; the other media are not formatted here).
CommandResult VirtualRecorder::ReadFormatCapacities(Request& rq) {
    Reply r(kHeader + kDescriptor);
    if (!mediumPresent_) {
        PutDescriptor(r, kHeader, 0xFFFFFFFF, kNoMedium, kBlockSize);
    } else {
        const bool unformatted = disc_.Unformatted();
        PutDescriptor(r, kHeader, disc_.Capacity(), unformatted ? kUnformatted : kFormatted, kBlockSize);
        if (disc_.Info().formats)
            for (uint8_t type : kFormatTypes)
                PutDescriptor(r, r.Size(), disc_.Capacity(), static_cast<uint8_t>(type << 2), 0);
    }
    r[3] = static_cast<uint8_t>(r.Size() - kHeader);
    return SendIn(rq, r.Bytes(), GetBE16(rq.cdb, 7));
}

// Format code 001b with a parameter list (FmtData), or none at all for
// the drive's default full format. Immed in the list's header returns at
// once; the drive then reports the format's progress while it runs.
CommandResult VirtualRecorder::FormatUnit(Request& rq) {
    const bool fmtData = rq.cdb[1] & 0x10;
    if ((rq.cdb[1] & 0x07) != 1 && fmtData) return Check(sense::InvalidFieldInCdb);
    if (!CanWriteMedium() || !disc_.Info().formats) return Check(sense::IncompatibleMediumForWrite);
    bool immediate = false;
    CommandResult r;
    if (fmtData) {
        constexpr size_t kList = kHeader + kDescriptor;
        if (auto refused = TakeOut(rq, kList)) return *refused;
        auto list = rq.data.first(kList);
        if (GetBE16(list, 2) != kDescriptor) return Check(sense::ParameterListLength);
        const uint8_t type = list[kHeader + 4] >> 2;
        bool known = false;
        for (uint8_t t : kFormatTypes) known = known || t == type;
        if (!known || GetBE32(list, kHeader) > disc_.Capacity()) return Check(sense::InvalidFieldInParameterList);
        immediate = list[1] & 0x02;
        r.transferred = kList;
    }
    buffer_.Empty();
    buffer_.StopStreaming();
    disc_ = Disc::Formatted(disc_.Kind(), disc_.Capacity());
    store_.Truncate(0);  // a sparse file again: the whole disc reads as zeros
    SaveState();
    if (immediate) BeginLongOperation(config_.formatMs, sense::FormatInProgress);
    else if (config_.formatMs) platform::SleepMs(config_.formatMs);
    return r;
}

}  // namespace vrec
