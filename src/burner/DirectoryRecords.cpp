// Directory extents of both trees: "." and "..", then each folder's
// records in order, none crossing a sector; files of 4 GiB and more as
// several records of one name, all but the last marked multi-extent.
// With Rock Ridge every record of the ISO tree carries its entries, the
// ones that do not fit in continuation areas.
#include "burner/IsoFields.h"
#include "burner/IsoNames.h"
#include "burner/IsoStructures.h"
#include "burner/LayoutModel.h"
#include "burner/RockRidge.h"

#include <algorithm>
#include <cstring>

namespace kq::iso {

namespace {

constexpr uint32_t kSectionBytes = 0xFFFFF800;  // the largest whole-sector extent
constexpr size_t kMaxRecord = 254;  // records keep an even length
constexpr uint32_t kTypeMask = 0170000;

// A record's fields and its Rock Ridge entries.
struct Record : RecordFields {
    std::string susp;
};

uint32_t WithType(uint32_t mode, uint32_t type) { return (mode & kTypeMask) ? mode : (mode & 07777) | type; }

class DirWriter {
public:
    // header: null while measuring; continuation areas are taken in the
    // same order in both passes, so they land where the measure put them.
    DirWriter(const Model& model, uint8_t* header, rr::ContinuationSpace& space)
        : model_(model), header_(header), space_(space) {}

    void Start(const TreeDir* dir) {
        base_ = header_ && dir ? header_ + size_t{dir->extent - model_.options->sessionStart} * rr::kBlock : nullptr;
        offset_ = 0;
    }
    void Add(const Record& r);
    uint32_t Size() const { return static_cast<uint32_t>((offset_ + rr::kBlock - 1) / rr::kBlock * rr::kBlock); }

private:
    void PutContinuations(uint8_t* ceAt, const Record& r, const std::vector<size_t>& pieces);

    const Model& model_;
    uint8_t* header_;
    rr::ContinuationSpace& space_;
    uint8_t* base_ = nullptr;
    size_t offset_ = 0;
};

void DirWriter::Add(const Record& r) {
    const size_t nameLength = r.name.size();
    const size_t fixed = dirrec::kNameAt + nameLength + (nameLength % 2 == 0 ? 1 : 0);
    const std::vector<size_t> pieces = rr::SplitEntries(r.susp, kMaxRecord - fixed);
    const size_t inRecord = pieces[0] + (pieces.size() > 1 ? rr::kContinuationEntry : 0);
    const size_t length = (fixed + inRecord + 1) / 2 * 2;
    if (offset_ % rr::kBlock + length > rr::kBlock) offset_ = (offset_ / rr::kBlock + 1) * rr::kBlock;
    uint8_t* at = base_ ? base_ + offset_ : nullptr;
    offset_ += length;
    if (!at) {
        for (size_t k = 1; k < pieces.size(); ++k)
            (void)space_.Take(pieces[k] + (k + 1 < pieces.size() ? rr::kContinuationEntry : 0));
        return;
    }
    PutDirectoryRecord({at, length}, r);
    std::memcpy(at + fixed, r.susp.data(), pieces[0]);
    if (pieces.size() > 1) PutContinuations(at + fixed + pieces[0], r, pieces);
}

// Each piece after the first in its own area; the CE before it says where.
void DirWriter::PutContinuations(uint8_t* ceAt, const Record& r, const std::vector<size_t>& pieces) {
    size_t from = pieces[0];
    for (size_t k = 1; k < pieces.size(); ++k) {
        const bool more = k + 1 < pieces.size();
        const size_t length = pieces[k] + (more ? rr::kContinuationEntry : 0);
        const auto [block, offset] = space_.Take(length);
        const uint32_t sector = model_.continuationStart + block;
        rr::PutCE(ceAt, sector, offset, static_cast<uint32_t>(length));
        uint8_t* area = header_ + size_t{sector - model_.options->sessionStart} * rr::kBlock + offset;
        std::memcpy(area, r.susp.data() + from, pieces[k]);
        ceAt = area + pieces[k];
        from += pieces[k];
    }
}

// The records of one tree, folder by folder.
class TreeRecords {
public:
    TreeRecords(const Model& model, const Tree& tree, DirWriter& writer)
        : model_(model), tree_(tree), writer_(writer), rockRidge_(!tree.joliet && model.options->rockRidge) {}

    uint32_t Folder(uint32_t at);

private:
    Record DirRecord(uint32_t dir, std::string_view name, bool self) const;
    void FileRecords(uint32_t file);
    void StubRecord(uint32_t dir);
    rr::Posix DirPosix(uint32_t dir) const;

