#include "vrecorder/Sense.h"

namespace vrec {

std::array<uint8_t, kFixedSenseLength> FixedSense(Sense code) {
    std::array<uint8_t, kFixedSenseLength> s{};
    s[0] = 0x70;
    s[2] = code.key & 0x0F;
    s[7] = kFixedSenseLength - 8;
    s[12] = code.asc;
    s[13] = code.ascq;
    return s;
}

CommandResult Check(Sense code) {
    CommandResult r;
    r.status = kTargetStatusCheckCondition;
    r.sense = FixedSense(code);
    return r;
}

CommandResult Busy() {
    CommandResult r;
    r.status = kTargetStatusBusy;
    return r;
}

CommandResult ReservationConflict() {
    CommandResult r;
    r.status = kTargetStatusReservationConflict;
    return r;
}

}  // namespace vrec
