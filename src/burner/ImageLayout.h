#pragma once
// The file system of an image tree: volume descriptors, path tables and
// directories of an ISO 9660 tree (with Rock Ridge) and of a Joliet tree,
// followed by the files' data. Building it fixes every file's extent and
// puts the tree's file list in the order their data follows the header.
#include "burner/kqISOLib.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kq {

struct VolumeIdentifiers {
    std::string volume, system, volumeSet, publisher, preparer, application;
    std::string copyright, abstract, bibliographic;
    bool operator==(const VolumeIdentifiers&) const = default;
};

struct LayoutOptions {
    bool joliet = true;
    bool rockRidge = true;
    // Folders deeper than 8 levels move under a relocation folder, for
    // readers that hold to ISO 9660's depth limit; Rock Ridge readers see
    // them in place and not the relocation folder. Needs Rock Ridge. Off,
    // a deep folder is written where it is, as current readers accept.
    bool relocateDeep = false;
    // A UDF file system beside the others, sharing their files' data.
    bool udf = false;
    VolumeIdentifiers ids;
    // Seconds since 1970; unset volume dates: creation and modification
    // take buildTime, expiration and effective stay "not set".
    std::optional<int64_t> creation, modification, expiration, effective;
    // The disc's making: also the date of folders made up for it (kVolumeTime).
    int64_t buildTime = 0;
    // No file or folder is dated later: newer dates become this one,
    // older ones stay (reproducible builds).
    std::optional<int64_t> clampTime;
    // The most header bytes the layout may take.
    int64_t headerLimit = int64_t{256} << 20;
    // The size alone: everything is laid out but the header's bytes.
    bool sizeOnly = false;
    // Where the image starts on the disc: a later session's. Every address
    // in the file system counts from the disc's first sector; the volume
    // ends where the image does.
    uint32_t sessionStart = 0;

    bool operator==(const LayoutOptions&) const = default;
};

struct ImageLayout {
    std::vector<uint8_t> header;  // whole sectors: everything ahead of the first file's data
    std::shared_ptr<const TTrailerSectors> trailer;  // after the files' data (UDF's file entries, last anchor)
    int64_t totalSectors = 0;     // header, data and trailer: the image, from the session's start
    std::string error;            // set when the tree cannot be laid out (nothing else is then)
    std::vector<std::string> warnings;
};

// Lays the tree out. On success sets each file's ShortName (the unique ISO
// 9660 name), Extent and kAttrNoData, and orders the file list; on failure
// leaves the file list's order and extents as they were.
ImageLayout BuildImageLayout(TImageTree& tree, const LayoutOptions& options);

// The volume identifier a folder's name gives: d-characters, at most 32.
std::string VolumeIdFromName(const std::string& name);

}  // namespace kq
