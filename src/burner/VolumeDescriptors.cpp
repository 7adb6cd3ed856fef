// Path tables and volume descriptors: where readers start.
#include "burner/IsoFields.h"
#include "burner/IsoNames.h"
#include "burner/LayoutModel.h"

#include "drive/ByteOrder.h"
#include "drive/MediaTypes.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace kq::iso {

namespace {

constexpr size_t kSector = kSectorSize;
constexpr uint32_t kFirstDescriptor = 16;

uint32_t PathRecordLength(const TreeDir& dir) {
    const size_t name = std::max<size_t>(dir.name.size(), 1);
    return static_cast<uint32_t>(8 + name + name % 2);
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

void PutRootRecord(std::span<uint8_t> at, const TreeDir& root, int64_t time) {
    at[0] = 34;
    PutBoth32(at.subspan(2), root.extent);
    PutBoth32(at.subspan(10), root.size);
    const auto date = RecordDate(time);
    std::copy(date.begin(), date.end(), at.begin() + 18);
    at[25] = 0x02;
    PutBoth16(at.subspan(28), 1);
    at[32] = 1;
    at[33] = 0;
}

void PutDate(std::span<uint8_t> at, std::optional<int64_t> time) {
    const auto date = VolumeDate(time);
    std::copy(date.begin(), date.end(), at.begin());
}

std::optional<int64_t> VolumeDateOf(const LayoutOptions& o, std::optional<int64_t> own, bool always) {
    if (!own && !always) return std::nullopt;
    return own ? own : std::optional<int64_t>(o.buildTime);
}

// One descriptor: the primary (type 1) or the Joliet one (type 2).
void PutDescriptor(std::span<uint8_t> d, const Model& model, const Tree& tree, uint32_t total) {
    const LayoutOptions& o = *model.options;
    const bool joliet = tree.joliet;
    d[0] = joliet ? 2 : 1;
    std::memcpy(&d[1], "CD001", 5);
    d[6] = 1;
    const auto text = [&](size_t at, size_t length, std::string_view value, bool dchars) {
        if (joliet) PutUcs2(d.subspan(at, length), value);
        else PutText(d.subspan(at, length), dchars ? DCharacters(value, length) : ACharacters(value, length));
    };
    text(8, 32, o.ids.system, false);
    text(40, 32, o.ids.volume.empty() ? "CDROM" : o.ids.volume, true);
    PutBoth32(d.subspan(80), total);
    if (joliet) std::memcpy(&d[88], "%/E", 3);  // UCS-2 level 3
    PutBoth16(d.subspan(120), 1);
    PutBoth16(d.subspan(124), 1);
    PutBoth16(d.subspan(128), static_cast<uint16_t>(kSector));
    PutBoth32(d.subspan(132), tree.pathTableSize);
    PutLE32(d.subspan(140), tree.pathTableL);
    PutBE32(d.subspan(148), tree.pathTableM);
    PutRootRecord(d.subspan(156, 34), tree.dirs[0], model.TimeOf(tree.dirs[0].entry->ModTime));
    text(190, 128, o.ids.volumeSet, true);
    text(318, 128, o.ids.publisher, false);
    text(446, 128, o.ids.preparer, false);
    text(574, 128, o.ids.application, false);
    text(702, 37, o.ids.copyright, true);
    text(739, 37, o.ids.abstract, true);
    text(776, 37, o.ids.bibliographic, true);
    PutDate(d.subspan(813), VolumeDateOf(o, o.creation, true));
    PutDate(d.subspan(830), VolumeDateOf(o, o.modification, true));
    PutDate(d.subspan(847), VolumeDateOf(o, o.expiration, false));
    PutDate(d.subspan(864), VolumeDateOf(o, o.effective, false));
    d[881] = 1;
}

}  // namespace

uint32_t PathTableSize(const Tree& tree) {
    uint32_t size = 0;
    for (const TreeDir& dir : tree.dirs) size += PathRecordLength(dir);
    return size;
}

void WritePathTable(const Tree& tree, bool bigEndian, uint8_t* at) {
    for (const TreeDir& dir : tree.dirs) {
        const uint32_t length = PathRecordLength(dir);
        std::span<uint8_t> rec(at, length);
        rec[0] = static_cast<uint8_t>(std::max<size_t>(dir.name.size(), 1));
        const auto parent = static_cast<uint16_t>(dir.parent + 1);
        if (bigEndian) {
            PutBE32(rec.subspan(2), dir.extent);
            PutBE16(rec.subspan(6), parent);
        } else {
            PutLE32(rec.subspan(2), dir.extent);
            PutLE16(rec.subspan(6), parent);
        }
        std::copy(dir.name.begin(), dir.name.end(), rec.begin() + 8);  // the root's stays one zero byte
        at += length;
    }
}

void WriteVolumeDescriptors(const Model& model, uint32_t totalSectors, std::vector<uint8_t>& header) {
    uint32_t sector = kFirstDescriptor;
    const auto next = [&] { return std::span<uint8_t>(header.data() + size_t{sector++} * kSector, kSector); };
    PutDescriptor(next(), model, model.iso, totalSectors);
    if (model.options->joliet) PutDescriptor(next(), model, model.joliet, totalSectors);
    std::span<uint8_t> end = next();
    end[0] = 255;
    std::memcpy(&end[1], "CD001", 5);
    end[6] = 1;
}

}  // namespace kq::iso
