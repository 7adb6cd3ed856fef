// The tree is read folder by folder, breadth first, so a folder's entry
// always comes before its children's; a failure anywhere leaves no tree.
#include "burner/IsoReader.h"

#include "burner/IsoFields.h"
#include "burner/IsoStructures.h"
#include "burner/SystemUseReader.h"

#include <algorithm>
#include <deque>
#include <unordered_set>

namespace kq::iso {

namespace {

constexpr size_t kSector = 2048;
constexpr int kMostContinuations = 32;  // per record: CE after CE
constexpr uint32_t kDirMode = 040555, kFileMode = 0100444;

struct Folder {
    size_t entry;
    uint32_t sector;
    uint32_t bytes;  // 0: a relocated folder, sized by its own "." record
    size_t depth;
};

// What one directory record says, before it becomes an entry.
struct Found {
    std::string_view identifier;
    uint32_t extent = 0, bytes = 0;
    uint8_t flags = 0;
    rr::SystemUse use;
};

class TreeReader {
public:
    TreeReader(const SectorSource& source, const ReadLimits& limits, DiscTree& tree)
        : source_(source), limits_(limits), tree_(tree) {}

    bool Walk(uint32_t rootSector, uint32_t rootBytes, bool joliet);
    // Some writers record a later session's size alone, not its end: the
    // volume's sectors are bounded from the session's start.
    void SetEnd(uint32_t sessionStart) { end_ = uint64_t{sessionStart} + tree_.volumeSectors; }
    bool Fail(uint32_t sector, const std::string& why);

private:
    bool ReadFolder(const Folder& folder);
    bool ReadSector(uint32_t sector, std::span<const uint8_t>& out);
    bool ParseRecord(std::span<const uint8_t> r, uint32_t sector, Found& found);
    bool FollowContinuations(rr::SystemUse& use, uint32_t sector);
    bool AddEntry(const Folder& folder, Found& found, uint32_t sector);
    bool Within(uint32_t sector, uint64_t bytes) const;

    const SectorSource& source_;
    const ReadLimits& limits_;
    DiscTree& tree_;
    uint64_t end_ = 0;
    bool joliet_ = false;
    uint8_t skip_ = 0;
    std::deque<Folder> queue_;
    std::unordered_set<uint32_t> seen_;
    std::vector<uint8_t> folderBytes_;
    std::vector<uint8_t> one_ = std::vector<uint8_t>(kSector);
    uint32_t oneSector_ = UINT32_MAX;
    bool lastMulti_ = false;  // the last entry's record went on in the next
    std::string lastIdentifier_;
};

bool TreeReader::Fail(uint32_t sector, const std::string& why) {
    tree_.error = "sector " + std::to_string(sector) + ": " + why;
    tree_.entries.clear();
    return false;
}

bool TreeReader::Within(uint32_t sector, uint64_t bytes) const {
    return uint64_t{sector} + (bytes + kSector - 1) / kSector <= end_;
}

bool TreeReader::ReadSector(uint32_t sector, std::span<const uint8_t>& out) {
    if (sector != oneSector_) {
        if (!source_(sector, one_)) return Fail(sector, "cannot be read");
        oneSector_ = sector;
    }
    out = one_;
    return true;
}

std::string IsoName(std::string_view id, bool folder) {
    std::string name(id);
    if (!folder) {
        if (const size_t semicolon = name.rfind(';'); semicolon != std::string::npos) name.resize(semicolon);
        if (!name.empty() && name.back() == '.') name.pop_back();
    }
    return name;
}

// UCS-2 (UTF-16 in practice), big-endian, to UTF-8.
std::string JolietName(std::string_view id, bool folder) {
    std::string out;
    for (size_t i = 0; i + 1 < id.size(); i += 2) {
        uint32_t c = uint8_t(id[i]) << 8 | uint8_t(id[i + 1]);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < id.size()) {
            const uint32_t low = uint8_t(id[i + 2]) << 8 | uint8_t(id[i + 3]);
            if (low >= 0xDC00 && low < 0xE000) c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00), i += 2;
        }
        if (c < 0x80) out += char(c);
        else if (c < 0x800) out += char(0xC0 | c >> 6), out += char(0x80 | (c & 0x3F));
        else if (c < 0x10000)
            out += char(0xE0 | c >> 12), out += char(0x80 | (c >> 6 & 0x3F)), out += char(0x80 | (c & 0x3F));
        else
            out += char(0xF0 | c >> 18), out += char(0x80 | (c >> 12 & 0x3F)), out += char(0x80 | (c >> 6 & 0x3F)),
                out += char(0x80 | (c & 0x3F));
    }
    return IsoName(out, folder);
}

