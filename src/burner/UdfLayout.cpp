// The UDF tree: one file entry per folder, file and link (hard links
// share theirs), each folder's identifiers after its entry.
#include "burner/UdfLayout.h"

#include "burner/IsoNames.h"
#include "burner/UdfFields.h"
#include "drive/DriveMessages.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace kq::udf {

namespace {

// The longest extent a short allocation descriptor holds in whole blocks.
constexpr uint64_t kMaxExtent = (uint64_t{1} << 30) - kBlock;
constexpr size_t kEntryFixed = 176;
constexpr size_t kShortAd = 8;
constexpr size_t kMaxAds = (kBlock - kEntryFixed) / kShortAd;
constexpr uint64_t kFirstUniqueId = 16;  // 1 to 15 are kept for other uses
constexpr uint8_t kTypeFolder = 4, kTypeFile = 5, kTypeLink = 12;
constexpr uint8_t kIsFolder = 0x02, kIsParent = 0x08;

uint64_t BlocksOf(uint64_t bytes) { return (bytes + kBlock - 1) / kBlock; }

size_t IdentifierSize(size_t nameBytes) { return (38 + nameBytes + 3) / 4 * 4; }

// A link's target as path components: the root, ".", ".." and names;
// empty names ("a//b") are none. False when a name is too long for one.
bool PathComponents(std::string_view target, std::string& out) {
    if (target.starts_with('/')) out.append({2, 0, 0, 0});
    while (!target.empty()) {
        const size_t slash = target.find('/');
        const std::string_view part = target.substr(0, slash);
        target = slash == std::string_view::npos ? std::string_view{} : target.substr(slash + 1);
        if (part.empty()) continue;
        if (part == "." || part == "..") {
            out.append({static_cast<char>(part == "." ? 4 : 3), 0, 0, 0});
            continue;
        }
        const std::string name = Compressed(part, std::numeric_limits<size_t>::max());
        if (name.size() > 255) return false;
        out.append({5, static_cast<char>(name.size()), 0, 0});
        out += name;
    }
    return true;
}

// ECMA-167's permission bits from POSIX ones: other, group, owner in
// fields of five bits (execute, write, read first).
uint32_t Permissions(uint32_t mode) { return (mode & 7) | ((mode >> 3 & 7) << 5) | ((mode >> 6 & 7) << 10); }

uint16_t IcbFlags(uint32_t mode) {
    return static_cast<uint16_t>(((mode & 04000) ? 0x40 : 0) | ((mode & 02000) ? 0x80 : 0) | ((mode & 01000) ? 0x100 : 0));
}

std::string Failure(Msg id, const std::string& arg) { return FormatDriveMessage(id, {arg}); }

}  // namespace

std::string Layout::Prepare(std::vector<Folder> folders, const iso::Model& model) {
    folders_ = std::move(folders);
    nodes_.clear();
    nodeOfFolder_.assign(folders_.size(), 0);
    nodes_.push_back({Type::Folder, 0});
    std::unordered_map<uint32_t, uint32_t> nodeOfSerial;
    for (uint32_t f = 0; f < folders_.size(); ++f)
        if (std::string error = AddFolder(f, model, nodeOfSerial); !error.empty()) return error;
    if (nodes_.size() > std::numeric_limits<uint32_t>::max() - kFirstUniqueId)
        return Failure(Msg::UdfTooManyEntries, std::to_string(nodes_.size()));
    for (size_t i = 1; i < nodes_.size(); ++i) nodes_[i].uniqueId = kFirstUniqueId + i - 1;
    const auto isFile = [](const Node& n) { return n.type == Type::File; };
    fileEntries_ = static_cast<uint32_t>(std::count_if(nodes_.begin(), nodes_.end(), isFile));
    return {};
}

