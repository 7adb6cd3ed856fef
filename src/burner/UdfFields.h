#pragma once
// The field forms of UDF's descriptors: the tag that opens each one (with
// its checksum and CRC), timestamps, entity identifiers, character set
// specifications, fixed-length d-strings and the allocation descriptors.
// Numbers are little-endian.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kq::udf {

inline constexpr uint32_t kBlock = 2048;

namespace tag {
inline constexpr uint16_t kPrimary = 1, kAnchor = 2, kImplementationUse = 4, kPartition = 5, kLogicalVolume = 6,
                          kUnallocated = 7, kTerminating = 8, kIntegrity = 9;
inline constexpr uint16_t kFileSet = 256, kFileIdentifier = 257, kFileEntry = 261;
}  // namespace tag

inline uint16_t Get16(std::span<const uint8_t> at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }
inline uint32_t Get32(std::span<const uint8_t> at) { return Get16(at) | uint32_t{Get16(at.subspan(2))} << 16; }
void Put16(std::span<uint8_t> at, uint16_t v);
void Put32(std::span<uint8_t> at, uint32_t v);
void Put64(std::span<uint8_t> at, uint64_t v);

// The 16-bit CRC of ECMA-167 (CCITT, x^16 + x^12 + x^5 + 1, starting at 0).
uint16_t Crc(std::span<const uint8_t> bytes);
// Fills the tag at the front of `descriptor`, whose size is what the CRC
// covers plus the tag; `location` is the descriptor's own block.
void PutTag(std::span<uint8_t> descriptor, uint16_t id, uint32_t location);

// Seconds since 1970 as a UTC timestamp (12 bytes), the offset recorded as 0.
void PutTimestamp(std::span<uint8_t> at, int64_t secondsSince1970);
// An entity identifier (32 bytes): flags 0, the name, then the suffix.
void PutRegid(std::span<uint8_t> at, std::string_view id, std::span<const uint8_t> suffix = {});
// The suffix of a UDF identifier: revision 1.02.
inline constexpr uint8_t kUdfSuffix[2] = {0x02, 0x01};
// The identifier of this system as the implementation.
void PutImplementation(std::span<uint8_t> at);
// CS0, "OSTA Compressed Unicode" (64 bytes).
void PutCharspec(std::span<uint8_t> at);
// OSTA compressed Unicode of a UTF-8 text: 8-bit when every character
// fits, else 16-bit big-endian; at most maxBytes with the leading byte,
// never cutting a surrogate pair. Empty text gives no bytes.
std::string Compressed(std::u16string units, size_t maxBytes);
std::string Compressed(std::string_view utf8, size_t maxBytes);
// A d-string field: the compressed text, its length in the last byte.
void PutDstring(std::span<uint8_t> field, std::string_view utf8);
// A short allocation descriptor (8 bytes); a long one (16) in partition 0.
void PutShortAd(std::span<uint8_t> at, uint32_t length, uint32_t block);
void PutLongAd(std::span<uint8_t> at, uint32_t length, uint32_t block);

}  // namespace kq::udf
