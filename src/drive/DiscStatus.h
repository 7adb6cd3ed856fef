#pragma once
// Byte 2 of the disc information (READ DISC INFORMATION) by field name:
// bits 0-1 the disc status, bits 2-3 the state of the last session,
// bit 4 erasable.
#include <cstdint>

namespace kq {

// Disc status. Random-access media (DVD-RAM, DVD+RW, ...) have no
// sessions to close and report kDiscRandomAccess.
inline constexpr uint8_t kDiscEmpty = 0;
inline constexpr uint8_t kDiscIncomplete = 1;  // appendable
inline constexpr uint8_t kDiscComplete = 2;
inline constexpr uint8_t kDiscRandomAccess = 3;

// State of the last session.
inline constexpr uint8_t kSessionEmpty = 0;
inline constexpr uint8_t kSessionIncomplete = 1;  // tracks written, never closed
inline constexpr uint8_t kSessionComplete = 3;

class DiscStatusFields {
public:
    constexpr explicit DiscStatusFields(uint8_t byte2) : byte_(byte2) {}

    uint8_t DiscStatus() const { return byte_ & 0x03; }
    uint8_t LastSessionState() const { return (byte_ >> 2) & 0x03; }
    bool Erasable() const { return (byte_ & 0x10) != 0; }

private:
    uint8_t byte_;
};

}  // namespace kq
