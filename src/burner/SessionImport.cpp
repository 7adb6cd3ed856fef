#include "burner/SessionImport.h"

#include "drive/MediaTypes.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace kq {

namespace {

constexpr uint32_t kSectionBytes = 0xFFFFF800;  // the writer's piece of a file of 4 GiB and more

std::string Normal(std::string path) {
    if (path.empty() || path.front() != '/') path.insert(path.begin(), '/');
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// The writer lists a file's pieces one after another from its extent.
bool ListableAgain(const iso::DiscEntry& e) {
    uint64_t next = e.extents.empty() ? 0 : e.extents[0].sector;
    for (size_t k = 0; k < e.extents.size(); ++k) {
        if (e.extents[k].sector != next) return false;
        if (k + 1 < e.extents.size() && e.extents[k].bytes != kSectionBytes) return false;
        next += kSectionBytes / kSectorSize;
    }
    return true;
}

struct NewPaths {
    std::unordered_map<std::string, TDEntry*> folders;
    std::unordered_set<std::string> files;
};

NewPaths PathsOf(const TImageTree& tree) {
    NewPaths paths;
    for (const auto& d : tree.DirEntries()) paths.folders.emplace(DiscPath(d.get()), d.get());
    for (const auto& f : tree.FileEntries()) {
        const std::string folder = DiscPath(f->Parent);
        paths.files.insert(folder + (folder == "/" ? "" : "/") + f->LongName);
    }
    return paths;
}

void Describe(TFEntry& f, const iso::DiscEntry& e) {
    f.LongName = e.name;
    f.Size = static_cast<int64_t>(e.size);
    f.ModTime = e.time;
    f.Mode = e.mode;
    f.Owner = e.owner;
    f.Group = e.group;
    f.Attributes = kAttrNoData | (e.size > 0 ? kAttrOnDisc : 0);
    f.Extent = e.extents.empty() || e.size == 0 ? 0 : e.extents[0].sector;
    if (!e.linkTarget.empty()) {
        f.Attributes = kAttrNoData | kAttrSymbolicLink;
        f.LinkTarget = e.linkTarget;
    }
}

std::string Check(const iso::DiscTree& old, const std::vector<std::string>& paths,
                  std::unordered_set<std::string>& removed) {
    for (const std::string& path : paths) removed.insert(Normal(path));
    std::unordered_set<std::string> missing = removed;
    for (size_t i = 1; i < old.entries.size(); ++i) {
        const std::string path = old.PathOf(i);
        missing.erase(path);
        if (!old.entries[i].directory && !ListableAgain(old.entries[i]))
            return path + ": its pieces lie apart on the disc, which a new session cannot list";
    }
    if (!missing.empty()) return "--remove " + *missing.begin() + ": the disc has no such file or folder";
    return {};
}

}  // namespace

std::string ImportSession(TImageTree& tree, const iso::DiscTree& old, const std::vector<std::string>& removed) {
    std::unordered_set<std::string> gone;
    if (std::string why = Check(old, removed, gone); !why.empty()) return why;
    const NewPaths given = PathsOf(tree);
    std::vector<TDEntry*> folderOf(old.entries.size(), nullptr);
    std::vector<std::string> pathOf(old.entries.size(), "");
    folderOf[0] = tree.RootDir();
    for (size_t i = 1; i < old.entries.size(); ++i) {
        const iso::DiscEntry& e = old.entries[i];
        TDEntry* parent = folderOf[e.parent];
        if (!parent) continue;  // left out with its folder
        pathOf[i] = pathOf[e.parent] + "/" + e.name;
        const std::string& path = pathOf[i];
        if (gone.count(path) || given.files.count(path)) continue;
        const auto folder = given.folders.find(path);
        if (folder != given.folders.end()) {
            if (e.directory) folderOf[i] = folder->second;  // merged
            continue;
        }
        if (e.directory) {
            TDEntry* d = tree.NewDirectory();
            if (!d) return "the new session's tree is full";
            d->LongName = e.name;
            d->Parent = parent;
            d->Level = static_cast<uint8_t>(std::min(parent->Level + 1, 255));
            d->Path = parent->Path + e.name + "\\";
            d->ModTime = e.time;
            d->Mode = e.mode;
            d->Owner = e.owner;
            d->Group = e.group;
            folderOf[i] = d;
            continue;
        }
        TFEntry* f = tree.NewFile();
        if (!f) return "the new session's tree is full";
        Describe(*f, e);
        f->Parent = parent;
    }
    return {};
}

}  // namespace kq
