// Where UDF readers start: the recognition sequence, the anchors, the two
// volume descriptor sequences, the integrity descriptor and the file set.
#include "burner/IsoNames.h"
#include "burner/UdfFields.h"
#include "burner/UdfLayout.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace kq::udf {

namespace {

constexpr size_t kDescriptor = 512;  // every descriptor here fits in its first 512 bytes
constexpr uint32_t kReadOnly = 1;
constexpr uint16_t kUdfRevision = 0x0102;

std::span<uint8_t> Block(std::vector<uint8_t>& header, uint32_t block) {
    return {header.data() + size_t{block} * kBlock, kBlock};
}

std::string VolumeLabel(const iso::Model& model) {
    const std::string& volume = model.options->ids.volume;
    return volume.empty() ? "CDROM" : volume;
}

int64_t VolumeTime(const iso::Model& model, const std::optional<int64_t>& own) {
    return own.value_or(model.options->buildTime);
}

void PutRecognition(std::span<uint8_t> block, std::string_view id) {
    block[0] = 0;
    std::copy(id.begin(), id.end(), block.begin() + 1);
    block[6] = 1;
}

// The first 16 characters make the volume set unique: the creation time in hex.
void PutPrimary(std::span<uint8_t> d, const iso::Model& model, uint32_t location) {
    const LayoutOptions& o = *model.options;
    const int64_t created = VolumeTime(model, o.creation);
    char unique[17];
    std::snprintf(unique, sizeof unique, "%016llX", static_cast<unsigned long long>(created));
    Put32(d.subspan(16), 0);
    PutDstring(d.subspan(24, 32), VolumeLabel(model));
    for (size_t at : {56, 58}) Put16(d.subspan(at), 1);
    for (size_t at : {60, 62}) Put16(d.subspan(at), 2);  // interchange level 2: one volume
    for (size_t at : {64, 68}) Put32(d.subspan(at), 1);  // CS0
    PutDstring(d.subspan(72, 128), std::string(unique) + (o.ids.volumeSet.empty() ? "" : " " + o.ids.volumeSet));
    PutCharspec(d.subspan(200));
    PutCharspec(d.subspan(264));
    PutTimestamp(d.subspan(376), created);
    PutImplementation(d.subspan(388));
    PutTag(d.first(kDescriptor), tag::kPrimary, location);
}

void PutImplementationUse(std::span<uint8_t> d, const iso::Model& model, uint32_t location) {
    Put32(d.subspan(16), 1);
    const uint8_t suffix[2] = {kUdfRevision & 0xFF, kUdfRevision >> 8};
    PutRegid(d.subspan(20), "*UDF LV Info", suffix);
    PutCharspec(d.subspan(52));
    PutDstring(d.subspan(116, 128), VolumeLabel(model));
    PutImplementation(d.subspan(352));
    PutTag(d.first(kDescriptor), tag::kImplementationUse, location);
}

void PutPartition(std::span<uint8_t> d, uint32_t total, uint32_t location) {
    Put32(d.subspan(16), 2);
    Put16(d.subspan(20), 1);  // allocated
    Put16(d.subspan(22), 0);  // partition number
    PutRegid(d.subspan(24), "+NSR02");
    Put32(d.subspan(184), kReadOnly);
    Put32(d.subspan(188), kPartitionStart);
    Put32(d.subspan(192), total - 1 - kPartitionStart);
    PutImplementation(d.subspan(196));
    PutTag(d.first(kDescriptor), tag::kPartition, location);
}

void PutLogicalVolume(std::span<uint8_t> d, const iso::Model& model, uint32_t fileSet, uint32_t location) {
    Put32(d.subspan(16), 3);
    PutCharspec(d.subspan(20));
    PutDstring(d.subspan(84, 128), VolumeLabel(model));
    Put32(d.subspan(212), kBlock);
    PutRegid(d.subspan(216), "*OSTA UDF Compliant", kUdfSuffix);
    PutLongAd(d.subspan(248), kBlock, Lbn(fileSet));
    Put32(d.subspan(264), 6);  // one map of type 1: six bytes
    Put32(d.subspan(268), 1);
    PutImplementation(d.subspan(272));
    Put32(d.subspan(432), 2 * kBlock);
    Put32(d.subspan(436), kIntegrity);
    d[440] = 1;
    d[441] = 6;
    Put16(d.subspan(442), 1);  // volume 1, partition 0
    PutTag(d.first(446), tag::kLogicalVolume, location);
}

void PutSequence(std::vector<uint8_t>& header, const iso::Model& model, uint32_t start, uint32_t total, uint32_t fileSet) {
    PutPrimary(Block(header, start), model, start);
    PutImplementationUse(Block(header, start + 1), model, start + 1);
    PutPartition(Block(header, start + 2), total, start + 2);
    PutLogicalVolume(Block(header, start + 3), model, fileSet, start + 3);
    const auto unallocated = Block(header, start + 4);
    Put32(unallocated.subspan(16), 4);
    PutTag(unallocated.first(24), tag::kUnallocated, start + 4);
    PutTag(Block(header, start + 5).first(kDescriptor), tag::kTerminating, start + 5);
}

}  // namespace

