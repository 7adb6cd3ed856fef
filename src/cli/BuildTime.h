#pragma once
// When the disc is made: SOURCE_DATE_EPOCH, as reproducible builds set it.
#include "cli/CliOptions.h"

#include <cstdint>
#include <string>

namespace kq::cli {

// 9999-12-31 23:59:59, the last second a volume descriptor's date holds.
inline constexpr int64_t kLastVolumeSecond = 253402300799;

// The variable's value (null or empty: unset) into the options; the
// refusal, naming the variable and the value, when it is not a whole
// number of seconds from 1970 to the year 9999.
std::string TakeSourceDateEpoch(const char* value, CliOptions& options);

// The same, read from the environment.
std::string ReadSourceDateEpoch(CliOptions& options);

}  // namespace kq::cli
