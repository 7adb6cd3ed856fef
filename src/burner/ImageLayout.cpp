// From the image tree to the layout: names, the two trees, the files'
// order and extents, then the header's bytes.
#include "burner/ImageLayout.h"

#include "burner/IsoNames.h"
#include "burner/IsoStructures.h"
#include "burner/LayoutModel.h"
#include "burner/UdfLayout.h"
#include "drive/DriveMessages.h"

#include <algorithm>
#include <deque>
#include <limits>
#include <map>
#include <unordered_map>

namespace kq {

namespace {

using iso::Child;
using iso::Kind;
using iso::Model;
using iso::Tree;
using iso::TreeDir;

constexpr int kMaxIsoDepth = 8;     // the root is level 1
constexpr uint32_t kSystemArea = iso::vd::kFirstSector;
constexpr size_t kMaxNameBytes = 255;
// A path table entry names its parent by a 16-bit number.
constexpr size_t kMaxPathTableDirs = 65535;

bool IsLink(const TFEntry& f) { return (f.Attributes & kAttrSymbolicLink) != 0; }

// The real tree, indexed by position in the directory list.
struct Source {
    std::vector<const TDEntry*> dirs;
    std::unordered_map<const TDEntry*, uint32_t> indexOf;
    std::vector<std::vector<uint32_t>> childDirs, childFiles;
    std::vector<bool> relocated;
    std::vector<std::string> relocatedName;  // the identifier inside rr_moved
};

std::string Failure(Msg id, std::initializer_list<std::string_view> args) { return FormatDriveMessage(id, args); }

class Builder {
public:
    Builder(TImageTree& tree, const LayoutOptions& options) : tree_(tree), options_(options) {
        model_.options = &options;
        model_.iso.joliet = false;
        model_.joliet.joliet = true;
    }
    ImageLayout Run();

private:
    std::string Collect();
    std::string CheckNames();
    std::string Relocate();
    void NameShort();
    void BuildIsoTree();
    void BuildJolietTree();
    void OrderData();
    std::string PrepareUdf();
    int64_t AssignExtents(std::string& error);
    void SaveEntries();
    void RestoreEntries();
    uint32_t IsoParentOf(uint32_t real) const;

