#pragma once
// Media type codes of GetMediaType, each with the name the burner and the
// front ends show, the profile a drive reports for it and the way a burn
// records onto it: the one place that tells one medium from another.
#include <cstdint>
#include <string>

namespace kq {

namespace media {
enum : uint16_t {
    None = 0, CdRom = 1, CdR = 2, CdRw = 3, DvdRom = 4, DvdR = 5, DvdRam = 6,
    DvdRw = 7,  // recording mode not told; GetMediaType never says it
    DvdRwRestricted = 8, DvdRwSequential = 9, DvdPlusRw = 10, DvdPlusR = 11,
    DdcdRom = 12, DdcdR = 13, DdcdRw = 14,
    // Blu-ray and dual-layer DVD. BdRRandom and DvdRDlJump are told apart
    // so that they can be named and refused: the burn writes neither.
    BdR = 15, BdRRandom = 16, BdRe = 17, DvdPlusRDl = 18, DvdRDl = 19, DvdRDlJump = 20,
    // Named and refused: nothing is written onto them.
    BdRom = 21, DvdPlusRwDl = 22,
    // A current profile the table lacks: the code keeps it (low 15 bits),
    // so that the medium can still be named; never a CD-R by default.
    OtherProfile = 0x8000,
};
}  // namespace media

// Blankable: rewritable in sessions, BLANK makes it new. Overwritable:
// written over in place, no sessions to close. Other: pressed, unknown,
// or a kind the burner does not record onto as such.
enum class MediaRecording : uint8_t { Other, WriteOnce, Blankable, Overwritable };

enum class MediaFamily : uint8_t { None, Cd, Dvd, Bd };

// Every medium carries user data in sectors of this size.
inline constexpr int64_t kSectorSize = 2048;

// The write thread's blocks: 27 sectors on CD-R and CD-RW; 32 on the rest,
// one 64 KiB BD cluster, so that no write leaves a cluster half filled.
inline constexpr int32_t kCdBlockSize = 27 * kSectorSize;
inline constexpr int32_t kDvdBlockSize = 32 * kSectorSize;

// How the write thread ends a recording on the medium: nothing to close
// (DVD-RAM, BD-RE), the CD session close, or the close sequence of a DVD
// or BD-R kind.
enum class MediaClose : uint8_t { None, Cd, DvdPlusR, DvdR, DvdRw, DvdPlusRw, BdR };

// What a burn needs to know of a medium beyond its name.
struct MediaTraits {
    MediaFamily family;
    uint16_t kin;          // the medium whose write path it takes (itself, or the single-layer kin)
    int32_t writeBlock;    // bytes of the write thread's blocks
    bool writeParameters;  // the write parameters page (05h) is sent before writing
    MediaClose close;
    const char* refusal;   // why a burn does not write it; nullptr when it does
};

// "CD-R", "DVD+RW", ...; "UNKNOWN" for media::None and unknown codes;
// "medium of profile 0050h" for a profile the table lacks.
std::string MediaName(int mediaType);
MediaRecording RecordingOf(int mediaType);
const MediaTraits& TraitsOf(int mediaType);
// The medium of a current profile (GET CONFIGURATION); media::None for
// profile 0 (no medium), OtherProfile with the profile for one the burner
// does not know.
uint16_t MediaOfProfile(uint16_t profile);
// "CD", "DVD", "BD": the family as speeds and ranges name it. An unknown
// medium counts as a CD, as it does for speeds.
const char* FamilyName(MediaFamily family);
// Ten times the kB/s of 1x on the family's media: CD 1764, DVD 13850,
// BD 44950.
uint32_t KBpsPerTenX(MediaFamily family);
// Recording layers of a disc of `sectors` in all: two on a dual-layer
// DVD; on BD one per 25 GB layer (12,219,392 sectors, less once spare
// areas are formatted); one on any other medium.
int LayersOf(int mediaType, uint64_t sectors);

}  // namespace kq