std::string Layout::AddFolder(uint32_t folder, const iso::Model& model,
                              std::unordered_map<uint32_t, uint32_t>& nodeOfSerial) {
    const Folder& f = folders_[folder];
    const uint32_t self = nodeOfFolder_[folder];
    std::vector<std::string_view> longNames;
    for (uint32_t c : f.folders) longNames.push_back(folders_[c].entry->LongName);
    for (uint32_t i : f.files) longNames.push_back(model.files[i]->LongName);
    const std::vector<std::u16string> names = iso::UniqueUdfNames(longNames);
    std::vector<Identifier> ids;
    ids.reserve(names.size());
    for (size_t k = 0; k < f.folders.size(); ++k) {
        nodeOfFolder_[f.folders[k]] = static_cast<uint32_t>(nodes_.size());
        Node node{Type::Folder, f.folders[k]};
        node.parent = self;
        nodes_.push_back(std::move(node));
        ids.push_back({Compressed(names[k], 255), nodeOfFolder_[f.folders[k]]});
    }
    for (size_t k = 0; k < f.files.size(); ++k) {
        const uint32_t i = f.files[k];
        const TFEntry& file = *model.files[i];
        auto [at, fresh] = nodeOfSerial.try_emplace(model.facts[i].serial, static_cast<uint32_t>(nodes_.size()));
        if (fresh) {
            const bool link = (file.Attributes & kAttrSymbolicLink) != 0;
            Node node{link ? Type::Link : Type::File, i};
            node.links = static_cast<uint16_t>(std::min<uint32_t>(model.facts[i].links, 0xFFFF));
            node.bytes = link ? 0 : static_cast<uint64_t>(std::max<int64_t>(file.Size, 0));
            if (link && !PathComponents(file.LinkTarget, node.path)) return Failure(Msg::UdfLinkTooLong, file.SourcePath);
            if (link) node.bytes = node.path.size();
            if (!link && BlocksOf(node.bytes) > kMaxAds * (kMaxExtent / kBlock))
                return Failure(Msg::UdfFileTooLarge, file.SourcePath);
            nodes_.push_back(std::move(node));
        }
        ids.push_back({Compressed(names[f.folders.size() + k], 255), at->second});
    }
    std::sort(ids.begin(), ids.end(), [](const Identifier& a, const Identifier& b) { return a.name < b.name; });
    uint64_t bytes = IdentifierSize(0);
    for (const Identifier& id : ids) bytes += IdentifierSize(id.name.size());
    if (bytes > kMaxExtent) return Failure(Msg::UdfFolderTooLarge, DiscPath(f.entry, folders_[0].entry));
    Node& node = nodes_[self];
    node.bytes = bytes;
    node.links = static_cast<uint16_t>(std::min<size_t>(1 + f.folders.size(), 0xFFFF));
    node.ids = std::move(ids);
    return {};
}

uint32_t Layout::Place(uint32_t next) {
    fileSet_ = next;
    next += 2;  // the file set descriptor and its terminator
    files_ = 0;
    for (uint32_t f = 0; f < folders_.size(); ++f) {
        Node& folder = nodes_[nodeOfFolder_[f]];
        folder.entry = next;
        next += 1 + static_cast<uint32_t>(BlocksOf(folder.bytes));
        for (const Identifier& id : folder.ids) {
            Node& node = nodes_[id.node];
            if (node.type != Type::Link || node.entry != 0) continue;
            node.entry = next;
            next += 1 + static_cast<uint32_t>(BlocksOf(node.bytes));
            ++files_;
        }
    }
    return next;
}

uint32_t Layout::PlaceFiles(uint32_t next) {
    firstFileEntry_ = next;
    for (Node& node : nodes_)
        if (node.type == Type::File) {
            node.entry = next++;
            ++files_;
        }
    return next;
}

namespace {

// The files' entries, each made from its entry in the tree as it is sent;
// then the last anchor.
class FileEntries final : public TTrailerSectors {
public:
    FileEntries(const LayoutOptions& options, uint32_t first) : options_(options), first_(first) {
        model_.options = &options_;
    }
    uint32_t Count() const override { return static_cast<uint32_t>(entries_.size()) + 1; }
    void Put(uint32_t index, uint8_t* sector) const override {
        const std::span<uint8_t> block(sector, kBlock);
        std::fill(block.begin(), block.end(), 0);
        if (index == entries_.size()) return WriteAnchor(block, first_ + index);
        EntryFacts facts = entries_[index].facts;
        const TFEntry& f = *entries_[index].file;
        facts.time = model_.TimeOf(f.ModTime);
        facts.data = f.Extent;
        PutEntry(block, first_ + index, facts);
    }
    void Add(const TFEntry* file, const EntryFacts& facts) { entries_.push_back({file, facts}); }

private:
    struct Entry {
        const TFEntry* file;
        EntryFacts facts;
    };
    LayoutOptions options_;
    iso::Model model_;
    uint32_t first_;
    std::vector<Entry> entries_;
};

}  // namespace

