#include "burner/IsoFields.h"

#include "drive/ByteOrder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace kq::iso {

namespace {

struct Civil {
    int year;
    unsigned month, day, hour, minute, second;
};

Civil CivilOf(int64_t seconds) {
    using namespace std::chrono;
    const sys_seconds at{std::chrono::seconds{seconds}};
    const sys_days day = floor<days>(at);
    const year_month_day ymd{day};
    const hh_mm_ss hms{at - day};
    return {int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day()), unsigned(hms.hours().count()),
            unsigned(hms.minutes().count()), unsigned(hms.seconds().count())};
}

// 1900-01-01 to 2155-12-31 23:59:59: what a year byte since 1900 holds.
constexpr int64_t kFirst = -2208988800LL;
constexpr int64_t kLast = 5869583999LL;

}  // namespace

void PutBoth16(std::span<uint8_t> at, uint16_t v) {
    PutLE16(at, v);
    PutBE16(at.subspan(2), v);
}

void PutBoth32(std::span<uint8_t> at, uint32_t v) {
    PutLE32(at, v);
    PutBE32(at.subspan(4), v);
}

std::optional<uint32_t> GetBoth32(std::span<const uint8_t> at) {
    if (at.size() < 8) return std::nullopt;
    const uint32_t little = at[0] | at[1] << 8 | at[2] << 16 | uint32_t{at[3]} << 24;
    if (little != GetBE32(at.subspan(4))) return std::nullopt;
    return little;
}

std::array<uint8_t, 7> RecordDate(int64_t secondsSince1970) {
    const Civil c = CivilOf(std::clamp(secondsSince1970, kFirst, kLast));
    return {static_cast<uint8_t>(c.year - 1900), static_cast<uint8_t>(c.month), static_cast<uint8_t>(c.day),
            static_cast<uint8_t>(c.hour), static_cast<uint8_t>(c.minute), static_cast<uint8_t>(c.second), 0};
}

std::array<uint8_t, 17> VolumeDate(std::optional<int64_t> secondsSince1970) {
    std::array<uint8_t, 17> out{};
    char digits[17] = "0000000000000000";
    if (secondsSince1970) {
        const Civil c = CivilOf(std::clamp<int64_t>(*secondsSince1970, 0, 253402300799LL));
        std::snprintf(digits, sizeof digits, "%04d%02u%02u%02u%02u%02u00", c.year, c.month, c.day, c.hour, c.minute,
                      c.second);
    }
    std::copy(digits, digits + 16, out.begin());
    return out;
}

}  // namespace kq::iso
