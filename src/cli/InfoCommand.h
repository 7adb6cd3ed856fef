#pragma once
// --info: each chosen drive's medium and the disc as the drive describes it.
#include "cli/CliOptions.h"
#include "cli/Console.h"

namespace kq::cli {

// 0 when every chosen drive described its disc; 4 when one holds no
// readable disc; 2 for an unknown --device.
int ShowDiscInfo(const CliOptions& options, Console& console);

}  // namespace kq::cli
