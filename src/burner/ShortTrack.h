#pragma once
// The shortest track a CD holds is 300 sectors (four seconds): with
// WritePostGap a shorter image goes to the disc as that many, the rest
// zeros. An image file is written as it is.
#include "drive/MediaTypes.h"

#include <algorithm>
#include <cstdint>

namespace kq {

inline constexpr int64_t kPostGapSectors = 300;
inline constexpr int64_t kShortImageBytes = kPostGapSectors * kSectorSize;

// The sectors a track of `sectors` takes on the disc.
constexpr int64_t PaddedSectors(int64_t sectors, bool postGap) {
    return postGap ? std::max(sectors, kPostGapSectors) : sectors;
}

}  // namespace kq
