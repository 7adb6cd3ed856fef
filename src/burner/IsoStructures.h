#pragma once
// The ISO 9660 structures by field: the volume descriptors, the directory
// record and the path table record. The image's writer builds them with
// these names, and every reader of a disc's file system reads them back
// with the same names. Numbers "both" are recorded little-endian, then
// big-endian (IsoFields.h).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kq::iso {

// A field: where it starts and how many bytes it takes.
struct Field {
    size_t at;
    size_t length;
    constexpr size_t End() const { return at + length; }
};

// Volume descriptors, one sector each from sector 16 on; the same header
// opens every one, and the primary (type 1) and the supplementary (type 2,
// Joliet) share the rest of the layout.
namespace vd {

inline constexpr uint32_t kFirstSector = 16;  // after the system area
inline constexpr uint8_t kPrimary = 1, kSupplementary = 2, kTerminator = 255;
inline constexpr std::string_view kStandardId = "CD001";
inline constexpr uint8_t kVersion = 1;

inline constexpr size_t kTypeByte = 0;
inline constexpr Field kStandardIdField{1, 5};
inline constexpr size_t kVersionByte = 6;

// In byte order. Identifiers (system to application) and the names of
// three files in the root are a- or d-characters padded with spaces, or
// UCS-2 in a Joliet descriptor; dates are sixteen digits and the offset
// from UTC (IsoFields' VolumeDate).
inline constexpr Field kSystemId{8, 32}, kVolumeId{40, 32};
inline constexpr Field kVolumeSpaceSize{80, 8};  // both 32: sectors
inline constexpr Field kEscapes{88, 32};         // supplementary: its character set
inline constexpr Field kVolumeSetSize{120, 4}, kVolumeSequence{124, 4}, kLogicalBlockSize{128, 4};  // both 16
inline constexpr Field kPathTableSize{132, 8};                     // both 32: bytes
inline constexpr Field kPathTableL{140, 4}, kPathTableM{148, 4};  // sectors: little-, big-endian
inline constexpr Field kRootRecord{156, 34};
inline constexpr Field kVolumeSetId{190, 128}, kPublisherId{318, 128}, kPreparerId{446, 128}, kApplicationId{574, 128};
inline constexpr Field kCopyrightFile{702, 37}, kAbstractFile{739, 37}, kBibliographicFile{776, 37};
inline constexpr Field kCreation{813, 17}, kModification{830, 17}, kExpiration{847, 17}, kEffective{864, 17};
inline constexpr size_t kFileStructureVersionByte = 881;

// "%/E": UCS-2 level 3, the escape sequence of a Joliet descriptor.
inline constexpr std::string_view kJolietEscape = "%/E";

// Fields that follow one another leave no gap.
static_assert(kSystemId.End() == kVolumeId.at && kVolumeSetSize.End() == kVolumeSequence.at &&
              kVolumeSequence.End() == kLogicalBlockSize.at && kLogicalBlockSize.End() == kPathTableSize.at &&
              kPathTableSize.End() == kPathTableL.at);
static_assert(kRootRecord.End() == kVolumeSetId.at && kVolumeSetId.End() == kPublisherId.at &&
              kPublisherId.End() == kPreparerId.at && kPreparerId.End() == kApplicationId.at &&
              kApplicationId.End() == kCopyrightFile.at && kCopyrightFile.End() == kAbstractFile.at &&
              kAbstractFile.End() == kBibliographicFile.at && kBibliographicFile.End() == kCreation.at &&
              kCreation.End() == kModification.at && kModification.End() == kExpiration.at &&
              kExpiration.End() == kEffective.at && kEffective.End() == kFileStructureVersionByte);

}  // namespace vd

// A directory record: 33 bytes, the name, a pad byte when the name's
// length is even, then the system use area (Rock Ridge's entries).
namespace dirrec {

inline constexpr size_t kLengthByte = 0;
inline constexpr Field kExtent{2, 8};           // both 32, sector
inline constexpr Field kDataLength{10, 8};      // both 32, bytes
inline constexpr Field kDate{18, 7};            // IsoFields' RecordDate
inline constexpr size_t kFlagsByte = 25;
inline constexpr Field kVolumeSequence{28, 4};  // both 16
inline constexpr size_t kNameLengthByte = 32;
inline constexpr size_t kNameAt = 33;

inline constexpr uint8_t kDirectory = 0x02, kMultiExtent = 0x80;
// The root's record in a descriptor: a name of one zero byte.
inline constexpr size_t kRootLength = kNameAt + 1;

static_assert(kDataLength.End() == kDate.at && kVolumeSequence.End() == kNameLengthByte);
static_assert(kRootLength == vd::kRootRecord.length);

}  // namespace dirrec

// A path table record: 8 bytes, the name, a pad byte when its length is odd.
namespace pathrec {

inline constexpr size_t kNameLengthByte = 0;
inline constexpr size_t kExtentAt = 2;  // 32 bits in the table's byte order
inline constexpr size_t kParentAt = 6;  // 16 bits, the parent's number from 1
inline constexpr size_t kNameAt = 8;

}  // namespace pathrec

// What a directory record says, as the one writer takes it.
struct RecordFields {
    std::string_view name;  // "\0" for a folder itself, "\1" for its parent
    uint32_t extent = 0;
    uint32_t size = 0;
    int64_t time = 0;
    uint8_t flags = 0;
};

// Writes the fixed bytes and the name of a record into `record`, whose
// size is the record's length; the pad byte and the system use area are
// the caller's.
void PutDirectoryRecord(std::span<uint8_t> record, const RecordFields& fields);

// What a reader takes from a primary volume descriptor.
struct PrimaryVolume {
    uint32_t sectors = 0;  // the volume space size
};

// The primary volume descriptor in `sector` (2048 bytes): nullopt when it
// is none, or when its size is 0 or its two byte orders disagree.
std::optional<PrimaryVolume> ReadPrimaryVolume(std::span<const uint8_t> sector);

}  // namespace kq::iso
