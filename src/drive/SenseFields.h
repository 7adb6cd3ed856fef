#pragma once
// Fixed-format sense data (response code 70h or 71h) read by field name.
// A field past the bytes at hand reads as 0, as a drive that sent less
// would have left it.
#include <cstddef>
#include <cstdint>
#include <span>

namespace kq {

inline constexpr uint8_t kSenseKeyNotReady = 0x02;
inline constexpr uint8_t kAscNone = 0x00;              // no additional sense information
inline constexpr uint8_t kAscNotReady = 0x04;          // LOGICAL UNIT NOT READY, the reason in the ASCQ
inline constexpr uint8_t kAscMediumNotPresent = 0x3A;
// Response code 70h with the VALID bit: the information field is valid.
inline constexpr uint8_t kSenseCurrentWithInformation = 0xF0;

class SenseFields {
public:
    explicit SenseFields(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    // Byte 0, its VALID bit included; 0 when the drive sent no sense.
    uint8_t ResponseCode() const { return At(0); }
    bool Fixed() const { return (At(0) & 0x7E) == 0x70; }
    uint8_t Key() const { return At(2) & 0x0F; }
    // Filemark, end of medium and incorrect length (bits 7, 6 and 5).
    uint8_t KeyFlags() const { return At(2) & 0xE0; }
    uint8_t AdditionalLength() const { return At(7); }
    uint8_t Asc() const { return At(12); }
    uint8_t Ascq() const { return At(13); }
    // The sense-key specific bytes hold a progress indication (SKSV set).
    bool ProgressValid() const { return (At(15) & 0x80) != 0; }
    // Progress of the operation, in 65536ths of the whole.
    uint16_t Progress() const { return static_cast<uint16_t>(At(16) << 8 | At(17)); }

private:
    uint8_t At(size_t offset) const { return offset < bytes_.size() ? bytes_[offset] : 0; }

    std::span<const uint8_t> bytes_;
};

}  // namespace kq
