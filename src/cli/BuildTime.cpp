#include "cli/BuildTime.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

namespace kq::cli {

namespace {

constexpr const char* kVariable = "SOURCE_DATE_EPOCH";

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string Refusal(std::string_view value, const std::string& why) {
    return std::string(kVariable) + "=\"" + std::string(value) + "\" " + why;
}

}  // namespace

std::string TakeSourceDateEpoch(const char* value, CliOptions& options) {
    options.sourceDateEpoch.reset();
    const std::string_view text = value ? value : "";
    if (text.empty()) return {};
    if (text[0] == '-' && AllDigits(text.substr(1))) return Refusal(text, "is before 1970");
    if (!AllDigits(text)) return Refusal(text, "is not a whole number of seconds since 1970");
    // Past 12 digits the value is beyond the limit, and stoll could overflow.
    const std::string_view digits = text.substr(std::min(text.find_first_not_of('0'), text.size()));
    if (digits.size() > 12 || (digits.size() > 0 && std::stoll(std::string(digits)) > kLastVolumeSecond))
        return Refusal(text, "is past the year 9999, the last a volume's date holds");
    options.sourceDateEpoch = digits.empty() ? 0 : std::stoll(std::string(digits));
    return {};
}

std::string ReadSourceDateEpoch(CliOptions& options) { return TakeSourceDateEpoch(std::getenv(kVariable), options); }

}  // namespace kq::cli
