// Path tables and volume descriptors: where readers start.
#include "burner/IsoFields.h"
#include "burner/IsoNames.h"
#include "burner/IsoStructures.h"
#include "burner/LayoutModel.h"

#include "drive/ByteOrder.h"
#include "drive/MediaTypes.h"

#include <algorithm>
#include <span>

namespace kq::iso {

namespace {

constexpr size_t kSector = kSectorSize;

template <typename Byte>
std::span<Byte> At(std::span<Byte> bytes, Field field) {
    return bytes.subspan(field.at, field.length);
}

uint32_t PathRecordLength(const TreeDir& dir) {
    const size_t name = std::max<size_t>(dir.name.size(), 1);
    return static_cast<uint32_t>(pathrec::kNameAt + name + name % 2);
}

void PutText(std::span<uint8_t> field, std::string_view text) {
    std::fill(field.begin(), field.end(), ' ');
    std::copy_n(text.begin(), std::min(text.size(), field.size()), field.begin());
}

// UCS-2 fields are padded with UCS-2 spaces.
void PutUcs2(std::span<uint8_t> field, std::string_view utf8) {
    for (size_t i = 0; i + 1 < field.size(); i += 2) {
        field[i] = 0;
        field[i + 1] = ' ';
    }
    const std::string units = Utf16BigEndian(utf8, field.size() / 2);
    std::copy(units.begin(), units.end(), field.begin());
}

void PutDate(std::span<uint8_t> at, std::optional<int64_t> time) {
    const auto date = VolumeDate(time);
    std::copy(date.begin(), date.end(), at.begin());
}

std::optional<int64_t> VolumeDateOf(const LayoutOptions& o, std::optional<int64_t> own, bool always) {
    if (!own && !always) return std::nullopt;
    return own ? own : std::optional<int64_t>(o.buildTime);
}

// What opens every descriptor: its type, "CD001" and the version.
void PutHeader(std::span<uint8_t> d, uint8_t type) {
    d[vd::kTypeByte] = type;
    std::copy(vd::kStandardId.begin(), vd::kStandardId.end(), At(d, vd::kStandardIdField).begin());
    d[vd::kVersionByte] = vd::kVersion;
}

// One descriptor: the primary or the Joliet one (supplementary).
void PutDescriptor(std::span<uint8_t> d, const Model& model, const Tree& tree, uint32_t total) {
    using namespace vd;
    const LayoutOptions& o = *model.options;
    const bool joliet = tree.joliet;
    PutHeader(d, joliet ? kSupplementary : kPrimary);
    const auto text = [&](Field field, std::string_view value, bool dchars) {
        if (joliet) PutUcs2(At(d, field), value);
        else PutText(At(d, field), dchars ? DCharacters(value, field.length) : ACharacters(value, field.length));
    };
    text(kSystemId, o.ids.system, false);
    text(kVolumeId, o.ids.volume.empty() ? "CDROM" : o.ids.volume, true);
    PutBoth32(At(d, kVolumeSpaceSize), total);
    if (joliet) std::copy(kJolietEscape.begin(), kJolietEscape.end(), At(d, kEscapes).begin());
    PutBoth16(At(d, kVolumeSetSize), 1);
    PutBoth16(At(d, kVolumeSequence), 1);
    PutBoth16(At(d, kLogicalBlockSize), static_cast<uint16_t>(kSector));
    PutBoth32(At(d, kPathTableSize), tree.pathTableSize);
    PutLE32(At(d, kPathTableL), tree.pathTableL);
    PutBE32(At(d, kPathTableM), tree.pathTableM);
    const TreeDir& root = tree.dirs[0];
    PutDirectoryRecord(At(d, kRootRecord), {std::string_view("\0", 1), root.extent, root.size,
                                            model.TimeOf(root.entry->ModTime), dirrec::kDirectory});
    text(kVolumeSetId, o.ids.volumeSet, true);
    text(kPublisherId, o.ids.publisher, false);
    text(kPreparerId, o.ids.preparer, false);
    text(kApplicationId, o.ids.application, false);
    text(kCopyrightFile, o.ids.copyright, true);
    text(kAbstractFile, o.ids.abstract, true);
    text(kBibliographicFile, o.ids.bibliographic, true);
    PutDate(At(d, kCreation), VolumeDateOf(o, o.creation, true));
    PutDate(At(d, kModification), VolumeDateOf(o, o.modification, true));
    PutDate(At(d, kExpiration), VolumeDateOf(o, o.expiration, false));
    PutDate(At(d, kEffective), VolumeDateOf(o, o.effective, false));
    d[kFileStructureVersionByte] = 1;
}

}  // namespace

uint32_t PathTableSize(const Tree& tree) {
    uint32_t size = 0;
    for (const TreeDir& dir : tree.dirs) size += PathRecordLength(dir);
    return size;
}

void WritePathTable(const Tree& tree, bool bigEndian, uint8_t* at) {
    using namespace pathrec;
    for (const TreeDir& dir : tree.dirs) {
        const uint32_t length = PathRecordLength(dir);
        std::span<uint8_t> rec(at, length);
        rec[kNameLengthByte] = static_cast<uint8_t>(std::max<size_t>(dir.name.size(), 1));
        const auto parent = static_cast<uint16_t>(dir.parent + 1);
        if (bigEndian) {
            PutBE32(rec.subspan(kExtentAt), dir.extent);
            PutBE16(rec.subspan(kParentAt), parent);
        } else {
            PutLE32(rec.subspan(kExtentAt), dir.extent);
            PutLE16(rec.subspan(kParentAt), parent);
        }
        std::copy(dir.name.begin(), dir.name.end(), rec.begin() + kNameAt);  // the root's stays one zero byte
        at += length;
    }
}

void WriteVolumeDescriptors(const Model& model, uint32_t totalSectors, std::vector<uint8_t>& header) {
    uint32_t sector = vd::kFirstSector;
    const auto next = [&] { return std::span<uint8_t>(header.data() + size_t{sector++} * kSector, kSector); };
    PutDescriptor(next(), model, model.iso, totalSectors);
    if (model.options->joliet) PutDescriptor(next(), model, model.joliet, totalSectors);
    PutHeader(next(), vd::kTerminator);
}

std::optional<PrimaryVolume> ReadPrimaryVolume(std::span<const uint8_t> sector) {
    using namespace vd;
    if (sector.size() < kSector) return std::nullopt;
    const auto id = At(sector, kStandardIdField);
    if (sector[kTypeByte] != kPrimary || !std::equal(id.begin(), id.end(), kStandardId.begin()) ||
        sector[kVersionByte] != kVersion)
        return std::nullopt;
    const auto sectors = GetBoth32(At(sector, kVolumeSpaceSize));
    if (!sectors || *sectors == 0) return std::nullopt;
    return PrimaryVolume{*sectors};
}

}  // namespace kq::iso
