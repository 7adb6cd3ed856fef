#pragma once
// How much of an unfinished session reached the disc.
#include <cstdint>
#include <optional>

namespace kq {
class TQCDBurner;
}

namespace kq::cli {

// Sectors recorded in the tracks of the disc's last session (READ DISC
// INFORMATION, then READ TRACK INFORMATION of each of its tracks); nullopt
// when the disc or a track does not answer.
std::optional<uint32_t> LastSessionSectors(TQCDBurner& burner);

}  // namespace kq::cli
