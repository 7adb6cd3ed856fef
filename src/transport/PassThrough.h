#pragma once
// The pass-through layer: the two ASPI entry points answered by ourselves,
// on top of the system's SCSI pass-through to the optical drives. Each
// drive letter has one table entry; each execute request becomes one
// synchronous call on the drive (platform/OpticalDrive.h).
#include "platform/OpticalDrive.h"
#include "transport/ReleaseHandle.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kq {

// SPTIDriveLetter's answer when no drive has the address.
inline constexpr uint8_t kNoSPTIDriveLetter = 127;
// Target of a letter that is no optical drive: it never matches an address.
inline constexpr uint8_t kNotAnOpticalDrive = 120;
// Lun of a probed drive whose address the system could not tell.
inline constexpr uint8_t kAddressUnknown = 250;
// Every pass-through call gets this long, whatever the sender waits.
inline constexpr uint32_t kPassThroughTimeoutSeconds = 120;
// HA_ManagerId of the layer: 16 characters, no terminator.
inline constexpr char kSPTIManagerId[] = "CDBURNER SPTI   ";
static_assert(sizeof kSPTIManagerId == 17);

struct TSPTIDrive {
    uint8_t HaId = 0;
    uint8_t Target = 0;
    uint8_t Lun = 0;
    uint8_t DriveIndex = 0;  // 0 = A
    bool Present = false;
    std::unique_ptr<platform::OpticalDrive> Handle;  // null while closed
    std::array<uint8_t, 40> InquiryData{};
    std::string Node;  // the device node that stands for the letter
    bool Claimed = false;  // Handle is the burn's exclusive one: kept open
    // Two device objects may address one drive from two threads; one must
    // not close the handle under the other's command.
    std::mutex CommandLock;
};

using SPTIDriveTable = std::array<TSPTIDrive, 26>;  // index 0 = A

// Builds the table once; the number of optical drives found. 0 without
// doing anything when the table is already built.
uint8_t SPTIInit();
// Closes every handle and clears the table; false when not initialised.
bool SPTIDone();
bool SPTIInitialized();
uint8_t SPTIAdapterCount();
// Read-only view for inspection; written by SPTIInit and SPTIDone only.
const SPTIDriveTable& SPTIDrives();
// Drive nodes the last scan found but could not open, with the reason.
std::vector<platform::UnopenableDrive> SPTIUnopenableDrives();

// The layer's two entry points.
uint32_t SPTIGetSupportInfo();
uint32_t SPTISendCommand(void* srb);

// Upper-case letter of the first entry from C with this address, present or
// not; kNoSPTIDriveLetter when none has it.
uint8_t SPTIDriveLetter(uint8_t HaId, uint8_t Target, uint8_t Lun);
// Index of the first present entry from C with this address; 0 when none.
uint8_t SPTIFindDrive(uint8_t HaId, uint8_t Target, uint8_t Lun);
// Opens the entry's drive read-write, else read-only; null when neither works.
std::unique_ptr<platform::OpticalDrive> SPTIOpenDrive(uint8_t DriveIndex);

// One burn per drive: the drive at this address is opened exclusively and
// that handle serves every command until released. A drive another
// program holds is asked again for a few seconds (through platform
// Timing). False with the system's reason when another program still
// holds it (or its disc is mounted), the user may not open it, or it is
// gone; true, claiming nothing, for an address the layer does not know.
[[nodiscard]] bool SPTIClaimDrive(uint8_t HaId, uint8_t Target, uint8_t Lun, std::error_code& why);
void SPTIReleaseDrive(uint8_t HaId, uint8_t Target, uint8_t Lun);

}  // namespace kq