bool TreeReader::FollowContinuations(rr::SystemUse& use, uint32_t sector) {
    for (int hop = 0; use.next && !use.stop; ++hop) {
        const rr::Continuation at = *use.next;
        use.next.reset();
        if (hop == kMostContinuations) return Fail(sector, "continuation areas lead on without end");
        if (at.offset > kSector || at.length > kSector - at.offset || !Within(at.sector, 1))
            return Fail(sector, "a continuation area lies outside the volume's sectors");
        std::span<const uint8_t> area;
        if (!ReadSector(at.sector, area)) return false;
        if (std::string why = rr::ReadSystemUse(area.subspan(at.offset, at.length), use); !why.empty())
            return Fail(at.sector, why);
    }
    return true;
}

bool TreeReader::ParseRecord(std::span<const uint8_t> r, uint32_t sector, Found& found) {
    const size_t nameLength = r[dirrec::kNameLengthByte];
    if (dirrec::kNameAt + nameLength > r.size()) return Fail(sector, "a record's name runs past the record");
    const auto extent = GetBoth32(r.subspan(dirrec::kExtent.at, dirrec::kExtent.length));
    const auto bytes = GetBoth32(r.subspan(dirrec::kDataLength.at, dirrec::kDataLength.length));
    if (!extent || !bytes) return Fail(sector, "a record's two byte orders disagree");
    found.identifier = {reinterpret_cast<const char*>(r.data() + dirrec::kNameAt), nameLength};
    found.extent = *extent;
    found.bytes = *bytes;
    found.flags = r[dirrec::kFlagsByte];
    found.use.time = RecordTime(r.subspan(dirrec::kDate.at, dirrec::kDate.length));
    if (joliet_) return true;
    const size_t areaAt = dirrec::kNameAt + nameLength + (nameLength % 2 == 0 ? 1 : 0) + skip_;
    if (areaAt >= r.size()) return true;
    if (std::string why = rr::ReadSystemUse(r.subspan(areaAt), found.use); !why.empty()) return Fail(sector, why);
    return FollowContinuations(found.use, sector);
}

void Describe(DiscEntry& e, const rr::SystemUse& use) {
    e.mode = use.mode.value_or(e.directory ? kDirMode : kFileMode);
    e.links = use.links;
    e.owner = use.owner;
    e.group = use.group;
    e.time = use.time.value_or(0);
    if (use.linkTarget) e.linkTarget = *use.linkTarget;
}

