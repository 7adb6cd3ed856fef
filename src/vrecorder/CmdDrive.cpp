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
uint16_t Selected(uint16_t asked, uint16_t maximum) {
    constexpr uint16_t kSlowest = 176;
    if (asked >= maximum) return maximum;
    return std::min(maximum, std::max(asked, kSlowest));
}
}  // namespace

CommandResult VirtualRecorder::SetCdSpeed(Request& rq) {
    if ((rq.cdb[1] & 0x03) > 1) return Check(sense::InvalidFieldInCdb);  // CLV or CAV only
    readSpeed_ = Selected(GetBE16(rq.cdb, 2), config_.maxReadSpeed);
    writeSpeed_ = Selected(GetBE16(rq.cdb, 4), config_.maxWriteSpeed);
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
    CommandResult r;
    r.transferred = length;
    return r;
}

// Format 0Fh, the DVD-R time stamp: 14 ASCII digits at bytes 8-21.
CommandResult VirtualRecorder::SendDvdStructure(Request& rq) {
    constexpr uint16_t kTimeStampLength = 22;
    uint8_t format = rq.cdb[7];
    uint16_t length = GetBE16(rq.cdb, 8);
    bool dvdMinus = disc_.Kind() == MediumKind::DvdR || disc_.Kind() == MediumKind::DvdRw;
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
