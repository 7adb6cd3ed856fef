#include "burner/DriveSectors.h"

#include "drive/MediaTypes.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>

namespace kq::iso {

namespace {
constexpr size_t kRun = 32;  // sectors a read: 64 KiB, what every transport carries
}

SectorSource DriveSectors(TSCSIDevice& drive) {
    return [&drive](uint32_t first, std::span<uint8_t> out) {
        const size_t sectors = out.size() / kSectorSize;
        for (size_t done = 0; done < sectors;) {
            const size_t n = std::min(kRun, sectors - done);
            auto commands = drive.LockCommands();
            if (!drive.Read10(first + static_cast<uint32_t>(done), static_cast<uint16_t>(n),
                              out.subspan(done * kSectorSize, n * kSectorSize)))
                return false;
            done += n;
        }
        return true;
    };
}

}  // namespace kq::iso
