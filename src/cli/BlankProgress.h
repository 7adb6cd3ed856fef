#pragma once
// The progress line of a blank: the drive's own progress indication, the
// time taken and the time left at that pace.
#include <cstdint>
#include <string>

namespace kq::cli {

// progress: 65536ths of the whole as the drive reports them; -1 while the
// drive has reported none.
// " 37%  blanking  0:42 elapsed  1:12 left"
// `doing` names the operation ("formatting" for FORMAT UNIT).
std::string FormatBlankLine(int progress, uint64_t elapsedMs, const std::string& doing = "blanking");

}  // namespace kq::cli
