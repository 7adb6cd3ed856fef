#include "cli/SpeedMultiple.h"

#include "drive/DriveTypes.h"

#include <algorithm>
#include <cmath>

namespace kq::cli {

namespace {
constexpr double kCdKBps = 176.4;
constexpr double kDvdKBps = 1385.0;
}  // namespace

bool IsDvdMedium(int mediaType) { return mediaType >= media::DvdRom && mediaType <= media::DvdPlusR; }

uint16_t MultipleToKBps(uint16_t multiple, bool dvd) {
    double kBps = std::round(multiple * (dvd ? kDvdKBps : kCdKBps));
    return static_cast<uint16_t>(std::min(kBps, 65535.0));
}

std::optional<uint16_t> ChosenSpeed(std::optional<uint16_t> kBps, std::optional<uint16_t> multiple, int mediaType) {
    if (multiple) return MultipleToKBps(*multiple, IsDvdMedium(mediaType));
    return kBps;
}

}  // namespace kq::cli