std::shared_ptr<const TTrailerSectors> Layout::Write(const iso::Model& model, uint32_t vrs, uint32_t totalSectors,
                                                     std::vector<uint8_t>& header) const {
    WriteDescriptors(model, vrs, totalSectors, header);
    auto trailer = std::make_shared<FileEntries>(*model.options, firstFileEntry_);
    for (const Node& node : nodes_) {
        const EntryFacts facts = FactsOf(model, node);
        if (node.type == Type::File) {
            trailer->Add(model.files[node.index], facts);
            continue;
        }
        PutEntry({header.data() + size_t{node.entry} * kBlock, kBlock}, node.entry, facts);
        if (node.type == Type::Folder) WriteIdentifiers(node, header);
        else std::copy(node.path.begin(), node.path.end(), header.begin() + (size_t{node.entry} + 1) * kBlock);
    }
    return trailer;
}

EntryFacts Layout::FactsOf(const iso::Model& model, const Node& node) const {
    const bool folder = node.type == Type::Folder;
    const TDEntry* dir = folder ? folders_[node.index].entry : nullptr;
    const TFEntry* file = folder ? nullptr : model.files[node.index];
    EntryFacts facts{folder ? kTypeFolder : node.type == Type::Link ? kTypeLink : kTypeFile,
                     folder ? dir->Mode : file->Mode,
                     folder ? dir->Owner : file->Owner,
                     folder ? dir->Group : file->Group,
                     node.links,
                     node.bytes,
                     model.TimeOf(folder ? dir->ModTime : file->ModTime),
                     node.uniqueId,
                     node.type == Type::File ? file->Extent : node.entry + 1};  // folders and links: after the entry
    return facts;
}

void PutEntry(std::span<uint8_t> fe, uint32_t sector, const EntryFacts& e) {
    Put16(fe.subspan(20), 4);  // strategy 4: one entry
    Put16(fe.subspan(24), 1);
    fe[27] = e.type;
    Put16(fe.subspan(34), IcbFlags(e.mode));  // short allocation descriptors
    Put32(fe.subspan(36), e.owner);
    Put32(fe.subspan(40), e.group);
    Put32(fe.subspan(44), Permissions(e.mode));
    Put16(fe.subspan(48), e.links);
    Put64(fe.subspan(56), e.bytes);
    Put64(fe.subspan(64), BlocksOf(e.bytes));
    for (size_t at : {72, 84, 96}) PutTimestamp(fe.subspan(at), e.time);
    Put32(fe.subspan(108), 1);  // checkpoint
    PutImplementation(fe.subspan(128));
    Put64(fe.subspan(160), e.uniqueId);
    size_t ads = 0;
    for (uint64_t left = e.bytes; left > 0; ++ads) {
        const auto length = static_cast<uint32_t>(std::min(left, kMaxExtent));
        PutShortAd(fe.subspan(kEntryFixed + ads * kShortAd), length,
                   Lbn(e.data) + static_cast<uint32_t>(ads * (kMaxExtent / kBlock)));
        left -= length;
    }
    Put32(fe.subspan(172), static_cast<uint32_t>(ads * kShortAd));
    PutTag(fe.first(kEntryFixed + ads * kShortAd), tag::kFileEntry, Lbn(sector));
}

// Identifiers may run across blocks; each tag names the block it starts in.
void Layout::WriteIdentifiers(const Node& node, std::vector<uint8_t>& header) const {
    const uint32_t start = node.entry + 1;
    size_t offset = 0;
    const auto put = [&](std::string_view name, const Node& to, uint8_t characteristics) {
        const size_t size = IdentifierSize(name.size());
        const std::span<uint8_t> fid(header.data() + size_t{start} * kBlock + offset, size);
        Put16(fid.subspan(16), 1);
        fid[18] = characteristics;
        fid[19] = static_cast<uint8_t>(name.size());
        PutLongAd(fid.subspan(20), kBlock, Lbn(to.entry));
        Put32(fid.subspan(32), static_cast<uint32_t>(to.uniqueId));
        std::copy(name.begin(), name.end(), fid.begin() + 38);
        PutTag(fid, tag::kFileIdentifier, Lbn(start + static_cast<uint32_t>(offset / kBlock)));
        offset += size;
    };
    put({}, nodes_[node.parent], kIsFolder | kIsParent);
    for (const Identifier& id : node.ids)
        put(id.name, nodes_[id.node], nodes_[id.node].type == Type::Folder ? kIsFolder : 0);
}

}  // namespace kq::udf
