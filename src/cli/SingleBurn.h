#pragma once
// One image onto one recorder: the medium check, the burn with its
// progress, Ctrl-C, the result, the verify and the eject.
#include "cli/CliOptions.h"
#include "cli/Console.h"

namespace kq::cli {

// The exit code of the whole run (the image and the options are good).
int RunSingleBurn(const CliOptions& options, Console& console);

}  // namespace kq::cli
