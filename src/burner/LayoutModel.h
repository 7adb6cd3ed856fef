#pragma once
// The two directory trees of a layout as the writer needs them: folders in
// path table order, each with its records sorted, and the files in the
// order their data is laid down. Internal to the layout's files.
#include "burner/ImageLayout.h"
#include "burner/kqISOLib.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kq::iso {

enum class Kind : uint8_t { File, Dir, Stub };

struct Child {
    Kind kind;
    uint32_t index;  // File: into Model::files; Dir and Stub: into the tree's dirs
};

struct TreeDir {
    const TDEntry* entry = nullptr;
    uint32_t parent = 0;      // in this tree; the root is its own
    uint32_t realParent = 0;  // where a relocated folder belongs
    std::string name;         // this tree's identifier; empty for the root
    bool relocated = false;
    uint32_t subfolders = 0;  // as a POSIX reader counts them
    std::vector<Child> children;
    uint32_t extent = 0;
    uint32_t size = 0;
};

struct Tree {
    bool joliet = false;
    std::vector<TreeDir> dirs;  // breadth first: the path table's order
    uint32_t pathTableSize = 0;
    uint32_t pathTableL = 0, pathTableM = 0;
};

struct FileFacts {
    uint32_t links = 1;
    uint32_t serial = 0;
};

struct Model {
    const LayoutOptions* options = nullptr;
    std::vector<TFEntry*> files;  // data order
    std::vector<FileFacts> facts;  // by index of files
    // Joliet names that are not the plain conversion of the long name
    // (cut and numbered), by index of files: the rest are made when written.
    std::unordered_map<uint32_t, std::string> jolietNames;
    Tree iso, joliet;
    std::unique_ptr<TDEntry> relocationDir;  // "rr_moved", when folders are relocated
    uint32_t continuationStart = 0, continuationBlocks = 0;

    // An entry's date on the disc.
    int64_t TimeOf(int64_t own) const {
        const int64_t time = own == kVolumeTime ? options->buildTime : own;
        return options->clampTime ? std::min(time, *options->clampTime) : time;
    }
};

// Sizes every directory (and the continuation areas) of both trees.
void MeasureDirectories(Model& model);
// Writes both trees' directories into the header at their extents.
void WriteDirectories(const Model& model, std::vector<uint8_t>& header);
// Path tables of a tree: size, then the bytes in either byte order.
uint32_t PathTableSize(const Tree& tree);
void WritePathTable(const Tree& tree, bool bigEndian, uint8_t* at);
// The primary, Joliet and terminating descriptors from sector 16 on.
void WriteVolumeDescriptors(const Model& model, uint32_t totalSectors, std::vector<uint8_t>& header);

}  // namespace kq::iso