    TImageTree& tree_;
    const LayoutOptions& options_;
    Source src_;
    Model model_;
    std::vector<uint32_t> isoOf_;  // real dir index to ISO tree index
    std::vector<std::pair<uint32_t, uint32_t>> linkOf_;  // hard link, the entry that sends its data
    std::unordered_map<uint32_t, std::string> jolietNames_;  // by file list index, as in Model
    std::vector<std::string> warnings_;
    udf::Layout udf_;
    // What naming and ordering change in the entries, restored when the layout fails.
    std::vector<std::string> savedDirNames_, savedFileNames_;
    std::vector<uint32_t> savedAttributes_;
};

std::string Builder::Collect() {
    const auto& dirs = tree_.DirEntries();
    if (dirs.size() > kMaxPathTableDirs) return Failure(Msg::TooManyDirectories, {std::to_string(dirs.size())});
    for (const auto& d : dirs) {
        src_.indexOf.emplace(d.get(), static_cast<uint32_t>(src_.dirs.size()));
        src_.dirs.push_back(d.get());
    }
    const size_t n = src_.dirs.size();
    src_.childDirs.resize(n);
    src_.childFiles.resize(n);
    const TDEntry* root = tree_.RootDir();
    for (uint32_t i = 0; i < n; ++i) {
        if (src_.dirs[i] == root) continue;
        auto parent = src_.indexOf.find(src_.dirs[i]->Parent);
        if (parent == src_.indexOf.end()) return DriveMessage(Msg::InternalError0005);
        src_.childDirs[parent->second].push_back(i);
    }
    const auto& files = tree_.FileEntries();
    for (uint32_t i = 0; i < files.size(); ++i) {
        auto parent = src_.indexOf.find(files[i]->Parent ? files[i]->Parent : root);
        if (parent == src_.indexOf.end()) return DriveMessage(Msg::InternalError0005);
        src_.childFiles[parent->second].push_back(i);
    }
    return {};
}

// Long names: at most 255 bytes, each once in its folder.
std::string Builder::CheckNames() {
    const TDEntry* root = tree_.RootDir();
    const auto& files = tree_.FileEntries();
    std::vector<std::string_view> names;
    for (uint32_t d = 0; d < src_.dirs.size(); ++d) {
        names.clear();
        for (uint32_t c : src_.childDirs[d]) names.push_back(src_.dirs[c]->LongName);
        for (uint32_t f : src_.childFiles[d]) names.push_back(files[f]->LongName);
        std::sort(names.begin(), names.end());
        for (size_t i = 0; i < names.size(); ++i) {
            const std::string path = DiscPath(src_.dirs[d], root);
            const std::string full = (path == "/" ? "" : path) + "/" + std::string(names[i]);
            if (names[i].size() > kMaxNameBytes || names[i].empty()) return Failure(Msg::NameTooLong, {full});
            if (i > 0 && names[i] == names[i - 1]) return Failure(Msg::DuplicateName, {full});
        }
    }
    return {};
}

// Folders deeper than ISO 9660 allows move under rr_moved (level 2), where
// Rock Ridge readers find them back in place; only when asked.
std::string Builder::Relocate() {
    src_.relocated.assign(src_.dirs.size(), false);
    if (!options_.relocateDeep) return {};
    std::vector<int> depth(src_.dirs.size(), 0);
    std::deque<uint32_t> queue{src_.indexOf.at(tree_.RootDir())};
    depth[queue.front()] = 1;
    bool any = false;
    while (!queue.empty()) {
        const uint32_t d = queue.front();
        queue.pop_front();
        for (uint32_t c : src_.childDirs[d]) {
            depth[c] = depth[d] + 1;
            if (depth[c] > kMaxIsoDepth) {
                if (!options_.rockRidge) return Failure(Msg::TreeTooDeep, {DiscPath(src_.dirs[c], tree_.RootDir())});
                src_.relocated[c] = true;
                depth[c] = 3;
                any = true;
            }
            queue.push_back(c);
        }
    }
    if (any && src_.dirs.size() + 1 > kMaxPathTableDirs)
        return Failure(Msg::TooManyDirectories, {std::to_string(src_.dirs.size() + 1)});
    if (any) {
        model_.relocationDir = std::make_unique<TDEntry>();
        model_.relocationDir->LongName = ".rr_moved";
        model_.relocationDir->ShortName = "RR_MOVED";
        model_.relocationDir->ModTime = options_.buildTime;
    }
    return {};
}

void Builder::NameShort() {
    auto& files = tree_.FileEntries();
    std::vector<iso::NameRequest> requests;
    const auto wanted = [](const std::string& shortName, const std::string& longName) -> std::string_view {
        return shortName.empty() ? longName : shortName;
    };
    for (uint32_t d = 0; d < src_.dirs.size(); ++d) {
        requests.clear();
        for (uint32_t c : src_.childDirs[d]) requests.push_back({wanted(src_.dirs[c]->ShortName, src_.dirs[c]->LongName), true});
        for (uint32_t f : src_.childFiles[d]) requests.push_back({wanted(files[f]->ShortName, files[f]->LongName), false});
        const bool root = src_.dirs[d] == tree_.RootDir();
        if (root && model_.relocationDir) requests.push_back({model_.relocationDir->ShortName, true});
        std::vector<std::string> names = iso::UniqueShortNames(requests);
        size_t k = 0;
        for (uint32_t c : src_.childDirs[d]) const_cast<TDEntry*>(src_.dirs[c])->ShortName = std::move(names[k++]);
        for (uint32_t f : src_.childFiles[d]) files[f]->ShortName = std::move(names[k++]);
        if (root && model_.relocationDir) model_.relocationDir->ShortName = std::move(names[k]);
    }
    src_.relocatedName.assign(src_.dirs.size(), {});
    requests.clear();
    std::vector<uint32_t> moved;
    for (uint32_t d = 0; d < src_.dirs.size(); ++d)
        if (src_.relocated[d]) {
            moved.push_back(d);
            requests.push_back({src_.dirs[d]->ShortName, true});
        }
    std::vector<std::string> names = iso::UniqueShortNames(requests);
    for (size_t i = 0; i < moved.size(); ++i) src_.relocatedName[moved[i]] = std::move(names[i]);
}

TreeDir RootOf(const TDEntry* root, size_t subfolders) {
    TreeDir dir;
    dir.entry = root;
    dir.subfolders = static_cast<uint32_t>(subfolders);
    return dir;
}

struct Kid {
    std::string_view name;
    Kind kind;
    uint32_t index;  // real dir (UINT32_MAX: rr_moved) or file list index
};

// Sorted records of one folder; new folders are appended to the tree, so
// a breadth-first walk of `dirs` is the path table's order.
template <typename Less>
void AddChildren(Tree& tree, uint32_t at, std::vector<Kid>& kids, Less less, std::vector<uint32_t>& treeOf,
                 const Source& src, const TDEntry* relocationDir) {
    std::sort(kids.begin(), kids.end(), [&](const Kid& a, const Kid& b) { return less(a.name, b.name); });
    std::vector<Child> children;
    children.reserve(kids.size());
    for (const Kid& kid : kids) {
        if (kid.kind != Kind::Dir) {
            children.push_back({kid.kind, kid.kind == Kind::Stub ? treeOf[kid.index] : kid.index});
            continue;
        }
        TreeDir dir;
        const bool moved = kid.index == UINT32_MAX;
        dir.entry = moved ? relocationDir : src.dirs[kid.index];
        dir.parent = dir.realParent = at;
        dir.name = std::string(kid.name);
        if (!moved) {
            dir.subfolders = static_cast<uint32_t>(src.childDirs[kid.index].size());
            treeOf[kid.index] = static_cast<uint32_t>(tree.dirs.size());
        }
        children.push_back({Kind::Dir, static_cast<uint32_t>(tree.dirs.size())});
        tree.dirs.push_back(std::move(dir));
    }
    tree.dirs[at].children = std::move(children);
}

void Builder::BuildIsoTree() {
    const auto& files = tree_.FileEntries();
    Tree& iso = model_.iso;
    isoOf_.assign(src_.dirs.size(), UINT32_MAX);
    const uint32_t rootReal = src_.indexOf.at(tree_.RootDir());
    iso.dirs.push_back(RootOf(tree_.RootDir(), src_.childDirs[rootReal].size()));
    isoOf_[rootReal] = 0;
    std::vector<Kid> kids;
    for (size_t i = 0; i < iso.dirs.size(); ++i) {
        kids.clear();
        const TDEntry* entry = iso.dirs[i].entry;
        const bool moved = entry == model_.relocationDir.get();
        if (moved) {  // rr_moved holds every relocated folder
            for (uint32_t d = 0; d < src_.dirs.size(); ++d)
                if (src_.relocated[d]) kids.push_back({src_.relocatedName[d], Kind::Dir, d});
        } else {
            const uint32_t real = src_.indexOf.at(entry);
            for (uint32_t c : src_.childDirs[real])
                kids.push_back({src_.dirs[c]->ShortName, src_.relocated[c] ? Kind::Stub : Kind::Dir, c});
            for (uint32_t f : src_.childFiles[real])
                if (options_.rockRidge || !IsLink(*files[f])) kids.push_back({files[f]->ShortName, Kind::File, f});
            if (i == 0 && model_.relocationDir) kids.push_back({model_.relocationDir->ShortName, Kind::Dir, UINT32_MAX});
        }
        // A stub names a folder under rr_moved, which sits at level 2 and
        // so has its place before any folder deep enough to hold a stub.
        AddChildren(iso, static_cast<uint32_t>(i), kids, iso::IdentifierLess, isoOf_, src_,
                    model_.relocationDir.get());
        if (moved) iso.dirs[i].subfolders = static_cast<uint32_t>(iso.dirs[i].children.size());
    }
    for (TreeDir& dir : iso.dirs) {
        if (dir.entry == model_.relocationDir.get() || dir.entry == tree_.RootDir()) continue;
        const uint32_t real = src_.indexOf.at(dir.entry);
        if (!src_.relocated[real]) continue;
        dir.relocated = true;
        dir.realParent = isoOf_[src_.indexOf.at(dir.entry->Parent)];
    }
}

// Joliet names are made folder by folder as the walk reaches them; only
// those that differ from the plain conversion of the long name are kept.
void Builder::BuildJolietTree() {
    const auto& files = tree_.FileEntries();
    Tree& joliet = model_.joliet;
    std::vector<uint32_t> jolietOf(src_.dirs.size(), UINT32_MAX);
    const uint32_t rootReal = src_.indexOf.at(tree_.RootDir());
    joliet.dirs.push_back(RootOf(tree_.RootDir(), src_.childDirs[rootReal].size()));
    std::vector<Kid> kids;
    std::vector<std::string_view> longNames;
    for (size_t i = 0; i < joliet.dirs.size(); ++i) {
        const uint32_t real = src_.indexOf.at(joliet.dirs[i].entry);
        longNames.clear();
        for (uint32_t c : src_.childDirs[real]) longNames.push_back(src_.dirs[c]->LongName);
        for (uint32_t f : src_.childFiles[real])
            if (!IsLink(*files[f])) longNames.push_back(files[f]->LongName);
        const std::vector<std::string> names = iso::UniqueJolietNames(longNames);
        kids.clear();
        size_t k = 0;
        for (uint32_t c : src_.childDirs[real]) kids.push_back({names[k++], Kind::Dir, c});
        for (uint32_t f : src_.childFiles[real]) {
            if (IsLink(*files[f])) continue;
            if (names[k] != iso::Utf16BigEndian(files[f]->LongName, iso::kJolietUnits)) jolietNames_[f] = names[k];
            kids.push_back({names[k++], Kind::File, f});
        }
        AddChildren(joliet, static_cast<uint32_t>(i), kids, std::less<std::string_view>(), jolietOf, src_, nullptr);
    }
}

// Data follows the ISO tree's walk; files outside it (links without Rock
// Ridge) carry none. Hard links to one file send its data once.
void Builder::OrderData() {
    auto& list = tree_.FileEntries();
    std::vector<uint32_t> dataOf(list.size(), UINT32_MAX);
    const auto add = [&](uint32_t f) {
        dataOf[f] = static_cast<uint32_t>(model_.files.size());
        model_.files.push_back(list[f].get());
        model_.facts.push_back({});
        if (auto name = jolietNames_.find(f); name != jolietNames_.end())
            model_.jolietNames.emplace(dataOf[f], std::move(name->second));
    };
    for (const TreeDir& dir : model_.iso.dirs)
        for (const Child& c : dir.children)
            if (c.kind == Kind::File) add(c.index);
    for (uint32_t f = 0; f < list.size(); ++f)
        if (dataOf[f] == UINT32_MAX) {
            add(f);
            warnings_.push_back(FormatDriveMessage(Msg::LinkNeedsRockRidge, {list[f]->SourcePath}));
        }
    for (Tree* tree : {&model_.iso, &model_.joliet})
        for (TreeDir& dir : tree->dirs)
            for (Child& c : dir.children)
                if (c.kind == Kind::File) c.index = dataOf[c.index];

    std::map<std::pair<uint64_t, uint64_t>, uint32_t> first;
    const uint32_t dirSerials = static_cast<uint32_t>(model_.iso.dirs.size());
    for (uint32_t i = 0; i < model_.files.size(); ++i) {
        TFEntry& f = *model_.files[i];
        f.Attributes &= ~kAttrNoData;
        model_.facts[i].serial = dirSerials + 1 + i;
        if (IsLink(f) || f.Size <= 0 || (f.Attributes & kAttrOnDisc)) {
            f.Attributes |= kAttrNoData;
            continue;
        }
        if (f.Device == 0 && f.Inode == 0) continue;
        auto [at, fresh] = first.try_emplace({f.Device, f.Inode}, i);
        if (fresh) continue;
        f.Attributes |= kAttrNoData;
        model_.facts[i].serial = model_.facts[at->second].serial;
        linkOf_.emplace_back(i, at->second);
        ++model_.facts[at->second].links;
    }
    for (auto [follower, leader] : linkOf_) model_.facts[follower].links = model_.facts[leader].links;
}

// The UDF tree follows the source tree, folders breadth first.
std::string Builder::PrepareUdf() {
    std::unordered_map<const TFEntry*, uint32_t> dataOf;
    for (uint32_t i = 0; i < model_.files.size(); ++i) dataOf.emplace(model_.files[i], i);
    const auto& files = tree_.FileEntries();
    std::vector<udf::Folder> folders;
    std::vector<uint32_t> real{src_.indexOf.at(tree_.RootDir())};
    for (size_t k = 0; k < real.size(); ++k) {
        udf::Folder folder{src_.dirs[real[k]], {}, {}};
        for (uint32_t c : src_.childDirs[real[k]]) {
            folder.folders.push_back(static_cast<uint32_t>(real.size()));
            real.push_back(c);
        }
        for (uint32_t f : src_.childFiles[real[k]]) folder.files.push_back(dataOf.at(files[f].get()));
        folders.push_back(std::move(folder));
    }
    return udf_.Prepare(std::move(folders), model_);
}

// The image's sectors, in this order; all but the files' data make the
// header, built in memory. With UDF its structures take their places
// around these (UdfLayout.h): its descriptors up to its anchor at 256, the
// ISO tree from 257, UDF's folders after the continuation areas, the
// files' UDF entries and the last anchor after the data. UDF's partition
// runs from 257 to the last anchor, so both trees name the same extents.
//   system area         16 sectors of zeros
//   descriptors         primary, Joliet (when asked for), terminator
//   path tables         each tree's L table, then its M table; ISO, then Joliet
//   ISO folders         in path table order
//   Joliet folders      in path table order
//   continuation areas  Rock Ridge entries that did not fit in their records
//   files               those with data, in data order, each from a new sector
int64_t Builder::AssignExtents(std::string& error) {
    uint32_t next = options_.sessionStart + (options_.udf ? udf::kAfterAnchor : kSystemArea + 2 + (options_.joliet ? 1 : 0));
    for (Tree* tree : {&model_.iso, &model_.joliet}) {
        if (tree->joliet && !options_.joliet) continue;
        tree->pathTableSize = iso::PathTableSize(*tree);
        const auto sectors = static_cast<uint32_t>(SectorsOf(tree->pathTableSize));
        tree->pathTableL = next;
        tree->pathTableM = next + sectors;
        next += 2 * sectors;
    }
    iso::MeasureDirectories(model_);
    for (Tree* tree : {&model_.iso, &model_.joliet})
        for (TreeDir& dir : tree->dirs) {
            dir.extent = next;
            next += dir.size / kSectorSize;
        }
    model_.continuationStart = next;
    next += model_.continuationBlocks;
    if (options_.udf) next = udf_.Place(next);
    const int64_t header = next - options_.sessionStart;
    if (header * kSectorSize > options_.headerLimit) {
        error = Failure(Msg::HeaderTooLarge, {std::to_string(header * kSectorSize), std::to_string(options_.headerLimit)});
        return -1;
    }
    int64_t end = next;
    for (uint32_t i = 0; i < model_.files.size(); ++i)
        if (CarriesData(*model_.files[i])) end += SectorsOf(model_.files[i]->Size);
    if (options_.udf) end += udf_.FileEntryCount() + 1;  // and the last anchor
    if (end > std::numeric_limits<uint32_t>::max()) {
        error = Failure(Msg::DiscTooLarge, {std::to_string(end)});
        return -1;
    }
    return header;
}

void Builder::SaveEntries() {
    for (const TDEntry* d : src_.dirs) savedDirNames_.push_back(d->ShortName);
    for (const auto& f : tree_.FileEntries()) {
        savedFileNames_.push_back(f->ShortName);
        savedAttributes_.push_back(f->Attributes);
    }
}

void Builder::RestoreEntries() {
    for (size_t i = 0; i < src_.dirs.size(); ++i) const_cast<TDEntry*>(src_.dirs[i])->ShortName = std::move(savedDirNames_[i]);
    const auto& files = tree_.FileEntries();
    for (size_t i = 0; i < files.size(); ++i) {
        files[i]->ShortName = std::move(savedFileNames_[i]);
        files[i]->Attributes = savedAttributes_[i];
    }
}

ImageLayout Builder::Run() {
    ImageLayout out;
    out.totalSectors = -1;
    for (auto step : {&Builder::Collect, &Builder::CheckNames, &Builder::Relocate}) {
        out.error = (this->*step)();
        if (!out.error.empty()) return out;
    }
    SaveEntries();
    NameShort();
    BuildIsoTree();
    if (options_.joliet) BuildJolietTree();
    OrderData();
    // A later session's UDF would need a virtual allocation table: only a
    // first session carries one.
    if (options_.udf && options_.sessionStart != 0) out.error = Failure(Msg::UdfNotAppendable, {});
    else if (options_.udf) out.error = PrepareUdf();
    const int64_t header = out.error.empty() ? AssignExtents(out.error) : -1;
    if (header < 0) {
        RestoreEntries();
        return out;
    }

    // Extents only now, when nothing can fail any more.
    uint32_t next = options_.sessionStart + static_cast<uint32_t>(header);
    for (TFEntry* f : model_.files) {
        if (f->Attributes & kAttrOnDisc) continue;
        f->Extent = CarriesData(*f) ? next : 0;
        next += static_cast<uint32_t>(CarriesData(*f) ? SectorsOf(f->Size) : 0);
    }
    for (auto [follower, leader] : linkOf_) model_.files[follower]->Extent = model_.files[leader]->Extent;
    if (options_.udf) next = udf_.PlaceFiles(next) + 1;  // the files' entries, the last anchor
    out.totalSectors = next - options_.sessionStart;
    tree_.OrderFiles(model_.files);
    out.warnings = std::move(warnings_);
    if (options_.sizeOnly) return out;
    out.header.assign(static_cast<size_t>(header * kSectorSize), 0);
    iso::WriteVolumeDescriptors(model_, next, out.header);
    for (const Tree* tree : {&model_.iso, &model_.joliet}) {
        if (tree->joliet && !options_.joliet) continue;
        const uint32_t start = options_.sessionStart;
        iso::WritePathTable(*tree, false, out.header.data() + size_t{tree->pathTableL - start} * kSectorSize);
        iso::WritePathTable(*tree, true, out.header.data() + size_t{tree->pathTableM - start} * kSectorSize);
    }
    iso::WriteDirectories(model_, out.header);
    if (options_.udf) out.trailer = udf_.Write(model_, kSystemArea + 2 + (options_.joliet ? 1 : 0), next, out.header);
    return out;
}

}  // namespace

ImageLayout BuildImageLayout(TImageTree& tree, const LayoutOptions& options) {
    if (!tree.RootDir()) {
        ImageLayout out;
        out.totalSectors = -1;
        out.error = DriveMessage(Msg::InternalError0005);
        return out;
    }
    return Builder(tree, options).Run();
}

std::string VolumeIdFromName(const std::string& name) {
    std::string id = iso::DCharacters(name, 32);
    return id.empty() ? "CDROM" : id;
}

}  // namespace kq
