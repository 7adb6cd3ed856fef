#pragma once
// The drive unit's shared state: what one selection or burn leaves for
// every device object of the process. Device objects reach it through
// DriveUnit(); nothing else of the drive unit is process-wide.
#include <atomic>
#include <cstdint>

namespace kq {

struct DriveUnitState {
    // Model quirks of the last selected drive.
    std::atomic<bool> SlowReadyQuirk{false};
    std::atomic<bool> CloseImmediate{true};
    // Seen by the next capabilities read, whichever device object does it.
    std::atomic<bool> ForceUnderrunProtection{false};
    // Media type code the write thread stored last.
    std::atomic<uint16_t> MediaType{0};
};

DriveUnitState& DriveUnit();

}  // namespace kq
