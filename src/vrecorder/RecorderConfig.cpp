#include "vrecorder/RecorderConfig.h"

#include <algorithm>

namespace vrec {

namespace {
bool Lists(const std::vector<MediumKind>& media, MediumKind kind) {
    return std::any_of(media.begin(), media.end(), [&](MediumKind m) { return DiscOf(m) == DiscOf(kind); });
}
}  // namespace

bool RecorderConfig::Reads(MediumKind kind) const { return Lists(reads, kind) || Writes(kind); }

bool RecorderConfig::Writes(MediumKind kind) const { return Lists(writes, kind); }

uint32_t RecorderConfig::CapacityOrDefault() const {
    if (capacity) return capacity;
    const MediumInfo& info = InfoOf(medium);
    return info.bd ? info.defaultCapacity * layers : info.defaultCapacity;
}

RecorderConfig DefaultRecorderConfig() {
    RecorderConfig c;
    c.capacity = 359849;
    c.backing = "./virtual-disc.img";
    return c;
}

}  // namespace vrec
