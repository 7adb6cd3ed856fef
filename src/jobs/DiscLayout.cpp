#include "jobs/DiscLayout.h"

#include <algorithm>

namespace kq::jobs {

DiscSpace SpaceOf(const std::vector<TrackSummary>& tracks, const std::optional<TocSummary>& toc) {
    DiscSpace space;
    for (const TrackSummary& t : tracks) {
        if (t.nextWritable) {
            // Written up to the next writable address; the free blocks follow it.
            space.used = std::max<uint64_t>(space.used, *t.nextWritable);
            space.free += t.freeBlocks;
        } else if (!t.blank) {
            space.used = std::max(space.used, uint64_t{t.start} + t.size);
        }
    }
    if (toc && toc->leadOut && space.free == 0) space.used = std::max<uint64_t>(space.used, *toc->leadOut);
    return space;
}

}  // namespace kq::jobs
