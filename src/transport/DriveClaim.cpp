// One burn per drive: the pass-through layer's exclusive claim of a drive.
#include "transport/PassThrough.h"
#include "transport/kqASPI.h"
#include "transport/SPTITable.h"

#include "platform/Timing.h"

namespace kq {

namespace {

// A drive held for a moment (a desktop probing a new disc, a mount helper
// looking at it) is free again within seconds: asked again meanwhile.
constexpr uint64_t kBusyClaimMs = 3000;
constexpr uint32_t kBusyClaimStepMs = 250;

bool Busy(const std::error_code& why) { return why == std::errc::device_or_resource_busy; }

}  // namespace

ClaimRefusal ClaimRefusalOf(const std::error_code& why) {
    if (Busy(why)) return ClaimRefusal::InUse;
    if (why == std::errc::permission_denied || why == std::errc::operation_not_permitted)
        return ClaimRefusal::NoPermission;
    if (why == std::errc::no_such_device || why == std::errc::no_such_device_or_address ||
        why == std::errc::no_such_file_or_directory)
        return ClaimRefusal::Gone;
    return ClaimRefusal::Other;
}

bool SPTIClaimDrive(uint8_t HaId, uint8_t Target, uint8_t Lun, std::error_code& why) {
    why.clear();
    const uint8_t index = SPTIFindDrive(HaId, Target, Lun);
    if (index == 0) return true;
    TSPTIDrive& drive = spti::Table()[index];
    std::unique_ptr<platform::OpticalDrive> exclusive;
    for (const uint64_t start = platform::NowMs();; platform::SleepMs(kBusyClaimStepMs)) {
        exclusive = platform::CurrentOpticalDrives().OpenExclusive(drive.Node, why);
        if (exclusive || !Busy(why) || platform::NowMs() - start >= kBusyClaimMs) break;
    }
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
