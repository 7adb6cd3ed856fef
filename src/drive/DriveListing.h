#pragma once
// What the tools show as the machine's drives: the entries of Devices, and
// the drive nodes that exist but cannot be opened, with the reason and
// what to do about it.
#include "drive/TSCSIDevice.h"
#include "platform/OpticalDrive.h"

#include <string>
#include <vector>

namespace kq {

struct DriveListing {
    std::vector<std::string> devices;                    // entries of Devices
    std::vector<platform::UnopenableDrive> unopenable;
};

// Reads the device's last sweep; the unopenable nodes come from the
// pass-through scan when it ran, else each node is tried once now.
DriveListing ListDrives(const TSCSIDevice& device);
// One line per drive: the entries, then "/dev/sr0 is there but cannot be
// opened: ..." lines.
std::vector<std::string> DriveListingLines(const DriveListing& listing);

}  // namespace kq
