#include "vrecorder/RecorderConfig.h"

#include <algorithm>

namespace vrec {

bool RecorderConfig::Reads(MediumKind kind) const {
    return std::find(reads.begin(), reads.end(), kind) != reads.end() || Writes(kind);
}

bool RecorderConfig::Writes(MediumKind kind) const {
    return std::find(writes.begin(), writes.end(), kind) != writes.end();
}

uint32_t RecorderConfig::CapacityOrDefault() const {
    return capacity ? capacity : InfoOf(medium).defaultCapacity;
}

RecorderConfig DefaultRecorderConfig() {
    RecorderConfig c;
    c.capacity = 359849;
    c.backing = "./virtual-disc.img";
    return c;
}

}  // namespace vrec