bool TreeReader::AddEntry(const Folder& folder, Found& found, uint32_t sector) {
    const bool multi = lastMulti_ && found.identifier == lastIdentifier_;
    lastMulti_ = found.flags & dirrec::kMultiExtent;
    lastIdentifier_ = found.identifier;
    if (found.use.relocatedAway) return true;
    const bool directory = (found.flags & dirrec::kDirectory) || found.use.childFolder;
    if (!directory && found.bytes > 0 && !Within(found.extent, found.bytes))
        return Fail(sector, "a file's data lies outside the volume");
    if (multi && !tree_.entries.back().directory) {
        DiscEntry& e = tree_.entries.back();
        e.extents.push_back({found.extent, found.bytes});
        e.size += found.bytes;
        return true;
    }
    if (tree_.entries.size() >= limits_.entries)
        return Fail(sector, "the tree holds more than " + std::to_string(limits_.entries) + " entries");
    DiscEntry e;
    e.parent = static_cast<int32_t>(folder.entry);
    e.directory = directory;
    e.name = found.use.name ? *found.use.name
             : joliet_     ? JolietName(found.identifier, directory)
                           : IsoName(found.identifier, directory);
    if (e.name.empty() || e.name == "." || e.name == ".." || e.name.find('/') != std::string::npos)
        return Fail(sector, "a record names no file");
    Describe(e, found.use);
    if (!directory) {
        e.extents.push_back({found.extent, found.bytes});
        e.size = found.bytes;
    }
    tree_.entries.push_back(std::move(e));
    if (!directory) return true;
    const Folder child{tree_.entries.size() - 1, found.use.childFolder.value_or(found.extent),
                       found.use.childFolder ? 0 : found.bytes, folder.depth + 1};
    if (child.depth > limits_.depth)
        return Fail(sector, "folders nested deeper than " + std::to_string(limits_.depth) + " levels");
    if (!seen_.insert(child.sector).second) return Fail(sector, "a folder is listed twice");
    queue_.push_back(child);
    return true;
}

bool TreeReader::ReadFolder(const Folder& given) {
    Folder folder = given;
    if (folder.bytes == 0) {  // moved away: its own "." record gives its size
        std::span<const uint8_t> first;
        if (!Within(folder.sector, 1)) return Fail(folder.sector, "a folder lies outside the volume");
        if (!ReadSector(folder.sector, first)) return false;
        const auto bytes = GetBoth32(first.subspan(dirrec::kDataLength.at, dirrec::kDataLength.length));
        if (first[0] < dirrec::kRootLength || !bytes || *bytes == 0) return Fail(folder.sector, "a folder without its own record");
        folder.bytes = *bytes;
    }
    if (folder.bytes > limits_.folderBytes)
        return Fail(folder.sector, "a folder of " + std::to_string(folder.bytes) + " bytes is more than the reader takes");
    if (!Within(folder.sector, folder.bytes)) return Fail(folder.sector, "a folder lies outside the volume");
    const uint32_t sectors = static_cast<uint32_t>((uint64_t{folder.bytes} + kSector - 1) / kSector);
    folderBytes_.resize(size_t{sectors} * kSector);
    if (!source_(folder.sector, folderBytes_)) return Fail(folder.sector, "cannot be read");
    lastMulti_ = false;
    for (uint32_t s = 0; s < sectors; ++s) {
        const uint32_t sector = folder.sector + s;
        const auto data = std::span<const uint8_t>(folderBytes_).subspan(size_t{s} * kSector, kSector);
        const size_t end = std::min<size_t>(kSector, folder.bytes - size_t{s} * kSector);
        for (size_t at = 0; at < end && data[at] != 0;) {
            const size_t length = data[at];
            if (length < dirrec::kRootLength || length > kSector - at)
                return Fail(sector, "a directory record runs past its sector");
            Found found;
            if (!ParseRecord(data.subspan(at, length), sector, found)) return false;
            at += length;
            tree_.rockRidge = tree_.rockRidge || found.use.rockRidge;
            if (found.identifier.size() == 1 && found.identifier[0] == '\1') continue;
            if (found.identifier.size() != 1 || found.identifier[0] != '\0') {
                if (!AddEntry(folder, found, sector)) return false;
                continue;
            }
            if (folder.entry == 0 && found.use.sharingProtocol) {
                tree_.rockRidge = true;
                skip_ = found.use.skip;
            }
            Describe(tree_.entries[folder.entry], found.use);  // "." holds the folder's own entries
        }
    }
    return true;
}

bool TreeReader::Walk(uint32_t rootSector, uint32_t rootBytes, bool joliet) {
    joliet_ = joliet;
    skip_ = 0;
    tree_.entries.assign(1, DiscEntry{});
    tree_.entries[0].directory = true;
    tree_.entries[0].mode = kDirMode;
    if (rootBytes == 0) return Fail(rootSector, "the root folder has no records");
    seen_ = {rootSector};
    queue_ = {Folder{0, rootSector, rootBytes, 0}};
    while (!queue_.empty()) {
        const Folder folder = queue_.front();
        queue_.pop_front();
        if (!ReadFolder(folder)) return false;
    }
    return true;
}