    const Model& model_;
    const Tree& tree_;
    DirWriter& writer_;
    bool rockRidge_;
};

rr::Posix DirPosix(const TreeDir& d, uint32_t serial) {
    return {WithType(d.entry->Mode, 040000), 2 + d.subfolders, d.entry->Owner, d.entry->Group, serial};
}

rr::Posix TreeRecords::DirPosix(uint32_t dir) const { return iso::DirPosix(tree_.dirs[dir], dir + 1); }

Record TreeRecords::DirRecord(uint32_t dir, std::string_view name, bool self) const {
    const TreeDir& d = tree_.dirs[dir];
    Record r{{name, d.extent, d.size, model_.TimeOf(d.entry->ModTime), dirrec::kDirectory}, {}};
    if (!rockRidge_) return r;
    if (self && dir == 0) rr::AppendSP(r.susp);  // SP opens the root's first record
    rr::AppendPX(r.susp, DirPosix(dir));
    rr::AppendTF(r.susp, r.time);
    return r;
}

uint32_t TreeRecords::Folder(uint32_t at) {
    const TreeDir& d = tree_.dirs[at];
    writer_.Start(&d);
    Record self = DirRecord(at, std::string_view("\0", 1), true);
    if (rockRidge_ && at == 0) rr::AppendER(self.susp);
    writer_.Add(self);
    Record up = DirRecord(d.parent, std::string_view("\1", 1), false);
    if (rockRidge_ && d.relocated) rr::AppendPL(up.susp, tree_.dirs[d.realParent].extent);
    writer_.Add(up);
    for (const Child& c : d.children) {
        if (c.kind == Kind::File) {
            FileRecords(c.index);
        } else if (c.kind == Kind::Stub) {
            StubRecord(c.index);
        } else {
            const TreeDir& child = tree_.dirs[c.index];
            Record r = DirRecord(c.index, child.name, false);
            if (rockRidge_) {
                rr::AppendNM(r.susp, child.entry->LongName);
                // RE also on the relocation folder itself: Rock Ridge readers then hide it.
                if (child.relocated || child.entry == model_.relocationDir.get()) rr::AppendRE(r.susp);
            }
            writer_.Add(r);
        }
    }
    return writer_.Size();
}

// A folder moved under rr_moved stays in its parent as a file record
// whose CL leads to it.
void TreeRecords::StubRecord(uint32_t dir) {
    const TreeDir& d = tree_.dirs[dir];
    Record r{{d.entry->ShortName, d.extent, 0, model_.TimeOf(d.entry->ModTime), 0}, {}};
    rr::AppendPX(r.susp, DirPosix(dir));
    rr::AppendTF(r.susp, r.time);
    rr::AppendNM(r.susp, d.entry->LongName);
    rr::AppendCL(r.susp, d.extent);
    writer_.Add(r);
}

void TreeRecords::FileRecords(uint32_t file) {
    const TFEntry& f = *model_.files[file];
    const FileFacts& facts = model_.facts[file];
    const bool link = (f.Attributes & kAttrSymbolicLink) != 0;
    std::string joliet;
    if (tree_.joliet) {
        const auto given = model_.jolietNames.find(file);
        joliet = given != model_.jolietNames.end() ? given->second : Utf16BigEndian(f.LongName, kJolietUnits);
    }
    const std::string_view name = tree_.joliet ? std::string_view(joliet) : std::string_view(f.ShortName);
    Record r{{name, 0, 0, model_.TimeOf(f.ModTime), 0}, {}};
    if (rockRidge_) {
        rr::AppendPX(r.susp, {WithType(f.Mode, link ? 0120000 : 0100000), facts.links, f.Owner, f.Group, facts.serial});
        rr::AppendTF(r.susp, r.time);
        rr::AppendNM(r.susp, f.LongName);
        if (link) rr::AppendSL(r.susp, f.LinkTarget);
    }
    int64_t left = link ? 0 : f.Size;
    uint32_t extent = f.Extent;
    do {
        r.size = static_cast<uint32_t>(std::min<int64_t>(left, kSectionBytes));
        r.extent = extent;
        left -= r.size;
        r.flags = left > 0 ? dirrec::kMultiExtent : 0;
        writer_.Add(r);
        extent += kSectionBytes / rr::kBlock;
    } while (left > 0);
}

}  // namespace

void PutDirectoryRecord(std::span<uint8_t> record, const RecordFields& fields) {
    using namespace dirrec;
    record[kLengthByte] = static_cast<uint8_t>(record.size());
    PutBoth32(record.subspan(kExtent.at, kExtent.length), fields.extent);
    PutBoth32(record.subspan(kDataLength.at, kDataLength.length), fields.size);
    const auto date = RecordDate(fields.time);
    std::copy(date.begin(), date.end(), record.begin() + kDate.at);
    record[kFlagsByte] = fields.flags;
    PutBoth16(record.subspan(kVolumeSequence.at, kVolumeSequence.length), 1);
    record[kNameLengthByte] = static_cast<uint8_t>(fields.name.size());
    std::copy(fields.name.begin(), fields.name.end(), record.begin() + kNameAt);
}

void MeasureDirectories(Model& model) {
    rr::ContinuationSpace space;
    DirWriter writer(model, nullptr, space);
    for (Tree* tree : {&model.iso, &model.joliet}) {
        if (tree->joliet && !model.options->joliet) continue;
        TreeRecords records(model, *tree, writer);
        for (uint32_t i = 0; i < tree->dirs.size(); ++i) tree->dirs[i].size = records.Folder(i);
    }
    model.continuationBlocks = space.Blocks();
}

void WriteDirectories(const Model& model, std::vector<uint8_t>& header) {
    rr::ContinuationSpace space;
    DirWriter writer(model, header.data(), space);
    for (const Tree* tree : {&model.iso, &model.joliet}) {
        if (tree->joliet && !model.options->joliet) continue;
        TreeRecords records(model, *tree, writer);
        for (uint32_t i = 0; i < tree->dirs.size(); ++i) (void)records.Folder(i);
    }
}

}  // namespace kq::iso
