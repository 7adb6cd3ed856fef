#include "cli/SpeedMultiple.h"

#include "drive/DriveTypes.h"

#include <algorithm>
#include <cmath>

namespace kq::cli {

namespace {
constexpr double kCdKBps = 176.4;
constexpr double kDvdKBps = 1385.0;
}  // namespace

bool IsDvdMedium(int mediaType) { return TraitsOf(mediaType).family == MediaFamily::Dvd; }

uint16_t MultipleToKBps(uint16_t multiple, bool dvd) {
    double kBps = std::round(multiple * (dvd ? kDvdKBps : kCdKBps));
    return static_cast<uint16_t>(std::min(kBps, 65535.0));
}

uint32_t MultipleToKBpsOn(uint16_t multiple, int mediaType) {
    if (TraitsOf(mediaType).family != MediaFamily::Bd) return MultipleToKBps(multiple, IsDvdMedium(mediaType));
    return static_cast<uint32_t>(std::lround(multiple * TraitsOf(mediaType).kBpsPerTenX / 10.0));
}

std::optional<uint32_t> ChosenSpeed(std::optional<uint16_t> kBps, std::optional<uint16_t> multiple, int mediaType) {
    if (multiple) return MultipleToKBpsOn(*multiple, mediaType);
    return kBps;
}

}  // namespace kq::cli
