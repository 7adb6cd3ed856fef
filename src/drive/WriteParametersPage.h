#pragma once
// The write parameters mode page (05h) by field. The burner builds the
// page with these names and the virtual recorder reads it back with them.
#include <cstddef>
#include <cstdint>

namespace kq::wparams {

inline constexpr uint8_t kPageCode = 0x05;
inline constexpr uint8_t kPageLength = 0x32;  // byte 1: the bytes after it
inline constexpr size_t kPageSize = kPageLength + 2;

inline constexpr size_t kTypeByte = 2;       // write type, test write, link size valid, BUFE
inline constexpr size_t kTrackByte = 3;      // multi-session, fixed packet, track mode
inline constexpr size_t kBlockTypeByte = 4;  // data block type
inline constexpr size_t kLinkSizeByte = 5;
inline constexpr size_t kSessionFormatByte = 8;
inline constexpr size_t kPacketSizeAt = 10;  // 32 bits, blocks
inline constexpr size_t kAudioPauseAt = 14;  // 16 bits, blocks

// Byte 2.
enum WriteType : uint8_t { kPacket = 0, kTrackAtOnce = 1, kSessionAtOnce = 2, kRaw = 3 };
inline constexpr uint8_t kWriteTypeMask = 0x0F, kTestWrite = 0x10, kLinkSizeValid = 0x20, kBufe = 0x40;

// Byte 3: the multi-session field in bits 6-7 (3: a next session is
// allowed), then the fixed packet bit and the track mode.
inline constexpr uint8_t kMultiSessionShift = 6, kNextSessionAllowed = 0xC0, kFixedPacket = 0x20;
inline constexpr uint8_t kTrackModeMask = 0x0F, kDataTrack = 0x04;
inline constexpr uint8_t kDataUninterrupted = 0x04, kDataIncremental = 0x05;

// Byte 4: data block types the burner names.
inline constexpr uint8_t kBlockTypeMask = 0x0F;
inline constexpr uint8_t kRaw2352 = 0, kRawPq = 1, kMode1 = 8;  // kMode1: 2048 bytes of user data

inline constexpr uint16_t kAudioPauseBlocks = 150;

}  // namespace kq::wparams
