#pragma once
// The optical drives of a Linux machine: /dev/sr0, /dev/sr1, ... in number
// order stand for the letters C, D, ...
#include "platform/OpticalDrive.h"

#include <string>

namespace platform {

class LinuxOpticalDrives : public OpticalDrives {
public:
    // `devDir` is where the nodes are looked for (tests use a folder of their own).
    explicit LinuxOpticalDrives(std::string devDir = "/dev") : devDir_(std::move(devDir)) {}
    std::vector<std::string> Enumerate() override;
    std::unique_ptr<OpticalDrive> Open(const std::string& node, std::error_code& why) override;
    std::unique_ptr<OpticalDrive> OpenExclusive(const std::string& node, std::error_code& why) override;

private:
    std::string devDir_;
};

}  // namespace platform
