#pragma once
// Media type codes of GetMediaType, each with the name the burner and the
// front ends show and the way a burn records onto it.
#include <cstdint>
#include <string>

namespace kq {

namespace media {
inline constexpr uint16_t None = 0;
inline constexpr uint16_t CdRom = 1;
inline constexpr uint16_t CdR = 2;
inline constexpr uint16_t CdRw = 3;
inline constexpr uint16_t DvdRom = 4;
inline constexpr uint16_t DvdR = 5;
inline constexpr uint16_t DvdRam = 6;
inline constexpr uint16_t DvdRw = 7;  // recording mode not told; GetMediaType never says it
inline constexpr uint16_t DvdRwRestricted = 8;
inline constexpr uint16_t DvdRwSequential = 9;
inline constexpr uint16_t DvdPlusRw = 10;
inline constexpr uint16_t DvdPlusR = 11;
inline constexpr uint16_t DdcdRom = 12;
inline constexpr uint16_t DdcdR = 13;
inline constexpr uint16_t DdcdRw = 14;
}  // namespace media

// Blankable: rewritable in sessions, BLANK makes it new. Overwritable:
// written over in place, no sessions to close. Other: pressed, unknown,
// or a kind the burner does not record onto as such.
enum class MediaRecording : uint8_t { Other, WriteOnce, Blankable, Overwritable };

// "CD-R", "DVD+RW", ...; "UNKNOWN" for media::None and unknown codes.
std::string MediaName(int mediaType);
MediaRecording RecordingOf(int mediaType);

}  // namespace kq
