#pragma once
// The directory tree of one session's file system, read back from a disc,
// an image file or any other source of sectors: ISO 9660 with Rock Ridge
// (names, modes, owners, times, links, relocated folders), or the Joliet
// tree when the volume has no Rock Ridge. Every byte read is untrusted:
// each length is checked against the sector it sits in, no folder is read
// twice, and the tree's depth and size are bounded.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kq::iso {

// Reads `out.size() / 2048` sectors from `first` into `out`; false when
// the source cannot.
using SectorSource = std::function<bool(uint32_t first, std::span<uint8_t> out)>;

struct DiscExtent {
    uint32_t sector = 0;
    uint32_t bytes = 0;
};

struct DiscEntry {
    std::string name;
    int32_t parent = -1;  // index of its folder in the tree's entries; -1 for the root
    bool directory = false;
    uint64_t size = 0;                // a file's bytes, over all its extents
    std::vector<DiscExtent> extents;  // a file's data in order; a folder's own records
    uint32_t mode = 0;                // with the type bits (S_IFREG, S_IFDIR, S_IFLNK)
    uint32_t links = 1, owner = 0, group = 0;
    int64_t time = 0;  // modification, seconds since 1970
    std::string linkTarget;
};

struct DiscTree {
    std::vector<DiscEntry> entries;  // [0] the root; every folder before its children
    std::string volumeId;
    // The volume space size as recorded: counted from sector 0 by most
    // writers, from the session's start by some.
    uint32_t volumeSectors = 0;
    bool rockRidge = false;
    bool joliet = false;
    // Set when the file system cannot be read, naming the sector; the
    // entries are then empty.
    std::string error;

    // "/a/b" for an entry, "/" for the root.
    std::string PathOf(size_t entry) const;
};

struct ReadLimits {
    size_t entries = 4'000'000;
    size_t depth = 128;
    uint32_t folderBytes = 64u << 20;
};

// The tree of the volume whose descriptors start at sessionStart + 16.
DiscTree ReadDiscTree(const SectorSource& source, uint32_t sessionStart, const ReadLimits& limits = {});

}  // namespace kq::iso
