// What kind of disc is loaded: the current profile first, then the ATIP,
// the disc information and finally the bare readiness of the drive.
#include "drive/ReplyLength.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>

namespace kq {

namespace {

struct ProfileCode {
    uint16_t profile;
    uint16_t code;
};

constexpr ProfileCode kProfiles[] = {
    {0x0008, media::CdRom},           {0x0009, media::CdR},
    {0x000A, media::CdRw},            {0x0010, media::DvdRom},
    {0x0011, media::DvdR},            {0x0012, media::DvdRam},
    {0x0013, media::DvdRwRestricted}, {0x0014, media::DvdRwSequential},
    {0x001A, media::DvdPlusRw},       {0x001B, media::DvdPlusR},
    {0x0020, media::DdcdRom},         {0x0021, media::DdcdR},
    {0x0022, media::DdcdRw},
    {0x0015, media::DvdRDl},          {0x0016, media::DvdRDlJump},
    {0x002B, media::DvdPlusRDl},      {0x0041, media::BdR},
    {0x0042, media::BdRRandom},       {0x0043, media::BdRe},
};

uint16_t CodeOfProfile(uint16_t profile) {
    for (const auto& p : kProfiles)
        if (p.profile == profile) return p.code;
    return media::None;
}

}  // namespace

uint16_t TSCSIDevice::GetMediaType() {
    constexpr uint8_t kFeatureLength = 114;
    auto lock = LockCommands();
    uint16_t code = media::None;
    configuration_.fill(0);
    if (GetConfiguration(2, 0, kFeatureLength, configuration_)) {
        const ReplyView r(configuration_, Length32Reply(configuration_, kFeatureLength));
        code = CodeOfProfile(r.BE16(6).value_or(0));
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
