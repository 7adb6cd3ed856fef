#pragma once
// The file system of an image tree: volume descriptors, path tables and
// directories of an ISO 9660 tree (with Rock Ridge) and of a Joliet tree,
// followed by the files' data. Building it fixes every file's extent and
// puts the tree's file list in the order their data follows the header.
#include "burner/kqISOLib.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kq {

struct VolumeIdentifiers {
    std::string volume, system, volumeSet, publisher, preparer, application;
    std::string copyright, abstract, bibliographic;
};

struct LayoutOptions {
    bool joliet = true;
    bool rockRidge = true;
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
};

struct ImageLayout {
    std::vector<uint8_t> header;  // whole sectors: everything ahead of the first file's data
    int64_t totalSectors = 0;     // header and data
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
