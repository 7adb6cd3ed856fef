// What kind of disc is loaded: the current profile first, then the ATIP,
// the disc information and finally the bare readiness of the drive.
#include "drive/ReplyLength.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>

namespace kq {

uint16_t TSCSIDevice::GetMediaType() {
    constexpr uint8_t kFeatureLength = 114;
    auto lock = LockCommands();
    uint16_t code = media::None;
    configuration_.fill(0);
    if (GetConfiguration(2, 0, kFeatureLength, configuration_)) {
        const ReplyView r(configuration_, Length32Reply(configuration_, kFeatureLength));
        code = MediaOfProfile(r.BE16(6).value_or(0));
    }
    if (code == media::None) {
        atip_.fill(0);
        if (ReadTocPmaAtip(4, atip_, true, 0, 0, static_cast<int>(atip_.size()))) {
            if (const auto b6 = ReplyView(atip_, Length16Reply(atip_, atip_.size())).Byte(6))
                code = !(*b6 & 0x80) ? media::CdRom : (*b6 & 0x40) ? media::CdRw : media::CdR;
        }
    }
    if (RefreshDiscInformation() && code == media::None)
        code = DiscInformationStatus().Erasable() ? media::CdRw : media::CdR;
    if (code == media::None && TestUnitReady(5000)) code = media::CdRom;
    return code;
}

}  // namespace kq
