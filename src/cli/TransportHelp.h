#pragma once
// What to tell the user when no transport loads: what was tried, and the
// ways to reach a drive.
#include "cli/CliOptions.h"

#include <string>
#include <vector>

namespace kq::cli {

std::vector<std::string> NoTransportLines(const CliOptions& options);

}  // namespace kq::cli
