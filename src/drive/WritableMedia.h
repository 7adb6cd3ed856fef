#pragma once
// Which media a recorder writes, from its capabilities and the media
// table: what the burn records onto and the drive says it can write.
#include "drive/DriveTypes.h"

#include <cstdint>
#include <vector>

namespace kq {

// True when a drive of these capabilities writes the medium and the burn
// records onto it (a medium the table refuses is never written).
bool RecorderWrites(TDeviceCapabilities capabilities, int mediaType);

// The media a drive of these capabilities writes, CD first, then DVD and
// BD; the two DVD-RW recording modes count once.
std::vector<uint16_t> MediaWrittenBy(TDeviceCapabilities capabilities);

}  // namespace kq
