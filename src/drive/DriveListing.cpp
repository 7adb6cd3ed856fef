#include "drive/DriveListing.h"

#include "transport/PassThrough.h"

namespace kq {

DriveListing ListDrives(const TSCSIDevice& device) {
    DriveListing listing;
    listing.devices = device.Devices();
    listing.unopenable = SPTIInitialized() ? SPTIUnopenableDrives()
                                           : platform::FindUnopenableDrives(platform::CurrentOpticalDrives());
    return listing;
}

std::vector<std::string> DriveListingLines(const DriveListing& listing) {
    std::vector<std::string> lines = listing.devices;
    for (const auto& drive : listing.unopenable) lines.push_back(platform::UnopenableText(drive));
    return lines;
}

}  // namespace kq