void WriteAnchor(std::span<uint8_t> d, uint32_t location) {
    Put32(d.subspan(16), kSequenceBlocks * kBlock);
    Put32(d.subspan(20), kMainSequence);
    Put32(d.subspan(24), kSequenceBlocks * kBlock);
    Put32(d.subspan(28), kReserveSequence);
    PutTag(d.first(kDescriptor), tag::kAnchor, location);
}

void Layout::WriteDescriptors(const iso::Model& model, uint32_t vrs, uint32_t total, std::vector<uint8_t>& header) const {
    PutRecognition(Block(header, vrs), "BEA01");
    PutRecognition(Block(header, vrs + 1), "NSR02");
    PutRecognition(Block(header, vrs + 2), "TEA01");
    for (uint32_t start : {kMainSequence, kReserveSequence}) PutSequence(header, model, start, total, fileSet_);

    // Closed, with the next unique id and the counts.
    const auto lvid = Block(header, kIntegrity);
    PutTimestamp(lvid.subspan(16), VolumeTime(model, model.options->modification));
    Put32(lvid.subspan(28), 1);
    Put64(lvid.subspan(40), 15 + nodes_.size());  // one past the last given
    Put32(lvid.subspan(72), 1);
    Put32(lvid.subspan(76), 46);
    Put32(lvid.subspan(80), 0);  // free
    Put32(lvid.subspan(84), total - 1 - kPartitionStart);
    PutImplementation(lvid.subspan(88));
    Put32(lvid.subspan(120), files_);
    Put32(lvid.subspan(124), static_cast<uint32_t>(folders_.size()));
    for (size_t at : {128, 130, 132}) Put16(lvid.subspan(at), kUdfRevision);
    PutTag(lvid.first(134), tag::kIntegrity, kIntegrity);
    PutTag(Block(header, kIntegrity + 1).first(kDescriptor), tag::kTerminating, kIntegrity + 1);

    WriteAnchor(Block(header, kAnchor), kAnchor);

    const auto fsd = Block(header, fileSet_);
    PutTimestamp(fsd.subspan(16), VolumeTime(model, model.options->creation));
    for (size_t at : {28, 30}) Put16(fsd.subspan(at), 3);
    for (size_t at : {32, 36}) Put32(fsd.subspan(at), 1);
    PutCharspec(fsd.subspan(48));
    PutDstring(fsd.subspan(112, 128), VolumeLabel(model));
    PutCharspec(fsd.subspan(240));
    PutDstring(fsd.subspan(304, 32), VolumeLabel(model));
    PutLongAd(fsd.subspan(400), kBlock, Lbn(nodes_[0].entry));
    PutRegid(fsd.subspan(416), "*OSTA UDF Compliant", kUdfSuffix);
    PutTag(fsd.first(kDescriptor), tag::kFileSet, Lbn(fileSet_));
    PutTag(Block(header, fileSet_ + 1).first(kDescriptor), tag::kTerminating, Lbn(fileSet_ + 1));
}

}  // namespace kq::udf
