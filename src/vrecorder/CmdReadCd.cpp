// READ CD (BEh): the user data of CD sectors, for the reader that asks
// for a sector READ (10) does not return.
#include "vrecorder/Bytes.h"
#include "vrecorder/VirtualRecorder.h"

namespace vrec {

namespace {

constexpr uint8_t kAnySector = 0, kMode1 = 2;
constexpr uint8_t kUserData = 0x10;  // byte 9: the 2048 user bytes alone

}  // namespace

// Only user data is kept on this disc: sync, headers, EDC/ECC, C2 errors
// and sub-channel cannot be given back, so asking for them is refused
// rather than answered with made-up bytes.
CommandResult VirtualRecorder::ReadCd(Request& rq) {
    const uint8_t expected = (rq.cdb[1] >> 2) & 0x07;
    const uint32_t lba = GetBE32(rq.cdb, 2);
    const uint32_t blocks = GetBE24(rq.cdb, 6);
    if (!disc_.Info().cd) return Check(sense::IncompatibleFormat);
    if (expected > 5) return Check(sense::InvalidFieldInCdb);
    if (expected != kAnySector && expected != kMode1) return Check(sense::IllegalModeForTrack);
    if ((rq.cdb[9] != 0 && rq.cdb[9] != kUserData) || (rq.cdb[10] & 0x07)) return Check(sense::InvalidFieldInCdb);
    if (blocks == 0 || rq.cdb[9] == 0) return {};
    if (auto refused = CheckRead(lba, blocks)) return Check(*refused);
    return SendBlocks(rq, lba, blocks);
}

}  // namespace vrec
