#include "cli/SpeedMultiple.h"

#include "drive/DriveTypes.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kq::cli {

namespace {
// BD writers reach 16x; their speeds go to the drive in 32 bits.
constexpr int kHighestBdMultiple = 16;

double OneX(MediaFamily family) { return KBpsPerTenX(family) / 10.0; }
}  // namespace

int HighestMultiple(MediaFamily family) { return static_cast<int>(65535.0 / OneX(family)); }

uint16_t MultipleToKBps(double multiple, MediaFamily family) {
    double kBps = std::round(multiple * OneX(family));
    return static_cast<uint16_t>(std::clamp(kBps, 0.0, 65535.0));
}

uint32_t MultipleToKBpsOn(double multiple, int mediaType) {
    const MediaFamily family = TraitsOf(mediaType).family;
    if (family != MediaFamily::Bd) return MultipleToKBps(multiple, family);
    return static_cast<uint32_t>(std::lround(multiple * KBpsPerTenX(family) / 10.0));
}

std::optional<uint32_t> ChosenSpeed(std::optional<uint16_t> kBps, std::optional<double> multiple, int mediaType) {
    if (multiple) return MultipleToKBpsOn(*multiple, mediaType);
    return kBps;
}

std::string MultipleText(double multiple) {
    char text[32];
    auto [end, ec] = std::to_chars(text, text + sizeof text, multiple);
    return ec == std::errc() ? std::string(text, end) : std::string("0");
}

// Parsed by hand: from_chars would also take "1e2" and "inf".
std::optional<double> ParseMultiple(const std::string& text) {
    if (text.size() < 2 || (text.back() != 'x' && text.back() != 'X')) return std::nullopt;
    const std::string number = text.substr(0, text.size() - 1);
    const size_t point = number.find('.');
    const std::string whole = number.substr(0, point);
    const std::string fraction = point == std::string::npos ? std::string() : number.substr(point + 1);
    auto digits = [](const std::string& s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (whole.empty() || whole.size() > 4 || !digits(whole) || !digits(fraction) || fraction.size() > 2 ||
        (point != std::string::npos && fraction.empty()))
        return std::nullopt;
    double value = 0;
    std::from_chars(number.data(), number.data() + number.size(), value);
    return value;
}

std::string MultipleRangeRefusal(const std::string& option, std::optional<double> multiple, int mediaType) {
    const MediaFamily family = TraitsOf(mediaType).family;
    const int highest = family == MediaFamily::Bd ? kHighestBdMultiple : HighestMultiple(family);
    if (!multiple || *multiple <= highest) return {};
    return option + " " + MultipleText(*multiple) + "x is beyond what " + FamilyName(family) + " media allow: from 0x to " +
           std::to_string(highest) + "x";
}

}  // namespace kq::cli
