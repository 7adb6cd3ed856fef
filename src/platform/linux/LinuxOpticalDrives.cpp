#include "platform/linux/LinuxOpticalDrives.h"

#include "platform/FileHandle.h"
#include "platform/linux/SgIo.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <filesystem>
#include <scsi/scsi.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

namespace {

class LinuxOpticalDrive : public OpticalDrive {
public:
    explicit LinuxOpticalDrive(int fd) : fd_(fd) {}

    std::optional<ScsiAddress> Address() override {
        struct {
            uint32_t idLun;
            uint32_t hostUniqueId;
        } idlun{};
        int host = 0;
        if (ioctl(fd_.Get(), SCSI_IOCTL_GET_IDLUN, &idlun) < 0) return std::nullopt;
        if (ioctl(fd_.Get(), SCSI_IOCTL_GET_BUS_NUMBER, &host) < 0) return std::nullopt;
        ScsiAddress a;
        a.host = static_cast<uint32_t>(host);
        a.target = static_cast<uint8_t>(idlun.idLun);
        a.lun = static_cast<uint8_t>(idlun.idLun >> 8);
        a.channel = static_cast<uint8_t>(idlun.idLun >> 16);
        return a;
    }

    PassThroughOutcome PassThrough(const PassThroughRequest& request) override {
        sg_io_hdr_t header = BuildSgIoHeader(request);
        int result;
        do {
            result = ioctl(fd_.Get(), SG_IO, &header);
        } while (result < 0 && errno == EINTR);
        return DecodeSgIo(header, result, result < 0 ? errno : 0);
    }

private:
    FileHandle fd_;
};

// The N of "srN", or -1 for any other name.
int DriveNumber(const std::string& name) {
    if (name.size() < 3 || name.compare(0, 2, "sr") != 0) return -1;
    int number = -1;
    auto [end, ec] = std::from_chars(name.data() + 2, name.data() + name.size(), number);
    return ec == std::errc() && end == name.data() + name.size() ? number : -1;
}

}  // namespace

std::vector<std::string> LinuxOpticalDrives::Enumerate() {
    std::vector<std::pair<int, std::string>> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(devDir_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (int n = DriveNumber(name); n >= 0) found.emplace_back(n, it->path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> nodes;
    for (auto& f : found) nodes.push_back(std::move(f.second));
    return nodes;
}

// Without O_NONBLOCK an open for writing fails on write-once media, and an
// open without a disc would wait for one.
std::unique_ptr<OpticalDrive> LinuxOpticalDrives::Open(const std::string& node, std::error_code& why) {
    int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = std::error_code(errno, std::generic_category());
        return nullptr;
    }
    why.clear();
    return std::make_unique<LinuxOpticalDrive>(fd);
}

std::unique_ptr<OpticalDrive> LinuxOpticalDrives::OpenExclusive(const std::string& node, std::error_code& why) {
    const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_EXCL | O_CLOEXEC);
    if (fd < 0) {
        why = std::error_code(errno, std::generic_category());
        return nullptr;
    }
    why.clear();
    return std::make_unique<LinuxOpticalDrive>(fd);
}

OpticalDrives& MachineOpticalDrives() {
    static LinuxOpticalDrives drives;
    return drives;
}

}  // namespace platform
