// Drive models that need special treatment, decided at every selection
// from the INQUIRY identification. Comparisons are exact and
// case-sensitive: the fields are what the firmware reports.
#include "drive/DriveUnitState.h"
#include "drive/TSCSIDevice.h"

namespace kq {

namespace {

std::string_view TrimBlanks(std::string_view s) {
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

void TSCSIDevice::SetModelQuirks(std::string_view vendorId, std::string_view productId) {
    const std::string_view product = TrimBlanks(productId);
    const std::string_view vendor = TrimBlanks(vendorId);

    // Has underrun protection without saying so in page 2Ah.
    forceUnderrunProtection_ = product == "CD-W512EB";
    DriveUnit().ForceUnderrunProtection = forceUnderrunProtection_.load();
    // Refuses the write parameters page unless the link size is marked valid.
    linkSizeQuirk_ = product == "CRX175E" || product == "CD-RW  CRX800E";
    // Report ready before they can write: wait longer first.
    DriveUnit().SlowReadyQuirk = product.starts_with("UJDA") || vendor.starts_with("TDK");
    delayedReadyQuirk_ = productId == "DVD-RW  DVR-103 " || productId == "DVD-RW  DVR-104 ";
    // Cannot close a session in the background.
    DriveUnit().CloseImmediate = product != "CDRW321040X";
}

}  // namespace kq
