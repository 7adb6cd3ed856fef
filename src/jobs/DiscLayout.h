#pragma once
// How the tracks READ TRACK INFORMATION describes fill the disc.
#include "drive/DiscReplies.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kq::jobs {

// Sectors written or otherwise taken (the gaps of closed sessions) and
// sectors still free, from the tracks: the last one that takes data
// tells where writing would go on.
struct DiscSpace {
    uint64_t used = 0;
    uint64_t free = 0;
};
DiscSpace SpaceOf(const std::vector<TrackSummary>& tracks, const std::optional<TocSummary>& toc);

}  // namespace kq::jobs
