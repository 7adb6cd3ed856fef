#pragma once
// Speeds given as multiples: 1x is 176.4 kB/s on CD media, 1385 kB/s on
// DVD media and 4495 kB/s on BD media.
#include <cstdint>
#include <optional>

namespace kq::cli {

bool IsDvdMedium(int mediaType);

// The kB/s of `multiple` on the medium, at most 65535 on CD and DVD (the
// field's limit, which drives take as their maximum; BD speeds go past
// it); 0x stays 0, the drive's maximum.
uint16_t MultipleToKBps(uint16_t multiple, bool dvd);
uint32_t MultipleToKBpsOn(uint16_t multiple, int mediaType);

// The kB/s to ask for: the plain figure, or the multiple on this medium.
std::optional<uint32_t> ChosenSpeed(std::optional<uint16_t> kBps, std::optional<uint16_t> multiple, int mediaType);

}  // namespace kq::cli
