// UDF's field forms (UdfFields.h).
#include "burner/UdfFields.h"

#include "burner/IsoNames.h"

#include <algorithm>
#include <array>

namespace kq::udf {

namespace {

constexpr uint16_t kDescriptorVersion = 2;  // the descriptors of NSR02
constexpr uint16_t kTagSerial = 1;
constexpr uint8_t kCompressed8 = 8, kCompressed16 = 16;

constexpr std::array<uint16_t, 256> CrcTable() {
    std::array<uint16_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t crc = i << 8;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
        table[i] = static_cast<uint16_t>(crc);
    }
    return table;
}

constexpr auto kCrcTable = CrcTable();

// Days since 1970-01-01 to the civil date (proleptic Gregorian).
void CivilFromDays(int64_t days, int64_t& year, unsigned& month, unsigned& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
}

}  // namespace

void Put16(std::span<uint8_t> at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::span<uint8_t> at, uint32_t v) {
    Put16(at, static_cast<uint16_t>(v));
    Put16(at.subspan(2), static_cast<uint16_t>(v >> 16));
}
void Put64(std::span<uint8_t> at, uint64_t v) {
    Put32(at, static_cast<uint32_t>(v));
    Put32(at.subspan(4), static_cast<uint32_t>(v >> 32));
}

uint16_t Crc(std::span<const uint8_t> bytes) {
    uint16_t crc = 0;
    for (uint8_t b : bytes) crc = static_cast<uint16_t>(kCrcTable[(crc >> 8 ^ b) & 0xFF] ^ (crc << 8));
    return crc;
}

void PutTag(std::span<uint8_t> d, uint16_t id, uint32_t location) {
    Put16(d, id);
    Put16(d.subspan(2), kDescriptorVersion);
    Put16(d.subspan(6), kTagSerial);
    const auto body = d.subspan(16);
    Put16(d.subspan(8), Crc(body));
    Put16(d.subspan(10), static_cast<uint16_t>(body.size()));
    Put32(d.subspan(12), location);
    uint8_t sum = 0;
    for (size_t i = 0; i < 16; ++i)
        if (i != 4) sum = static_cast<uint8_t>(sum + d[i]);
    d[4] = sum;
}

void PutTimestamp(std::span<uint8_t> at, int64_t seconds) {
    constexpr int64_t kFirst = -62135596800, kLast = 253402300799;  // 0001-01-01, 9999-12-31 23:59:59
    seconds = std::clamp(seconds, kFirst, kLast);
    const int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const int64_t inDay = seconds - days * 86400;
    int64_t year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    Put16(at, 0x1000);  // local time, 0 minutes from UTC
    Put16(at.subspan(2), static_cast<uint16_t>(year));
    at[4] = static_cast<uint8_t>(month);
    at[5] = static_cast<uint8_t>(day);
    at[6] = static_cast<uint8_t>(inDay / 3600);
    at[7] = static_cast<uint8_t>(inDay / 60 % 60);
    at[8] = static_cast<uint8_t>(inDay % 60);
    at[9] = at[10] = at[11] = 0;
}

void PutRegid(std::span<uint8_t> at, std::string_view id, std::span<const uint8_t> suffix) {
    std::fill_n(at.begin(), 32, 0);
    std::copy_n(id.begin(), std::min<size_t>(id.size(), 23), at.begin() + 1);
    std::copy_n(suffix.begin(), std::min<size_t>(suffix.size(), 8), at.begin() + 24);
}

void PutImplementation(std::span<uint8_t> at) { PutRegid(at, "*cdburner"); }

void PutCharspec(std::span<uint8_t> at) {
    static constexpr std::string_view kCs0 = "OSTA Compressed Unicode";
    std::fill_n(at.begin(), 64, 0);
    std::copy(kCs0.begin(), kCs0.end(), at.begin() + 1);
}

std::string Compressed(std::string_view utf8, size_t maxBytes) { return Compressed(iso::Utf16Units(utf8), maxBytes); }

std::string Compressed(std::u16string units, size_t maxBytes) {
    if (units.empty() || maxBytes < 2) return {};
    const bool wide = std::any_of(units.begin(), units.end(), [](char16_t u) { return u > 0xFF; });
    size_t keep = std::min(units.size(), (maxBytes - 1) / (wide ? 2 : 1));
    if (keep < units.size() && keep > 0 && units[keep - 1] >= 0xD800 && units[keep - 1] <= 0xDBFF) --keep;
    std::string out(1, static_cast<char>(wide ? kCompressed16 : kCompressed8));
    for (size_t i = 0; i < keep; ++i) {
        if (wide) out += static_cast<char>(units[i] >> 8);
        out += static_cast<char>(units[i] & 0xFF);
    }
    return out;
}

void PutDstring(std::span<uint8_t> field, std::string_view utf8) {
    std::fill(field.begin(), field.end(), 0);
    const std::string bytes = Compressed(utf8, field.size() - 1);
    std::copy(bytes.begin(), bytes.end(), field.begin());
    field.back() = static_cast<uint8_t>(bytes.size());
}

void PutShortAd(std::span<uint8_t> at, uint32_t length, uint32_t block) {
    Put32(at, length);
    Put32(at.subspan(4), block);
}

void PutLongAd(std::span<uint8_t> at, uint32_t length, uint32_t block) {
    Put32(at, length);
    Put32(at.subspan(4), block);
    Put16(at.subspan(8), 0);
}

}  // namespace kq::udf
