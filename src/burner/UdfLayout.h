#pragma once
// The UDF file system beside ISO 9660 and Joliet: its own entries and
// folders, pointing at the same file data as the other trees.
//
// Where it lies. The partition holds everything after the first anchor up
// to the last: the ISO tree's structures, UDF's own and the files' data,
// so every extent the ISO tree names is one UDF names too, at its sector
// less the partition's start; the descriptors outside it overlap nothing.
//   after the ISO descriptors   BEA01, NSR02, TEA01
//   32 to 47, 48 to 63          main and reserve volume descriptor sequences
//   64, 65                      integrity descriptor, terminator
//   256                         anchor
//   257 on                      the ISO tree, then the file set descriptor,
//                               each folder's entry and identifiers, the
//                               entries of its links with their targets
//   after the files' data       the files' entries, made as they are sent
//                               (2 KiB each would make a large tree's header
//                               too heavy), then the last sector: the anchor
#include "burner/LayoutModel.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace kq::udf {

inline constexpr uint32_t kMainSequence = 32, kReserveSequence = 48, kSequenceBlocks = 16;
inline constexpr uint32_t kIntegrity = 64;
inline constexpr uint32_t kAnchor = 256;
inline constexpr uint32_t kAfterAnchor = kAnchor + 1;
inline constexpr uint32_t kPartitionStart = kAfterAnchor;

// A sector's logical block: its place in the partition.
constexpr uint32_t Lbn(uint32_t sector) { return sector - kPartitionStart; }

// One folder of the source tree: its subfolders (by index in the folder
// list, which starts with the root) and its files (by index in the data order).
struct Folder {
    const TDEntry* entry = nullptr;
    std::vector<uint32_t> folders, files;
};

// The anchor: where both volume descriptor sequences lie.
void WriteAnchor(std::span<uint8_t> block, uint32_t location);

// What a file entry says.
struct EntryFacts {
    uint8_t type;  // 4 folder, 5 file, 12 symbolic link
    uint32_t mode, owner, group;
    uint16_t links;
    uint64_t bytes;
    int64_t time;
    uint64_t uniqueId;
    uint32_t data;  // the sector of the first byte
};
// A file entry in `block` (zeroed), which lies at `sector`.
void PutEntry(std::span<uint8_t> block, uint32_t sector, const EntryFacts& facts);

class Layout {
public:
    // Names and measures the tree; the reason when UDF cannot hold it.
    std::string Prepare(std::vector<Folder> folders, const iso::Model& model);
    // Gives the file set, the folders and the links their blocks from
    // `next` on; the first block after them.
    uint32_t Place(uint32_t next);
    // Gives the files' entries their blocks from `next` (after the files'
    // data) on; the block of the last anchor, which ends the image.
    uint32_t PlaceFiles(uint32_t next);
    // How many blocks PlaceFiles gives.
    uint32_t FileEntryCount() const { return fileEntries_; }
    // The structures ahead of the files' data into the header (vrs: the
    // sector after the ISO descriptors); what follows the data.
    std::shared_ptr<const TTrailerSectors> Write(const iso::Model& model, uint32_t vrs, uint32_t totalSectors,
                                                 std::vector<uint8_t>& header) const;

private:
    enum class Type : uint8_t { Folder, File, Link };
    struct Identifier {
        std::string name;  // compressed Unicode
        uint32_t node;
    };
    struct Node {
        Node(Type t, uint32_t i) : type(t), index(i) {}
        Type type;
        uint32_t index;  // into the folders or the data order
        uint32_t parent = 0;  // a folder's parent folder's node
        uint32_t entry = 0;  // its file entry's block; data (folders, links) follows
        uint64_t bytes = 0;  // identifiers, path components or file data
        uint64_t uniqueId = 0;
        uint16_t links = 1;
        std::vector<Identifier> ids;  // a folder's, sorted
        std::string path;             // a link's components
    };

    std::string AddFolder(uint32_t folder, const iso::Model& model, std::unordered_map<uint32_t, uint32_t>& nodeOfSerial);
    EntryFacts FactsOf(const iso::Model& model, const Node& node) const;
    void WriteIdentifiers(const Node& node, std::vector<uint8_t>& header) const;
    void WriteDescriptors(const iso::Model& model, uint32_t vrs, uint32_t total, std::vector<uint8_t>& header) const;

    std::vector<Folder> folders_;
    std::vector<Node> nodes_;
    std::vector<uint32_t> nodeOfFolder_;
    uint32_t fileSet_ = 0;
    uint32_t files_ = 0;
    uint32_t firstFileEntry_ = 0, fileEntries_ = 0;
};

}  // namespace kq::udf
