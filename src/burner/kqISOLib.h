#pragma once
// The image tree: directory and file entries of a layout, and the sector
// arithmetic of a burn. Its file list is the cache thread's source list in
// tree mode, in the order the layout gives their data on the disc.
#include "drive/MediaTypes.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace kq {

class TSCSIDevice;

// The ModTime of a folder made up for the disc, not taken from a source
// (the root of a tree of grafts alone, the parents of a graft): the
// layout dates it with the volume.
inline constexpr int64_t kVolumeTime = std::numeric_limits<int64_t>::min();

struct TDEntry {
    std::string ShortName;
    std::string LongName;
    uint8_t Flag = 0;
    std::string Path;
    uint8_t Level = 0;          // 1 for the root
    TDEntry* Parent = nullptr;  // the root is its own parent
    uint32_t Value1 = 0;
    uint32_t Value2 = 0;
    // What the file system keeps of the source folder.
    int64_t ModTime = kVolumeTime;  // seconds since 1970 (UTC), or kVolumeTime
    uint32_t Mode = 040755;
    uint32_t Owner = 0;
    uint32_t Group = 0;
};

// The folder's path on the disc as a user writes it ("/docs/a"; "/" for
// the root), up to `root` or the entry that is its own parent.
std::string DiscPath(const TDEntry* dir, const TDEntry* root = nullptr);

inline constexpr uint32_t kAttrDirectory = 0x10;
// Nothing to send: an empty file, a symbolic link, or a hard link whose
// data another entry sends.
inline constexpr uint32_t kAttrNoData = 0x0100;
inline constexpr uint32_t kAttrSymbolicLink = 0x0400;
// With kAttrNoData: the file's data is already on the disc at Extent (a
// file kept from an earlier session), where the layout leaves it.
inline constexpr uint32_t kAttrOnDisc = 0x0800;

struct TFEntry {
    std::string ShortName;
    std::string LongName;
    std::string SourcePath;
    int64_t Size = 0;         // bytes
    uint32_t Attributes = 0;  // kAttrDirectory and kAttrNoData entries are skipped when reading sources
    int64_t ModTime = 0;      // seconds since 1970 (UTC) of the source when it was added
    uint32_t Extent = 0;      // first sector of the file's data on the disc, set by the layout
    TDEntry* Parent = nullptr;
    uint32_t Mode = 0100644;  // POSIX type and permission bits
    uint32_t Owner = 0;
    uint32_t Group = 0;
    // Equal (and not both 0) for hard links to one file.
    uint64_t Device = 0;
    uint64_t Inode = 0;
    std::string LinkTarget;  // of a symbolic link
    // The source as it was added, in nanoseconds since 1970 (0: not known):
    // a burn sends the file only while these and Size still hold.
    int64_t SourceModifiedNs = 0;
    int64_t SourceChangedNs = 0;
};

// The one rule for whether an entry's bytes follow the header.
inline bool CarriesData(const TFEntry& f) {
    return (f.Attributes & (kAttrDirectory | kAttrNoData)) == 0 && f.Size > 0;
}

// Sectors that follow the files' data, made as they are sent (thousands
// of them would weigh on memory if made ahead).
class TTrailerSectors {
public:
    virtual ~TTrailerSectors() = default;
    virtual uint32_t Count() const = 0;
    // Fills one whole sector.
    virtual void Put(uint32_t index, uint8_t* sector) const = 0;
};

// Owned by the burner component; its limit messages go out through the
// component's debug-message event.
class TImageTree {
public:
    // device: where the limit messages go; may be null (then none are sent).
    explicit TImageTree(TSCSIDevice* device = nullptr) : device_(device) {}

    // Frees every entry, runs OnReset, takes the new capacities and makes
    // the root ("CD_ROOT", "\"). False, with an empty tree, when there is
    // no room for the root; false with the tree untouched while Locked.
    [[nodiscard]] bool ResetTree(int FileCapacity, int DirCapacity);

    // A new empty directory entry appended to the list, or null when the
    // list is full (the limit message is sent then, as kind 3).
    TDEntry* NewDirectory();
    // The same for files ("MAXIMUM FILES CAN BE %d" when the list is full).
    TFEntry* NewFile();
    // Puts the file list in the given order, which must hold each entry once.
    void OrderFiles(const std::vector<TFEntry*>& order);

    // The owner's part of a reset: it clears its header stream here.
    std::function<void()> OnReset;
    // True while the tree must not change (a burn reads it): ResetTree,
    // NewDirectory and NewFile then refuse.
    std::function<bool()> Locked;

    // Counts the changes made through this class, and those its users
    // report with Changed(): a layout is fresh while it stays the same.
    uint64_t Revision() const { return revision_; }
    void Changed() { ++revision_; }

    TDEntry* RootDir() const { return rootDir_; }
    const std::vector<std::unique_ptr<TDEntry>>& DirEntries() const { return dirEntries_; }
    const std::vector<std::unique_ptr<TFEntry>>& FileEntries() const { return fileEntries_; }
    int DirCount() const { return static_cast<int>(dirEntries_.size()); }
    int DirCapacity() const { return dirCapacity_; }
    int FileCount() const { return static_cast<int>(fileEntries_.size()); }
    int FileCapacity() const { return fileCapacity_; }
    // What the layout puts after the files' data (null: nothing); a reset
    // drops it. It reads the entries, which stay as they are while a burn runs.
    std::shared_ptr<const TTrailerSectors> Trailer() const { return trailer_; }
    void SetTrailer(std::shared_ptr<const TTrailerSectors> trailer) { trailer_ = std::move(trailer); }

private:
    TSCSIDevice* device_;
    std::vector<std::unique_ptr<TDEntry>> dirEntries_;
    std::vector<std::unique_ptr<TFEntry>> fileEntries_;
    int dirCapacity_ = 0;
    int fileCapacity_ = 0;
    TDEntry* rootDir_ = nullptr;
    std::shared_ptr<const TTrailerSectors> trailer_;
    uint64_t revision_ = 0;
};

// Whole 2048-byte sectors holding Size bytes, a remainder counting as one
// more; 0 for 0 (and for negative sizes).
constexpr int64_t SectorsOf(int64_t Size) {
    return Size <= 0 ? 0 : Size / kSectorSize + (Size % kSectorSize != 0 ? 1 : 0);
}

}  // namespace kq
