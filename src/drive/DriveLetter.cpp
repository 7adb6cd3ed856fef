// The drive letter of the selected address: from the pass-through table,
// from the SCSI address of each optical drive, or from the transport's
// disk information.
#include "drive/TSCSIDevice.h"
#include "platform/OpticalDrive.h"
#include "transport/PassThrough.h"

namespace kq {

namespace {
constexpr uint8_t kNoDiskInfo = 128;
constexpr uint8_t kFirstLetter = 1, kLastLetter = 25;  // B to Z
}  // namespace

char TSCSIDevice::GetDriveLetter() {
    if (ASPILayerName() == kPassThroughLayerName) {
        const uint8_t letter = SPTIDriveLetter(HaId, Target, Lun);
        // The layer's "no drive" must not show as a letter.
        return letter == kNoSPTIDriveLetter ? char{0} : static_cast<char>(letter);
    }
    platform::OpticalDrives& drives = platform::CurrentOpticalDrives();
    const std::vector<std::string> nodes = drives.Enumerate();
    for (size_t i = 0; i < nodes.size(); ++i) {
        const uint8_t letter = platform::DriveIndexOfNode(nodes[i], i);
        if (letter < kFirstLetter || letter > kLastLetter) continue;
        std::error_code why;
        auto drive = drives.Open(nodes[i], why);
        if (!drive) continue;
        // The channel and the LUN are not compared.
        auto address = drive->Address();
        if (address && address->host == HaId && address->target == Target) return static_cast<char>('A' + letter);
    }
    const uint8_t number = ASPIGetDiskInfo(HaId, Target, Lun);
    return number == kNoDiskInfo ? char{0} : static_cast<char>('A' + number);
}

uint8_t TSCSIDevice::ASPIGetDiskInfo(uint8_t Adapter, uint8_t TargetId, uint8_t Unit) {
    SRB_GetDiskInfo block{};
    block.SRB_Cmd = SC_GET_DISK_INFO;
    block.SRB_HaId = Adapter;
    block.SRB_Target = TargetId;
    block.SRB_Lun = Unit;
    SendASPI32Command(&block);
    return LoadSrbStatus(block.SRB_Status) == SS_COMP ? block.SRB_Int13HDriveInfo : kNoDiskInfo;
}

}  // namespace kq
