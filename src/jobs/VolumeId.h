#pragma once
// The volume identifier of a folder burn: what ISO 9660 allows in it
// (d-characters: A-Z, 0-9 and _, at most 32 of them).
#include <cstddef>
#include <string>

namespace kq::jobs {

inline constexpr size_t kVolumeIdLength = 32;

std::string UpperAscii(const std::string& text);
// The text made valid: upper case, every other character _, cut to 32.
std::string VolumeIdOf(const std::string& text);
// The default: the folder's own name made valid ("CDROM" when it has none).
std::string DefaultVolumeId(const std::string& folder);

}  // namespace kq::jobs