struct Root {
    uint32_t sector = 0, bytes = 0;
};

std::optional<Root> RootOf(std::span<const uint8_t> descriptor) {
    const auto record = descriptor.subspan(vd::kRootRecord.at, vd::kRootRecord.length);
    const auto sector = GetBoth32(record.subspan(dirrec::kExtent.at, dirrec::kExtent.length));
    const auto bytes = GetBoth32(record.subspan(dirrec::kDataLength.at, dirrec::kDataLength.length));
    if (!sector || !bytes) return std::nullopt;
    return Root{*sector, *bytes};
}

bool IsJoliet(std::span<const uint8_t> descriptor) {
    const auto escapes = descriptor.subspan(vd::kEscapes.at, 3);
    return escapes[0] == '%' && escapes[1] == '/' && (escapes[2] == '@' || escapes[2] == 'C' || escapes[2] == 'E');
}

std::string Trimmed(std::span<const uint8_t> field) {
    std::string text(field.begin(), field.end());
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

constexpr uint32_t kMostDescriptors = 64;

// The primary descriptor's root, and the Joliet one's if there is one.
bool ReadDescriptors(const SectorSource& source, uint32_t start, TreeReader& reader, DiscTree& tree,
                     std::optional<Root>& primary, std::optional<Root>& joliet) {
    std::vector<uint8_t> d(kSector);
    for (uint32_t i = 0; i < kMostDescriptors; ++i) {
        const uint32_t sector = start + vd::kFirstSector + i;
        if (!source(sector, d)) return reader.Fail(sector, "cannot be read");
        const std::string_view id(reinterpret_cast<const char*>(&d[vd::kStandardIdField.at]), vd::kStandardIdField.length);
        if (id != vd::kStandardId || d[vd::kTypeByte] == vd::kTerminator) break;
        if (d[vd::kTypeByte] == vd::kPrimary && !primary) {
            const auto volume = ReadPrimaryVolume(d);
            if (!volume || !(primary = RootOf(d))) return reader.Fail(sector, "a damaged primary volume descriptor");
            tree.volumeSectors = volume->sectors;
            tree.volumeId = Trimmed(std::span(d).subspan(vd::kVolumeId.at, vd::kVolumeId.length));
        } else if (d[vd::kTypeByte] == vd::kSupplementary && IsJoliet(d) && !joliet) {
            joliet = RootOf(d);
        }
    }
    if (!primary) return reader.Fail(start + vd::kFirstSector, "holds no ISO 9660 volume descriptor");
    return true;
}

}  // namespace

DiscTree ReadDiscTree(const SectorSource& source, uint32_t sessionStart, const ReadLimits& limits) {
    DiscTree tree;
    std::optional<Root> primary, joliet;
    {
        TreeReader reader(source, limits, tree);
        if (!ReadDescriptors(source, sessionStart, reader, tree, primary, joliet)) return tree;
        reader.SetEnd(sessionStart);
        if (!reader.Walk(primary->sector, primary->bytes, false)) return tree;
    }
    tree.joliet = joliet.has_value();
    if (tree.rockRidge || !joliet) return tree;
    // Without Rock Ridge the Joliet tree keeps the longer, truer names.
    TreeReader reader(source, limits, tree);
    reader.SetEnd(sessionStart);
    reader.Walk(joliet->sector, joliet->bytes, true);
    return tree;
}

std::string DiscTree::PathOf(size_t entry) const {
    if (entry == 0) return "/";
    std::vector<const std::string*> names;
    for (int32_t at = static_cast<int32_t>(entry); at > 0; at = entries[at].parent) names.push_back(&entries[at].name);
    std::string path;
    for (auto it = names.rbegin(); it != names.rend(); ++it) path += "/" + **it;
    return path;
}

}  // namespace kq::iso
