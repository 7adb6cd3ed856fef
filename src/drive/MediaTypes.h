#pragma once
// Media type codes of GetMediaType, each with the name the burner and the
// front ends show and the way a burn records onto it.
#include <cstdint>
#include <string>

namespace kq {

namespace media {
enum : uint16_t {
    None = 0, CdRom = 1, CdR = 2, CdRw = 3, DvdRom = 4, DvdR = 5, DvdRam = 6,
    DvdRw = 7,  // recording mode not told; GetMediaType never says it
    DvdRwRestricted = 8, DvdRwSequential = 9, DvdPlusRw = 10, DvdPlusR = 11,
    DdcdRom = 12, DdcdR = 13, DdcdRw = 14,
};
}  // namespace media

// Blankable: rewritable in sessions, BLANK makes it new. Overwritable:
// written over in place, no sessions to close. Other: pressed, unknown,
// or a kind the burner does not record onto as such.
enum class MediaRecording : uint8_t { Other, WriteOnce, Blankable, Overwritable };

// "CD-R", "DVD+RW", ...; "UNKNOWN" for media::None and unknown codes.
std::string MediaName(int mediaType);
MediaRecording RecordingOf(int mediaType);

}  // namespace kq
