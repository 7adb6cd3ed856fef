// One burn per drive: the pass-through layer's exclusive claim of a drive.
#include "transport/PassThrough.h"
#include "transport/SPTITable.h"

namespace kq {

bool SPTIClaimDrive(uint8_t HaId, uint8_t Target, uint8_t Lun, std::error_code& why) {
    why.clear();
    const uint8_t index = SPTIFindDrive(HaId, Target, Lun);
    if (index == 0) return true;
    TSPTIDrive& drive = spti::Table()[index];
    std::unique_ptr<platform::OpticalDrive> exclusive = platform::CurrentOpticalDrives().OpenExclusive(drive.Node, why);
    if (!exclusive) return false;
    std::lock_guard guard(drive.CommandLock);
    drive.Handle = std::move(exclusive);  // the shared handle of the scan goes
    drive.Claimed = true;
    return true;
}

void SPTIReleaseDrive(uint8_t HaId, uint8_t Target, uint8_t Lun) {
    const uint8_t index = SPTIFindDrive(HaId, Target, Lun);
    if (index == 0) return;
    TSPTIDrive& drive = spti::Table()[index];
    std::lock_guard guard(drive.CommandLock);
    if (!drive.Claimed) return;
    drive.Claimed = false;
    drive.Handle.reset();  // reopened shared by the next command
}

}  // namespace kq
