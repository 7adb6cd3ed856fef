#pragma once
// The field forms of ECMA-119: numbers recorded in both byte orders, and
// the two date forms (seven bytes in directory records, seventeen digits
// in volume descriptors). Times are UTC; the offset field stays 0.
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace kq::iso {

inline void PutLE16(std::span<uint8_t> at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLE32(std::span<uint8_t> at, uint32_t v) {
    PutLE16(at, static_cast<uint16_t>(v));
    PutLE16(at.subspan(2), static_cast<uint16_t>(v >> 16));
}
// Little-endian, then big-endian: 4 bytes for 16 bits, 8 for 32.
void PutBoth16(std::span<uint8_t> at, uint16_t v);
void PutBoth32(std::span<uint8_t> at, uint32_t v);
// A 32-bit number in both byte orders, as read from a disc: nullopt when
// fewer than 8 bytes are there or the two orders disagree.
std::optional<uint32_t> GetBoth32(std::span<const uint8_t> at);

// Year since 1900, month, day, hour, minute, second, offset. The year
// byte reaches 1900 to 2155: a later date is written as the field's last
// second (2155-12-31 23:59:59), an earlier one as its first.
std::array<uint8_t, 7> RecordDate(int64_t secondsSince1970);
// "YYYYMMDDHHMMSScc" and the offset; nullopt is the form for "not set".
std::array<uint8_t, 17> VolumeDate(std::optional<int64_t> secondsSince1970);

}  // namespace kq::iso
