#include "drive/WritableMedia.h"

#include <array>

namespace kq {

namespace {

using C = TDeviceCapability;

struct WritableMedium {
    uint16_t mediaType;
    C ability;
};

// Both DVD-RW recording modes take the same ability; the first row names them.
constexpr std::array<WritableMedium, 12> kWritable{{
    {media::CdR, C::CanWriteCDR},
    {media::CdRw, C::CanWriteCDRW},
    {media::DvdR, C::CanWriteDVDR},
    {media::DvdRwSequential, C::CanWriteDVDRW},
    {media::DvdRwRestricted, C::CanWriteDVDRW},
    {media::DvdRam, C::CanWriteDVDRAM},
    {media::DvdPlusR, C::CanWriteDVDPlusR},
    {media::DvdPlusRw, C::CanWriteDVDPlusRW},
    {media::DvdPlusRDl, C::CanWriteDVDPlusRDL},
    {media::DvdRDl, C::CanWriteDVDRDL},
    {media::BdR, C::CanWriteBDR},
    {media::BdRe, C::CanWriteBDRE},
}};

}  // namespace

bool RecorderWrites(TDeviceCapabilities capabilities, int mediaType) {
    if (TraitsOf(mediaType).refusal || RecordingOf(mediaType) == MediaRecording::Other) return false;
    for (const WritableMedium& medium : kWritable)
        if (medium.mediaType == mediaType) return capabilities.Contains(medium.ability);
    return false;
}

std::vector<uint16_t> MediaWrittenBy(TDeviceCapabilities capabilities) {
    std::vector<uint16_t> written;
    for (const WritableMedium& medium : kWritable) {
        if (medium.mediaType == media::DvdRwRestricted) continue;
        if (capabilities.Contains(medium.ability)) written.push_back(medium.mediaType);
    }
    return written;
}

}  // namespace kq
