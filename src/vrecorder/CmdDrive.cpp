// START STOP UNIT, PREVENT ALLOW MEDIUM REMOVAL, SET CD SPEED, SET
// STREAMING, SEND DVD STRUCTURE: tray, lock, speed and DVD-R settings.
#include "vrecorder/Bytes.h"
#include "vrecorder/VirtualRecorder.h"

#include <algorithm>

namespace vrec {

CommandResult VirtualRecorder::StartStopUnit(Request& rq) {
    uint8_t control = rq.cdb[4];
    if (control & 0xF0) return {};  // a power condition; start and eject are ignored
    bool start = control & 0x01, loadEject = control & 0x02;
    if (!loadEject) return {};
    if (start) {
        LoadMedium();
        return {};
    }
    if (removalPrevented_) return Check(sense::MediumRemovalPrevented);
    if (mediumPresent_) RemoveMedium();
    return {};
}

CommandResult VirtualRecorder::PreventAllowRemoval(Request& rq) {
    removalPrevented_ = rq.cdb[4] & 0x01;
    return {};
}

namespace {
// A drive runs at the speed asked or the nearest it has below it; FFFFh
// asks for the fastest, and nothing is slower than 1x.
template <typename T>
T Selected(T asked, T maximum) {
    constexpr T kSlowest = 176;
    if (asked >= maximum) return maximum;
    return std::min(maximum, std::max(asked, kSlowest));
}
}  // namespace

CommandResult VirtualRecorder::SetCdSpeed(Request& rq) {
    if ((rq.cdb[1] & 0x03) > 1) return Check(sense::InvalidFieldInCdb);  // CLV or CAV only
    readSpeed_ = Selected(GetBE16(rq.cdb, 2), config_.maxReadSpeed);
    // FFFFh is the fastest, also past 65,535 kB/s.
    const uint16_t write = GetBE16(rq.cdb, 4);
    writeSpeed_ = write == 0xFFFF ? config_.maxWriteSpeed : Selected<uint32_t>(write, config_.maxWriteSpeed);
    return {};
}

CommandResult VirtualRecorder::SetStreaming(Request& rq) {
    constexpr uint16_t kDescriptorLength = 28;
    uint16_t length = GetBE16(rq.cdb, 9);
    if (rq.cdb[8] != 0) return Check(sense::InvalidFieldInCdb);  // performance descriptors only
    if (length == 0) return {};
    if (length < kDescriptorLength) return Check(sense::ParameterListLength);
    if (auto refused = TakeOut(rq, length)) return *refused;
    auto d = rq.data.first(kDescriptorLength);
    bool restoreDefaults = d[0] & 0x04;
    bool bad = GetBE32(d, 8) < GetBE32(d, 4) || GetBE32(d, 16) == 0 || GetBE32(d, 24) == 0;
    if (bad && !restoreDefaults) return Check(sense::InvalidFieldInParameterList);
    // Write size (kB) per write time (ms): the speed, in the 32 bits BD needs.
    const uint64_t kBps = restoreDefaults ? config_.maxWriteSpeed : uint64_t{GetBE32(d, 20)} * 1000 / GetBE32(d, 24);
    writeSpeed_ = Selected<uint32_t>(static_cast<uint32_t>(std::min<uint64_t>(kBps, UINT32_MAX)), config_.maxWriteSpeed);
    if (!restoreDefaults) streamEnd_ = GetBE32(d, 8);
    CommandResult r;
    r.transferred = length;
    return r;
}

// Format 0Fh, the DVD-R time stamp: 14 ASCII digits at bytes 8-21.
CommandResult VirtualRecorder::SendDvdStructure(Request& rq) {
    constexpr uint16_t kTimeStampLength = 22;
    uint8_t format = rq.cdb[7];
    uint16_t length = GetBE16(rq.cdb, 8);
    const MediumKind disc = DiscOf(disc_.Kind());
    bool dvdMinus = disc == MediumKind::DvdR || disc == MediumKind::DvdRw || disc == MediumKind::DvdRDl;
    if (format != 0x0F || !dvdMinus) return Check(sense::InvalidFieldInCdb);
    if (!CanWriteMedium()) return Check(sense::IncompatibleMediumForWrite);
    if (length < kTimeStampLength) return Check(sense::ParameterListLength);
    if (auto refused = TakeOut(rq, length)) return *refused;
    auto list = rq.data.first(length);
    if (GetBE16(list, 0) != length - 2) return Check(sense::ParameterListLength);
    for (size_t i = 8; i < kTimeStampLength; ++i)
        if (list[i] < '0' || list[i] > '9') return Check(sense::InvalidFieldInParameterList);
    CommandResult r;
    r.transferred = length;
    return r;
}

}  // namespace vrec
