// The end of a UDF volume on a disc (UdfVolume.h).
#include "burner/UdfVolume.h"

#include "burner/UdfFields.h"
#include "burner/UdfLayout.h"

#include <algorithm>

namespace kq::udf {

namespace {

constexpr uint32_t kMostDescriptors = 64;  // a sequence is 16 sectors or a few more

}  // namespace

bool ValidTag(std::span<const uint8_t> d, uint16_t id, uint32_t location) {
    if (d.size() < 16) return false;
    uint8_t sum = 0;
    for (size_t i = 0; i < 16; ++i)
        if (i != 4) sum = static_cast<uint8_t>(sum + d[i]);
    const size_t length = Get16(d.subspan(10));
    return Get16(d) == id && sum == d[4] && 16 + length <= d.size() && Crc(d.subspan(16, length)) == Get16(d.subspan(8)) &&
           Get32(d.subspan(12)) == location;
}

std::optional<uint32_t> VolumeSectors(const ReadSector& read) {
    std::vector<uint8_t> s;
    const auto sector = [&](uint64_t at, uint16_t id) {
        return at <= UINT32_MAX && read(static_cast<uint32_t>(at), s) && s.size() >= kBlock &&
               ValidTag(s, id, static_cast<uint32_t>(at));
    };
    if (!sector(kAnchor, tag::kAnchor)) return std::nullopt;
    const uint32_t start = Get32(std::span(s).subspan(20));
    const uint32_t count = std::min(Get32(std::span(s).subspan(16)) / kBlock, kMostDescriptors);
    uint64_t end = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (!read(start + i, s) || s.size() < kBlock) return std::nullopt;
        const uint16_t id = Get16(s);
        if (!ValidTag(s, id, start + i)) return std::nullopt;
        if (id == tag::kTerminating) break;
        if (id == tag::kPartition)
            end = std::max(end, uint64_t{Get32(std::span(s).subspan(188))} + Get32(std::span(s).subspan(192)));
    }
    if (end == 0 || end > UINT32_MAX) return std::nullopt;
    if (sector(end, tag::kAnchor)) ++end;
    return end > UINT32_MAX ? std::nullopt : std::optional<uint32_t>(static_cast<uint32_t>(end));
}

}  // namespace kq::udf
