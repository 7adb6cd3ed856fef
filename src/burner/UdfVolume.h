#pragma once
// Where a disc's UDF volume ends, as its anchor and partition descriptors
// say. The sectors come from the disc: every tag is checked before a
// number in it is believed.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace kq::udf {

// Reads one sector (counted from the volume's start) into out; false when it cannot.
using ReadSector = std::function<bool(uint32_t sector, std::vector<uint8_t>& out)>;

// A descriptor whose tag is whole (checksum, CRC) and says `id` and `location`.
bool ValidTag(std::span<const uint8_t> descriptor, uint16_t id, uint32_t location);

// The sectors from the volume's start to the end of its last partition,
// and the anchor right after it when one is there; nullopt without a UDF
// volume (no valid anchor at 256, or no partition in its main sequence).
std::optional<uint32_t> VolumeSectors(const ReadSector& read);

}  // namespace kq::udf
